// The repair of one damaged ID3v2 tag in a file opened for saving.
#include "damaged_tag.h"

#include "tags/id3v2/id3v2.h"

#include <tuple>

SaveReport repairOpenFile(TagFile& file, Tid3v2tag& v2, SaveObserver* observer, std::vector<std::string>& done)
{
    v2.Reset();
    const TagResult loaded = file.loadV2(v2);
    if (!v2.Damaged())
        return {};
    const uint32_t kept = v2.FrameIndex().Count();
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
