// One MPEG audio frame header (layers I to III, MPEG 1, 2 and 2.5) and the search for the first one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

struct MpegFrame {
    int version = 1; // 1, 2, or 25 for MPEG 2.5
    int layer = 3;
    int bitrate = 0; // kbit/s
    int sampleRate = 0;
    int channels = 2;
    int samplesPerFrame = 0;
    std::size_t length = 0; // bytes, header included
    std::size_t sideInfo = 0; // layer III side information after the header
};

// The header at p (4 bytes); empty for anything but a playable frame (free format included).
std::optional<MpegFrame> parseFrameHeader(const uint8_t* p);

// The first frame in [data, data + n) from `from` on that the next header confirms (or that
// ends exactly at the end of the data); its offset in `at`.
std::optional<MpegFrame> findFirstFrame(const uint8_t* data, std::size_t n, std::size_t from, std::size_t& at);
