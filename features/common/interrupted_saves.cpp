// Start-up's report of interrupted saves, and their repair, over the tag engine's records.
#include "interrupted_saves.h"

#include "features/undo/journal_store.h"
#include "features/undo/undo.h"
#include "platform/file_system.h"
#include "tags/file/move_record.h"

namespace {

// The moves, then the files that saves killed between their two tags left half saved.
std::vector<std::string> textsOf(const std::vector<InterruptedMove>& moves)
{
    std::vector<std::string> texts;
    for (const InterruptedMove& move : moves)
        texts.push_back(interruptedMoveText(move));
    const std::string journal = undoJournalFolder();
    if (!journal.empty() && platform::directoryExists(journal))
        for (const HalfSavedFile& file : halfSavedFiles(JournalStore(journal)))
            texts.push_back(halfSavedText(file));
    return texts;
}

} // namespace

std::vector<std::string> interruptedSaveTexts()
{
    return textsOf(interruptedMoves());
}

std::vector<std::string> interruptedSavePaths()
{
    std::vector<std::string> paths;
    for (const InterruptedMove& move : interruptedMoves())
        paths.push_back(move.path);
    const std::string journal = undoJournalFolder();
    if (!journal.empty() && platform::directoryExists(journal))
        for (const HalfSavedFile& file : halfSavedFiles(JournalStore(journal)))
            paths.push_back(file.path);
    return paths;
}

std::string interruptedSavesMessage()
{
    const std::vector<std::string> texts = interruptedSaveTexts();
    std::string message;
    for (const std::string& text : texts)
        message += (message.empty() ? "" : "\n\n") + text;
    return message;
}

std::vector<std::string> tidyStateFolder()
{
    platform::ignoreFileSizeLimitSignal();
    const std::string state = platform::stateFolder();
    if (state.empty() || !platform::directoryExists(state))
        return {};
    platform::makePrivateFolders(state);
    for (const platform::DirEntry& e : platform::listDirectory(state))
        if (e.isDirectory)
            platform::makePrivateFolders(state + e.name);
    // A journal file still being written is held locked by its writer.
    platform::removeAbandonedFiles(undoJournalFolder(), ".partial");
    return textsOf(removeMoveLeftovers());
}

RepairOutcome repairInterruptedSave(const std::string& path)
{
    const std::string journal = undoJournalFolder();
    if (!journal.empty() && platform::directoryExists(journal))
        if (std::optional<MoveRepair> halfSave = repairHalfSave(JournalStore(journal), path))
            return *halfSave;
    return repairInterruptedMove(path);
}
