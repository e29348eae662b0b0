// The kinds of ID3v2 frame as typed values, each with its parse and render, and the key that names a frame.
#pragma once

#include "tags/core/text_encoding.h"
#include "tags/core/utf8_text.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Names a frame of a tag; as text "TIT2", "TXXX:REPLAYGAIN_TRACK_GAIN", "COMM:desc:eng", "USLT::eng".
struct FrameKey {
    std::string id;       // four letters or digits, as versions 2.3 and 2.4 name the frame
    Utf8Text description; // TXXX, WXXX, COMM, USLT, APIC; the owner of UFID and PRIV; the e-mail of POPM
    std::string language; // COMM, USLT: three characters, or empty for any
};
bool operator==(const FrameKey& a, const FrameKey& b);

enum class FrameKind : uint8_t { Text, UserText, Comment, Url, UserUrl, Picture, Popularimeter, OwnedData, Binary };

// T*** but TXXX, TXXX, COMM and USLT, W*** but WXXX, WXXX, APIC, POPM, UFID and PRIV; any
// other frame is Binary: kept as its bytes.
FrameKind frameKindOf(const std::string& id);
// The kind in a word or two for people and JSON: "text", "user text", "comment", ...
const char* frameKindName(FrameKind kind);
bool hasDescription(FrameKind kind);
bool hasLanguage(FrameKind kind);
// Four capital letters or digits.
bool isFrameId(const std::string& id);

// Reads "ID", "ID:description" or "ID:description:language" (the last part only for COMM
// and USLT, whose descriptions may hold colons themselves); a version 2.2 ID ("TP2", "ULT")
// stands for its version 2.3 frame and lower-case letters for capitals. False for text that
// names no frame.
bool parseFrameKey(const std::string& text, FrameKey& key);
std::string formatFrameKey(const FrameKey& key);
// A frame's content as its kind holds it. Texts are UTF-8 whatever the frame's encoding.
struct FrameValue {
    FrameKind kind = FrameKind::Binary;
    // What the frame was found in; a render keeps it where the version allows it and the
    // text fits. textencoding::kAny lets the render choose.
    uint8_t encoding = textencoding::kAny;
    Utf8Text description; // as in FrameKey
    std::string language; // COMM, USLT
    // Text, UserText: every value (version 2.4 NUL separated; a version 2.3 list is written
    // joined by "/"); Comment: the text; Url, UserUrl: the URL.
    std::vector<Utf8Text> texts;
    std::string mimeType;    // APIC
    uint8_t pictureType = 0; // APIC
    uint8_t rating = 0;      // POPM, 1 to 255, 0 unknown
    std::optional<uint64_t> playCount; // POPM, when the frame holds one
    std::vector<uint8_t> data; // APIC's image, UFID's or PRIV's data, a Binary frame's bytes
};
bool operator==(const FrameValue& a, const FrameValue& b);

FrameKey frameKeyOf(const std::string& id, const FrameValue& value);
// Nothing to write: no text, no URL. Setting such a value removes the frame.
bool isEmptyValue(const FrameValue& value);

// Reads a frame's plain data as the kind its ID names; textresult::kOk, or kEmpty for a
// text frame without text. Data that do not hold the kind's layout or whose text cannot be
// decoded give why not, and the value is then Binary, holding the bytes.
uint8_t parseFrame(const std::string& id, const std::vector<uint8_t>& data, FrameValue& value);
// The first value of a text frame alone, as parseFrame reads it, for the readers of one
// field that need no more.
uint8_t parseFirstText(const std::vector<uint8_t>& data, Utf8Text& text);
// The frame data of the value for a version 2.3 tag (a version 2.2 tag is saved as 2.3)
// or a version 2.4 one; kOk, else why the value cannot be written: kAboveLatin1 for a URL,
// MIME type, owner or e-mail beyond ISO-8859-1, kBadLanguage for a language that is not
// three characters from U+0020 on.
uint8_t renderFrame(const FrameValue& value, uint8_t version, std::vector<uint8_t>& data);

// The header fields of a picture frame; the offset of the image, 0 when the data do not
// hold the layout. An empty image lies at the data's end.
std::size_t parsePictureHeader(const std::vector<uint8_t>& data, FrameValue& value);
