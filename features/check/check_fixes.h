// The fixes the checks offer, each changing one file's loaded tags.
#pragma once

#include "features/check/fix_target.h"
#include "features/common/tag_fields.h"

#include "tags/id3v2/id3v2_frame_kinds.h"

#include <string>

// What no two frames of a tag may share: the ID of a text frame, the whole key of a user
// text, comment, user URL or rating; empty for kinds that may repeat.
std::string singleFrameKey(FrameKind kind, const FrameKey& key);

namespace fixes {
// The field from whichever tag holds it into the other: ID3v2 wins when both do.
bool copyField(FixTarget& tags, TagField field);
bool copyArtist(FixTarget& tags, const std::string&);
bool copyTitle(FixTarget& tags, const std::string&);
bool copyAlbum(FixTarget& tags, const std::string&);
bool copyYear(FixTarget& tags, const std::string&);
bool copyGenre(FixTarget& tags, const std::string&);
bool copyComment(FixTarget& tags, const std::string&);
bool copyTrack(FixTarget& tags, const std::string&);
// The ID3v1 record written again from its fields: clean NUL padding.
bool rewriteV1(FixTarget& tags, const std::string&);
bool removeDuplicateFrames(FixTarget& tags, const std::string&);
bool removeEmptyFrames(FixTarget& tags, const std::string&);
bool removeSecondFrontCovers(FixTarget& tags, const std::string&);
// The ID3v2 tag saved again: the writer sizes its padding anew and writes it unsynchronised only where needed.
bool resaveV2(FixTarget& tags, const std::string&);
bool setYear(FixTarget& tags, const std::string& value);
bool setAlbumArtist(FixTarget& tags, const std::string& value);
bool setDiscTotal(FixTarget& tags, const std::string& value);
// Stands for the repair of a damaged tag, which the batch makes before any other fix: the
// tag a fix would be handed is already the repaired one, so nothing is left to change here.
bool repairDamagedTag(FixTarget& tags, const std::string&);
} // namespace fixes
