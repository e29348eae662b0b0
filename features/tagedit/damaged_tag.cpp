// The repair of one damaged ID3v2 tag in a file opened for saving.
#include "damaged_tag.h"

#include "platform/file_system.h"
#include "tags/id3v2/id3v2.h"
#include "tags/id3v2/id3v2_layout.h"
#include "tags/mpeg/audio_properties.h"

#include <tuple>

namespace {

// A tag claiming more than the file holds is either cut, with nothing after its frames, or
// one whose size lies, with the audio behind its frames. A save replaces all it claims, so
// the latter would lose its audio: MPEG frames after the last frame read give it away.
bool audioFollowsFrames(TagFile& file, Tid3v2tag& v2)
{
    if (!file.headClaimsPastEnd())
        return false;
    uint64_t end = v2.TagOffset + id3v2::kHeaderSize;
    if (const uint32_t n = v2.FrameIndex().Count(); n > 0) {
        const TFrameRecord& last = v2.FrameIndex().Frame(n);
        end = uint64_t(last.FrameOffset) + last.HeaderSize + last.Data.size();
    }
    const uint64_t size = file.file()->size();
    return end < size && readAudioProperties(*file.file(), end, size).has_value();
}

} // namespace

SaveReport repairOpenFile(TagFile& file, Tid3v2tag& v2, SaveObserver* observer, std::vector<std::string>& done)
{
    v2.Reset();
    const TagResult loaded = file.loadV2(v2);
    if (!v2.Damaged())
        return {};
    const uint32_t kept = v2.FrameIndex().Count();
    if (audioFollowsFrames(file, v2)) {
        SaveReport refused;
        refused.v2 = loaded;
        return refused;
    }
    const std::string cut = loaded == kErrFileTooShort ? " (the file ended inside the tag, so no audio followed it)" : "";
    std::ignore = v2.KeepSalvagedFrames();
    if (kept == 0) {
        done.push_back("took out the damaged ID3v2 tag, which had no frame that could be read" + cut);
        return file.remove(nullptr, &v2, observer);
    }
    done.push_back("wrote the " + std::to_string(kept) + (kept == 1 ? " frame" : " frames") +
                   " that could be read as a new ID3v2 tag" + cut);
    return file.save(nullptr, &v2, observer);
}
