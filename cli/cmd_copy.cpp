// varnoli-cli copy: the seven fields of each file from one of its tags into the other.
#include "command_line.h"
#include "commands.h"

#include "features/tagedit/copy_tags.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <ostream>

int cmdCopy(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    const std::string& to = *args.value("--to");
    if (to != "v1" && to != "v2") {
        usageError(err, "copy", "--to takes v1 or v2, not '" + to + "'");
        return kExitUsage;
    }
    const CopyTarget target = to == "v1" ? CopyTarget::V1 : CopyTarget::V2;
    Tid3tag v1;
    Tid3v2tag v2;
    const TagCopyPlan plan = planTagCopy(args.operands(), target, v1, v2);
    for (const std::string& line : plan.missed)
        printLine(err, "varnoli-cli copy: " + line);
    BatchSaveOutcome outcome;
    const int code = plan.request.files.empty() ? kExitOk : runSaveRequest(plan.request, "copy", err, &outcome);
    const char* what = target == CopyTarget::V1 ? ": copied the ID3v2 fields into the ID3v1 tag"
                                                : ": copied the ID3v1 fields into the ID3v2 tag";
    for (const FileSaveOutcome& file : outcome.files) {
        const TagSaveStep& step = target == CopyTarget::V1 ? file.v1 : file.v2;
        if (step.result && !failed(*step.result))
            printLine(out, file.path + what);
    }
    return plan.missed.empty() ? code : kExitFileFailed;
}
