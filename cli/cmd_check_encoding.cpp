// varnoli-cli check --encoding and fix-encoding: texts written in a legacy code page, shown and fixed.
#include "check_encoding.h"
#include "command_line.h"
#include "commands.h"
#include "json_lines.h"

#include "features/encoding/code_page_guess.h"
#include "features/encoding/misread_texts.h"
#include "features/show/show_files.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <functional>
#include <ostream>

namespace {

std::string fieldName(const SuspectText& text)
{
    return std::string(text.v1 ? "v1 " : "") + text.field->name;
}

std::string problemJson(const FileSuspects& file, const SuspectText& text)
{
    std::string value;
    appendJsonUtf8(value, text.after);
    std::string field;
    appendJsonUtf8(field, fieldName(text));
    std::string codePage;
    appendJsonUtf8(codePage, file.codePage);
    return JsonObject()
        .raw("check", "\"encoding\"")
        .raw("severity", "\"warning\"")
        .raw("field", field)
        .raw("codepage", codePage)
        .number("confidence", file.confidence)
        .raw("text", value)
        .boolean("fixable", text.writable)
        .str();
}

std::string checkLine(const FileSuspects& file, const SuspectText& text)
{
    return suspectLine(file, text) + ", " + std::to_string(file.confidence) + "% sure" +
           (text.writable ? "" : "; ID3v1 keeps its bytes");
}

// Reads every file a path stands for; false when a file or a folder could not be read.
bool forEachSuspects(const CommandArgs& args, const char* command, std::ostream& err, bool subfolders,
                     const std::function<void(const FileSuspects&)>& visit)
{
    const std::optional<std::string> from = args.has("--from") ? codePageNamed(*args.value("--from")) : std::nullopt;
    Tid3tag v1;
    Tid3v2tag v2;
    bool ok = true;
    for (const std::string& path : args.operands())
        ok &= !reportUnreadable(err, command, forEachFileOf(path, subfolders, [&](const std::string& file) {
            const FileSuspects suspects = findSuspectTexts(file, from, v1, v2);
            if (suspects.missing) {
                printLine(err, "varnoli-cli " + std::string(command) + ": " + file + ": no such file");
                ok = false;
                return;
            }
            visit(suspects);
        }));
    return ok;
}

} // namespace

int checkEncoding(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    const bool json = args.has("--json");
    const bool ok = forEachSuspects(args, "check", err, args.has("--recursive"), [&](const FileSuspects& file) {
        std::string problems;
        for (const SuspectText& text : file.texts) {
            problems += (problems.empty() ? "" : ", ") + problemJson(file, text);
            if (!json)
                printLine(out, checkLine(file, text));
        }
        if (json)
            printLine(out, JsonObject().path("file", file.path).raw("problems", "[" + problems + "]").str());
    });
    return ok ? kExitOk : kExitFileFailed;
}

int cmdFixEncoding(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    if (args.has("--from") && !codePageNamed(*args.value("--from"))) {
        usageError(err, "fix-encoding", "'" + *args.value("--from") + "' names no code page this system converts");
        return kExitUsage;
    }
    std::vector<FileSuspects> files;
    const bool ok = forEachSuspects(args, "fix-encoding", err, false, [&](const FileSuspects& file) {
        for (const SuspectText& text : file.texts)
            printLine(text.writable ? out : err, suspectLine(file, text) +
                                                     (text.writable ? "" : ": left as it is; ID3v1 keeps its 8-bit "
                                                                           "bytes unless --v1-codepage names the "
                                                                           "code page to write"));
        files.push_back(file);
    });
    BatchSaveRequest request = encodingFixRequest(files);
    request.explainFailures = true;
    if (args.has("--dry-run") || request.files.empty())
        return ok ? kExitOk : kExitFileFailed;
    const int code = runSaveRequest(request, "fix-encoding", err);
    return ok ? code : kExitFileFailed;
}
