// Reads actions from words and writes them back as a line.
#include "action_words.h"

#include "features/common/named_texts.h"

namespace {

std::optional<std::vector<const NamedField*>> fieldList(const std::string& list, std::string& problem)
{
    std::vector<const NamedField*> fields;
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string name = list.substr(start, comma - start);
        const NamedField* field = fieldNamedOrCaptioned(name);
        if (!field) {
            problem = "--fields: '" + name + "' is no field's name";
            return std::nullopt;
        }
        fields.push_back(field);
        start = comma + 1;
    }
    return fields;
}

std::optional<CaseChange> caseNamed(const std::string& name)
{
    if (name == "upper")
        return CaseChange::Upper;
    if (name == "lower")
        return CaseChange::Lower;
    if (name == "title")
        return CaseChange::Title;
    if (name == "sentence")
        return CaseChange::Sentence;
    return std::nullopt;
}

// The word's values: how many follow it, and whether it names the action.
struct Word {
    const char* name;
    std::size_t values;
    bool isAction;
    Action::Kind kind;
};
constexpr Word kWords[] = {
    {"--fields", 1, false, Action::Kind::Trim},  {"--per-folder", 0, false, Action::Kind::Number},
    {"--case", 1, true, Action::Kind::Case},     {"--replace", 2, true, Action::Kind::Replace},
    {"--regex", 2, true, Action::Kind::Regex},   {"--trim", 0, true, Action::Kind::Trim},
    {"--number", 0, true, Action::Kind::Number}, {"--set-from", 1, true, Action::Kind::SetFrom},
};

bool takeValue(Action& action, const std::string& word, const std::vector<std::string>& v, std::string& problem)
{
    if (word == "--fields") {
        std::optional<std::vector<const NamedField*>> fields = fieldList(v[0], problem);
        action.fields = fields ? *fields : action.fields;
        return fields.has_value();
    }
    if (word == "--case") {
        const std::optional<CaseChange> change = caseNamed(v[0]);
        action.caseChange = change.value_or(CaseChange::Title);
        problem = change ? "" : "--case: upper, lower, title or sentence, not '" + v[0] + "'";
        return change.has_value();
    }
    if (word == "--set-from") {
        action.pattern = parsePattern(v[0], problem);
        problem = action.pattern ? "" : "--set-from: " + problem;
        return action.pattern.has_value();
    }
    action.perFolder = action.perFolder || word == "--per-folder";
    if (v.size() == 2) {
        action.from = v[0];
        action.to = v[1];
    }
    return true;
}

bool compileRegex(Action& action, std::string& problem)
{
    try {
        action.regex = std::make_shared<const std::regex>(action.from, std::regex::ECMAScript);
        return true;
    } catch (const std::regex_error& e) {
        problem = "--regex: '" + action.from + "' does not compile: " + e.what();
        return false;
    }
}

// Without --fields an action changes the titles; --set-from fills one field.
bool checkAction(Action& action, bool hasKind, std::string& problem)
{
    std::string why;
    if (!hasKind)
        why = "no action: --case, --replace, --regex, --trim, --number or --set-from";
    else if (action.kind == Action::Kind::SetFrom && action.fields.size() > 1)
        why = "--set-from fills one field, not " + std::to_string(action.fields.size());
    else if (action.kind == Action::Kind::Replace && action.from.empty())
        why = "--replace: the text to replace is empty";
    if (!why.empty()) {
        problem = why;
        return false;
    }
    if (action.fields.empty())
        action.fields = {namedField("title")};
    return action.kind != Action::Kind::Regex || compileRegex(action, problem);
}

} // namespace

std::optional<Action> parseActionWords(const std::vector<std::string>& words, std::string& problem)
{
    Action action;
    action.words = words;
    bool hasKind = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const Word* word = nullptr;
        for (const Word& w : kWords)
            word = words[i] == w.name ? &w : word;
        if (!word) {
            problem = "'" + words[i] + "' is no word of an action";
            return std::nullopt;
        }
        if (word->isAction && hasKind) {
            problem = "one action a line: " + words[i] + " follows another";
            return std::nullopt;
        }
        if (word->values > 0 && i + word->values >= words.size()) {
            problem = words[i] + " needs " + (word->values == 2 ? "two values" : "a value");
            return std::nullopt;
        }
        const std::vector<std::string> values(words.begin() + static_cast<long>(i) + 1,
                                              words.begin() + static_cast<long>(i + 1 + word->values));
        hasKind = hasKind || word->isAction;
        action.kind = word->isAction ? word->kind : action.kind;
        if (!takeValue(action, words[i], values, problem))
            return std::nullopt;
        i += word->values;
    }
    return checkAction(action, hasKind, problem) ? std::optional<Action>(std::move(action)) : std::nullopt;
}

std::optional<std::vector<std::string>> splitLine(const std::string& line)
{
    std::vector<std::string> words;
    for (std::size_t at = 0; at < line.size();) {
        if (line[at] == ' ' || line[at] == '\t') {
            ++at;
            continue;
        }
        std::string word;
        bool quoted = false;
        for (; at < line.size() && (quoted || (line[at] != ' ' && line[at] != '\t')); ++at) {
            if (line[at] == '"')
                quoted = !quoted;
            else if (quoted && line[at] == '\\' && at + 1 < line.size() && (line[at + 1] == '"' || line[at + 1] == '\\'))
                word += line[++at];
            else
                word += line[at];
        }
        if (quoted)
            return std::nullopt;
        words.push_back(word);
    }
    return words;
}

std::string joinLine(const std::vector<std::string>& words)
{
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty())
            line += ' ';
        if (!word.empty() && word.find_first_of(" \t\"\\#") == std::string::npos) {
            line += word;
            continue;
        }
        line += '"';
        for (const char c : word)
            line += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
        line += '"';
    }
    return line;
}
