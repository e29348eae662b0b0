// Actions over chosen fields of many files: letter case, replacing, trimming, numbering and
// values from patterns, planned first as a list of changes and saved as one batch.
#pragma once

#include "features/common/named_fields.h"
#include "features/pattern/pattern.h"
#include "features/tagedit/batch_save.h"

#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

class Tid3v2tag;

enum class CaseChange { Upper, Lower, Title, Sentence };

struct Action {
    enum class Kind { Case, Replace, Regex, Trim, Number, SetFrom } kind = Kind::Trim;
    std::vector<const NamedField*> fields; // the fields it changes; Number: track and disc
    CaseChange caseChange = CaseChange::Title;
    std::string from, to;                    // Replace's texts; Regex's expression and replacement
    std::shared_ptr<const std::regex> regex; // Regex, compiled when the action was made
    bool perFolder = false;                  // Number: each folder from 1
    std::optional<Pattern> pattern;          // SetFrom
    std::vector<std::string> words;          // the action as written, for a recipe's line
};

// One field of one file that the actions change.
struct FieldChange {
    std::string path;
    const NamedField* field = nullptr;
    Utf8Text before, after;
};

struct ActionPlan {
    std::vector<FieldChange> changes; // in file order, then field order
    std::vector<std::string> problems; // values their fields refuse, one line each
};

// The disc a folder's name gives: "CD2", "Disc 2", "disk02" give 2; nothing for another name.
std::optional<unsigned> discOfFolder(const std::string& folderName);

// What the actions, one after the other, make of each file's ID3v2 fields. Nothing is saved.
ActionPlan planActions(const std::vector<Action>& actions, const std::vector<std::string>& files, Tid3v2tag& v2);

// The batch save of the plan's changes into the ID3v2 tags, journaled for undo. Check
// plan.problems first: a plan with problems is never saved.
BatchSaveRequest actionRequest(const ActionPlan& plan);
