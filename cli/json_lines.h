// One JSON object per line; tag text bytes become the code points U+0000 to U+00FF.
#pragma once

#include <cstdint>
#include <string>

// A JSON string literal whose characters are the bytes of text, one code point each;
// U+007F to U+009F are escaped, as some line-based tools split records at U+0085.
std::string jsonLatin1(const std::string& text);
// A JSON string literal for a file path. A path that is UTF-8 keeps its characters, only
// quotes, backslashes and control characters (U+007F to U+009F too) escaped; any other path
// is written byte for byte as jsonLatin1 writes tag text.
std::string jsonPath(const std::string& path);
bool isUtf8(const std::string& text);

// Builds one JSON object, members in the order they are added.
class JsonObject {
public:
    JsonObject& text(const char* key, const std::string& value);
    // A path that is not UTF-8 is followed by the member "<key>_encoding": "bytes", which
    // says that each character of the value stands for one byte of the path.
    JsonObject& path(const char* key, const std::string& value);
    JsonObject& number(const char* key, int64_t value);
    JsonObject& boolean(const char* key, bool value);
    JsonObject& raw(const char* key, const std::string& json);
    std::string str() const { return "{" + m_body + "}"; }

private:
    JsonObject& member(const char* key, const std::string& json);
    std::string m_body;
};
