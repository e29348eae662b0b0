// The code page guess: the detector's answer checked against how the text reads in it.
#include "features/encoding/code_page_guess.h"

#include "features/encoding/reading_score.h"
#include "platform/code_pages.h"

#include <uchardet/uchardet.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string_view>

namespace {

struct Alias {
    const char* name;
    const char* codePage;
};

// Spellings people and the detector use, upper case, for the code pages tags were written in.
constexpr Alias kAliases[] = {
    {"CP1250", "cp1250"}, {"WINDOWS-1250", "cp1250"}, {"1250", "cp1250"}, {"ISO-8859-2", "cp1250"},
    {"CP1251", "cp1251"}, {"WINDOWS-1251", "cp1251"}, {"1251", "cp1251"}, {"ISO-8859-5", "cp1251"},
    {"CP1252", "cp1252"}, {"WINDOWS-1252", "cp1252"}, {"1252", "cp1252"},
    {"CP1253", "cp1253"}, {"WINDOWS-1253", "cp1253"}, {"1253", "cp1253"}, {"ISO-8859-7", "cp1253"},
    {"GBK", "gbk"}, {"GB2312", "gbk"}, {"GB18030", "gbk"}, {"CP936", "gbk"},
    {"BIG5", "big5"}, {"BIG-5", "big5"}, {"CP950", "big5"},
    {"SHIFT_JIS", "shift_jis"}, {"SJIS", "shift_jis"}, {"SHIFT-JIS", "shift_jis"}, {"CP932", "shift_jis"},
    {"EUC-KR", "euc-kr"}, {"CP949", "euc-kr"}, {"UHC", "euc-kr"},
    {"UTF-8", "utf-8"}, {"UTF8", "utf-8"}, {"KOI8-R", "koi8-r"},
};

// What the system's converter calls each: the Windows supersets of the Asian ones.
std::string converterName(const std::string& codePage)
{
    if (codePage == "shift_jis")
        return "CP932";
    if (codePage == "euc-kr")
        return "CP949";
    return codePage;
}

std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

std::string detectorAnswer(const std::string& bytes)
{
    std::unique_ptr<uchardet, decltype(&uchardet_delete)> detector(uchardet_new(), uchardet_delete);
    // The detector answers nothing for a few bytes; saying them again lets it weigh them.
    for (int i = 0; i < 4; ++i)
        if (uchardet_handle_data(detector.get(), bytes.data(), bytes.size()) != 0)
            return {};
    uchardet_data_end(detector.get());
    return upper(uchardet_get_charset(detector.get()));
}

bool hasHighByte(const std::string& s)
{
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

bool latin1Letter(unsigned char b)
{
    return std::isalpha(b) || (b >= 0xC0 && b != 0xD7 && b != 0xF7);
}

bool oneOf(unsigned char b, std::string_view set)
{
    return set.find(static_cast<char>(b)) != std::string_view::npos;
}

// A symbol byte beside a letter, as the symbols of ISO-8859-1 never stand in real text:
// "¿Qué", "«Liberté»", "Nº", "MC²", "Don´t" and "col·lecció" do; "£zy" and "mo¿e" do not.
bool strayBesideLetter(const std::string& bytes, std::size_t i)
{
    const auto b = static_cast<unsigned char>(bytes[i]);
    const bool before = i > 0 && latin1Letter(static_cast<unsigned char>(bytes[i - 1]));
    const bool after = i + 1 < bytes.size() && latin1Letter(static_cast<unsigned char>(bytes[i + 1]));
    if (b == 0xB4 || b == 0xB7)
        return false;
    if (before && after)
        return true;
    return (after && !oneOf(b, "\xA1\xBF\xAB")) || (before && !oneOf(b, "\xBB\xBA\xAA\xB0\xB2\xB3\xAE\xA9"));
}

// Bytes 0x80 to 0x9F are controls in ISO-8859-1 and punctuation in cp1252.
bool latin1Reading(const std::string& bytes, bool c1AsPunctuation)
{
    int accented = 0, letters = 0, run = 0;
    bool lastSymbol = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x80 && b < 0xA0 && !c1AsPunctuation)
            return false;
        const bool high = b >= 0xC0 && latin1Letter(b);
        const bool symbol = b >= 0xA0 && !latin1Letter(b);
        run = high ? run + 1 : 0;
        if (run >= 3 || (symbol && (lastSymbol || strayBesideLetter(bytes, i))))
            return false;
        lastSymbol = symbol;
        letters += latin1Letter(b);
        accented += high;
    }
    return letters < 6 || accented * 4 <= letters * 3;
}

