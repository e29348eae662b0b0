// Frames by key: listing them, reading and writing typed values through the frame-kind table.
#include "tags/id3v2/id3v2.h"

#include "tags/id3v2/id3v2_frame_data.h"

#include <algorithm>

using namespace textresult;

namespace {

// Brings a frame's data into plain form; 0 when they can be decoded. Inflating is charged
// to `budget`; a stream that fails is charged all it may have used.
uint8_t prepareFrame(TFrameIndex& frames, uint32_t i, std::size_t& budget, uint8_t notInflated)
{
    if (frames.IsUnsynchronised(i))
        frames.Resynchronise(i);
    if (frames.Encryption(i) || frames.IsEncrypted(i))
        return kEncrypted;
    if (frames.IsCompressed(i)) {
        const std::size_t announced = frames.DataLength(i);
        if (frames.Decompress(i, budget) == transformresult::kFailed) {
            // A stream that does not inflate leaves nothing readable.
            budget -= announced > 0 ? std::min(announced, budget) : budget;
            return notInflated;
        }
        budget -= std::min<std::size_t>(frames.DataSize(i), budget);
    }
    return frames.Data(i).empty() ? kEmpty : textresult::kOk;
}

// Whether a frame's data were read as its kind: a frame that fails to is Binary.
bool readAs(FrameKind kind, uint8_t result, const FrameValue& value)
{
    return (result == textresult::kOk || result == kEmpty) && value.kind == kind;
}

// Whether `key` names a frame of its ID holding `value`, without making the frame's key.
bool names(const FrameKey& key, const FrameValue& value)
{
    return (!hasDescription(value.kind) || key.description == value.description) &&
           (!hasLanguage(value.kind) || key.language.empty() || key.language == value.language);
}

} // namespace

id3v2::PlainFrame::PlainFrame(const TFrameIndex& frames, uint32_t i, std::size_t& budget, uint8_t notInflated)
{
    const bool plain = !frames.IsUnsynchronised(i) && !frames.IsCompressed(i) && !frames.Encryption(i) &&
                       !frames.IsEncrypted(i);
    if (plain) {
        m_data = &frames.Data(i);
        m_result = m_data->empty() ? kEmpty : textresult::kOk;
        return;
    }
    const uint32_t copy = m_copy.Add(frames.FrameID(i));
    m_copy.Frame(copy) = frames.Frame(i);
    m_result = prepareFrame(m_copy, copy, budget, notInflated);
    m_data = &m_copy.Data(copy);
}

// The rewritten data are plain: nothing is left to undo, the writer measures them
// afresh, and a requested encryption could never be honoured. Grouping stays as it was.
void id3v2::replaceData(TFrameRecord& f, std::vector<uint8_t> data)
{
    f.Data = std::move(data);
    f.Flags[1] &= static_cast<uint8_t>(~frameflags::kEncryption);
    f.StoredFlags[1] = f.Flags[1] & frameflags::kGrouping;
    f.DataLength = 0;
    f.SizeBeforeUnsync = 0;
}

std::vector<TFrameEntry> Tid3v2tag::FrameList()
{
    std::vector<TFrameEntry> list;
    list.reserve(FrameIndex().Count());
    FrameValue value;
    for (uint32_t i = 1; i <= FrameIndex().Count(); ++i) {
        const uint8_t result = GetFrame(i, value);
        const std::string& id = FrameIndex().FrameID(i);
        list.push_back({i, frameKeyOf(id, value), value.kind, result});
    }
    return list;
}

uint8_t Tid3v2tag::GetFrame(uint32_t index, FrameValue& value)
{
    const TFrameIndex& frames = FrameIndex();
    const id3v2::PlainFrame plain(frames, index, m_inflateBudget, kNotInflated);
    if (plain.result() != textresult::kOk && plain.result() != kEmpty) {
        value = FrameValue();
        return plain.result();
    }
    return parseFrame(frames.FrameID(index), plain.data(), value);
}

// The first frame that reads wins; one that cannot is no match, so a later one is still
// found. Without a match, why the first unreadable frame of the ID failed, else kNoFrame.
uint32_t Tid3v2tag::findFrame(const FrameKey& key, FrameValue& value, uint8_t notInflated, uint8_t& result)
{
    result = isFrameId(key.id) ? kNoFrame : kBadId;
    const FrameKind kind = frameKindOf(key.id);
    const TFrameIndex& frames = FrameIndex();
    for (uint32_t i = 1; result != kBadId && i <= frames.Count(); ++i) {
        if (!id3v2::sameFrameId(frames.FrameID(i), key.id))
            continue;
        const id3v2::PlainFrame plain(frames, i, m_inflateBudget, notInflated);
        const uint8_t r = plain.result() == textresult::kOk || plain.result() == kEmpty
                              ? parseFrame(key.id, plain.data(), value)
                              : plain.result();
        const bool read = readAs(kind, r, value);
        if (read && names(key, value)) {
            result = r;
            return i;
        }
        if (result == kNoFrame && !read)
            result = r;
    }
    value = FrameValue();
    return 0;
}

uint8_t Tid3v2tag::GetFrame(const FrameKey& key, FrameValue& value)
{
    uint8_t result;
    findFrame(key, value, kNotInflated, result);
    return result;
}

uint32_t Tid3v2tag::frameNamed(const FrameKey& key, uint32_t from)
{
    const TFrameIndex& frames = FrameIndex();
    const FrameKind kind = frameKindOf(key.id);
    FrameValue value;
    for (uint32_t i = from; i <= frames.Count(); ++i) {
        if (!id3v2::sameFrameId(frames.FrameID(i), key.id))
            continue;
        if (!hasDescription(kind) || (readAs(kind, GetFrame(i, value), value) && names(key, value)))
            return i;
    }
    return 0;
}

uint8_t Tid3v2tag::SetFrame(const FrameKey& key, FrameValue value)
{
    if (!isFrameId(key.id))
        return kBadId;
    value.kind = frameKindOf(key.id);
    value.description = hasDescription(value.kind) ? key.description : Utf8Text();
    if (value.language.empty())
        value.language = key.language;
    TFrameIndex& frames = FrameIndex();
    const uint32_t i = frameNamed(key, 1);
    if (isEmptyValue(value)) {
        if (i == 0)
            return textresult::kOk;
        frames.Delete(i);
        return kDeleted;
    }
    std::vector<uint8_t> data;
    const uint8_t rendered = renderFrame(value, Version, data);
    if (rendered != textresult::kOk)
        return rendered;
    if (i == 0)
        frames.Data(frames.Add(key.id)) = std::move(data);
    else
        id3v2::replaceData(frames.Frame(i), std::move(data));
    return textresult::kOk;
}

uint32_t Tid3v2tag::RemoveFrames(const FrameKey& key)
{
    uint32_t removed = 0;
    for (uint32_t i = frameNamed(key, 1); i != 0; i = frameNamed(key, i)) {
        FrameIndex().Delete(i);
        ++removed;
    }
    return removed;
}
