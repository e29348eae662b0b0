// JSON output of varnoli-cli and the byte mapping of its texts.
#include "json_lines.h"

#include <cstdio>

namespace {

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
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", c);
        out += buf;
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
        if (c < 0x80) {
            appendEscaped(out, c);
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
