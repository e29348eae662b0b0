// Fills tag fields from file names by a pattern such as "{track} - {artist} - {title}".
//
// Fields stand in braces, in any letter case; any other text must be in the name as it
// stands. Matching runs left to right over the name without ".mp3": each field takes the
// shortest text, at least one character, that reaches the next literal; a field at the end
// takes all the rest, and a pattern that ends in a literal must end the name. So with
// "{artist} - {title}", "A - B - C" gives the artist "A" and the title "B - C".
#pragma once

#include "batch_save.h"

#include <optional>
#include <string>
#include <vector>

struct NamePattern {
    struct Piece {
        std::optional<TagField> field; // none: `literal` must match
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
};

NameFill fillFromName(const std::string& path, const NamePattern& pattern);
std::vector<NameFill> fillFromNames(const std::vector<std::string>& paths, const NamePattern& pattern);

// The batch save of the matched files, each with its own fields enabled, into the tags
// asked for. An ID3v1 genre not in the genre list is left as the file has it.
BatchSaveRequest fillRequest(const std::vector<NameFill>& fills, bool saveV1, bool saveV2);
