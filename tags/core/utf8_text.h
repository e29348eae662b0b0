// Tag text above the engine: Unicode, as UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Tag text as the rest of the program holds it: UTF-8 of any script. A plain string, so it
// passes into names, messages and JSON as it is; only the engine converts it to and from a
// tag's own encodings.
using Utf8Text = std::string;

// Returned by nextCodePoint where the bytes are not well-formed UTF-8.
constexpr uint32_t kNotUtf8 = 0xFFFFFFFF;

// The code point of the sequence at text[i], moving i past it; for bytes that are not a
// well-formed sequence (overlong forms and surrogates included) kNotUtf8, i moved by one.
uint32_t nextCodePoint(const std::string& text, std::size_t& i);
bool isUtf8(const std::string& text);
void appendUtf8(Utf8Text& out, uint32_t codePoint);

// ISO-8859-1 text, one byte per character.
Utf8Text latin1ToUtf8(const std::string& latin1);
// False when the text is not UTF-8 or holds a character above U+00FF; each such character
// (each stray byte) is then "?" in `latin1`.
bool latin1FromUtf8(const Utf8Text& utf8, std::string& latin1);
