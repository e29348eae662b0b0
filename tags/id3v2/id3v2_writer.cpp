// Sizes a Tid3v2tag for its file, padding included, and lays out its bytes.
#include "tags/id3v2/id3v2.h"

#include "tags/core/byte_order.h"
#include "tags/id3v2/id3v2_tag_writer.h"

#include <algorithm>

using namespace id3v2;

namespace {

constexpr uint64_t kPaddingBlock = 4096;

// Padding that brings the new file size to a multiple of the block; a tag that already
// ends the file at the next block after the old size needs none.
uint32_t paddingFor(uint64_t fileSize, uint64_t oldExtent, uint64_t tagSize)
{
    const uint64_t newSize = fileSize - oldExtent + tagSize;
    const uint64_t nextBlock = (fileSize / kPaddingBlock + 1) * kPaddingBlock;
    if (newSize == nextBlock)
        return 0;
    const uint64_t rest = newSize % kPaddingBlock;
    return static_cast<uint32_t>(rest == 0 ? kPaddingBlock : kPaddingBlock - rest);
}

} // namespace

namespace id3v2 {

void TagWriter::measureOldTag()
{
    m_oldExtent = tagExtentAt(m_file, m_offset, m_fileSize);
}

TagResult TagWriter::sizeTag()
{
    if (m_tag.CRCPresent())
        m_tag.SetExtendedHeader(true);
    std::size_t extSize = 0;
    if (m_tag.ExtendedHeader()) {
        if (v4())
            extSize = ext4::kMinSize + (m_tag.TagIsUpdate() ? 1 : 0) +
                      (m_tag.CRCPresent() ? 1 + ext4::kCrcLength : 0) + (m_tag.TagRestrictions() ? 2 : 0);
        else
            extSize = ext3::kFixedSize + (m_tag.CRCPresent() ? ext3::kCrcSize : 0);
    }
    uint64_t size = kHeaderSize + extSize;
    m_headers.clear();
    for (uint32_t i = 1; i <= count(); ++i) {
        m_headers.push_back(v4() ? frameHeaderV4(frame(i)) : frameHeaderV3(frame(i)));
        size += m_headers.back().size() + frame(i).Data.size();
    }
    m_padding = paddingFor(m_fileSize, m_oldExtent, size);
    m_tag.PaddingSize = m_padding;
    if (size + m_padding - kHeaderSize > kMaxTagBody)
        return tooLarge(size + m_padding);

    const uint64_t crcWork = m_tag.CRCPresent() ? (size + m_padding) / 10 : 0;
    const uint64_t moveWork = m_moveWork(m_fileSize, m_offset, m_oldExtent, size + m_padding);
    m_meter.setTotal(crcWork + moveWork + size + m_padding);
    if (m_tag.CRCPresent())
        computeCrc();

    if (m_tag.ExtendedHeader()) {
        m_extHeader = v4() ? extHeaderV4() : extHeaderV3();
        // Version 2.3 grows here by the zeros that unsynchronisation puts into its fields.
        size += m_extHeader.size() - extSize;
    }
    m_newSize = size + m_padding;
    if (m_newSize - kHeaderSize > kMaxTagBody)
        return tooLarge(m_newSize);
    return kOk;
}

void TagWriter::sizeNothing()
{
    m_padding = 0;
    m_newSize = 0;
    m_meter.setTotal(m_moveWork(m_fileSize, m_offset, m_oldExtent, 0));
}

void TagWriter::computeCrc()
{
    m_tag.Status = "Calculating CRC-32";
    uint32_t crc = 0xFFFFFFFFu;
    for (uint32_t i = 1; i <= count(); ++i) {
        const std::vector<uint8_t>& data = frame(i).Data;
        crc = UpdateCRC32(crc, m_headers[i - 1].data(), m_headers[i - 1].size());
        crc = UpdateCRC32(crc, data.data(), data.size());
        m_meter.add((m_headers[i - 1].size() + data.size()) / 10);
    }
    if (v4()) {
        const uint8_t zeros[256] = {};
        for (uint32_t left = m_padding; left > 0;) {
            const uint32_t n = std::min<uint32_t>(left, sizeof zeros);
            crc = UpdateCRC32(crc, zeros, n);
            left -= n;
        }
    }
    m_crc = ~crc;
    m_crcComputed = true;
}

void TagWriter::emit(TagSink& out)
{
    if (m_newSize == 0)
        return;
    uint8_t header[kHeaderSize] = {'I', 'D', '3', m_version, 0, 0};
    // No footer is written, so the header must not announce one.
    header[kFlags] = m_tag.Flags & (v4() ? kWrittenFlagsV4 & ~kFlagFooter : kWrittenFlagsV3);
    writeSyncsafe32(header + kTagSize, static_cast<uint32_t>(m_newSize - kHeaderSize));
    out.put(header, kHeaderSize);
    out.put(m_extHeader);
    for (uint32_t i = 1; i <= count(); ++i) {
        out.put(m_headers[i - 1]);
        out.put(frame(i).Data);
    }
    out.zeros(m_padding);
}

void TagWriter::finish(uint8_t revision)
{
    m_tag.Version = m_version;
    m_tag.Revision = revision;
    m_tag.Flags &= v4() ? kWrittenFlagsV4 & ~kFlagFooter : kWrittenFlagsV3;
    m_tag.TagSize = m_newSize == 0 ? 0 : static_cast<uint32_t>(m_newSize - kHeaderSize);
    m_tag.ExtHeaderSize = m_tag.ExtendedHeader()
                              ? (v4() ? static_cast<uint32_t>(m_extHeader.size())
                                      : (m_tag.CRCPresent() ? ext3::kSizeWithCrc : ext3::kSizeWithoutCrc))
                              : 0;
    if (m_crcComputed)
        m_tag.CRC32 = m_crc;
    m_tag.LoadResult = kOk;
    m_tag.Modified = false;
    m_tag.TagOffset = static_cast<uint32_t>(m_offset);
    m_tag.Progress = 100;
    m_tag.Status = "Save Complete";
}

} // namespace id3v2
