// Text helpers: UTF-8 lengths, MP3 names and their order.
#include "text.h"

#include <utf8proc.h>

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace {

// A code point of text sorted as UTF-8; a byte that does not start a valid sequence stands
// for itself, above every real code point, so any bytes sort the same way.
uint32_t sortKey(const std::string& s, std::size_t& i)
{
    const auto first = static_cast<unsigned char>(s[i]);
    const uint32_t cp = nextCodePoint(s, i);
    return cp == kNotUtf8 ? 0x110000u + first : static_cast<uint32_t>(utf8proc_tolower(static_cast<utf8proc_int32_t>(cp)));
}

} // namespace

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
        const uint32_t x = sortKey(a, i);
        const uint32_t y = sortKey(b, j);
        if (x != y)
            return x < y;
    }
    if (i < a.size() || j < b.size())
        return j < b.size();
    return a < b;
}

void appendReadable(std::string& out, const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t start = i;
        const uint32_t code = nextCodePoint(bytes, i);
        const bool control = code < 0x20 || (code >= 0x7F && code <= 0x9F);
        if (code == kNotUtf8 || control) {
            const auto c = code == kNotUtf8 ? static_cast<unsigned char>(bytes[start]) : static_cast<unsigned char>(code);
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 0x0F];
        } else {
            out.append(bytes, start, i - start);
        }
    }
}

std::string readableName(const std::string& path)
{
    std::string out;
    out.reserve(path.size());
    appendReadable(out, path);
    return out;
}

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}
