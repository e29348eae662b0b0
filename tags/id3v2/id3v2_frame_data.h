// A frame's flags between their version 2.3 and normalised positions, and its data between the
// stored and the plain form.
#pragma once

#include "tags/id3v2/id3v2.h"
#include "tags/id3v2/id3v2_layout.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace id3v2 {

// Normalised status byte: the version 2.3 bits sit one place higher.
inline uint8_t statusFromV3(uint8_t status)
{
    return static_cast<uint8_t>((status & (flags3::kTagAlter | flags3::kFileAlter | flags3::kReadOnly)) >> 1);
}

inline uint8_t statusToV3(uint8_t status)
{
    using namespace frameflags;
    return static_cast<uint8_t>((status & (kTagAlterPreservation | kFileAlterPreservation | kReadOnly)) << 1);
}

// Normalised format byte; a compressed version 2.3 frame always carries its data length.
inline uint8_t formatFromV3(uint8_t format)
{
    uint8_t f = 0;
    if (format & flags3::kGrouping)
        f |= frameflags::kGrouping;
    if (format & flags3::kCompression)
        f |= frameflags::kCompression | frameflags::kDataLengthIndicator;
    if (format & flags3::kEncryption)
        f |= frameflags::kEncryption;
    return f;
}

// Unsynchronisation and data length indicator have no place in a version 2.3 header.
inline uint8_t formatToV3(uint8_t format)
{
    uint8_t f = 0;
    if (format & frameflags::kGrouping)
        f |= flags3::kGrouping;
    if (format & frameflags::kCompression)
        f |= flags3::kCompression;
    if (format & frameflags::kEncryption)
        f |= flags3::kEncryption;
    return f;
}

// A frame's data in plain form for reading, the frame left as it is stored, so that a frame
// only looked at is saved as it came: plain data are read where they lie, any other from a
// copy resynchronised and inflated (charged to `budget`).
class PlainFrame {
public:
    PlainFrame(const TFrameIndex& frames, uint32_t i, std::size_t& budget, uint8_t notInflated);
    PlainFrame(const PlainFrame&) = delete;
    PlainFrame& operator=(const PlainFrame&) = delete;
    // textresult::kOk when the data can be read; else kEncrypted, `notInflated`, or kEmpty.
    uint8_t result() const { return m_result; }
    const std::vector<uint8_t>& data() const { return *m_data; }

private:
    TFrameIndex m_copy;
    const std::vector<uint8_t>* m_data = nullptr;
    uint8_t m_result = textresult::kOk;
};

// Gives a frame new plain data, to be measured afresh by the writer; grouping stays.
void replaceData(TFrameRecord& f, std::vector<uint8_t> data);

} // namespace id3v2
