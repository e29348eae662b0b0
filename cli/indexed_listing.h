// The tag index for a listing command: where it is, and whether this run may use it.
#pragma once

#include "command_line.h"

#include "features/index/tag_index.h"

#include <memory>

// The index, unless --no-index asks for every file to be read or a chosen ID3v1 code page
// reads texts otherwise than the index keeps them; null then, and when there is none.
std::unique_ptr<TagIndex> indexFor(const CommandArgs& args);
