// Converts a loaded ID3v2 tag between versions 2.3 and 2.4, frame by frame, saying what changed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Tid3v2tag;

// Maps the tag's frames for a save in `version` (3 or 4) and sets its version. Dates go between
// TDRC and TYER/TDAT/TIME and between TDOR and TORY, frames of version 2.4 alone to and from
// TXXX:<ID>, values of several texts joined by "/" (and a version 2.3 list such as TPE1 split),
// texts re-encoded for what the version holds. A phrase per change; a tag already in the
// version is left alone and gives none.
std::vector<std::string> convertTagVersion(Tid3v2tag& tag, uint8_t version);
