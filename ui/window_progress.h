// Shows how far a long command has come while it runs on the window's own thread.
#pragma once

#include "features/common/progress.h"

#include <QElapsedTimer>
#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

// A modal progress box that appears only once a command has run for a moment, so a quick
// save of one file shows nothing at all. Its label reads "<verb> <done+1> of <total>: <item>".
class WindowProgress : public Progress {
public:
    WindowProgress(QWidget* owner, const QString& verb);
    ~WindowProgress() override;

    void begin(std::size_t total) override;
    void advance(std::size_t done, const std::string& current) override;
    void end() override;

    // How long a command runs before the box appears.
    static constexpr int kDelayMs = 400;

private:
    QWidget* m_owner;
    QString m_verb;
    std::size_t m_total = 0;
    QElapsedTimer m_clock;
    std::unique_ptr<QProgressDialog> m_box;
};
