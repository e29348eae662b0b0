// Parses and expands the patterns that build names and values from named fields.
#include "pattern.h"

#include "features/common/text_case.h"

#include <algorithm>

namespace {

struct Parser {
    const std::string& text;
    std::size_t at = 0;
    std::string problem;

    bool fail(const std::string& why)
    {
        problem = why;
        return false;
    }
    bool parts(std::vector<PatternPart>& out, bool inOptional);
    bool field(PatternPart& part);
};

bool allDigits(const std::string& s)
{
    return !s.empty() && s.size() <= 3 && s.find_first_not_of("0123456789") == std::string::npos;
}

std::vector<std::string> splitColons(const std::string& s)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t colon; (colon = s.find(':', start)) != std::string::npos; start = colon + 1)
        pieces.push_back(s.substr(start, colon - start));
    pieces.push_back(s.substr(start));
    return pieces;
}

// "name", "name:02", "upper:name", "left:N:name", "replace:name:OLD:NEW".
bool fieldSpec(const std::vector<std::string>& p, PatternPart& part, std::string& name)
{
    const std::string& head = p[0];
    if (p.size() == 1 || (p.size() == 2 && allDigits(p[1]))) {
        name = head;
        part.number = p.size() == 2 ? std::stoul(p[1]) : 0;
    } else if ((head == "upper" || head == "lower" || head == "title") && p.size() == 2) {
        part.function = head;
        name = p[1];
    } else if (head == "left" && p.size() == 3 && allDigits(p[1])) {
        part.function = head;
        part.number = std::stoul(p[1]);
        name = p[2];
    } else if (head == "replace" && p.size() == 4 && !p[2].empty()) {
        part.function = head;
        name = p[1];
        part.from = p[2];
        part.to = p[3];
    } else {
        return false;
    }
    return true;
}

bool Parser::field(PatternPart& part)
{
    const std::size_t close = text.find('}', at);
    if (close == std::string::npos)
        return fail("a '{' without its '}'");
    const std::string spec = text.substr(at, close - at);
    at = close + 1;
    std::string name;
    if (!fieldSpec(splitColons(spec), part, name))
        return fail("'{" + spec + "}' is no field: {name}, {name:02}, {upper:name}, {lower:name}, "
                    "{title:name}, {left:N:name} or {replace:name:OLD:NEW}");
    part.kind = PatternPart::Kind::Field;
    part.field = namedField(name);
    return part.field ? true : fail("'" + name + "' in '{" + spec + "}' is no field's name");
}

bool Parser::parts(std::vector<PatternPart>& out, bool inOptional)
{
    while (at < text.size()) {
        const char c = text[at++];
        PatternPart part;
        if (c == '{') {
            if (!field(part))
                return false;
        } else if (c == '[') {
            part.kind = PatternPart::Kind::Optional;
            if (!parts(part.inner, true))
                return false;
        } else if (c == ']') {
            return inOptional ? true : fail("a ']' without its '['");
        } else if (c == '}') {
            return fail("a '}' without its '{'");
        } else {
            const char literal = c == '\\' && at < text.size() ? text[at++] : c;
            if (!out.empty() && out.back().kind == PatternPart::Kind::Text) {
                out.back().text += literal;
                continue;
            }
            part.text = std::string(1, literal);
        }
        out.push_back(std::move(part));
    }
    return inOptional ? fail("a '[' without its ']'") : true;
}

// A control character would split a listing's line, a "/" make a folder.
std::string nameSafe(std::string value)
{
    for (char& c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    std::replace(value.begin(), value.end(), '/', '-');
    return value;
}

std::string replaced(std::string value, const std::string& from, const std::string& to)
{
    for (std::size_t at = 0; (at = value.find(from, at)) != std::string::npos; at += to.size())
        value.replace(at, from.size(), to);
    return value;
}

// The first `n` characters, never cutting one in two.
std::string leftChars(const std::string& value, std::size_t n)
{
    std::size_t at = 0;
    for (std::size_t count = 0; at < value.size() && count < n; ++count)
        do
            ++at;
        while (at < value.size() && (static_cast<unsigned char>(value[at]) & 0xC0) == 0x80);
    return value.substr(0, at);
}

std::string fieldText(const PatternPart& part, const FieldLookup& lookup, PatternUse use)
{
    std::string value = lookup(*part.field);
    // A track "3/12" is track 3 wherever a pattern puts it.
    if (part.field->seven == TagField::Track || part.field->rule == FieldRule::Count)
        value = value.substr(0, value.find('/'));
    if (part.function.empty() && part.number > value.size() && allDigits(value))
        value.insert(0, part.number - value.size(), '0');
    if (part.function == "upper")
        value = upperText(value);
    else if (part.function == "lower")
        value = lowerText(value);
    else if (part.function == "title")
        value = titleCase(value, defaultCaseExceptions());
    else if (part.function == "left")
        value = leftChars(value, part.number);
    else if (part.function == "replace")
        value = replaced(value, part.from, part.to);
    return use == PatternUse::Name ? nameSafe(value) : value;
}

// Nothing when a field inside is empty, so its optional part is dropped.
std::optional<std::string> expanded(const std::vector<PatternPart>& parts, const FieldLookup& lookup, PatternUse use,
                                    bool optional)
{
    std::string out;
    for (const PatternPart& part : parts) {
        if (part.kind == PatternPart::Kind::Text) {
            out += part.text;
        } else if (part.kind == PatternPart::Kind::Optional) {
            out += expanded(part.inner, lookup, use, true).value_or(std::string());
        } else {
            const std::string value = fieldText(part, lookup, use);
            if (value.empty() && optional)
                return std::nullopt;
            out += value;
        }
    }
    return out;
}

bool slashOutsideFields(const std::vector<PatternPart>& parts)
{
    return std::any_of(parts.begin(), parts.end(), [](const PatternPart& part) {
        return (part.kind == PatternPart::Kind::Text && part.text.find('/') != std::string::npos) ||
               slashOutsideFields(part.inner);
    });
}

} // namespace

bool Pattern::makesFolders() const
{
    return slashOutsideFields(parts);
}

std::optional<Pattern> parsePattern(const std::string& text, std::string& problem)
{
    Parser parser{text, 0, {}};
    Pattern pattern;
    if (!parser.parts(pattern.parts, false)) {
        problem = parser.problem;
        return std::nullopt;
    }
    return pattern;
}

Utf8Text expandPattern(const Pattern& pattern, const FieldLookup& lookup, PatternUse use)
{
    return expanded(pattern.parts, lookup, use, false).value_or(std::string());
}

std::string positionsPattern(const std::vector<const NamedField*>& positions, const std::string& delimiter,
                             std::size_t trackDigits)
{
    std::string pattern;
    for (const NamedField* field : positions) {
        if (!field)
            continue;
        if (!pattern.empty())
            for (const char c : delimiter)
                pattern += std::string(std::string("{}[]\\").find(c) != std::string::npos ? "\\" : "") + c;
        const bool count = field->seven == TagField::Track || field->rule == FieldRule::Count;
        pattern += std::string("{") + field->name +
                   (count && trackDigits > 0 ? ":" + std::to_string(trackDigits) : std::string()) + "}";
    }
    return pattern;
}
