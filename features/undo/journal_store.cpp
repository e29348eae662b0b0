// The undo journal's folder of entries: beginning, listing, marking and pruning them.
#include "journal_store.h"

#include "journal_format.h"
#include "platform/file_system.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <tuple>

using namespace journalformat;

namespace {

// The ids found in the folder, with the suffixes present for each; with `sizes`, the size
// of each of their files by name too.
std::map<uint64_t, std::vector<std::string>> scan(const std::string& folder,
                                                  std::map<std::string, uint64_t>* sizes = nullptr)
{
    std::map<uint64_t, std::vector<std::string>> found;
    for (const platform::DirEntry& e :
         sizes ? platform::listDirectoryWithSizes(folder) : platform::listDirectory(folder)) {
        const std::size_t dot = e.name.find('.');
        if (e.isDirectory || dot == 0 || dot == std::string::npos ||
            e.name.find_first_not_of("0123456789") != dot || dot > 18)
            continue;
        found[std::stoull(e.name.substr(0, dot))].push_back(e.name.substr(dot));
        if (sizes)
            (*sizes)[e.name] = e.size;
    }
    return found;
}

std::string entryName(uint64_t id, const char* suffix)
{
    char name[32];
    std::snprintf(name, sizeof name, "%010llu", static_cast<unsigned long long>(id));
    return name + std::string(suffix);
}

bool has(const std::vector<std::string>& suffixes, const char* suffix)
{
    return std::find(suffixes.begin(), suffixes.end(), suffix) != suffixes.end();
}

} // namespace

std::string undoJournalFolder()
{
    return stateSubfolder("journal");
}

std::string JournalStore::path(uint64_t id, const char* suffix) const
{
    return m_folder + entryName(id, suffix);
}

std::string JournalStore::entryPath(uint64_t id) const
{
    const std::string finished = path(id, ".entry");
    return platform::pathExists(finished) ? finished : path(id, ".open");
}

bool JournalStore::isStoppedSave(uint64_t id) const
{
    if (m_folder.empty() || platform::pathExists(path(id, ".entry")))
        return false;
    // Its writer holds the open entry locked while it lives.
    std::optional<platform::File> open =
        platform::File::open(path(id, ".open"), platform::File::Mode::Read, nullptr, false);
    return open && open->lockForWriting(0);
}

std::vector<uint64_t> JournalStore::unsettledStoppedSaves() const
{
    std::vector<uint64_t> ids;
    const auto found = m_folder.empty() ? Listing() : scan(m_folder);
    for (auto it = found.rbegin(); it != found.rend(); ++it)
        if (has(it->second, ".open") && !has(it->second, ".entry") && !has(it->second, ".undone") &&
            !has(it->second, ".settled") && isStoppedSave(it->first))
            ids.push_back(it->first);
    return ids;
}

void JournalStore::settle(uint64_t id) const
{
    std::ignore = platform::File::createNew(path(id, ".settled"));
}

std::optional<platform::File> JournalStore::beginUndo(uint64_t id) const
{
    if (m_folder.empty())
        return std::nullopt;
    if (std::optional<platform::File> marker = platform::File::createNew(path(id, ".undoing")))
        return marker;
    // One left by an undo that was ended is taken over.
    std::optional<platform::File> left =
        platform::File::open(path(id, ".undoing"), platform::File::Mode::Read, nullptr, false);
    return left && left->lockForWriting(0) ? std::move(left) : std::nullopt;
}

void JournalStore::endUndo(uint64_t id) const
{
    platform::removeFile(path(id, ".undoing"));
}

std::vector<uint64_t> JournalStore::interruptedUndos() const
{
    std::vector<uint64_t> ids;
    const auto found = m_folder.empty() ? Listing() : scan(m_folder);
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        if (!has(it->second, ".undoing"))
            continue;
        std::optional<platform::File> marker =
            platform::File::open(path(it->first, ".undoing"), platform::File::Mode::Read, nullptr, false);
        if (marker && marker->lockForWriting(0))
            ids.push_back(it->first);
    }
    return ids;
}

