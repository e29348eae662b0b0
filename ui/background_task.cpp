// Runs a piece of the window's work on a thread of its own.
#include "background_task.h"

#include "qt_text.h"

#include <QThread>

#include <algorithm>

namespace {

constexpr int kHandOverMs = 50;
int quietWaitMs = 50;

// The claims of the running tasks; only the window's thread reads or changes them.
struct HeldClaim {
    std::string path;
    const BackgroundTask* task;
    bool reads;
};
std::vector<HeldClaim>& heldClaims()
{
    static std::vector<HeldClaim> claims;
    return claims;
}

void release(const BackgroundTask* task)
{
    std::vector<HeldClaim>& claims = heldClaims();
    claims.erase(std::remove_if(claims.begin(), claims.end(), [task](const HeldClaim& c) { return c.task == task; }),
                 claims.end());
}

bool startsWith(const std::string& text, const std::string& head)
{
    return text.size() >= head.size() && text.compare(0, head.size(), head) == 0;
}

bool meet(const std::string& a, const std::string& b)
{
    return a == b || (!a.empty() && a.back() == '/' && startsWith(b, a)) ||
           (!b.empty() && b.back() == '/' && startsWith(a, b));
}

} // namespace

class BackgroundTask::TaskProgress : public Progress {
public:
    explicit TaskProgress(const std::atomic<bool>& cancel) : m_cancel(cancel) {}
    void begin(std::size_t total) override { m_total = total; }
    void advance(std::size_t done, const std::string& current) override
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_done = done;
        m_current = current;
    }
    bool cancelled() const override { return m_cancel; }

    void read(qulonglong& done, qulonglong& total, std::string& current)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        done = m_done;
        total = m_total;
        current = m_current;
    }

private:
    const std::atomic<bool>& m_cancel;
    std::atomic<std::size_t> m_total{0};
    std::mutex m_mutex;
    std::size_t m_done = 0;
    std::string m_current;
};

BackgroundTask::BackgroundTask(QObject* parent)
    : QObject(parent), m_progress(std::make_unique<TaskProgress>(m_cancel))
{
    m_tick.setInterval(kHandOverMs);
    connect(&m_tick, &QTimer::timeout, this, &BackgroundTask::deliver);
}

BackgroundTask::~BackgroundTask()
{
    m_cancel = true;
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
    release(this);
}

int BackgroundTask::quietMs() { return quietWaitMs; }
void BackgroundTask::setQuietMs(int ms) { quietWaitMs = ms; }

Progress& BackgroundTask::progress() { return *m_progress; }

bool BackgroundTask::held(const std::vector<std::string>& claims, bool reader)
{
    for (const std::string& mine : claims)
        for (const HeldClaim& theirs : heldClaims())
            if (!(reader && theirs.reads) && meet(mine, theirs.path))
                return true;
    return false;
}

bool BackgroundTask::start(Work work, std::vector<std::string> claims, bool reads)
{
    if (running() || held(claims, reads))
        return false;
    for (std::string& claim : claims)
        heldClaims().push_back({std::move(claim), this, reads});
    m_cancel = false;
    m_progress = std::make_unique<TaskProgress>(m_cancel);
    m_shownDone = qulonglong(-1);
    m_thread = QThread::create([this, work = std::move(work)] { work(*this); });
    // A run ended early by finishWithin must not end the next one.
    const quint64 run = ++m_run;
    connect(m_thread, &QThread::finished, this, [this, run] { if (run == m_run) end(); }, Qt::QueuedConnection);
    m_thread->start();
    m_tick.start();
    return true;
}

bool BackgroundTask::finishWithin(int ms)
{
    if (!m_thread)
        return true;
    if (!m_thread->wait(QDeadlineTimer(ms)))
        return false;
    end();
    return true;
}

void BackgroundTask::post(std::function<void()> fn)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_pending.push_back(std::move(fn));
}

void BackgroundTask::deliver()
{
    std::vector<std::function<void()>> due;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        due.swap(m_pending);
    }
    for (const std::function<void()>& fn : due)
        fn();
    qulonglong done = 0, total = 0;
    std::string current;
    m_progress->read(done, total, current);
    if (done != m_shownDone) {
        m_shownDone = done;
        emit progressed(done, total, pathText(current));
    }
}

void BackgroundTask::end()
{
    if (!m_thread)
        return; // already ended by finishWithin
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_tick.stop();
    deliver();
    release(this);
    emit finished();
}
