// The files this process saved or renamed, for the tag index.
#include "written_files.h"

#include "features/index/tag_index.h"
#include "platform/file_system.h"
#include "tags/file/tag_file.h"

#include <atomic>
#include <mutex>

namespace {

std::mutex keptLock;
WrittenFiles kept;
std::atomic<bool> keeping{false};

void noteSaving(const std::string& path)
{
    const std::lock_guard<std::mutex> lock(keptLock);
    kept.saved.push_back(path);
}

} // namespace

void keepWrittenFiles()
{
    keeping = true;
    TagFile::setSavingHook(noteSaving);
}

void noteRenamed(const std::string& from, const std::string& to)
{
    if (!keeping)
        return;
    const std::lock_guard<std::mutex> lock(keptLock);
    kept.renamed.emplace_back(from, to);
}

WrittenFiles takeWrittenFiles()
{
    const std::lock_guard<std::mutex> lock(keptLock);
    WrittenFiles taken = std::move(kept);
    kept = WrittenFiles();
    return taken;
}

void tellIndex(TagIndex& index, const WrittenFiles& files)
{
    for (const auto& [from, to] : files.renamed)
        index.renamed(from, to);
    index.update(files.saved);
}

void tellIndexOfWrittenFiles()
{
    const WrittenFiles written = takeWrittenFiles();
    const std::string file = TagIndex::defaultFile();
    if (written.empty() || file.empty() || !platform::fileExists(file))
        return;
    TagIndex index(file);
    tellIndex(index, written);
}
