// Ranges of the audio's duration and bitrate, as search criteria.
#include "audio_criteria.h"

#include <cmath>
#include <cstdlib>

namespace {

bool within(double value, const std::optional<double>& min, const std::optional<double>& max)
{
    return (!min || value >= *min) && (!max || value <= *max);
}

} // namespace

bool AudioCriteria::admits(const std::optional<AudioProperties>& audio) const
{
    return audio && within(audio->duration, minDuration, maxDuration) &&
           within(audio->bitrate, minBitrate, maxBitrate);
}

bool parseAudioBound(const std::string& text, std::optional<double>& bound)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        bound.reset();
        return true;
    }
    const std::size_t last = text.find_last_not_of(' ');
    const std::string number = text.substr(first, last - first + 1);
    // Digits and one point only: no sign, exponent, "inf" or "nan".
    if (number.find_first_not_of("0123456789.") != std::string::npos || number == ".")
        return false;
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value))
        return false;
    bound = value;
    return true;
}
