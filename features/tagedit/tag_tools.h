// The "ID3 Tags" tab's tag tools as plain data: the batch each one saves, and its summary.
#pragma once

#include "features/tagedit/batch_save.h"
#include "features/tagedit/strip_tags.h"

#include <string>
#include <vector>

class Tid3tag;
class Tid3v2tag;

enum class TagTool { ConvertTo23, ConvertTo24, CopyV1ToV2, CopyV2ToV1, RemoveV1, RemoveV2, RemovePictures, RemoveFrames, Repair };

struct TagToolPlan {
    TagTool tool = TagTool::Repair;
    BatchSaveRequest request;        // journaled for "Undo last save"
    std::vector<std::string> missed; // a line per file left out before the save (nothing to copy)
};

// The batch `tool` saves over `files`; `frames` are the keys RemoveFrames takes out. A copy
// reads each file's source tag here.
TagToolPlan planTagTool(TagTool tool, const std::vector<std::string>& files, Tid3tag& v1, Tid3v2tag& v2,
                        const std::vector<FrameKey>& frames = {});

// The question asked before the tool changes `fileCount` files.
std::string tagToolQuestion(TagTool tool, std::size_t fileCount);

// What the tool did, a line per file, after a heading; the failures were told as they came.
std::string tagToolSummary(const TagToolPlan& plan, const BatchSaveOutcome& outcome);
