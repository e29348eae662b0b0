// Takes out of a file what varnoli-cli strip names: whole tags, pictures, frames by key.
#pragma once

#include "tags/file/tag_file.h"
#include "tags/id3v2/id3v2_frame_kinds.h"

#include <string>
#include <vector>

class Tid3tag;
class Tid3v2tag;

struct StripRequest {
    bool v1 = false, v2 = false, pictures = false;
    std::vector<FrameKey> frames;
    bool touchesV2() const { return v2 || pictures || !frames.empty(); }
};

// Removes what `strip` names from the open file, through `observer` as a save; `removed`
// receives a phrase per thing removed ("the ID3v1 tag", "2 pictures"). An ID3v2 tag left
// without frames goes whole, since a tag cannot be written empty.
SaveReport stripFile(TagFile& file, const StripRequest& strip, Tid3tag& v1, Tid3v2tag& v2, SaveObserver* observer,
                     std::vector<std::string>& removed);
