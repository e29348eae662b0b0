// The "ID3 Tags" tab's tag tools: convert, copy, remove and repair as journaled batch saves.
#include "tag_tools.h"

#include "features/tagedit/copy_tags.h"
#include "features/tagedit/repair_tag.h"

namespace {

StripRequest stripOf(TagTool tool, const std::vector<FrameKey>& frames)
{
    StripRequest strip;
    strip.v1 = tool == TagTool::RemoveV1;
    strip.v2 = tool == TagTool::RemoveV2;
    strip.pictures = tool == TagTool::RemovePictures;
    if (tool == TagTool::RemoveFrames)
        strip.frames = frames;
    return strip;
}

const char* headingOf(TagTool tool)
{
    switch (tool) {
    case TagTool::ConvertTo23: return "Converted to ID3v2.3:";
    case TagTool::ConvertTo24: return "Converted to ID3v2.4:";
    case TagTool::CopyV1ToV2: return "Copied the ID3v1 fields into the ID3v2 tag:";
    case TagTool::CopyV2ToV1: return "Copied the ID3v2 fields into the ID3v1 tag:";
    case TagTool::Repair: return "Repaired damaged tags:";
    default: return "Removed:";
    }
}

bool anyFailed(const FileSaveOutcome& file)
{
    return (file.v1.result && failed(*file.v1.result)) || (file.v2.result && failed(*file.v2.result));
}

// What one file came to; empty for a file whose failure was told already.
std::string fileLine(TagTool tool, const FileSaveOutcome& file)
{
    const bool copy = tool == TagTool::CopyV1ToV2 || tool == TagTool::CopyV2ToV1;
    if (anyFailed(file) || (!copy && !file.reached))
        return {};
    if (copy)
        return file.v1.result || file.v2.result ? "copied" : std::string();
    if (file.changes.empty())
        return tool == TagTool::Repair ? "its ID3v2 tag is not damaged; left alone" : "nothing to change";
    std::string line;
    for (const std::string& change : file.changes)
        line += (line.empty() ? "" : ", ") + change;
    return line;
}

} // namespace

TagToolPlan planTagTool(TagTool tool, const std::vector<std::string>& files, Tid3tag& v1, Tid3v2tag& v2,
                        const std::vector<FrameKey>& frames)
{
    TagToolPlan plan;
    plan.tool = tool;
    if (tool == TagTool::CopyV1ToV2 || tool == TagTool::CopyV2ToV1) {
        TagCopyPlan copy = planTagCopy(files, tool == TagTool::CopyV1ToV2 ? CopyTarget::V2 : CopyTarget::V1, v1, v2);
        plan.request = std::move(copy.request);
        plan.missed = std::move(copy.missed);
        plan.request.explainFailures = false;
        return plan;
    }
    BatchSaveRequest& request = plan.request;
    request.files = files;
    request.recordForUndo = true;
    request.saveV1 = false;
    if (tool == TagTool::ConvertTo23 || tool == TagTool::ConvertTo24) {
        request.convertTo = static_cast<uint8_t>(tool == TagTool::ConvertTo23 ? 3 : 4);
    } else if (tool == TagTool::Repair) {
        request.repairDamaged = true;
    } else {
        request.strip = stripOf(tool, frames);
        request.saveV1 = request.strip->v1;
        request.saveV2 = request.strip->touchesV2();
    }
    return plan;
}

std::string tagToolQuestion(TagTool tool, std::size_t fileCount)
{
    const std::string files = "the selected " + std::to_string(fileCount) + " file(s)";
    switch (tool) {
    case TagTool::ConvertTo23: return "Convert the ID3v2 tags of " + files + " to version 2.3?";
    case TagTool::ConvertTo24: return "Convert the ID3v2 tags of " + files + " to version 2.4?";
    case TagTool::CopyV1ToV2: return "Copy the ID3v1 fields of " + files + " into their ID3v2 tags?";
    case TagTool::CopyV2ToV1: return "Copy the ID3v2 fields of " + files + " into their ID3v1 tags?";
    case TagTool::RemoveV1: return "Remove the ID3v1 tags of " + files + "?";
    case TagTool::RemoveV2: return "Remove the ID3v2 tags of " + files + "?";
    case TagTool::RemovePictures: return "Remove every picture of " + files + "?";
    case TagTool::RemoveFrames: return "Remove those frames from " + files + "?";
    case TagTool::Repair: break;
    }
    return "Write the frames that could be read of each damaged ID3v2 tag of " + files + " as a new tag?";
}

std::string tagToolSummary(const TagToolPlan& plan, const BatchSaveOutcome& outcome)
{
    std::string text = headingOf(plan.tool);
    for (const FileSaveOutcome& file : outcome.files)
        if (const std::string line = fileLine(plan.tool, file); !line.empty())
            text += "\n'" + file.path + "': " + line;
    for (const std::string& line : plan.missed)
        text += "\n" + line;
    return text;
}
