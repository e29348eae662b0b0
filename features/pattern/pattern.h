// Patterns that build a text from named fields: a file's new name, or a field's new value.
//
// "{name}" stands for any named field, in any letter case; "{name:02}" pads a number with zeros
// to two digits; "{upper:name}", "{lower:name}", "{title:name}", "{left:N:name}" and
// "{replace:name:OLD:NEW}" change the value; "[...]" is dropped whole when a field inside it is
// empty; "\" takes the next character as it stands. A count "n/total" (track, disc) gives n.
#pragma once

#include "features/common/named_fields.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct PatternPart {
    enum class Kind { Text, Field, Optional } kind = Kind::Text;
    std::string text;                   // Text: the literal
    const NamedField* field = nullptr;  // Field
    std::string function;               // "", "upper", "lower", "title", "left", "replace"
    std::size_t number = 0;             // padding digits, or left's count
    std::string from, to;               // replace's texts
    std::vector<PatternPart> inner;     // Optional
};

struct Pattern {
    std::vector<PatternPart> parts;
    bool makesFolders() const; // a "/" outside every field
};

// The pattern, or nothing with `problem` saying why: a brace or bracket not closed, a name
// that is no field, an unknown function or a bad count.
std::optional<Pattern> parsePattern(const std::string& text, std::string& problem);

// A field's value for the file the pattern is expanded for.
using FieldLookup = std::function<Utf8Text(const NamedField&)>;

enum class PatternUse {
    Name, // a "/" in a value becomes "-", a control character a space
    Text, // values as they are
};

Utf8Text expandPattern(const Pattern& pattern, const FieldLookup& lookup, PatternUse use);

// The pattern the seven position boxes and the delimiter make: "{artist} - {title}".
std::string positionsPattern(const std::vector<const NamedField*>& positions, const std::string& delimiter,
                             std::size_t trackDigits);