std::vector<uint64_t> JournalStore::entryIds() const
{
    std::vector<uint64_t> ids;
    const auto found = scan(m_folder);
    for (auto it = found.rbegin(); it != found.rend(); ++it)
        if (!has(it->second, ".undone") && (has(it->second, ".entry") || has(it->second, ".open")))
            ids.push_back(it->first);
    return ids;
}

bool JournalStore::wasUndone(uint64_t id) const
{
    return !m_folder.empty() && platform::pathExists(path(id, ".undone"));
}

std::unique_ptr<JournalStore::Writer> JournalStore::begin(JournalKind kind, uint32_t files, std::string& why) const
{
    if (m_folder.empty()) {
        why = "there is no state folder (neither XDG_STATE_HOME nor HOME is set)";
        return nullptr;
    }
    if (!platform::makeFolders(m_folder.substr(0, m_folder.size() - 1))) {
        why = "the folder " + m_folder + " cannot be created";
        return nullptr;
    }
    // A save's entry is seen from its start, so that it is found when the save is stopped.
    const char* openSuffix = kind == JournalKind::Save ? ".open" : ".partial";
    // Every entry's size is taken with the listing, for the pruning.
    std::map<std::string, uint64_t> sizes;
    const auto found = scan(m_folder, &sizes);
    uint64_t id = found.empty() ? 1 : found.rbegin()->first + 1;
    // Another process may take the same id at the same moment: the exclusive create decides.
    for (int attempt = 0; attempt < 100; ++attempt, ++id) {
        std::string reason;
        if (platform::pathExists(path(id, ".entry")) || platform::pathExists(path(id, ".undone")))
            continue;
        std::optional<platform::File> file = platform::File::createNew(path(id, openSuffix), &reason);
        if (file) {
            auto writer =
                std::make_unique<Writer>(id, path(id, openSuffix), path(id, ".entry"), m_folder, std::move(*file));
            writer->putHeader(kind, files);
            if (kind == JournalKind::Save && !writer->flush(why))
                return nullptr;
            writer->m_keepUnfinished = kind == JournalKind::Save;
            prune(found, sizes);
            return writer;
        }
        if (platform::pathExists(path(id, openSuffix)))
            continue;
        why = m_folder + ": " + reason;
        return nullptr;
    }
    why = "no free entry name in " + m_folder;
    return nullptr;
}

void JournalStore::discard(uint64_t id) const
{
    forget(id);
    platform::removeFile(path(id, ".entry"));
    platform::removeFile(path(id, ".open"));
    platform::removeFile(path(id, ".settled"));
    platform::removeFile(path(id, ".undoing"));
}

bool JournalStore::markUndone(uint64_t id) const
{
    std::string why;
    {
        std::optional<platform::File> marker = platform::File::createNew(path(id, ".undone"), &why);
        if (!marker && !platform::pathExists(path(id, ".undone")))
            return false;
        if (marker) {
            try {
                marker->sync();
            } catch (const platform::IoError&) {
                return false;
            }
        }
    }
    platform::syncFolder(m_folder);
    discard(id);
    return true;
}

// `older` and `sizes` are the listing taken before the newest entry, which always stays, was opened.
void JournalStore::prune(const Listing& older, const std::map<std::string, uint64_t>& sizes) const
{
    std::size_t kept = 1, markers = 0;
    uint64_t bytes = 0;
    for (auto it = older.rbegin(); it != older.rend(); ++it) {
        const uint64_t id = it->first;
        if (has(it->second, ".undone")) {
            // Markers are kept only so that a second undo is refused; the newest few suffice.
            if (++markers > kMaxEntries)
                platform::removeFile(path(id, ".undone"));
            continue;
        }
        if (!has(it->second, ".entry") && !has(it->second, ".open"))
            continue;
        const auto sized = sizes.find(entryName(id, has(it->second, ".entry") ? ".entry" : ".open"));
        const uint64_t size = sized == sizes.end() ? 0 : sized->second;
        if (kept < kMaxEntries && bytes + size <= kMaxBytes) {
            ++kept;
            bytes += size;
            continue;
        }
        // Stop counting here: everything older goes too, so the kept entries stay the newest.
        kept = kMaxEntries;
        discard(id);
    }
}
