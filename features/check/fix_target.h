// What a check's fix is handed: one file's tags, loaded again under the save's lock.
#pragma once

#include <string>

class Tid3tag;
class Tid3v2tag;

// One file's tags as a fix finds them, loaded again under the save's lock; a fix marks the
// tags it changed for writing.
struct FixTarget {
    Tid3tag& v1;
    bool hasV1;
    Tid3v2tag& v2;
    bool hasV2;
    bool writeV1 = false, writeV2 = false;
};
// Changes the loaded tags; `value` is what the check found the file should hold (an album's
// year), when it says. False when there was nothing it could change.
using FixFunction = bool (*)(FixTarget& tags, const std::string& value);
