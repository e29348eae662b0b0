// The window's batches run on a worker, each ending in one summary of what failed.
#include "form1.h"

#include "window_task.h"

#include "features/tagedit/batch_save.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

BatchSaveOutcome TForm1::saveInBackground(const BatchSaveRequest& request, const QString& verb)
{
    BatchSaveOutcome outcome;
    GatheredMessages messages;
    const bool ran = runWindowTask(this, m_dialogs, verb, request.files, messages, [&](Progress& progress) {
        // The worker's own tag objects: the window's may be read meanwhile.
        Tid3tag v1;
        Tid3v2tag v2;
        outcome = runBatchSave(request, v1, v2, messages, progress);
    });
    if (!ran)
        outcome.stopped = true;
    const std::vector<std::string> lines = messages.lines();
    showSummary(m_dialogs, lines.size() > 1 ? std::to_string(lines.size()) + " problems:" : std::string(), lines);
    return outcome;
}

bool TForm1::readInBackground(const QString& verb, std::vector<std::string> files, const FileRead& read)
{
    GatheredMessages messages;
    bool cancelled = false;
    const bool ran = runWindowTask(this, m_dialogs, verb, std::move(files), messages, [&](Progress& progress) {
        Tid3tag v1;
        Tid3v2tag v2;
        read(progress, v1, v2);
        cancelled = progress.cancelled();
    }, true);
    return ran && !cancelled;
}
