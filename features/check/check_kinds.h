// The health checks of a file and of an album: each one's name, severity, why it matters and fix.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class Tid3tag;
class Tid3v2tag;

enum class Severity : uint8_t { Error, Warning, Info };
// "error", "warning", "info".
const char* severityName(Severity s);

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

struct CheckKind {
    const char* name; // snake_case, stable: scripts filter on it
    Severity severity;
    const char* why;  // why it matters, for people
    FixFunction fix;  // null: no fix is offered
    const char* fixText; // what the fix did, for people
};

// Every check, file checks first, then album checks.
const std::vector<CheckKind>& checkKinds();
// The check named so; null for another name.
const CheckKind* checkKind(std::string_view name);

// One thing wrong with a file.
struct Problem {
    const CheckKind* kind = nullptr;
    std::string text;     // what is wrong here, then why it matters
    std::string fixValue; // for the fix, when the check worked one out
    bool fixable() const { return kind->fix != nullptr; }
};

struct FileReport {
    std::string path;
    std::vector<Problem> problems;
    bool hasError() const;
};

// Adds the problem `name` names with `detail` (what is wrong in this file) to the report.
void addProblem(FileReport& report, std::string_view name, const std::string& detail, std::string fixValue = {});
