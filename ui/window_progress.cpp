// Shows how far a long command has come while it runs on the window's own thread.
#include "window_progress.h"

#include "qt_text.h"

#include <QFileInfo>
#include <QProgressDialog>

WindowProgress::WindowProgress(QWidget* owner, const QString& verb) : m_owner(owner), m_verb(verb) {}

WindowProgress::~WindowProgress() = default;

void WindowProgress::begin(std::size_t total)
{
    m_total = total;
    m_clock.start();
}

void WindowProgress::advance(std::size_t done, const std::string& current)
{
    if (!m_box && (current.empty() || m_clock.elapsed() < kDelayMs))
        return;
    if (!m_box) {
        m_box = std::make_unique<QProgressDialog>(m_owner);
        m_box->setObjectName(QStringLiteral("WindowProgress"));
        m_box->setWindowTitle(QStringLiteral("Varnoli"));
        m_box->setCancelButton(nullptr);
        m_box->setWindowModality(Qt::WindowModal);
        m_box->setMinimumDuration(0);
        m_box->setMinimumWidth(420);
        m_box->setMaximum(static_cast<int>(m_total));
    }
    const QString name = QFileInfo(pathText(current)).fileName();
    m_box->setLabelText(current.empty() ? QString()
                                        : QStringLiteral("%1 %2 of %3: %4")
                                              .arg(m_verb)
                                              .arg(done + 1)
                                              .arg(m_total)
                                              .arg(name));
    // setValue also lets the window repaint, since the command holds the event loop.
    m_box->setValue(static_cast<int>(done));
}

void WindowProgress::end()
{
    m_box.reset();
}
