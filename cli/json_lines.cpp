// JSON output of varnoli-cli and the byte mapping of its texts.
#include "json_lines.h"

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

} // namespace

std::string jsonLatin1(const std::string& text)
{
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x7F) {
            appendEscaped(out, c);
        } else if (c <= 0x9F) {
            appendUnicodeEscape(out, c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out + "\"";
}

std::string jsonPath(const std::string& path)
{
    std::string out = "\"";
    for (const char ch : path)
        appendEscaped(out, static_cast<unsigned char>(ch));
    return out + "\"";
}

JsonObject& JsonObject::member(const char* key, const std::string& json)
{
    if (!m_body.empty())
        m_body += ", ";
    m_body += jsonPath(key) + ": " + json;
    return *this;
}

JsonObject& JsonObject::text(const char* key, const std::string& value) { return member(key, jsonLatin1(value)); }
JsonObject& JsonObject::path(const char* key, const std::string& value) { return member(key, jsonPath(value)); }
JsonObject& JsonObject::number(const char* key, int64_t value) { return member(key, std::to_string(value)); }
JsonObject& JsonObject::boolean(const char* key, bool value) { return member(key, value ? "true" : "false"); }
JsonObject& JsonObject::raw(const char* key, const std::string& json) { return member(key, json); }
