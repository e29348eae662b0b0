// Conversions between the 8-bit tag texts, UTF-8 and file names.
#pragma once

#include <cstddef>
#include <string>

// Tag text (one byte per character, code points 0 to 255) as UTF-8: how a name built from
// tags is written to the file system, and how tag text goes into a message.
std::string latin1ToUtf8(const std::string& latin1);
// UTF-8 to one byte per character. False when the text is not UTF-8 or holds a character
// above U+00FF.
bool latin1FromUtf8(const std::string& utf8, std::string& latin1);
// The text is well-formed UTF-8 (no overlong forms, no surrogates).
bool isUtf8(const std::string& text);

// Text for a terminal or a message line: control characters (C0, DEL, C1), which could
// move the cursor, start an escape sequence or split a line, are shown as \xNN. With
// `latin1` the bytes are tag text, one character each, and come out as UTF-8; otherwise
// they are a file name or UTF-8 text, and a byte outside any UTF-8 sequence is shown as
// \xNN too, the UTF-8 form of a C1 character as its two bytes.
void appendReadable(std::string& out, const std::string& bytes, bool latin1);
// A file or folder name, or a message naming one, as appendReadable shows it.
std::string readableName(const std::string& path);

// Characters of a UTF-8 text: the bytes that do not continue a sequence.
std::size_t utf8Length(const std::string& utf8);

// The name ends in ".mp3" in any letter case.
bool isMp3Name(const std::string& name);
// Why a command that changes MP3 files leaves this one alone; for a path isMp3Name refuses.
std::string notMp3Text(const std::string& path);
// Orders file names as the file lists show them: by their UTF-8 text ignoring letter case,
// ties broken by the bytes, so the order never depends on the order the folder was read in.
bool lessIgnoringCase(const std::string& a, const std::string& b);
