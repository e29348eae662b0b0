// Plans actions over the fields of many files and turns the plan into one batch save.
#include "actions.h"

#include "features/common/tag_fields.h"
#include "features/common/text_case.h"
#include "tags/id3v2/id3v2.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <tuple>

namespace {

using Values = std::map<const NamedField*, Utf8Text>;

struct FileState {
    std::string path;
    Values before, now;
    bool read = false;
};

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string collapsedSpaces(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const bool space = c == ' ' || c == '\t';
        if (space && (out.empty() || out.back() == ' '))
            continue;
        out += space ? ' ' : c;
    }
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::string replacedAll(std::string value, const std::string& from, const std::string& to)
{
    for (std::size_t at = 0; (at = value.find(from, at)) != std::string::npos; at += to.size())
        value.replace(at, from.size(), to);
    return value;
}

std::string cased(const std::string& text, CaseChange change)
{
    switch (change) {
    case CaseChange::Upper: return upperText(text);
    case CaseChange::Lower: return lowerText(text);
    case CaseChange::Title: return titleCase(text, defaultCaseExceptions());
    case CaseChange::Sentence: return sentenceCase(text, defaultCaseExceptions());
    }
    return text;
}

Utf8Text& valueOf(FileState& file, const NamedField& field, Tid3v2tag& v2)
{
    // One load per file: every field it has is read at its first use.
    if (!file.read) {
        std::ignore = readV2Fields(file.path, v2);
        for (const NamedField& f : namedFields())
            file.before[&f] = joinedValues(readField(v2, f));
        file.read = true;
    }
    const auto found = file.now.find(&field);
    return found != file.now.end() ? found->second : file.now[&field] = file.before.at(&field);
}

std::string transformed(const Action& action, const std::string& value, FileState& file, Tid3v2tag& v2)
{
    switch (action.kind) {
    case Action::Kind::Case: return cased(value, action.caseChange);
    case Action::Kind::Replace: return replacedAll(value, action.from, action.to);
    case Action::Kind::Regex: return std::regex_replace(value, *action.regex, action.to);
    case Action::Kind::Trim: return collapsedSpaces(value);
    case Action::Kind::SetFrom:
        return expandPattern(*action.pattern, [&](const NamedField& f) { return valueOf(file, f, v2); },
                             PatternUse::Text);
    case Action::Kind::Number: break;
    }
    return value;
}

// Track "n/total" by the files' order, each folder from 1 when asked; a disc from the folder's name.
void numberTracks(const Action& action, std::vector<FileState>& files, Tid3v2tag& v2)
{
    std::map<std::string, std::size_t> totals, seen;
    for (const FileState& file : files)
        ++totals[action.perFolder ? folderOf(file.path) : std::string()];
    for (FileState& file : files) {
        const std::string group = action.perFolder ? folderOf(file.path) : std::string();
        valueOf(file, namedField(TagField::Track), v2) =
            std::to_string(++seen[group]) + "/" + std::to_string(totals[group]);
        const std::string folder = folderOf(file.path);
        const std::optional<unsigned> disc = discOfFolder(folder.substr(folder.rfind('/') + 1));
        if (const NamedField* discField = namedField("disc"); disc && discField)
            valueOf(file, *discField, v2) = std::to_string(*disc);
    }
}

void applyAction(const Action& action, std::vector<FileState>& files, Tid3v2tag& v2, std::vector<std::string>& problems)
{
    if (action.kind == Action::Kind::Number)
        return numberTracks(action, files, v2);
    for (FileState& file : files)
        for (const NamedField* field : action.fields) {
            Utf8Text& value = valueOf(file, *field, v2);
            try {
                value = transformed(action, value, file, v2);
            } catch (const std::regex_error& e) {
                problems.push_back("'" + file.path + "': the regular expression failed on the " + field->name +
                                   ": " + e.what());
            }
        }
}

} // namespace

std::optional<unsigned> discOfFolder(const std::string& folderName)
{
    static const std::regex disc(R"((?:^|[^a-z])(?:cd|dis[ck])[ _-]?0*([0-9]{1,3})(?:$|[^0-9a-z]))", std::regex::icase);
    std::smatch match;
    if (!std::regex_search(folderName, match, disc))
        return std::nullopt;
    return static_cast<unsigned>(std::stoul(match[1].str()));
}

ActionPlan planActions(const std::vector<Action>& actions, const std::vector<std::string>& files, Tid3v2tag& v2)
{
    std::vector<FileState> states;
    std::set<std::string> seen;
    for (const std::string& path : files)
        if (seen.insert(path).second)
            states.push_back({path, {}, {}, false});
    ActionPlan plan;
    for (const Action& action : actions)
        applyAction(action, states, v2, plan.problems);
    for (const FileState& file : states)
        for (const NamedField& field : namedFields()) {
            const auto now = file.now.find(&field);
            if (now == file.now.end() || now->second == file.before.at(&field))
                continue;
            plan.changes.push_back({file.path, &field, file.before.at(&field), now->second});
            if (const std::optional<std::string> refusal = refusedFieldText(field, now->second))
                plan.problems.push_back("'" + file.path + "': " + *refusal);
        }
    return plan;
}

BatchSaveRequest actionRequest(const ActionPlan& plan)
{
    BatchSaveRequest request;
    request.saveV1 = false;
    request.saveV2 = true;
    request.recordForUndo = true;
    for (const FieldChange& change : plan.changes) {
        if (request.files.empty() || request.files.back() != change.path) {
            request.files.push_back(change.path);
            request.perFile.emplace_back();
        }
        request.perFile.back().v2.edits.push_back({change.field, {}, change.after});
    }
    return request;
}
