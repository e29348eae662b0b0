// Ranges of the audio's duration and bitrate, as search criteria.
#pragma once

#include "tags/mpeg/audio_properties.h"

#include <optional>
#include <string>

// The bounds a found file's audio must fall within; a bound not given is none.
struct AudioCriteria {
    std::optional<double> minDuration, maxDuration; // seconds
    std::optional<double> minBitrate, maxBitrate;   // kbit/s
    bool asked() const { return minDuration || maxDuration || minBitrate || maxBitrate; }
    // Whether the audio falls within every bound; a file without MPEG audio never does.
    bool admits(const std::optional<AudioProperties>& audio) const;
};

// A bound as typed: a number of at least 0 ("90", "2.5"); blank text is no bound. False for
// anything else, `bound` left as it was.
bool parseAudioBound(const std::string& text, std::optional<double>& bound);
