// Text helpers: UTF-8 lengths, MP3 names and their order.
#pragma once

#include "tags/core/utf8_text.h"

#include <cstddef>
#include <string>
#include <string_view>

// Characters of a UTF-8 text: the bytes that do not continue a sequence.
std::size_t utf8Length(const std::string& utf8);

// The name ends in ".mp3" in any letter case.
bool isMp3Name(const std::string& name);
// Why a command that changes MP3 files leaves this one alone; for a path isMp3Name refuses.
std::string notMp3Text(const std::string& path);
// Orders file names as the file lists show them: by their UTF-8 text ignoring letter case,
// ties broken by the bytes, so the order never depends on the order the folder was read in.
bool lessIgnoringCase(const std::string& a, const std::string& b);
// The same ASCII text in any letter case, as names, captions and descriptions are compared.
bool sameIgnoringCase(std::string_view a, std::string_view b);

// Text for a terminal or a message line: control characters (C0, DEL, C1), which could
// move the cursor, start an escape sequence or split a line, are shown as \xNN, and so is
// a byte outside any UTF-8 sequence. Tag text and file names alike.
void appendReadable(std::string& out, const std::string& bytes);
// A file or folder name, or a message naming one, as appendReadable shows it.
std::string readableName(const std::string& path);
