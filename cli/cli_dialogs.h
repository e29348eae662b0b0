// The window's questions and messages as varnoli-cli gives them: lines on stderr, and every
// question answered Yes, since a command line already says what to do.
#pragma once

#include "commands.h"

#include "features/common/dialogs.h"
#include "features/common/progress.h"
#include "status_line.h"

#include <ostream>
#include <string>

class CliDialogs : public Dialogs {
public:
    explicit CliDialogs(std::ostream& err) : m_err(err) {}

    // The file a plain message is about; such texts ("Error #256! ...") do not name it.
    void setSubject(const std::string& path) { m_subject = path; }
    // A progress line to clear before each message.
    void setStatusLine(StatusLine* line) { m_status = line; }

    void message(const std::string& text) override
    {
        printLine(line(), (m_subject.empty() ? "" : m_subject + ": ") + text);
    }
    void info(const std::string& text) override { printLine(line(), text); }
    void error(const std::string& text) override { printLine(line(), text); }
    Answer confirm(const std::string&) override { return Yes; }

private:
    std::ostream& line()
    {
        if (m_status)
            m_status->clear();
        return m_err;
    }
    std::ostream& m_err;
    std::string m_subject;
    StatusLine* m_status = nullptr;
};

// Keeps the dialogs' subject on the file a walk has reached.
class SubjectProgress : public Progress {
public:
    explicit SubjectProgress(CliDialogs& dialogs) : m_dialogs(dialogs) {}
    void advance(std::size_t, const std::string& current) override { m_dialogs.setSubject(current); }

private:
    CliDialogs& m_dialogs;
};
