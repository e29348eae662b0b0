// Turns a failure of the platform file layer into the result word of a load or save.
#pragma once

#include "platform/file_system.h"
#include "tag_result.h"

inline TagResult resultFor(const platform::IoError& e)
{
    switch (e.kind()) {
    case platform::IoErrorKind::Read: return kErrRead;
    case platform::IoErrorKind::Write: return kErrWrite;
    case platform::IoErrorKind::Other: break;
    }
    return kErrIo;
}
