// Reads tag fields out of file names by a pattern, and turns them into a batch save.
#include "fill_from_name.h"

#include "features/common/tag_fields.h"
#include "features/common/text.h"
#include "tags/id3v1/id3.h"

#include <algorithm>

namespace {

std::string quoted(const std::string& text)
{
    return "'" + text + "'";
}

// The name without its folder and without ".mp3".
std::string stem(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (isMp3Name(name))
        name.resize(name.size() - 4);
    return name;
}

// "03" as "3", "3/12" as "3/12"; nothing for a track that is no number.
std::optional<std::string> trackNumber(const std::string& text)
{
    const std::size_t slash = text.find('/');
    const std::string number = text.substr(0, slash);
    if (number.empty() || number.size() > 9 || number.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    if (slash != std::string::npos && text.find_first_not_of("0123456789", slash + 1) != std::string::npos)
        return std::nullopt;
    return std::to_string(std::stol(number)) + (slash == std::string::npos ? "" : text.substr(slash));
}

void fillField(NameFill& fill, const NamedField& field, const std::string& text)
{
    if (field.seven) {
        fill.present[fieldIndex(*field.seven)] = true;
        fill.values[fieldIndex(*field.seven)] = text;
        return;
    }
    // A disc "02" is saved as 2, as a track is; anything else is left for its field to refuse.
    const std::optional<std::string> number = field.rule == FieldRule::Count ? trackNumber(text) : std::nullopt;
    fill.more.emplace_back(&field, number ? *number : text);
}

} // namespace

std::optional<NamePattern> parseNamePattern(const std::string& text, std::string& problem)
{
    NamePattern pattern;
    std::vector<const NamedField*> named;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t open = text.find('{', at);
        if (open != at) {
            const std::string literal = text.substr(at, open - at);
            if (literal.find('}') != std::string::npos) {
                problem = "a '}' without its '{'";
                return std::nullopt;
            }
            pattern.pieces.push_back({nullptr, literal});
            at = open == std::string::npos ? text.size() : open;
            continue;
        }
        const std::size_t close = text.find('}', open);
        if (close == std::string::npos) {
            problem = "a '{' without its '}'";
            return std::nullopt;
        }
        const std::string name = text.substr(open + 1, close - open - 1);
        const NamedField* field = namedField(name);
        if (!field)
            problem = quoted("{" + name + "}") + " is none of {artist}, {title}, {album}, {year}, {genre}, "
                      "{comment}, {track} nor a named field such as {albumartist} or {disc}";
        else if (std::find(named.begin(), named.end(), field) != named.end())
            problem = quoted("{" + name + "}") + " is named twice";
        else if (!pattern.pieces.empty() && pattern.pieces.back().field)
            problem = "two fields need some text between them";
        if (!field || !problem.empty())
            return std::nullopt;
        named.push_back(field);
        pattern.pieces.push_back({field, {}});
        at = close + 1;
    }
    if (named.empty()) {
        problem = "the pattern names no field";
        return std::nullopt;
    }
    return pattern;
}

NameFill fillFromName(const std::string& path, const NamePattern& pattern)
{
    NameFill fill;
    fill.path = path;
    const std::string name = stem(path);
    const auto noMatch = [&](const std::string& why) {
        fill.why = why;
        fill.problem = quoted(path) + " does not match the pattern: " + why + ".";
        return fill;
    };
    if (!isMp3Name(path))
        return noMatch("the name does not end in .mp3");
    std::size_t at = 0;
    for (std::size_t i = 0; i < pattern.pieces.size(); ++i) {
        const NamePattern::Piece& piece = pattern.pieces[i];
        if (!piece.field) {
            if (name.compare(at, piece.literal.size(), piece.literal) != 0)
                return noMatch(quoted(piece.literal) + " is not where the pattern has it");
            at += piece.literal.size();
            continue;
        }
        const bool last = i + 1 == pattern.pieces.size();
        const std::size_t end = last || at == name.size() ? name.size() : name.find(pattern.pieces[i + 1].literal, at + 1);
        if (end == std::string::npos || end == at)
            return noMatch(std::string("no text for {") + (piece.field->seven ? piece.field->caption : piece.field->name) +
                           "}");
        fillField(fill, *piece.field, name.substr(at, end - at));
        at = end;
    }
    if (at != name.size())
        return noMatch(quoted(name.substr(at)) + " is left over at the end");
    const std::size_t track = fieldIndex(TagField::Track);
    if (fill.present[track]) {
        const std::optional<std::string> number = trackNumber(fill.values[track]);
        if (!number)
            return noMatch("the track " + quoted(fill.values[track]) + " is not a number");
        fill.values[track] = *number;
    }
    if (!isUtf8(name))
        return noMatch("the name is not UTF-8 text");
    fill.matched = true;
    return fill;
}

std::vector<NameFill> fillFromNames(const std::vector<std::string>& paths, const NamePattern& pattern)
{
    std::vector<NameFill> fills;
    for (const std::string& path : paths)
        fills.push_back(fillFromName(path, pattern));
    return fills;
}

Utf8Text filledText(const NameFill& fill, const NamedField& field)
{
    if (field.seven)
        return fill.values[fieldIndex(*field.seven)];
    const Utf8Text* text = textOf(fill.more, field);
    return text ? *text : Utf8Text();
}

std::optional<std::string> refusedFills(const NamePattern& pattern, const std::vector<NameFill>& fills, bool saveV2)
{
    for (const NamePattern::Piece& piece : pattern.pieces)
        if (piece.field && !piece.field->seven && !saveV2)
            return std::string("an ID3v1 tag has no ") + piece.field->name + ", and the ID3v2 tag is not saved";
    for (const NameFill& fill : fills)
        for (const auto& [field, text] : fill.more)
            if (std::optional<std::string> refusal = fill.matched ? refusedFieldText(*field, text) : std::nullopt)
                return quoted(fill.path) + ": " + *refusal;
    return std::nullopt;
}

BatchSaveRequest fillRequest(const std::vector<NameFill>& fills, bool saveV1, bool saveV2)
{
    BatchSaveRequest request;
    request.saveV1 = saveV1;
    request.saveV2 = saveV2;
    request.recordForUndo = true;
    for (const NameFill& fill : fills) {
        if (!fill.matched)
            continue;
        FileSaveFields fields;
        for (TagField f : kAllFields) {
            if (!fill.present[fieldIndex(f)])
                continue;
            const Utf8Text& value = fill.values[fieldIndex(f)];
            fields.v2[f] = {true, value};
            if (f == TagField::Genre) {
                fields.v1.genreIndex = genreListIndex(value);
                fields.v1.genreEnabled = fields.v1.genreIndex > 0;
            } else if (f == TagField::Track) {
                fields.v1[f] = {true, value.substr(0, value.find('/'))};
            } else {
                fields.v1[f] = {true, value};
            }
        }
        for (const auto& [field, text] : fill.more)
            fields.v2.edits.push_back({field, {}, text});
        request.files.push_back(fill.path);
        request.perFile.push_back(fields);
    }
    return request;
}
