// UTF-8 sequences and the ISO-8859-1 conversions of the tag engine's edge.
#include "tags/core/utf8_text.h"

uint32_t nextCodePoint(const std::string& text, std::size_t& i)
{
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = at(i);
    const std::size_t n = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > text.size()) {
        ++i;
        return kNotUtf8;
    }
    uint32_t code = n == 1 ? lead : lead & (0x7Fu >> n);
    for (std::size_t k = 1; k < n; ++k) {
        if ((at(i + k) & 0xC0) != 0x80) {
            ++i;
            return kNotUtf8;
        }
        code = code << 6 | (at(i + k) & 0x3F);
    }
    static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        ++i;
        return kNotUtf8;
    }
    i += n;
    return code;
}

bool isUtf8(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80)
            ++i;
        else if (nextCodePoint(text, i) == kNotUtf8)
            return false;
    }
    return true;
}

void appendUtf8(Utf8Text& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

Utf8Text latin1ToUtf8(const std::string& latin1)
{
    Utf8Text out;
    out.reserve(latin1.size());
    for (std::size_t i = 0; i < latin1.size();) {
        const std::size_t run = i;
        while (i < latin1.size() && static_cast<unsigned char>(latin1[i]) < 0x80)
            ++i;
        out.append(latin1, run, i - run);
        if (i < latin1.size())
            appendUtf8(out, static_cast<unsigned char>(latin1[i++]));
    }
    return out;
}

bool latin1FromUtf8(const Utf8Text& utf8, std::string& latin1)
{
    latin1.clear();
    bool whole = true;
    for (std::size_t i = 0; i < utf8.size();) {
        const uint32_t cp = nextCodePoint(utf8, i);
        const bool fits = cp <= 0xFF;
        latin1 += fits ? static_cast<char>(cp) : '?';
        whole = whole && fits;
    }
    return whole;
}
