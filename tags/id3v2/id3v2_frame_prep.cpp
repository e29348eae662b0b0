// Prepares an ID3v2 tag's frames for writing: their compression, unsynchronisation and
// data lengths as their flags ask, and the bytes of the frame and extended headers.
#include "tags/id3v2/id3v2_tag_writer.h"

#include "tags/id3v2/id3v2_frame_data.h"

namespace id3v2 {

namespace {

constexpr int kWriterCompressionLevel = 2; // zlib's default level

} // namespace

TagResult TagWriter::prepareFrames()
{
    using namespace frameflags;
    bool anyUnsync = false;
    for (uint32_t i = 1; i <= count(); ++i)
        anyUnsync = anyUnsync || hasBit(frame(i).Flags[1], kUnsynchronisation);
    if (anyUnsync)
        m_tag.SetUnsynchronisation(true);
    if (m_tag.Unsynchronisation())
        for (uint32_t i = 1; i <= count(); ++i)
            frame(i).Flags[1] |= kUnsynchronisation;

    for (uint32_t i = count(); i >= 1; --i) {
        TFrameRecord& f = frame(i);
        if (hasBit(f.Flags[1], kCompression))
            f.Flags[1] |= kDataLengthIndicator;
        if (f.Data.empty())
            m_frames.Delete(i);
    }
    if (count() == 0)
        return kErrNoFrames;

    if (v4()) {
        // Together the plain data of the measured frames can be no larger than a tag.
        std::size_t inflateBudget = kMaxTagBody;
        for (uint32_t i = 1; i <= count(); ++i) {
            TFrameRecord& f = frame(i);
            if (!hasBit(f.Flags[1], kDataLengthIndicator) || f.DataLength != 0)
                continue;
            // The length of the plain data is unknown: measure it by undoing what was done.
            if (hasBit(f.StoredFlags[1], kUnsynchronisation)) {
                m_frames.Resynchronise(i);
                f.DataLength = static_cast<uint32_t>(f.Data.size());
            }
            if (hasBit(f.StoredFlags[1], kEncryption))
                return kErrDataLength;
            if (hasBit(f.StoredFlags[1], kCompression)) {
                f.DataLength = 0; // the compressed size is no bound for the plain data
                // A stream that does not inflate has no length to write.
                if (m_frames.Decompress(i, inflateBudget) == transformresult::kFailed)
                    return kErrDataLength;
                inflateBudget -= f.Data.size();
                f.DataLength = static_cast<uint32_t>(f.Data.size());
            }
            if (!hasBit(f.StoredFlags[1], kUnsynchronisation | kEncryption | kCompression))
                f.DataLength = static_cast<uint32_t>(f.Data.size());
        }
    }

    applyCompression();
    for (uint32_t i = 1; i <= count(); ++i)
        if (hasBit(frame(i).Flags[1] ^ frame(i).StoredFlags[1], kEncryption))
            return kErrEncryption;
    applyUnsynchronisation();
    for (uint32_t i = 1; i <= count(); ++i)
        if (hasBit(frame(i).Flags[1] ^ frame(i).StoredFlags[1], kGrouping))
            return kErrGrouping;
    return kOk;
}

void TagWriter::applyCompression()
{
    const uint32_t n = count();
    for (uint32_t i = 1; i <= n; ++i) {
        m_tag.Progress = static_cast<uint8_t>(5 * i / n);
        const TFrameRecord& f = frame(i);
        if (!hasBit(f.Flags[1] ^ f.StoredFlags[1], frameflags::kCompression))
            continue;
        m_tag.Status = "Applying compression";
        // Compression works on plain data; unsynchronisation is applied again afterwards.
        if (hasBit(f.StoredFlags[1], frameflags::kUnsynchronisation))
            m_frames.Resynchronise(i);
        if (hasBit(f.StoredFlags[1], frameflags::kCompression))
            m_frames.Decompress(i);
        else
            m_frames.Compress(i, kWriterCompressionLevel);
    }
}

void TagWriter::applyUnsynchronisation()
{
    const uint32_t n = count();
    for (uint32_t i = 1; i <= n; ++i) {
        m_tag.Progress = static_cast<uint8_t>(5 * i / n + 5);
        const TFrameRecord& f = frame(i);
        const bool requested = hasBit(f.Flags[1], frameflags::kUnsynchronisation);
        const bool stored = hasBit(f.StoredFlags[1], frameflags::kUnsynchronisation);
        // A version 2.3 frame header gives the size before unsynchronisation; data that came
        // unsynchronised from a version 2.4 file never had it recorded, so redo them.
        const bool sizeUnknown = !v4() && stored && requested && f.SizeBeforeUnsync == 0;
        if (requested == stored && !sizeUnknown)
            continue;
        m_tag.Status = "Applying unsync";
        if (stored)
            m_frames.Resynchronise(i);
        if (requested)
            m_frames.Unsynchronise(i);
    }
}

std::vector<uint8_t> TagWriter::frameHeaderV3(const TFrameRecord& f) const
{
    using namespace frameflags;
    const uint8_t format = f.Flags[1];
    uint32_t size = hasBit(format, kUnsynchronisation) ? f.SizeBeforeUnsync : static_cast<uint32_t>(f.Data.size());
    size += (hasBit(format, kCompression) ? kDataLengthSize : 0) + (hasBit(format, kEncryption) ? 1 : 0) +
            (hasBit(format, kGrouping) ? 1 : 0);
    std::vector<uint8_t> h(f.FrameID.begin(), f.FrameID.end());
    h.resize(kFrameHeaderSize);
    writeBE32(h.data() + kFrameSize, size);
    h[kFrameStatus] = statusToV3(f.Flags[0]);
    h[kFrameFormat] = formatToV3(format);
    if (hasBit(format, kCompression)) {
        h.resize(h.size() + kDataLengthSize);
        writeBE32(h.data() + kFrameHeaderSize, f.DataLength);
    }
    if (hasBit(format, kEncryption))
        h.push_back(f.EncryptionMethod);
    if (hasBit(format, kGrouping))
        h.push_back(f.GroupID);
    if (m_tag.Unsynchronisation()) {
        // The first data byte decides whether a final FF of the header needs its zero.
        h.push_back(f.Data.front());
        UnsynchroniseBuffer(h);
        h.pop_back();
    }
    return h;
}

std::vector<uint8_t> TagWriter::frameHeaderV4(const TFrameRecord& f) const
{
    using namespace frameflags;
    const uint8_t format = f.Flags[1];
    const uint64_t size = f.Data.size() + (hasBit(format, kDataLengthIndicator) ? kDataLengthSize : 0) +
                          (hasBit(format, kEncryption) ? 1 : 0) + (hasBit(format, kGrouping) ? 1 : 0);
    std::vector<uint8_t> h(f.FrameID.begin(), f.FrameID.end());
    h.resize(kFrameHeaderSize);
    writeSyncsafe32(h.data() + kFrameSize, static_cast<uint32_t>(size));
    h[kFrameStatus] = f.Flags[0] & (kTagAlterPreservation | kFileAlterPreservation | kReadOnly);
    h[kFrameFormat] = format & (kGrouping | kCompression | kEncryption | kUnsynchronisation | kDataLengthIndicator);
    if (hasBit(format, kGrouping))
        h.push_back(f.GroupID);
    if (hasBit(format, kEncryption))
        h.push_back(f.EncryptionMethod);
    if (hasBit(format, kDataLengthIndicator)) {
        h.resize(h.size() + kDataLengthSize);
        writeSyncsafe32(h.data() + h.size() - kDataLengthSize, f.DataLength);
    }
    return h;
}

std::vector<uint8_t> TagWriter::extHeaderV3() const
{
    std::vector<uint8_t> fields(4);
    writeBE32(fields.data(), m_padding);
    if (m_tag.CRCPresent()) {
        fields.resize(8);
        writeBE32(fields.data() + 4, m_crc);
    }
    if (m_tag.Unsynchronisation())
        UnsynchroniseBuffer(fields);
    std::vector<uint8_t> ext(ext3::kPadding);
    writeBE32(ext.data() + ext3::kSize, m_tag.CRCPresent() ? ext3::kSizeWithCrc : ext3::kSizeWithoutCrc);
    ext[ext3::kFlags] = m_tag.CRCPresent() ? ext3::kCrcBit : 0;
    const std::size_t fixed = ext.size();
    ext.resize(fixed + fields.size());
    std::copy(fields.begin(), fields.end(), ext.begin() + static_cast<std::ptrdiff_t>(fixed));
    return ext;
}

std::vector<uint8_t> TagWriter::extHeaderV4() const
{
    const bool update = m_tag.TagIsUpdate(), crc = m_tag.CRCPresent(), restrictions = m_tag.TagRestrictions();
    std::vector<uint8_t> ext(ext4::kFlags + 1);
    writeSyncsafe32(ext.data() + ext4::kSize,
                    ext4::kMinSize + (update ? 1 : 0) + (crc ? 1 + ext4::kCrcLength : 0) + (restrictions ? 2 : 0));
    ext[ext4::kFlagCount] = 1;
    ext[ext4::kFlags] = m_tag.ExtFlags & (ext4::kUpdate | ext4::kCrc | ext4::kRestrictions);
    if (update)
        ext.push_back(0);
    if (crc) {
        ext.push_back(ext4::kCrcLength);
        ext.resize(ext.size() + ext4::kCrcLength);
        writeSyncsafe35(ext.data() + ext.size() - ext4::kCrcLength, m_crc);
    }
    if (restrictions) {
        ext.push_back(1);
        ext.push_back(m_tag.Restrictions);
    }
    return ext;
}

} // namespace id3v2
