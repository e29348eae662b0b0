// The frame store: TFrameIndex and its per-frame transformations, and the tag object's lifetime.
#include "tags/id3v2/id3v2.h"

#include "tags/id3v2/id3v2_layout.h"

#include <algorithm>
#include <new>

using namespace frameflags;
using namespace transformresult;

namespace {

// One byte of a status/format pair; any selector but 1 or 2 is a range error.
template <typename Byte>
Byte& flagByte(Byte (&pair)[2], int selector)
{
    if (selector != kStatus && selector != kFormat)
        throw ERangeError();
    return pair[selector - 1];
}

bool hasBit(uint8_t byte, uint8_t bit)
{
    return (byte & bit) != 0;
}

// Compression sits below unsynchronisation and encryption: with either on top of the
// stored data, neither compress nor inflate can reach it.
int compressionBlocked(uint8_t stored)
{
    if (hasBit(stored, kUnsynchronisation))
        return kUnsynchronised;
    if (hasBit(stored, kEncryption))
        return kEncrypted;
    return kDone;
}

} // namespace

uint32_t TFrameIndex::Add(const std::string& frameId)
{
    if (frameId.size() != id3v2::kFrameIdSize)
        return 0;
    std::string id = frameId;
    for (char& c : id) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (!id3v2::isFrameIdChar(c))
            return 0;
    }
    m_frames.emplace_back();
    m_frames.back().FrameID = std::move(id);
    if (!m_spareData.empty()) {
        m_frames.back().Data = std::move(m_spareData.back());
        m_spareData.pop_back();
    }
    return Count();
}

bool TFrameIndex::Delete(uint32_t index)
{
    if (index < 1 || index > Count())
        return false;
    m_frames.erase(m_frames.begin() + (index - 1));
    if (m_frames.empty())
        m_frames.shrink_to_fit();
    return true;
}

void TFrameIndex::Clear()
{
    constexpr std::size_t kSpareFrames = 32, kSpareBytes = 4096;
    for (TFrameRecord& f : m_frames) {
        if (m_spareData.size() < kSpareFrames && f.Data.capacity() > 0 && f.Data.capacity() <= kSpareBytes) {
            f.Data.clear();
            m_spareData.push_back(std::move(f.Data));
        }
    }
    m_frames.clear();
    // A usual list keeps its room for the next load; that of a tag of very many frames goes.
    if (m_frames.capacity() > 64)
        m_frames.shrink_to_fit();
}

TFrameRecord& TFrameIndex::Frame(uint32_t index)
{
    if (index < 1 || index > Count())
        throw ERangeError();
    return m_frames[index - 1];
}

const TFrameRecord& TFrameIndex::Frame(uint32_t index) const
{
    if (index < 1 || index > Count())
        throw ERangeError();
    return m_frames[index - 1];
}

int TFrameIndex::Compress(uint32_t index, int levelIndex)
{
    TFrameRecord& f = Frame(index);
    const uint8_t stored = f.StoredFlags[1];
    if (const int blocked = compressionBlocked(stored); blocked != kDone)
        return blocked;
    if (hasBit(stored, kCompression))
        return kNothingToDo;
    if (f.Data.size() > kMaxTagBody)
        return kFailed;
    try {
        std::vector<uint8_t> packed = CompressBuffer(f.Data.data(), f.Data.size(), levelIndex);
        f.DataLength = static_cast<uint32_t>(f.Data.size());
        f.Data = std::move(packed);
    } catch (const std::exception&) {
        return kFailed;
    }
    f.StoredFlags[1] |= kCompression;
    return kDone;
}

int TFrameIndex::Decompress(uint32_t index, std::size_t limit)
{
    TFrameRecord& f = Frame(index);
    const uint8_t stored = f.StoredFlags[1];
    if (const int blocked = compressionBlocked(stored); blocked != kDone)
        return blocked;
    if (!hasBit(stored, kCompression))
        return kNothingToDo;
    // The announced length bounds the output; a frame without one gets the largest tag body.
    const std::size_t bound =
        std::min<std::size_t>(f.DataLength > 0 ? std::min(f.DataLength, kMaxTagBody) : kMaxTagBody, limit);
    std::vector<uint8_t> plain;
    try {
        plain = DecompressBuffer(f.Data.data(), f.Data.size(), f.DataLength, bound);
    } catch (const std::exception&) {
        return kFailed;
    }
    const int result = plain.size() != f.DataLength ? kLengthDiffers : kDone;
    f.DataLength = 0;
    f.Data = std::move(plain);
    f.StoredFlags[1] &= static_cast<uint8_t>(~kCompression);
    return result;
}

int TFrameIndex::Unsynchronise(uint32_t index)
{
    TFrameRecord& f = Frame(index);
    if (hasBit(f.StoredFlags[1], kUnsynchronisation))
        return kNothingToDo;
    const uint32_t size = static_cast<uint32_t>(f.Data.size());
    try {
        UnsynchroniseBuffer(f.Data);
    } catch (const std::bad_alloc&) {
        return kFailed;
    }
    if (!hasBit(f.StoredFlags[1], kCompression | kEncryption))
        f.DataLength = size;
    f.SizeBeforeUnsync = size;
    f.StoredFlags[1] |= kUnsynchronisation;
    return kDone;
}

