// varnoli-cli strip: whole tags, pictures or frames taken out of many files in one undoable batch.
#include "command_line.h"
#include "commands.h"

#include "features/tagedit/batch_save.h"

#include <optional>
#include <ostream>

namespace {

std::optional<BatchSaveRequest> stripRequest(const CommandArgs& args, std::ostream& err)
{
    StripRequest strip;
    for (const auto& [name, value] : args.options()) {
        if (name == "--v1")
            strip.v1 = true;
        else if (name == "--v2")
            strip.v2 = true;
        else if (name == "--pictures")
            strip.pictures = true;
        else if (FrameKey key; parseFrameKey(value, key))
            strip.frames.push_back(key);
        else
            return usageError(err, "strip", "'" + value + "' names no frame (TXXX:desc, COMM::eng, APIC, ...)");
    }
    if (!strip.v1 && !strip.touchesV2())
        return usageError(err, "strip", "name what to remove: --v1, --v2, --pictures or --frame KEY");
    BatchSaveRequest request;
    request.saveV1 = strip.v1;
    request.saveV2 = strip.touchesV2();
    request.files = args.operands();
    request.recordForUndo = true;
    request.explainFailures = true;
    request.strip = std::move(strip);
    return request;
}

// A line per file the strip reached and did not fail on: what it removed, or that it had nothing to.
std::vector<std::string> strippedTexts(const BatchSaveOutcome& outcome)
{
    std::vector<std::string> texts;
    for (const FileSaveOutcome& file : outcome.files) {
        const bool refused = (file.v1.result && failed(*file.v1.result)) || (file.v2.result && failed(*file.v2.result));
        if (!file.reached || (file.changes.empty() && refused))
            continue;
        std::string text = file.changes.empty() ? "nothing to remove" : "removed ";
        for (std::size_t i = 0; i < file.changes.size(); ++i)
            text += (i ? ", " : "") + file.changes[i];
        texts.push_back(file.path + ": " + text);
    }
    return texts;
}

} // namespace

int cmdStrip(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    const std::optional<BatchSaveRequest> request = stripRequest(args, err);
    if (!request)
        return kExitUsage;
    BatchSaveOutcome outcome;
    const int code = runSaveRequest(*request, "strip", err, &outcome);
    for (const std::string& line : strippedTexts(outcome))
        printLine(out, line);
    return code;
}
