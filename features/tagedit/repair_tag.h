// Repairs damaged ID3v2 tags: the window's "Repair tag" and varnoli-cli check --fix.
#pragma once

#include "features/common/dialogs.h"
#include "features/common/progress.h"
#include "features/tagedit/batch_save.h"

#include <string>
#include <vector>

class Tid3tag;
class Tid3v2tag;

// Each file's damaged ID3v2 tag written anew from the frames read before and around the
// damage, as one batch that "Undo last save" takes back; files whose tag is not damaged are
// left alone. Failures go to `dialogs` as a save's do.
BatchSaveOutcome repairDamagedTags(const std::vector<std::string>& files, Tid3tag& v1, Tid3v2tag& v2,
                                   Dialogs& dialogs, Progress& progress = noProgress(), bool recordForUndo = true);
// The same for one file: what the repair did, as a phrase; empty when the tag was not damaged
// or the repair failed (said through `dialogs`).
std::string repairDamagedTag(const std::string& path, Tid3tag& v1, Tid3v2tag& v2, Dialogs& dialogs,
                             bool recordForUndo = true);
