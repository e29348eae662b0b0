// What the two kinds of records that outlive a run share, the move records that let an
// interrupted save be repaired and the undo journal's entries: their checksum, the byte
// order of their numbers and their folders in the person's state folder.
#pragma once

#include "tags/core/crc.h"

#include <cstddef>
#include <cstdint>
#include <string>

void writeBE64(uint8_t* p, uint64_t v);
uint64_t readBE64(const uint8_t* p);

// <state folder><name>/; empty when the person has no state folder.
std::string stateSubfolder(const char* name);
// Makes the state folder and `folder` in it, both private to this user; false when either
// cannot be made or is not a real folder.
bool makeStateSubfolder(const std::string& folder);