int TFrameIndex::Resynchronise(uint32_t index)
{
    TFrameRecord& f = Frame(index);
    if (!hasBit(f.StoredFlags[1], kUnsynchronisation))
        return kNothingToDo;
    ResynchroniseBuffer(f.Data);
    f.Data.shrink_to_fit();
    f.StoredFlags[1] &= static_cast<uint8_t>(~kUnsynchronisation);
    return kDone;
}

bool TFrameIndex::TagAlterPreservation(uint32_t i) const { return hasBit(Frame(i).Flags[0], kTagAlterPreservation); }
bool TFrameIndex::FileAlterPreservation(uint32_t i) const { return hasBit(Frame(i).Flags[0], kFileAlterPreservation); }
bool TFrameIndex::ReadOnly(uint32_t i) const { return hasBit(Frame(i).Flags[0], kReadOnly); }
bool TFrameIndex::GroupingIdentity(uint32_t i) const { return hasBit(Frame(i).Flags[1], kGrouping); }
bool TFrameIndex::Compression(uint32_t i) const { return hasBit(Frame(i).Flags[1], kCompression); }
bool TFrameIndex::Encryption(uint32_t i) const { return hasBit(Frame(i).Flags[1], kEncryption); }
bool TFrameIndex::Unsynchronisation(uint32_t i) const { return hasBit(Frame(i).Flags[1], kUnsynchronisation); }
bool TFrameIndex::DataLengthIndicator(uint32_t i) const { return hasBit(Frame(i).Flags[1], kDataLengthIndicator); }
bool TFrameIndex::IsGrouped(uint32_t i) const { return hasBit(Frame(i).StoredFlags[1], kGrouping); }
bool TFrameIndex::IsCompressed(uint32_t i) const { return hasBit(Frame(i).StoredFlags[1], kCompression); }
bool TFrameIndex::IsEncrypted(uint32_t i) const { return hasBit(Frame(i).StoredFlags[1], kEncryption); }
bool TFrameIndex::IsUnsynchronised(uint32_t i) const { return hasBit(Frame(i).StoredFlags[1], kUnsynchronisation); }

uint8_t TFrameIndex::Flags(uint32_t index, int selector) const { return flagByte(Frame(index).Flags, selector); }
void TFrameIndex::SetFlags(uint32_t index, int selector, uint8_t value) { flagByte(Frame(index).Flags, selector) = value; }
uint8_t TFrameIndex::StoredFlags(uint32_t index, int selector) const
{
    return flagByte(Frame(index).StoredFlags, selector);
}
void TFrameIndex::SetStoredFlags(uint32_t index, int selector, uint8_t value)
{
    flagByte(Frame(index).StoredFlags, selector) = value;
}

uint32_t TFrameIndex::DataLength(uint32_t i) const { return Frame(i).DataLength; }
void TFrameIndex::SetDataLength(uint32_t i, uint32_t value) { Frame(i).DataLength = value; }
uint8_t TFrameIndex::EncryptionMethod(uint32_t i) const { return Frame(i).EncryptionMethod; }
void TFrameIndex::SetEncryptionMethod(uint32_t i, uint8_t value) { Frame(i).EncryptionMethod = value; }
uint8_t TFrameIndex::GroupID(uint32_t i) const { return Frame(i).GroupID; }
void TFrameIndex::SetGroupID(uint32_t i, uint8_t value) { Frame(i).GroupID = value; }
const std::string& TFrameIndex::FrameID(uint32_t i) const { return Frame(i).FrameID; }
uint32_t TFrameIndex::FrameOffset(uint32_t i) const { return Frame(i).FrameOffset; }
void TFrameIndex::SetFrameOffset(uint32_t i, uint32_t value) { Frame(i).FrameOffset = value; }
void TFrameIndex::SetHeaderSize(uint32_t i, uint32_t value) { Frame(i).HeaderSize = value; }
uint32_t TFrameIndex::SizeBeforeUnsync(uint32_t i) const { return Frame(i).SizeBeforeUnsync; }
uint32_t TFrameIndex::DataSize(uint32_t i) const { return static_cast<uint32_t>(Frame(i).Data.size()); }
const std::vector<uint8_t>& TFrameIndex::Data(uint32_t i) const { return Frame(i).Data; }
std::vector<uint8_t>& TFrameIndex::Data(uint32_t i) { return Frame(i).Data; }

Tid3v2tag::Tid3v2tag() : m_frameIndex(std::make_unique<TFrameIndex>()) {}

Tid3v2tag::~Tid3v2tag() = default;

void Tid3v2tag::Reset()
{
    Version = 3;
    Revision = 0;
    TagSize = 0;
    Flags = 0;
    ExtFlags = 0;
    PaddingSize = 0;
    ExtHeaderSize = 0;
    CRC32 = 0;
    Restrictions = 0;
    LoadResult = 0;
    Modified = false;
    ReadOnlyFile = false;
    FileName.clear();
    TagOffset = 0;
    Idle = true;
    Progress = 0;
    Status.clear();
    m_inflateBudget = kTextInflateBudget;
    m_problems.clear();
    m_framesRead = false;
    m_frameIndex->Clear();
}

bool Tid3v2tag::KeepSalvagedFrames()
{
    if (!Damaged())
        return false;
    LoadResult = kOk;
    Modified = true;
    return true;
}
