// The checks of a file's tags as the engine read them: damage, frames, pictures, padding, version.
#include "file_checks.h"

#include "features/check/check_fixes.h"
#include "tags/core/tag_result.h"

#include <map>
#include <set>

namespace {

constexpr std::size_t kLargeBytes = std::size_t(1) << 20;

bool says(const std::string& text, const char* words) { return text.find(words) != std::string::npos; }

// The loader's findings under the check that names them.
void checkLoaderProblems(const FileFacts& facts, FileReport& report)
{
    bool damaged = false;
    for (const TagProblem& p : facts.problems) {
        if (p.severity == TagProblem::Severity::Warning) {
            if (!says(p.problem, "counterpart"))
                addProblem(report, "odd_tag_header", "the ID3v2 tag: " + p.problem);
        } else if (!p.frame.empty() && (says(p.problem, " claims ") || says(p.problem, "would end beyond") ||
                                        says(p.problem, "too small"))) {
            addProblem(report, "frame_size_lies", p.problem);
        } else if (!p.frame.empty() && says(p.problem, "is not valid")) {
            addProblem(report, "frame_unreadable", p.problem);
        } else if (!damaged && !facts.claimsPastEnd) {
            damaged = true;
            addProblem(report, "damaged_tag", "the ID3v2 tag is damaged: " + p.problem);
        }
    }
    if (facts.claimsPastEnd)
        addProblem(report, "tag_size_lies", "the ID3v2 tag claims more bytes than the file holds");
}

void checkFrameReads(const FileFacts& facts, FileReport& report)
{
    for (const FrameFacts& f : facts.frames) {
        if (f.result == textresult::kOk || f.result == textresult::kEmpty)
            continue;
        if (undecodable(f.result) && f.result != textresult::kEncrypted && f.result != textresult::kNotInflated)
            addProblem(report, "undecodable_text", "the text of frame " + f.id + " cannot be decoded");
        else
            addProblem(report, "frame_unreadable", "frame " + f.id + " cannot be read");
    }
}

void checkFrameSets(const FileFacts& facts, FileReport& report)
{
    std::map<std::string, int> seen;
    std::set<std::string> named;
    std::string empty;
    int fronts = 0;
    for (const FrameFacts& f : facts.frames) {
        const std::string key = f.result == textresult::kOk ? singleFrameKey(f.kind, f.key) : std::string();
        if (!key.empty() && ++seen[key] == 2 && named.insert(f.id).second)
            addProblem(report, "duplicate_frames", "frame " + f.id + " appears more than once");
        if (f.empty)
            empty += (empty.empty() ? "" : ", ") + f.id;
        if (f.pictureSize > kLargeBytes)
            addProblem(report, "picture_too_large",
                       "a picture of " + groupedNumber(f.pictureSize) + " bytes");
        if (f.kind == FrameKind::Picture && f.result == textresult::kOk && f.pictureType == kFrontCover && ++fronts == 2)
            addProblem(report, "second_front_cover", "the tag holds more than one front cover");
    }
    if (!empty.empty())
        addProblem(report, "empty_frame", "frames without content: " + empty);
}

void checkTagShape(const FileFacts& facts, FileReport& report)
{
    if (facts.falseSyncInUnsyncTag)
        addProblem(report, "wrong_unsynchronisation",
                   "the ID3v2 tag is marked unsynchronised, yet holds bytes that look like audio frame starts");
    if (facts.padding > kLargeBytes)
        addProblem(report, "padding_too_large", "the ID3v2 tag has " + groupedNumber(facts.padding) + " bytes of padding");
    if (facts.version == 4)
        addProblem(report, "v24_tag", "the ID3v2 tag is version 2.4");
    std::string dropped;
    for (const std::string& id : facts.droppedFrames)
        dropped += (dropped.empty() ? "" : ", ") + id;
    if (!dropped.empty())
        addProblem(report, "v22_frames_dropped", "the ID3v2.2 frames " + dropped + " have no version 2.3 form");
}

} // namespace

void checkTagHealth(const FileFacts& facts, FileReport& report)
{
    if (!facts.openFailure.empty()) {
        addProblem(report, "unreadable_file", "the file cannot be read: " + facts.openFailure);
        return;
    }
    if (facts.interrupted)
        addProblem(report, "interrupted_save", "a save of the file was interrupted");
    if (!facts.foreign.empty()) {
        addProblem(report, "not_mp3", "not an MP3 file: " + facts.foreign);
        return;
    }
    if (!facts.hasV1() && !facts.hasV2()) {
        addProblem(report, "no_tag", "the file has neither an ID3v1 nor an ID3v2 tag");
        return;
    }
    checkLoaderProblems(facts, report);
    checkFrameReads(facts, report);
    checkFrameSets(facts, report);
    checkTagShape(facts, report);
}
