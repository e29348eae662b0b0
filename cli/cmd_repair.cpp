// varnoli-cli repair: puts back files whose save was interrupted while it moved the audio.
#include "commands.h"

#include "features/common/interrupted_saves.h"

#include <ostream>

int cmdRepair(const Args& args, std::ostream& out, std::ostream& err)
{
    if (args.empty() || args[0].rfind("-", 0) == 0) {
        usageError(err, "repair", args.empty() ? "name at least one file" : "unknown option '" + args[0] + "'");
        return kExitUsage;
    }
    int exitCode = kExitOk;
    for (const std::string& path : args) {
        const RepairOutcome outcome = repairInterruptedSave(path);
        printLine(outcome.repaired ? out : err, outcome.message);
        if (!outcome.repaired)
            exitCode = kExitFileFailed;
    }
    return exitCode;
}
