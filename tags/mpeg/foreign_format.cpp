// Signatures of the formats most often named .mp3 by mistake.
#include "foreign_format.h"

#include "mpeg_frame.h"

#include <cstring>
#include <string_view>

namespace {

struct Signature {
    std::size_t at;
    std::string_view bytes;
    const char* name;
};

const Signature kSignatures[] = {
    {0, std::string_view("\xFF\xD8\xFF", 3), "a JPEG picture"},
    {0, std::string_view("\x89PNG\r\n\x1A\n", 8), "a PNG picture"},
    {0, "RIFF", "a RIFF file (WAVE or AVI)"},
    {0, "OggS", "an Ogg stream"},
    {0, "fLaC", "FLAC audio"},
    {4, "ftyp", "an MP4 file"},
};

} // namespace

std::string foreignFormatReason(const uint8_t* head, std::size_t n, bool whole)
{
    for (const Signature& s : kSignatures) {
        if (n >= s.at + s.bytes.size() && std::memcmp(head + s.at, s.bytes.data(), s.bytes.size()) == 0)
            return std::string("the file is ") + s.name + ", not MPEG audio";
    }
    // A file shorter than its one frame is audio cut short, not another format.
    std::size_t at = 0;
    if ((n >= 4 && parseFrameHeader(head)) || findFirstFrame(head, n, 0, at))
        return {};
    return whole ? "the file holds no MPEG audio" : "no MPEG audio in the file's first 64 KiB";
}
