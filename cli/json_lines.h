// One JSON object per line: tag text as its characters, 8-bit text as one code point a byte.
#pragma once

#include "tags/core/utf8_text.h"

#include <cstdint>
#include <string>

// A JSON string literal whose characters are the bytes of text, one code point each;
// U+007F to U+009F are escaped, as some line-based tools split records at U+0085.
std::string jsonLatin1(const std::string& text);
// A JSON string literal for a file path. A path that is UTF-8 keeps its characters, only
// quotes, backslashes, control bytes and the UTF-8 forms of U+007F to U+009F escaped; any
// other path is written as jsonLatin1 writes tag text, one code point per byte.
std::string jsonPath(const std::string& path);
// The member that follows "file" when its path is not UTF-8.
constexpr const char* kBytesEncodingMember = "\"file_encoding\": \"bytes\"";
// The same two appended to `out`, for output written one line at a time.
void appendJsonLatin1(std::string& out, const std::string& text);
// appendJsonPath tells whether the path was UTF-8, as jsonPath says.
bool appendJsonPath(std::string& out, const std::string& path);
// UTF-8 text keeps its characters: only quotes, backslashes, control characters and
// U+007F to U+009F are escaped.
void appendJsonUtf8(std::string& out, const Utf8Text& text);

// Builds one JSON object, members in the order they are added.
class JsonObject {
public:
    // 8-bit text, one code point a byte, as the engine's 8-bit accessors give it.
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