std::string joined(const std::vector<std::string>& texts)
{
    std::string all;
    for (const std::string& t : texts)
        if (hasHighByte(t))
            all += (all.empty() ? "" : "\n") + t;
    return all;
}

std::optional<std::string> knownAnswer(const std::string& detector)
{
    for (const Alias& alias : kAliases)
        if (detector == alias.name)
            return std::string(alias.codePage);
    return std::nullopt;
}

// How well the text reads in the code page, 0 to 1; below 0 when it is not text in it.
double readingIn(const std::string& bytes, const std::string& codePage)
{
    const std::optional<Utf8Text> text = decodeFrom(bytes, codePage);
    if (!text)
        return -1;
    return readingScore(*text) * (0.5 + 0.5 * commonShare(bytes, codePage));
}

CodePageGuess bestReading(const std::string& bytes, const std::optional<std::string>& detected)
{
    CodePageGuess best{"", -1000};
    double bestScore = -1;
    for (const std::string& page : knownCodePages()) {
        if (page == "utf-8" || (page == "cp1252" && !latin1Reading(bytes, true)))
            continue;
        const double score = readingIn(bytes, page) + (detected == page ? 0.15 : 0.0);
        if (score > bestScore) {
            bestScore = score;
            best.codePage = page;
        }
    }
    // Where cp1252 reads the same, the bytes are Western text whichever was meant.
    if (best.codePage == "cp1250" && decodeFrom(bytes, "cp1252") == decodeFrom(bytes, "cp1250"))
        best.codePage = "cp1252";
    best.confidence = std::clamp(int(bestScore * 100) - (detected == best.codePage ? 0 : 20), 1, 99);
    return best;
}

} // namespace

std::optional<std::string> codePageNamed(const std::string& name)
{
    const std::string key = upper(name);
    for (const Alias& alias : kAliases)
        if (key == alias.name)
            return std::string(alias.codePage);
    std::string probe;
    if (!name.empty() && platform::decodeCodePage("", name, probe))
        return name;
    return std::nullopt;
}

const std::vector<std::string>& knownCodePages()
{
    static const std::vector<std::string> pages = {"cp1251", "cp1250", "cp1252", "cp1253", "gbk",
                                                   "big5", "shift_jis", "euc-kr", "utf-8", "koi8-r"};
    return pages;
}

std::optional<Utf8Text> decodeFrom(const std::string& bytes, const std::string& codePage)
{
    Utf8Text text;
    if (codePage == "utf-8")
        return isUtf8(bytes) ? std::optional<Utf8Text>(bytes) : std::nullopt;
    if (!platform::decodeCodePage(bytes, converterName(codePage), text))
        return std::nullopt;
    return text;
}

bool plausibleLatin1(const std::string& bytes)
{
    return latin1Reading(bytes, false);
}

std::optional<CodePageGuess> guessCodePage(const std::vector<std::string>& texts)
{
    const std::string bytes = joined(texts);
    if (bytes.empty() || plausibleLatin1(bytes))
        return std::nullopt;
    if (isUtf8(bytes))
        return CodePageGuess{"utf-8", 95};
    const std::optional<std::string> detected = knownAnswer(detectorAnswer(bytes));
    return bestReading(bytes, detected);
}

bool encodeInto(const Utf8Text& text, const std::string& codePage, std::string& bytes)
{
    if (codePage == "utf-8") {
        bytes = text;
        return isUtf8(text);
    }
    return platform::encodeCodePage(text, converterName(codePage), bytes);
}
