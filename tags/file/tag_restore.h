// Puts back the bytes a tag save replaced at the two ends of an MP3 file.
#pragma once

#include "tags/core/tag_result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {
class File;
}
class SaveSession;

// The bytes a save may replace: the ID3v2 tag at the start and the ID3v1 record at the end.
struct TagExtents {
    uint64_t head = 0;
    uint64_t tail = 0;
};

// The ID3v2 tag at offset 0 as the writer measures what it replaces: a claimed size cut at the
// end of the file, a version 2.4 footer included. No tag gives 0.
uint64_t measureHeadExtent(const platform::File& file, uint64_t fileSize);
// Whether the ID3v2 tag at offset 0 claims more bytes than the file holds: a save would
// take what follows for part of the tag, so such a file is not saved.
bool headTagClaimsPastEnd(const platform::File& file, uint64_t fileSize);
// 128 when the file ends with an ID3v1 record, as the ID3v1 save finds it; else 0.
uint64_t measureTailExtent(const platform::File& file, uint64_t fileSize);

// Replaces the first `current.head` bytes with `oldHead` and the last `current.tail` bytes with
// `oldTail`, moving what lies between in place, as the writer moves audio. A file that cannot
// take its old size (a full disk, a size limit) is left as it is; `reason` receives the
// system's words for a failure.
[[nodiscard]] TagResult restoreTagBytes(const std::string& path, const std::vector<uint8_t>& oldHead,
                                        const std::vector<uint8_t>& oldTail, TagExtents current,
                                        std::string* reason = nullptr);
// The same through the session that checked the file, under its lock.
[[nodiscard]] TagResult restoreTagBytes(SaveSession& session, const std::vector<uint8_t>& oldHead,
                                        const std::vector<uint8_t>& oldTail, TagExtents current,
                                        std::string* reason = nullptr);
