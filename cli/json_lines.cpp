// JSON output of varnoli-cli and the byte mapping of its texts.
#include "json_lines.h"

#include "features/common/text.h"

#include <cstdio>

namespace {

void appendUnicodeEscape(std::string& out, unsigned char c)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", c);
    out += buf;
}

void appendEscaped(std::string& out, unsigned char c)
{
    switch (c) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
    }
    if (c < 0x20) {
        appendUnicodeEscape(out, c);
    } else {
        out += static_cast<char>(c);
    }
}

// Printable ASCII other than the quote and the backslash goes out as it is.
bool plain(unsigned char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; }

// The bytes that UTF-8 text does not go out as: quotes, backslashes, control characters,
// U+007F, and the lead byte of U+0080 to U+009F (C2), which is mostly plain.
struct Utf8Stops {
    bool stop[256] = {};
    constexpr Utf8Stops()
    {
        for (int c = 0; c < 0x20; ++c)
            stop[c] = true;
        stop['"'] = stop['\\'] = stop[0x7F] = stop[0xC2] = true;
    }
};
constexpr Utf8Stops kUtf8Stops;

bool asIs(const std::string& text, std::size_t i)
{
    const auto c = static_cast<unsigned char>(text[i]);
    if (!kUtf8Stops.stop[c])
        return true;
    const auto next = c == 0xC2 && i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    return c == 0xC2 && (next < 0x80 || next > 0x9F);
}

} // namespace

void appendJsonLatin1(std::string& out, const std::string& text)
{
    out += '"';
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t run = i;
        while (i < text.size() && plain(static_cast<unsigned char>(text[i])))
            ++i;
        out.append(text, run, i - run);
        if (i == text.size())
            break;
        const auto c = static_cast<unsigned char>(text[i++]);
        if (c < 0x7F) {
            appendEscaped(out, c);
        } else if (c <= 0x9F) {
            appendUnicodeEscape(out, c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out += '"';
}

bool appendJsonPath(std::string& out, const std::string& path)
{
    const bool utf8 = isUtf8(path);
    if (utf8)
        appendJsonUtf8(out, path);
    else
        appendJsonLatin1(out, path);
    return utf8;
}

void appendJsonUtf8(std::string& out, const Utf8Text& text)
{
    out += '"';
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const std::size_t run = i;
        while (i < n && asIs(text, i))
            ++i;
        out.append(text, run, i - run);
        if (i == n)
            break;
        const auto c = static_cast<unsigned char>(text[i++]);
        if (c == 0xC2) {
            // The UTF-8 form of U+0080 to U+009F; the escape stands for the same two bytes.
            appendUnicodeEscape(out, static_cast<unsigned char>(text[i++]));
        } else if (c == 0x7F) {
            appendUnicodeEscape(out, c);
        } else {
            appendEscaped(out, c);
        }
    }
    out += '"';
}

std::string jsonLatin1(const std::string& text)
{
    std::string out;
    appendJsonLatin1(out, text);
    return out;
}

std::string jsonPath(const std::string& path)
{
    std::string out;
    appendJsonPath(out, path);
    return out;
}

JsonObject& JsonObject::member(const char* key, const std::string& json)
{
    if (!m_body.empty())
        m_body += ", ";
    m_body += jsonPath(key) + ": " + json;
    return *this;
}

JsonObject& JsonObject::text(const char* key, const std::string& value) { return member(key, jsonLatin1(value)); }
JsonObject& JsonObject::path(const char* key, const std::string& value)
{
    member(key, jsonPath(value));
    if (!isUtf8(value))
        member((std::string(key) + "_encoding").c_str(), "\"bytes\"");
    return *this;
}
JsonObject& JsonObject::number(const char* key, int64_t value) { return member(key, std::to_string(value)); }
JsonObject& JsonObject::boolean(const char* key, bool value) { return member(key, value ? "true" : "false"); }
JsonObject& JsonObject::raw(const char* key, const std::string& json) { return member(key, json); }
