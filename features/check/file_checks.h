// The checks of one file, by group: what the engine found in its tags, and its fields.
#pragma once

#include "features/check/check_kinds.h"
#include "features/check/file_facts.h"

// The file as a whole, the loader's findings, frames, pictures and padding.
void checkTagHealth(const FileFacts& facts, FileReport& report);
// The seven fields: present, well formed, and the same in both tags; the ID3v1 record's bytes.
void checkFields(const FileFacts& facts, FileReport& report);
