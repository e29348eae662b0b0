// Opens a file once for the loads of both its tags.
#include "tags/file/read_session.h"

#include "tags/core/io_result.h"

ReadSession::ReadSession(const std::string& path) : m_path(path)
{
    bool lockedByOther = false;
    m_file = platform::File::openLockedForReading(path, m_failureReason, lockedByOther);
    // A save in another process may be moving the audio: it is waited for, up to a point.
    if (lockedByOther)
        m_failureReason = kLockedByOtherText;
}
