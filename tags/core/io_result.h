// Turns what the platform file layer reports into the result word of a load or save.
#pragma once

#include "platform/file_system.h"
#include "tags/core/tag_result.h"

inline TagResult resultFor(const platform::IoError& e)
{
    switch (e.kind()) {
    case platform::IoErrorKind::Read: return kErrRead;
    case platform::IoErrorKind::Write: return kErrWrite;
    case platform::IoErrorKind::Other: break;
    }
    return kErrIo;
}

// The reason given for a file another process keeps locked.
constexpr const char* kLockedByOtherText = "another program is writing it";

// What both tags' saves answer before opening the target: 0 when it may be written.
inline TagResult refusalFor(platform::SaveTarget target)
{
    switch (target) {
    case platform::SaveTarget::Missing: return kErrOpen;
    case platform::SaveTarget::Protected: return kErrReadOnly;
    case platform::SaveTarget::Writable: break;
    }
    return 0;
}
