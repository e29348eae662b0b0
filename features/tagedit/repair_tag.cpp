// Repairs damaged ID3v2 tags as one batch save.
#include "repair_tag.h"

BatchSaveOutcome repairDamagedTags(const std::vector<std::string>& files, Tid3tag& v1, Tid3v2tag& v2,
                                   Dialogs& dialogs, Progress& progress, bool recordForUndo)
{
    BatchSaveRequest request;
    request.saveV1 = false;
    request.files = files;
    request.recordForUndo = recordForUndo;
    request.repairDamaged = true;
    return runBatchSave(request, v1, v2, dialogs, progress);
}

std::string repairDamagedTag(const std::string& path, Tid3tag& v1, Tid3v2tag& v2, Dialogs& dialogs,
                             bool recordForUndo)
{
    const BatchSaveOutcome outcome = repairDamagedTags({path}, v1, v2, dialogs, noProgress(), recordForUndo);
    if (outcome.files.empty() || outcome.files.front().changes.empty())
        return {};
    const TagSaveStep& step = outcome.files.front().v2;
    return step.result && !failed(*step.result) ? outcome.files.front().changes.front() : std::string();
}
