// The length and format of a file's MPEG audio, from its first frames and their headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform {
class File;
}

struct AudioProperties {
    double duration = 0; // seconds
    int bitrate = 0;     // kbit/s, the average over the whole audio
    int sampleRate = 0;
    int channels = 0;
    bool vbr = false;
    // No Xing, Info or VBRI header: worked out from the first frames and the audio's size.
    bool estimated = false;
};

// The properties of the audio at the start of `window`, a stretch read from the audio's start
// on, given the size of the whole audio (the file without its tags). Empty when no frame is found.
std::optional<AudioProperties> parseAudioProperties(const uint8_t* window, std::size_t n, uint64_t audioSize);

// The same read from the file: the audio lies in [start, end). Reads a few KiB, and up to 64 KiB
// while looking for the first frame.
std::optional<AudioProperties> readAudioProperties(const platform::File& file, uint64_t start, uint64_t end);
