// The records of the files a listing path stands for, taken through the tag index.
#pragma once

#include "features/common/mp3_folder.h"
#include "features/index/tag_index.h"

#include <functional>
#include <memory>
#include <string>

// Visits the record of each file forEachFileOf would visit, in the same order, looked up in
// batches so that each batch is one transaction. Gives the folders that could not be read.
using RecordVisitor = std::function<void(const IndexRecord& record)>;
UnreadableFolders forEachRecordOf(TagIndex& index, const std::string& path, bool subfolders,
                                  const RecordVisitor& visit);

// The person's index for one thread, or none while an 8-bit code page is chosen: the records
// hold ID3v1 texts as ISO-8859-1 reads them, and reading them would switch the setting that
// other threads read by.
std::unique_ptr<TagIndex> indexForReading();
