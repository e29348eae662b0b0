// Runs a piece of the window's work on a thread of its own, with a cancel flag, progress and
// results handed to the window's thread, and the files it works on held from other tasks.
#pragma once

#include "features/common/progress.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QThread;

class BackgroundTask : public QObject {
    Q_OBJECT
public:
    // Runs on the worker; reads `progress().cancelled()` between items.
    using Work = std::function<void(BackgroundTask& task)>;

    explicit BackgroundTask(QObject* parent = nullptr);
    // Cancels a running work and waits for it, so nothing it hands over arrives later.
    ~BackgroundTask() override;

    // Starts `work` holding `claims`: paths, or folders ending in "/" that hold every path
    // below them. False, and nothing starts, when a running task holds one of them or this
    // task still runs. A task that only `reads` is kept only from files a writing task holds.
    bool start(Work work, std::vector<std::string> claims = {}, bool reads = false);
    bool running() const { return m_thread != nullptr; }
    void cancel() { m_cancel = true; }
    bool cancelRequested() const { return m_cancel; }
    // Waits up to `ms` without handling events; when the work ended, delivers what it handed
    // over and `finished` now, and gives true.
    bool finishWithin(int ms);

    // The progress the work reports to; its cancelled() is the cancel flag.
    Progress& progress();
    // From the worker: runs `fn` on the window's thread, in order, batched every ~50 ms.
    void post(std::function<void()> fn);

    // How long a caller waits for a task before it shows progress and goes on (50 ms); tests
    // that check results at once raise it.
    static int quietMs();
    static void setQuietMs(int ms);

    // Whether a running task holds a claim that meets one of these; for a `reader`, a task
    // that writes.
    static bool held(const std::vector<std::string>& claims, bool reader = false);

signals:
    // How far the work has come; sent at most every ~50 ms.
    void progressed(qulonglong done, qulonglong total, const QString& current);
    void finished();

private:
    class TaskProgress;
    void deliver();
    void end();

    QThread* m_thread = nullptr;
    std::atomic<bool> m_cancel{false};
    std::unique_ptr<TaskProgress> m_progress;
    QTimer m_tick;
    std::mutex m_mutex;
    std::vector<std::function<void()>> m_pending;
    qulonglong m_shownDone = qulonglong(-1);
    quint64 m_run = 0;
};
