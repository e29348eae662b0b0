// What one read of a file tells the checks: both tags, the loader's findings, frames, pictures.
#pragma once

#include "features/common/tag_fields.h"
#include "tags/id3v2/id3v2.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class Tid3tag;

struct FrameFacts {
    std::string id;
    FrameKey key;
    FrameKind kind = FrameKind::Binary;
    uint8_t result = textresult::kOk; // why the frame cannot be read as its kind
    bool empty = false;               // no data, or a text frame without text
    uint8_t pictureType = 0;
    std::size_t pictureSize = 0;
};

struct FileFacts {
    std::string path;
    std::string openFailure; // the system's words when the file could not be read
    TagResult v1Result = kErrNoTag, v2Result = kErrNoTag;
    std::array<uint8_t, 128> v1Record{};
    uint8_t v1Genre = 255;
    TagRead v1, v2;
    std::vector<TagProblem> problems;
    bool claimsPastEnd = false;
    uint8_t version = 0;
    bool falseSyncInUnsyncTag = false; // flagged unsynchronised, yet holds a false sync
    uint32_t padding = 0;
    std::vector<FrameFacts> frames;
    std::vector<std::string> droppedFrames;
    Utf8Text albumArtist, disc;
    std::string foreign; // why a file without a tag is not MPEG audio
    bool interrupted = false;

    bool hasV1() const { return !failed(v1Result); }
    // A tag whose load found an error still counts: its frames read up to the damage.
    bool hasV2() const { return v2Result != kErrNoTag && v2Result != kErrOpen && v2Result != kErrRead; }
    bool v2Damaged() const { return hasV2() && failed(v2Result); }
};

// Reads the file once, with the tag objects given (reused across files).
FileFacts readFileFacts(const std::string& path, Tid3tag& v1, Tid3v2tag& v2);
// Whether the bytes hold a false sync: FF followed by E0 or above.
bool holdsFalseSync(const uint8_t* data, std::size_t size);
