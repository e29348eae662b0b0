// One file opened and locked for reading once, for the loads of both its tags.
#pragma once

#include "platform/file_system.h"

#include <optional>
#include <string>

class ReadSession {
public:
    // Opens the file, waiting for a save in another process to finish. A file that cannot
    // be opened is kept as the reason, which each load through the session then reports.
    // The path is not copied: it must outlive the session.
    explicit ReadSession(const std::string& path);
    explicit ReadSession(std::string&&) = delete;
    ReadSession(const ReadSession&) = delete;
    ReadSession& operator=(const ReadSession&) = delete;

    const std::string& path() const { return m_path; }
    // Null when the open failed.
    const platform::File* file() const { return m_file ? &*m_file : nullptr; }
    const std::string& failureReason() const { return m_failureReason; }

private:
    const std::string& m_path;
    std::optional<platform::File> m_file;
    std::string m_failureReason;
};
