// The text encodings of ID3v2 frames: one decoder per encoding and the encoder, shared by every frame kind.
#pragma once

#include "tags/core/utf8_text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The encoding byte of a frame's text. 9 (UTF-16 little-endian without a byte order mark)
// is read only: no version defines it.
namespace textencoding {
constexpr uint8_t kLatin1 = 0, kUtf16Bom = 1, kUtf16BE = 2, kUtf8 = 3, kUtf16LE = 9;
// A value that asks the renderer to choose: ISO-8859-1 when the text fits, else the version's Unicode.
constexpr uint8_t kAny = 0xFF;
} // namespace textencoding

// Text decoding results.
namespace textresult {
constexpr uint8_t kOk = 0, kNoFrame = 1, kEmpty = 2, kBadId = 3, kAboveLatin1 = 4, kUnknownEncoding = 5,
                  kBadCommentEncoding = 6, kBadLanguage = 7, kControlCharacter = 8, kEncrypted = 9,
                  kNotInflated = 10, kDeleted = 255;
}

// The frame's text could not be decoded at all (unknown encoding, broken sequences,
// encryption, a stream that does not inflate), as opposed to absent or empty.
bool undecodable(uint8_t textResult);

// Decodes the text that starts at `start` in `data` to 8-bit characters; `consumed` counts
// the bytes taken, the terminator and a byte order mark included.
uint8_t DecodeText(const std::vector<uint8_t>& data, std::size_t start, uint8_t encoding, bool lineBreaks,
                   std::string& text, std::size_t& consumed);

// DecodeText for the Unicode side: every character of the text up to its terminator, as
// UTF-8, line breaks and other control characters kept. 8 for text that is not valid in its
// encoding (a lone surrogate, a broken UTF-8 sequence), the text then empty; 2 and 5 as
// DecodeText. Both decoders read UTF-16 of encoding 1 without a byte order mark as
// little-endian.
uint8_t DecodeTextUtf8(const std::vector<uint8_t>& data, std::size_t start, uint8_t encoding, Utf8Text& text,
                       std::size_t& consumed);

// Whether every character of the text can be written in the encoding.
bool fitsEncoding(const Utf8Text& text, uint8_t encoding);
// Appends the text in UTF-16 with a byte order mark (1), UTF-16 big-endian (2), UTF-8 (3) or
// ISO-8859-1 (0), with its terminator when `terminate`. Bytes that are not UTF-8 become
// U+FFFD, characters ISO-8859-1 lacks "?".
void encodeText(std::vector<uint8_t>& out, const Utf8Text& text, uint8_t encoding, bool terminate);
// The bytes that end a text in the encoding.
std::size_t terminatorSize(uint8_t encoding);
