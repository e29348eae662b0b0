// Runs a batch of the window on a worker behind a progress box with Cancel.
#include "window_task.h"

#include "background_task.h"

#include "features/index/written_files.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>

#include <exception>
#include <memory>

namespace {


// Tells the messages of the file the batch starts, then passes on.
class NamingProgress : public Progress {
public:
    NamingProgress(Progress& inner, GatheredMessages& messages) : m_inner(inner), m_messages(messages) {}
    void begin(std::size_t total) override { m_inner.begin(total); }
    void advance(std::size_t done, const std::string& current) override
    {
        m_messages.setCurrent(current);
        m_inner.advance(done, current);
    }
    void end() override { m_inner.end(); }
    bool cancelled() const override { return m_inner.cancelled(); }

private:
    Progress& m_inner;
    GatheredMessages& m_messages;
};

std::unique_ptr<QProgressDialog> progressBox(QWidget* owner, BackgroundTask& task, const QString& verb)
{
    auto box = std::make_unique<QProgressDialog>(owner);
    box->setObjectName(QStringLiteral("WindowProgress"));
    box->setWindowTitle(QStringLiteral("Varnoli"));
    box->setWindowModality(Qt::WindowModal);
    box->setAutoClose(false);
    box->setAutoReset(false);
    box->setMinimumDuration(0);
    box->setMinimumWidth(420);
    QProgressDialog* shown = box.get();
    QObject::connect(shown, &QProgressDialog::canceled, &task, [&task, shown] {
        task.cancel();
        shown->setLabelText(QStringLiteral("Stopping after this file..."));
    });
    QObject::connect(&task, &BackgroundTask::progressed, shown,
                     [shown, verb, &task](qulonglong done, qulonglong total, const QString& current) {
                         if (task.cancelRequested() || current.isEmpty())
                             return;
                         shown->setMaximum(static_cast<int>(total));
                         shown->setValue(static_cast<int>(done));
                         shown->setLabelText(QStringLiteral("%1 %2 of %3: %4")
                                                 .arg(verb).arg(done + 1).arg(total)
                                                 .arg(QFileInfo(current).fileName()));
                     });
    box->show();
    return box;
}

} // namespace

GatheredMessages::Answer GatheredMessages::confirm(const std::string& text)
{
    add(text);
    return No;
}

void GatheredMessages::setCurrent(const std::string& path)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!path.empty())
        m_current = path;
}

std::vector<std::string> GatheredMessages::lines() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

void GatheredMessages::add(const std::string& text)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const bool named = m_current.empty() || text.find(m_current) != std::string::npos;
    m_lines.push_back(named ? text : "'" + m_current + "': " + text);
}

void showSummary(WindowDialogs& dialogs, const std::string& heading, const std::vector<std::string>& lines)
{
    if (lines.empty())
        return;
    std::string text = heading;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    dialogs.error(text);
}

bool runWindowTask(QWidget* owner, WindowDialogs& dialogs, const QString& verb, std::vector<std::string> files,
                   GatheredMessages& messages, const std::function<void(Progress&)>& work, bool reads)
{
    BackgroundTask task;
    std::exception_ptr failure;
    const bool started = task.start([&work, &messages, &failure](BackgroundTask& t) {
        NamingProgress naming(t.progress(), messages);
        try {
            work(naming);
            tellIndexOfWrittenFiles();
        } catch (...) {
            failure = std::current_exception(); // raised again on the window's thread
        }
    }, std::move(files), reads);
    if (!started) {
        dialogs.error(QStringLiteral("Another task is still working on these files. Wait for it to end, "
                                     "or cancel it, and try again."));
        return false;
    }
    if (!task.finishWithin(BackgroundTask::quietMs())) {
        const std::unique_ptr<QProgressDialog> box = progressBox(owner, task, verb);
        // The box is window-modal, so this loop takes no click on the window.
        QEventLoop loop;
        QObject::connect(&task, &BackgroundTask::finished, &loop, &QEventLoop::quit);
        if (task.running())
            loop.exec();
    }
    if (failure)
        std::rethrow_exception(failure);
    return true;
}
