// A batch of the window (a save, a rename, an undo) run on a worker: the window keeps
// painting behind a progress box with Cancel, and the batch's messages end as one summary.
#pragma once

#include "window_dialogs.h"

#include <QString>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

class Progress;
class QWidget;

// Gathers a worker's messages, each naming the file the batch was at when the text does not.
class GatheredMessages : public Dialogs {
public:
    void message(const std::string& text) override { add(text); }
    void info(const std::string& text) override { add(text); }
    void error(const std::string& text) override { add(text); }
    // Nothing can be asked from a worker.
    Answer confirm(const std::string& text) override;

    void setCurrent(const std::string& path);
    std::vector<std::string> lines() const;

private:
    void add(const std::string& text);
    mutable std::mutex m_mutex;
    std::string m_current;
    std::vector<std::string> m_lines;
};

// The heading and one line each, shown in one box (the box keeps to the screen's height).
void showSummary(WindowDialogs& dialogs, const std::string& heading, const std::vector<std::string>& lines);

// Runs `work` on a worker holding `files` (paths, or folders ending in "/"); it reports to the
// progress it is given, which also tells its messages which file they concern. A quick batch
// shows nothing; a longer one a window-modal box with "<verb> N of M: name" and Cancel, so
// the window paints and takes no click that could meet the batch. False, after saying why,
// when another task holds one of the files.
// A work that only `reads` the files may run beside others that read them.
bool runWindowTask(QWidget* owner, WindowDialogs& dialogs, const QString& verb, std::vector<std::string> files,
                   GatheredMessages& messages, const std::function<void(Progress&)>& work, bool reads = false);
