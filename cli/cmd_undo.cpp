// varnoli-cli undo: takes back the last save or rename, or the one named, from the undo journal.
#include "command_line.h"
#include "commands.h"

#include "features/undo/undo.h"

#include <ostream>

namespace {

std::optional<uint64_t> parseId(const std::string& text)
{
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoull(text);
}

} // namespace

int cmdUndo(const CommandArgs& commandArgs, std::ostream& out, std::ostream& err)
{
    const JournalStore store(undoJournalFolder());
    const Args& args = commandArgs.operands();
    if (args.size() + (commandArgs.has("--list") ? 1 : 0) > 1) {
        usageError(err, "undo", "one entry at a time");
        return kExitUsage;
    }
    if (commandArgs.has("--list")) {
        for (const JournalEntry& e : store.entries())
            out << entryLine(e) << '\n';
        return kExitOk;
    }
    std::optional<uint64_t> id;
    if (args.size() == 1) {
        id = parseId(args[0]);
        if (!id) {
            usageError(err, "undo", "'" + args[0] + "' is not an entry number");
            return kExitUsage;
        }
    } else if (const std::optional<JournalEntry> last = lastEntry(store)) {
        id = last->id;
    } else {
        err << nothingToUndoText() << '\n';
        return kExitFileFailed;
    }
    const UndoReport report = undoEntry(store, *id);
    if (!report.undone && !report.kept) {
        printLine(err, report.refusal);
        return kExitFileFailed;
    }
    for (const std::string& line : report.leftAlone)
        printLine(err, line);
    out << (report.kept ? "Entry " : "Undone entry ") << *id << ": " << undoSummaryText(report) << '\n';
    return report.leftAlone.empty() ? kExitOk : kExitFileFailed;
}
