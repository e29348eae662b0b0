// A line at the bottom of a terminal that says how far a long command has come.
#pragma once

#include "features/common/progress.h"

#include <chrono>
#include <ostream>
#include <string>
#include <utility>

// Rewritten in place; cleared before any other line is written, so messages never land
// inside it. Writes nothing at all unless enabled, as for output that is not a terminal.
class StatusLine {
public:
    StatusLine(std::ostream& out, bool enabled) : m_out(out), m_enabled(enabled) {}
    ~StatusLine() { clear(); }
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;

    void show(const std::string& text)
    {
        if (!m_enabled)
            return;
        m_out << '\r' << text << "\x1b[K" << std::flush;
        m_open = true;
    }
    void clear()
    {
        if (m_open)
            m_out << "\r\x1b[K" << std::flush;
        m_open = false;
    }

private:
    std::ostream& m_out;
    bool m_enabled;
    bool m_open = false;
};

// "set: 3 of 120 files" on a status line, once the command has taken `delay`, and then at
// most ten times a second; every step also goes on to `next`.
class CountProgress : public Progress {
public:
    using Clock = std::chrono::steady_clock;

    CountProgress(StatusLine& line, std::string verb, Progress& next,
                  Clock::duration delay = std::chrono::milliseconds(400))
        : m_line(line), m_verb(std::move(verb)), m_next(next), m_delay(delay)
    {
    }

    void begin(std::size_t total) override
    {
        m_total = total;
        m_start = Clock::now();
        m_last = m_start - std::chrono::seconds(1);
        m_next.begin(total);
    }
    void advance(std::size_t done, const std::string& current) override
    {
        const Clock::time_point now = Clock::now();
        if (now - m_start >= m_delay && now - m_last >= std::chrono::milliseconds(100)) {
            m_line.show(m_verb + ": " + std::to_string(done) + " of " + std::to_string(m_total) + " files");
            m_last = now;
        }
        m_next.advance(done, current);
    }
    void end() override
    {
        m_line.clear();
        m_next.end();
    }

private:
    StatusLine& m_line;
    std::string m_verb;
    Progress& m_next;
    Clock::duration m_delay;
    std::size_t m_total = 0;
    Clock::time_point m_start, m_last;
};
