// The records of a listing's files, through the tag index.
#include "indexed_files.h"

#include "features/encoding/eight_bit_text.h"
#include "features/show/show_files.h"

namespace {

constexpr std::size_t kBatch = 4096;

} // namespace

UnreadableFolders forEachRecordOf(TagIndex& index, const std::string& path, bool subfolders,
                                  const RecordVisitor& visit)
{
    std::vector<std::string> batch;
    const auto flush = [&] {
        for (const IndexRecord& record : index.lookup(batch))
            visit(record);
        batch.clear();
    };
    UnreadableFolders unreadable = forEachFileOf(path, subfolders, [&](const std::string& file) {
        batch.push_back(file);
        if (batch.size() == kBatch)
            flush();
    });
    flush();
    return unreadable;
}

std::unique_ptr<TagIndex> indexForReading()
{
    if (!eightBitCodePage().empty())
        return nullptr;
    auto index = std::make_unique<TagIndex>();
    return index->isOpen() ? std::move(index) : nullptr;
}
