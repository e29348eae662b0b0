// The seven fields copied from one tag of each file into its other tag (varnoli-cli copy).
#pragma once

#include "features/tagedit/batch_save.h"

#include <string>
#include <vector>

class Tid3tag;
class Tid3v2tag;

enum class CopyTarget { V1, V2 };

struct TagCopyPlan {
    BatchSaveRequest request;        // the files with a tag to copy from, each with its fields
    std::vector<std::string> missed; // a line per file without one, left alone
};

// Reads the tag each file copies from and makes the save that writes its fields into the
// other tag. For ID3v1 a year keeps its first four characters, a track that is no number is
// left out, and a genre outside the list becomes none; empty fields empty the target's.
TagCopyPlan planTagCopy(const std::vector<std::string>& files, CopyTarget to, Tid3tag& v1, Tid3v2tag& v2);
