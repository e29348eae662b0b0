// Removes whole tags, pictures and frames from one file opened for saving.
#include "strip_tags.h"

#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

namespace {

std::string counted(uint32_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Takes the pictures and frames out of the loaded tag; a phrase for each that was there.
std::vector<std::string> removeParts(const StripRequest& strip, Tid3v2tag& tag)
{
    std::vector<std::string> removed;
    if (strip.pictures)
        if (const uint32_t n = tag.RemovePictures())
            removed.push_back(counted(n, "picture", "pictures"));
    for (const FrameKey& key : strip.frames)
        if (const uint32_t n = tag.RemoveFrames(key))
            removed.push_back(counted(n, "frame ", "frames ") + formatFrameKey(key));
    return removed;
}

std::string joined(const std::vector<std::string>& parts)
{
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

void takeV1(const SaveReport& from, SaveReport& into)
{
    into.v1 = from.v1;
    into.tail = from.tail;
    into.v1PutBack = from.v1PutBack;
    into.v1LeftAlone = from.v1LeftAlone;
}

} // namespace

SaveReport stripFile(TagFile& file, const StripRequest& strip, Tid3tag& v1, Tid3v2tag& v2, SaveObserver* observer,
                     std::vector<std::string>& removed)
{
    SaveReport report;
    bool wholeV2 = strip.v2;
    std::vector<std::string> parts;
    v2.Reset();
    if (!strip.v2 && strip.touchesV2() && !failed(file.loadV2(v2))) {
        parts = removeParts(strip, v2);
        wholeV2 = !parts.empty() && v2.FrameIndex().Count() == 0;
        if (!parts.empty() && !wholeV2) {
            report = file.save(nullptr, &v2, observer);
            if (failed(*report.v2))
                return report;
            removed = parts;
        }
    }
    if (!strip.v1 && !wholeV2)
        return report;
    const SaveReport taken = file.remove(strip.v1 ? &v1 : nullptr, wholeV2 ? &v2 : nullptr, observer);
    takeV1(taken, report);
    if (taken.v2) {
        report.v2 = taken.v2;
        report.head = taken.head;
        report.movedAudio = taken.movedAudio;
        report.leftInterrupted = taken.leftInterrupted;
    }
    if (taken.v1 && !failed(*taken.v1))
        removed.insert(removed.begin(), "the ID3v1 tag");
    if (taken.v2 && !failed(*taken.v2))
        removed.push_back(strip.v2 ? "the ID3v2 tag" : "the ID3v2 tag, left without frames by removing " + joined(parts));
    return report;
}
