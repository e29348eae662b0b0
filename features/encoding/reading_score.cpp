// Scores a decoded text by the scripts of its words, to choose between code pages.
#include "features/encoding/reading_score.h"

#include <cstdint>

namespace {

enum class Script { Neutral, Odd, Latin, Accented, Greek, Cyrillic, Han, Kana, Hangul };

Script scriptOf(uint32_t c)
{
    if (c < 0x80)
        return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') ? Script::Latin : Script::Neutral;
    if (c < 0xA0)
        return Script::Odd;
    // Symbols of 0xA0 to 0xBF that real tags hardly hold, where CJK bytes read as cp1250 put them.
    if (c == 0xA4 || c == 0xA6 || c == 0xA8 || c == 0xAC || c == 0xAF || c == 0xB1 || c == 0xB5 || c == 0xB6
        || c == 0xB8)
        return Script::Odd;
    if (c < 0xC0 || c == 0xD7 || c == 0xF7 || (c >= 0x2000 && c < 0x2070) || (c >= 0x3000 && c < 0x3040))
        return Script::Neutral;
    if (c < 0x250 || (c >= 0x1E00 && c < 0x1F00))
        return Script::Accented;
    if (c >= 0x370 && c < 0x400)
        return Script::Greek;
    if (c >= 0x400 && c < 0x500)
        return Script::Cyrillic;
    if ((c >= 0x4E00 && c < 0xA000) || (c >= 0x3400 && c < 0x4DC0))
        return Script::Han;
    if (c >= 0x3040 && c < 0x3100)
        return Script::Kana;
    if ((c >= 0xAC00 && c < 0xD7B0) || (c >= 0x3130 && c < 0x3190))
        return Script::Hangul;
    if (c >= 0xFF01 && c < 0xFF5F)
        return Script::Neutral;
    return Script::Odd;
}

bool sameWord(Script a, Script b)
{
    const auto latin = [](Script s) { return s == Script::Latin || s == Script::Accented; };
    const auto japanese = [](Script s) { return s == Script::Han || s == Script::Kana; };
    return a == b || (latin(a) && latin(b)) || (japanese(a) && japanese(b));
}

// Letter case where the scripts that a wrong code page turns up have it; 0 for none.
int caseOf(uint32_t c)
{
    const bool upper = (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE) || (c >= 0x391 && c <= 0x3A9)
                       || (c >= 0x386 && c <= 0x38F) || (c >= 0x400 && c <= 0x42F);
    const bool lower = (c >= 'a' && c <= 'z') || (c >= 0xDF && c <= 0xFF) || (c >= 0x3AC && c <= 0x3CE)
                       || (c >= 0x430 && c <= 0x45F);
    return upper ? 1 : lower ? -1 : 0;
}

struct Word {
    Script first = Script::Neutral;
    int letters = 0, accented = 0;
    int lastCase = 0;
    bool mixed = false;
};

// A word reads right when it keeps to one script, no capital follows a small letter, and a
// Latin one of three letters or more is not mostly accented letters, as Cyrillic or Greek
// read as Latin-1 are.
int goodLetters(const Word& w)
{
    if (w.mixed || (w.letters >= 3 && w.accented * 2 > w.letters))
        return 0;
    return w.letters;
}

} // namespace

double readingScore(const Utf8Text& text)
{
    int good = 0, total = 0, odd = 0, latin = 0, accented = 0;
    Word word;
    for (std::size_t i = 0; i <= text.size();) {
        const uint32_t c = i < text.size() ? nextCodePoint(text, i) : (++i, uint32_t{' '});
        const Script s = c == kNotUtf8 ? Script::Odd : scriptOf(c);
        if (s == Script::Neutral || s == Script::Odd) {
            good += goodLetters(word);
            word = Word{};
            odd += s == Script::Odd;
            continue;
        }
        if (word.letters == 0)
            word.first = s;
        const int letterCase = caseOf(c);
        word.mixed = word.mixed || !sameWord(word.first, s) || (word.lastCase < 0 && letterCase > 0);
        word.lastCase = letterCase;
        ++word.letters;
        ++total;
        word.accented += s == Script::Accented;
        latin += s == Script::Latin || s == Script::Accented;
        accented += s == Script::Accented;
    }
    if (total + odd == 0)
        return 0;
    const double score = double(good - 2 * odd) / double(total + odd);
    // Latin text is mostly plain letters; accented ones throughout mean another script's bytes.
    return accented * 5 > latin * 3 ? score / 2 : score;
}

double commonShare(const std::string& bytes, const std::string& codePage)
{
    // Lead (and for some trail) byte ranges of each code page's everyday characters.
    int pairs = 0, common = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        const auto lead = static_cast<unsigned char>(bytes[i]), trail = static_cast<unsigned char>(bytes[i + 1]);
        if (lead < 0x81)
            continue;
        ++pairs;
        if (codePage == "gbk")
            common += lead >= 0xB0 && lead <= 0xD7 && trail >= 0xA1;
        else if (codePage == "big5")
            common += lead >= 0xA4 && lead <= 0xC6;
        else if (codePage == "euc-kr")
            common += lead >= 0xB0 && lead <= 0xC8 && trail >= 0xA1;
        else if (codePage == "shift_jis")
            common += lead == 0x82 || lead == 0x83 || (lead >= 0x88 && lead <= 0x98);
        else
            return 1.0;
        ++i;
    }
    return pairs == 0 ? 1.0 : double(common) / pairs;
}
