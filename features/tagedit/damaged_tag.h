// The repair of one damaged ID3v2 tag in a file opened for saving: a step of the batch save.
#pragma once

#include "tags/file/tag_file.h"

#include <string>
#include <vector>

class Tid3v2tag;

// Writes the frames a damaged ID3v2 tag still yields as a well-formed tag, through `observer`
// as a save; a tag with no readable frame is taken out. The audio starts where the old tag
// said it ends, or nowhere when the file ends first. `done` receives a phrase for what was
// written; a tag that is not damaged is left alone, with the report empty. A tag claiming more
// than the file holds with MPEG audio behind its frames is left alone too, its load's result
// the report's: the save would take that audio for part of the tag.
SaveReport repairOpenFile(TagFile& file, Tid3v2tag& v2, SaveObserver* observer, std::vector<std::string>& done);
