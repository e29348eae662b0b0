// varnoli-cli import: a table's cells written into the files its rows name, as one batch.
#include "command_line.h"
#include "commands.h"

#include "features/table/table_import.h"
#include "platform/file_system.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <map>
#include <ostream>

namespace {

// The table the file holds; a usage error (exit 2) or an unreadable file (exit 1) gives nothing.
std::optional<TextTable> tableOf(const std::string& path, std::ostream& err, int& code)
{
    code = kExitUsage;
    const std::optional<TableFormat> format = tableFormatOf(path);
    if (!format)
        return usageError(err, "import", "'" + path + "' does not end in .csv, .tsv, .json or .jsonl");
    std::string text;
    try {
        text = platform::readWholeFile(path);
    } catch (const platform::IoError& e) {
        err << "varnoli-cli import: cannot read '" << path << "': " << e.what() << '\n';
        code = kExitFileFailed;
        return std::nullopt;
    }
    TextTable table;
    if (std::optional<std::string> problem = readTable(text, *format, table))
        return usageError(err, "import", "'" + path + "': " + *problem);
    return table;
}

bool saved(const FileSaveOutcome& file)
{
    const auto ok = [](const TagSaveStep& step) { return !step.result || !failed(*step.result); };
    return (file.v1.result || file.v2.result) && ok(file.v1) && ok(file.v2);
}

// "FILE: changed title, disc" for each file the save wrote.
void printChangedFiles(std::ostream& out, const ImportPlan& plan, const BatchSaveOutcome& outcome)
{
    std::map<std::string, std::string> columns;
    for (const CellChange& change : plan.changes) {
        std::string& names = columns[change.path];
        names += (names.empty() ? "" : ", ") + change.column.name;
    }
    for (const FileSaveOutcome& file : outcome.files)
        if (saved(file))
            printLine(out, file.path + ": changed " + columns[file.path]);
}

} // namespace

int cmdImport(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    int code = kExitOk;
    const std::optional<TextTable> table = tableOf(args.operands().front(), err, code);
    if (!table)
        return code;
    const std::string* base = args.value("--base");
    Tid3tag v1;
    Tid3v2tag v2;
    const ImportPlan plan = planImport(*table, base ? *base : std::string(), v1, v2);
    if (!plan.refused.empty()) {
        for (const std::string& line : plan.refused)
            printLine(err, "varnoli-cli import: " + line);
        err << "varnoli-cli import: nothing was written\n";
        return kExitUsage;
    }
    for (const std::string& line : plan.unmatched)
        printLine(err, "varnoli-cli import: " + line);
    code = plan.unmatched.empty() ? kExitOk : kExitFileFailed;
    if (args.has("--dry-run")) {
        for (const CellChange& change : plan.changes)
            printLine(out, changeLine(change));
        return code;
    }
    if (plan.changes.empty())
        return code;
    BatchSaveRequest request = importRequest(plan);
    request.explainFailures = true;
    BatchSaveOutcome outcome;
    const int saveCode = runSaveRequest(request, "import", err, &outcome);
    printChangedFiles(out, plan, outcome);
    return std::max(code, saveCode);
}
