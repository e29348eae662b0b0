// The health checks of a file and of an album: each one's name, severity, why it matters and fix.
#pragma once

#include "features/check/fix_target.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class Severity : uint8_t { Error, Warning, Info };
// "error", "warning", "info".
const char* severityName(Severity s);

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
