// Converts text between legacy code pages and UTF-8 through the system's converter.
#pragma once

#include <string>

namespace platform {

// The code page's bytes as UTF-8; false, `utf8` empty, when the system knows no such code
// page or the bytes are not text in it.
bool decodeCodePage(const std::string& bytes, const std::string& codePage, std::string& utf8);
// UTF-8 text in the code page; false, `bytes` empty, when a character has no place in it.
bool encodeCodePage(const std::string& utf8, const std::string& codePage, std::string& bytes);

} // namespace platform
