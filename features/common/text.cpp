// Conversions between the 8-bit tag texts, UTF-8 and file names.
#include "text.h"

#include <algorithm>
#include <cstdint>

namespace {

// One code point of UTF-8 text from position i; a byte that does not start a valid
// sequence stands for itself, above every real code point, so any bytes sort the same way.
uint32_t nextCodePoint(const std::string& s, std::size_t& i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    int extra = c >= 0xF0 && c < 0xF5 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 ? 1 : 0;
    if (c >= 0xF5 || (c >= 0x80 && c < 0xC2))
        extra = -1;
    if (extra > 0 && i + extra < s.size()) {
        uint32_t cp = c & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra && valid; ++k) {
            const auto n = static_cast<unsigned char>(s[i + k]);
            valid = (n & 0xC0) == 0x80;
            cp = cp << 6 | (n & 0x3F);
        }
        if (valid) {
            i += extra + 1;
            return cp;
        }
    }
    ++i;
    return extra == 0 ? c : 0x110000u + c;
}

// Simple case folding for the scripts music names are mostly written in.
uint32_t foldCase(uint32_t cp)
{
    if ((cp >= 'A' && cp <= 'Z') || (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7))
        return cp + 0x20;
    const bool pairFromEven = (cp >= 0x100 && cp <= 0x137) || (cp >= 0x14A && cp <= 0x177);
    const bool pairFromOdd = (cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E);
    if ((pairFromEven && cp % 2 == 0) || (pairFromOdd && cp % 2 == 1))
        return cp + 1;
    if ((cp >= 0x391 && cp <= 0x3AB && cp != 0x3A2) || (cp >= 0x410 && cp <= 0x42F))
        return cp + 0x20;
    if (cp >= 0x400 && cp <= 0x40F)
        return cp + 0x50;
    return cp;
}

// The length of the well-formed UTF-8 sequence at text[i] and its code point; 0 when the
// bytes there are not one (overlong forms and surrogates included).
std::size_t utf8Sequence(const std::string& text, std::size_t i, uint32_t& code)
{
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = at(i);
    const std::size_t n = lead < 0x80          ? 1
                          : (lead >> 5) == 0x6  ? 2
                          : (lead >> 4) == 0xE  ? 3
                          : (lead >> 3) == 0x1E ? 4
                                                : 0;
    if (n == 0 || i + n > text.size())
        return 0;
    code = n == 1 ? lead : lead & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        if ((at(i + k) & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (at(i + k) & 0x3F);
    }
    static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return n;
}

bool isControl(uint32_t code) { return code < 0x20 || (code >= 0x7F && code <= 0x9F); }

void appendByteEscape(std::string& out, unsigned char c)
{
    static const char digits[] = "0123456789abcdef";
    out += "\\x";
    out += digits[c >> 4];
    out += digits[c & 0x0F];
}

} // namespace

std::string latin1ToUtf8(const std::string& latin1)
{
    std::string out;
    out.reserve(latin1.size());
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool latin1FromUtf8(const std::string& utf8, std::string& latin1)
{
    latin1.clear();
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            latin1 += static_cast<char>(c);
            continue;
        }
        // Only C2 and C3 lead bytes encode U+0080 to U+00FF.
        if ((c != 0xC2 && c != 0xC3) || i + 1 >= utf8.size())
            return false;
        const auto next = static_cast<unsigned char>(utf8[++i]);
        if ((next & 0xC0) != 0x80)
            return false;
        latin1 += static_cast<char>(((c & 0x03) << 6) | (next & 0x3F));
    }
    return true;
}

std::size_t utf8Length(const std::string& utf8)
{
    std::size_t n = 0;
    for (const char c : utf8)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

bool isMp3Name(const std::string& name)
{
    static const char kExt[] = ".mp3";
    if (name.size() < 4)
        return false;
    for (std::size_t i = 0; i < 4; ++i) {
        char c = name[name.size() - 4 + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + ('a' - 'A'));
        if (c != kExt[i])
            return false;
    }
    return true;
}

std::string notMp3Text(const std::string& path)
{
    return "'" + path + "' is not an MP3 file (its name does not end in \".mp3\"); it was left unchanged.";
}

bool lessIgnoringCase(const std::string& a, const std::string& b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const uint32_t x = foldCase(nextCodePoint(a, i));
        const uint32_t y = foldCase(nextCodePoint(b, j));
        if (x != y)
            return x < y;
    }
    if (i < a.size() || j < b.size())
        return j < b.size();
    return a < b;
}

bool isUtf8(const std::string& text)
{
    uint32_t code = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = utf8Sequence(text, i, code);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

void appendReadable(std::string& out, const std::string& bytes, bool latin1)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        uint32_t code = c;
        const std::size_t n = latin1 ? 1 : utf8Sequence(bytes, i, code);
        if (n == 0 || isControl(code)) {
            for (const std::size_t end = i + std::max<std::size_t>(n, 1); i < end; ++i)
                appendByteEscape(out, static_cast<unsigned char>(bytes[i]));
        } else if (latin1 && c >= 0x80) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
            ++i;
        } else {
            out.append(bytes, i, n);
            i += n;
        }
    }
}

std::string readableName(const std::string& path)
{
    std::string out;
    out.reserve(path.size());
    appendReadable(out, path, false);
    return out;
}
