// varnoli-cli check: what is wrong with each file and album, as lines or JSON, and the fixes.
#include "check_encoding.h"
#include "command_line.h"
#include "commands.h"
#include "json_lines.h"

#include "features/check/check_run.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <map>
#include <ostream>

namespace {

using FixedTexts = std::map<std::string, std::vector<std::string>>;

void printText(std::ostream& out, const FileReport& report, const std::vector<std::string>* fixed)
{
    for (const Problem& p : report.problems)
        printLine(out, report.path + ": " + severityName(p.kind->severity) + ": " + p.kind->name + ": " + p.text);
    if (fixed)
        for (const std::string& change : *fixed)
            printLine(out, report.path + ": fixed: " + change);
}

void printJson(std::ostream& out, const FileReport& report, const std::vector<std::string>* fixed)
{
    std::string problems;
    for (const Problem& p : report.problems) {
        JsonObject o;
        std::string text;
        appendJsonUtf8(text, p.text);
        o.text("check", p.kind->name).text("severity", severityName(p.kind->severity)).raw("text", text);
        problems += (problems.empty() ? "" : ", ") + o.boolean("fixable", p.fixable()).str();
    }
    JsonObject line;
    line.path("file", report.path).raw("problems", "[" + problems + "]");
    if (fixed) {
        std::string changes;
        for (const std::string& change : *fixed) {
            changes += changes.empty() ? "" : ", ";
            appendJsonUtf8(changes, change);
        }
        line.raw("fixed", "[" + changes + "]");
    }
    out << line.str() << '\n';
}

// Applies the fixes, journaled as one batch; what each file got, and the save's exit code.
int applyFixes(const std::vector<FileReport>& reports, std::ostream& err, FixedTexts& fixed)
{
    BatchSaveRequest request = fixRequest(reports);
    if (request.files.empty())
        return kExitOk;
    request.explainFailures = true;
    BatchSaveOutcome outcome;
    const int code = runSaveRequest(request, "check", err, &outcome);
    for (const FileSaveOutcome& file : outcome.files) {
        const bool refused = (file.v1.result && failed(*file.v1.result)) || (file.v2.result && failed(*file.v2.result));
        if (file.reached && !refused)
            fixed[file.path] = file.changes;
    }
    return code;
}

} // namespace

int cmdCheck(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    if (args.has("--encoding"))
        return checkEncoding(args, out, err);
    const bool json = args.has("--json");
    UnreadableFolders unreadable;
    const std::vector<std::string> files = filesToCheck(args.operands(), args.has("--recursive"), unreadable);
    const bool anyUnreadable = reportUnreadable(err, "check", unreadable);
    Tid3tag v1;
    Tid3v2tag v2;
    const std::vector<FileReport> reports = checkFiles(files, v1, v2);
    FixedTexts fixed;
    const int fixCode = args.has("--fix") ? applyFixes(reports, err, fixed) : kExitOk;
    bool anyError = anyUnreadable || fixCode != kExitOk;
    for (const FileReport& report : reports) {
        const auto it = fixed.find(report.path);
        const std::vector<std::string>* changes = it == fixed.end() ? nullptr : &it->second;
        (json ? printJson : printText)(out, report, changes);
        anyError |= report.hasError();
    }
    out.flush();
    return anyError ? kExitFileFailed : kExitOk;
}
