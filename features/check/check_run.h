// Runs every check over files and folders, and builds the batch save that applies the fixes.
#pragma once

#include "features/check/check_kinds.h"
#include "features/common/mp3_folder.h"
#include "features/common/progress.h"
#include "features/tagedit/batch_save.h"

#include <string>
#include <vector>

class Tid3tag;
class Tid3v2tag;

// The files the paths name, in order: a file as it is, a folder's MP3 files (with
// `subfolders`, its whole tree). Folders that cannot be read go to `unreadable`.
std::vector<std::string> filesToCheck(const std::vector<std::string>& paths, bool subfolders,
                                      UnreadableFolders& unreadable);

// One report per file, in order, the album checks made across the files given.
// A cancel ends it between files, with the reports of those checked.
std::vector<FileReport> checkFiles(const std::vector<std::string>& files, Tid3tag& v1, Tid3v2tag& v2,
                                   Progress& progress = noProgress());

// The journaled save that applies every fixable problem of the reports (those `wanted`
// picks, when given), one file at a time; its files are those with a fix to make.
BatchSaveRequest fixRequest(const std::vector<FileReport>& reports,
                            const std::function<bool(const Problem&)>& wanted = nullptr);

// How many problems of the reports can be fixed.
std::size_t fixableCount(const std::vector<FileReport>& reports);
