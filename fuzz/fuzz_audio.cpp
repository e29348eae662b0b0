// Arbitrary bytes as the start of a file's audio: the properties and the check for another
// format read only within them, and give the same answer twice.
#include "tags/mpeg/audio_properties.h"
#include "tags/mpeg/foreign_format.h"

#include <cstdint>
#include <cstdlib>
#include <tuple>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    // An exact copy, so that the sanitizer sees any read past the end.
    const std::vector<uint8_t> bytes(data, data + size);
    const uint64_t audioSize = size + (size ? data[0] : 0) * 4096ull;
    const auto first = parseAudioProperties(bytes.data(), bytes.size(), audioSize);
    const auto second = parseAudioProperties(bytes.data(), bytes.size(), audioSize);
    if (first.has_value() != second.has_value() || (first && first->duration != second->duration))
        std::abort();
    if (first && (first->duration < 0 || first->sampleRate <= 0 || first->channels < 1))
        std::abort();
    std::ignore = foreignFormatReason(bytes.data(), bytes.size(), size % 2 == 0);
    return 0;
}
