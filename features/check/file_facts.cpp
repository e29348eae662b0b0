// Reads a file once for every check: both tags through one open, the frames as their kinds.
#include "file_facts.h"

#include "features/common/interrupted_saves.h"
#include "features/common/named_fields.h"
#include "platform/file_system.h"
#include "tags/file/tag_file.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v1/id3_layout.h"

#include <algorithm>

namespace {

void readFrames(Tid3v2tag& tag, FileFacts& facts)
{
    const TFrameIndex& index = tag.FrameIndex();
    facts.frames.reserve(index.Count());
    FrameValue value;
    for (uint32_t i = 1; i <= index.Count(); ++i) {
        FrameFacts& frame = facts.frames.emplace_back();
        frame.id = index.FrameID(i);
        frame.result = tag.GetFrame(i, value);
        frame.kind = frameKindOf(frame.id);
        frame.key = frameKeyOf(frame.id, value);
        frame.empty = index.DataSize(i) == 0 || frame.result == textresult::kEmpty ||
                      (frame.result == textresult::kOk && isEmptyValue(value));
        if (frame.kind == FrameKind::Picture && frame.result == textresult::kOk) {
            frame.pictureType = value.pictureType;
            frame.pictureSize = value.data.size();
        }
    }
}

// A tag-wide unsynchronisation flag promises no false sync in the tag's bytes; version 2.4
// unsynchronises frame by frame, each frame flagged on its own.
void readUnsync(TagFile& file, Tid3v2tag& tag, FileFacts& facts)
{
    if (tag.Version >= 4) {
        const TFrameIndex& index = tag.FrameIndex();
        for (uint32_t i = 1; i <= index.Count(); ++i)
            if (index.StoredFlags(i, frameflags::kFormat) & frameflags::kUnsynchronisation) {
                const std::vector<uint8_t>& data = index.Data(i);
                facts.falseSyncInUnsyncTag |= holdsFalseSync(data.data(), data.size());
            }
        return;
    }
    if (!tag.Unsynchronisation())
        return;
    const std::vector<uint8_t>& head = file.keptHead();
    constexpr std::size_t kHeader = 10;
    if (head.size() <= kHeader)
        return;
    std::size_t body = head.size() - kHeader;
    body -= std::min<std::size_t>(body, tag.PaddingSize);
    facts.falseSyncInUnsyncTag = holdsFalseSync(head.data() + kHeader, body);
}

void readV2(TagFile& file, Tid3v2tag& tag, FileFacts& facts)
{
    tag.Reset();
    facts.v2 = readV2Fields(file, tag);
    facts.v2Result = facts.v2.result;
    facts.problems = tag.Problems();
    if (!facts.hasV2())
        return;
    facts.version = tag.Version;
    facts.padding = tag.PaddingSize;
    facts.droppedFrames = tag.DroppedFrames();
    facts.claimsPastEnd = file.headClaimsPastEnd();
    readFrames(tag, facts);
    readUnsync(file, tag, facts);
    facts.albumArtist = joinedValues(readField(tag, *namedField("albumartist")));
    facts.disc = joinedValues(readField(tag, *namedField("disc")));
}

void readV1(TagFile& file, Tid3tag& tag, FileFacts& facts)
{
    facts.v1 = readV1Fields(file, tag);
    facts.v1Result = facts.v1.result;
    if (!facts.hasV1())
        return;
    facts.v1Genre = tag.Genre;
    const uint64_t size = file.file()->size();
    const std::vector<uint8_t> record = file.readRange(size - id3v1::kRecordSize, id3v1::kRecordSize);
    std::copy(record.begin(), record.end(), facts.v1Record.begin());
}

} // namespace

bool holdsFalseSync(const uint8_t* data, std::size_t size)
{
    for (std::size_t i = 0; i + 1 < size; ++i)
        if (data[i] == 0xFF && data[i + 1] >= 0xE0)
            return true;
    return false;
}

FileFacts readFileFacts(const std::string& path, Tid3tag& v1, Tid3v2tag& v2)
{
    FileFacts facts;
    facts.path = path;
    TagFile file = TagFile::openForReading(path);
    if (!file.file()) {
        facts.openFailure = file.failureReason();
        return facts;
    }
    try {
        readV2(file, v2, facts);
        readV1(file, v1, facts);
        if (!facts.hasV1() && !facts.hasV2())
            facts.foreign = file.foreignFormat();
    } catch (const platform::IoError& e) {
        facts.openFailure = e.what();
    }
    return facts;
}
