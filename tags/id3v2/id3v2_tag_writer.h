// One write of one ID3v2 tag, shared by the files that prepare its frames and write it.
#pragma once

#include "tags/id3v2/id3v2.h"
#include "tags/id3v2/id3v2_layout.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {
class File;
}

namespace id3v2 {

// Where an emitted tag's bytes go: the file, or memory for a comparison.
class TagSink {
public:
    virtual ~TagSink() = default;
    virtual void put(const uint8_t* data, std::size_t n) = 0;
    virtual void zeros(uint64_t n) = 0;
    void put(const std::vector<uint8_t>& bytes) { put(bytes.data(), bytes.size()); }
};

inline bool hasBit(uint8_t byte, uint8_t bit)
{
    return (byte & bit) != 0;
}

// Progress from 10 to 100 across CRC work, moved audio and written tag bytes.
class ProgressMeter {
public:
    explicit ProgressMeter(Tid3v2tag& tag) : m_tag(tag) {}
    void setTotal(uint64_t total) { m_total = std::max<uint64_t>(total, 1); }
    void add(uint64_t work)
    {
        m_done = std::min(m_total, m_done + work);
        m_tag.Progress = static_cast<uint8_t>(10 + m_done * 90 / m_total);
    }

private:
    Tid3v2tag& m_tag;
    uint64_t m_total = 1, m_done = 0;
};

// One tag made ready for its file: preparation of the frames, sizing and the bytes in order.
// Where the bytes go, and whether the audio moves for them, is the file's business.
class TagWriter {
public:
    // The bytes a move of the audio reads and writes, for the progress total.
    using MoveWork = uint64_t (*)(uint64_t fileSize, uint64_t tagOffset, uint64_t oldExtent, uint64_t newSize);

    TagWriter(Tid3v2tag& tag, const platform::File& file, uint64_t tagOffset, uint64_t fileSize, uint8_t version,
              std::string& detail, MoveWork moveWork)
        : m_tag(tag), m_frames(tag.FrameIndex()), m_file(file), m_offset(tagOffset), m_fileSize(fileSize),
          m_version(version), m_meter(tag), m_detail(detail), m_moveWork(moveWork)
    {
    }

    TagResult prepareFrames();
    void measureOldTag();
    void takeOldExtent(uint64_t extent) { m_oldExtent = extent; }
    TagResult sizeTag();
    // Sizes the tag to nothing: the save takes the old tag out and moves the audio to its place.
    void sizeNothing();
    // Every byte of the sized tag, in order.
    void emit(TagSink& out);
    ProgressMeter& meter() { return m_meter; }
    uint64_t tagOffset() const { return m_offset; }
    uint64_t fileSize() const { return m_fileSize; }
    uint64_t oldExtent() const { return m_oldExtent; }
    void finish(uint8_t revision);
    uint64_t newSize() const { return m_newSize; }

private:
    bool v4() const { return m_version == 4; }
    uint32_t count() const { return m_frames.Count(); }
    TFrameRecord& frame(uint32_t i) { return m_frames.Frame(i); }
    void applyCompression();
    void applyUnsynchronisation();
    std::vector<uint8_t> frameHeaderV3(const TFrameRecord& f) const;
    std::vector<uint8_t> frameHeaderV4(const TFrameRecord& f) const;
    std::vector<uint8_t> extHeaderV3() const;
    std::vector<uint8_t> extHeaderV4() const;
    void computeCrc();
    TagResult tooLarge(uint64_t size)
    {
        m_detail = "the tag would need " + groupedNumber(size) + " bytes, more than the " +
                   groupedNumber(kHeaderSize + kMaxTagBody) + " a tag can have";
        return kErrTagTooLarge;
    }

    Tid3v2tag& m_tag;
    TFrameIndex& m_frames;
    const platform::File& m_file;
    uint64_t m_offset, m_fileSize;
    uint8_t m_version;
    ProgressMeter m_meter;
    std::string& m_detail;
    MoveWork m_moveWork;
    uint64_t m_oldExtent = 0;
    uint64_t m_newSize = 0;
    uint32_t m_padding = 0;
    uint32_t m_crc = 0;
    bool m_crcComputed = false;
    std::vector<std::vector<uint8_t>> m_headers; // one per frame, as written
    std::vector<uint8_t> m_extHeader;
};

} // namespace id3v2
