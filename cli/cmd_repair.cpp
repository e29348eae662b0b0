// varnoli-cli repair: puts back files whose save was interrupted while it moved the audio or
// before it was done with them.
#include "command_line.h"
#include "commands.h"

#include "features/common/interrupted_saves.h"

#include <ostream>

int cmdRepair(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    int exitCode = kExitOk;
    for (const std::string& path : args.operands()) {
        const RepairOutcome outcome = repairInterruptedSave(path);
        printLine(outcome.repaired ? out : err, outcome.message);
        if (!outcome.repaired)
            exitCode = kExitFileFailed;
    }
    return exitCode;
}
