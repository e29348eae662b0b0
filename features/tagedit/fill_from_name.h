// Fills tag fields from file names by a pattern such as "{track} - {artist} - {title}".
//
// Fields stand in braces, in any letter case; any other text must be in the name as it
// stands. Matching runs left to right over the name without ".mp3": each field takes the
// shortest text, at least one character, that reaches the next literal; a field at the end
// takes all the rest, and a pattern that ends in a literal must end the name. So with
// "{artist} - {title}", "A - B - C" gives the artist "A" and the title "B - C".
#pragma once

#include "batch_save.h"

#include "features/common/named_texts.h"

#include <optional>
#include <string>
#include <vector>

struct NamePattern {
    struct Piece {
        const NamedField* field = nullptr; // null: `literal` must match
        std::string literal;
    };
    std::vector<Piece> pieces;
};

// The pattern, or nothing with `problem` saying why: a brace not closed, a name in braces
// that is no field, a field named twice, two fields with no text between them, no field.
std::optional<NamePattern> parseNamePattern(const std::string& text, std::string& problem);

// What one file's name gives.
struct NameFill {
    std::string path;
    bool matched = false;
    std::string why;        // why it did not match
    std::string problem;    // the same as a line naming the file
    FieldFlags present{};   // the fields the pattern names
    FieldTexts values;      // their texts; a track as a plain number, "03" as "3"
    NamedTexts more;        // the named fields beyond the seven, in pattern order; a disc as a track
};

// The text the fill gives the field; empty when the pattern does not name it.
Utf8Text filledText(const NameFill& fill, const NamedField& field);

// Why the fills cannot be saved as asked, in words, before any file is touched: a field beyond
// the seven when the ID3v2 tag is not saved, or a value its field refuses (a disc "x").
std::optional<std::string> refusedFills(const NamePattern& pattern, const std::vector<NameFill>& fills, bool saveV2);

NameFill fillFromName(const std::string& path, const NamePattern& pattern);
std::vector<NameFill> fillFromNames(const std::vector<std::string>& paths, const NamePattern& pattern);

// The batch save of the matched files, each with its own fields enabled, into the tags
// asked for, the fields beyond the seven as edits of the ID3v2 tag. An ID3v1 genre not in the
// genre list is left as the file has it.
BatchSaveRequest fillRequest(const std::vector<NameFill>& fills, bool saveV1, bool saveV2);
