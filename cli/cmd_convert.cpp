// varnoli-cli convert: each file's ID3v2 tag saved as version 2.3 or 2.4, its frames mapped.
#include "command_line.h"
#include "commands.h"

#include "features/tagedit/batch_save.h"

#include <ostream>

int cmdConvert(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    const std::string& to = *args.value("--to");
    if (to != "2.3" && to != "2.4") {
        usageError(err, "convert", "--to takes 2.3 or 2.4, not '" + to + "'");
        return kExitUsage;
    }
    BatchSaveRequest request;
    request.saveV1 = false;
    request.files = args.operands();
    request.recordForUndo = true;
    request.explainFailures = true;
    request.convertTo = static_cast<uint8_t>(to == "2.3" ? 3 : 4);
    BatchSaveOutcome outcome;
    const int code = runSaveRequest(request, "convert", err, &outcome);
    for (const FileSaveOutcome& file : outcome.files) {
        if (!file.reached || (file.v2.result && failed(*file.v2.result)))
            continue;
        if (file.changes.empty()) {
            printLine(out, file.path + ": no ID3v2 tag, or one of version " + to + " already; left alone");
            continue;
        }
        if (!file.v2.result || failed(*file.v2.result))
            continue;
        std::string line = file.path + ": converted " + file.changes.front();
        for (std::size_t i = 1; i < file.changes.size(); ++i)
            line += (i == 1 ? ": " : "; ") + file.changes[i];
        printLine(out, line);
    }
    return code;
}
