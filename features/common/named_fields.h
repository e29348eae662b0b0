// Every field people name, the seven first: the frame that holds it, how its value is
// checked, and reading and writing it; and changes to any frame by its key.
#pragma once

#include "features/common/tag_fields.h"
#include "tags/core/utf8_text.h"
#include "tags/id3v2/id3v2_frame_kinds.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Tid3v2tag;

// What a value must look like.
enum class FieldRule : uint8_t {
    Text,
    Lines,     // text whose line breaks are kept
    Count,     // "n" or "n/total"
    Number,    // a whole number
    Flag,      // "1" or "0"
    Stars,     // 0 to 5
    Timestamp, // "2001", "2001-05", "2001-05-03", "2001-05-03T10:00"...
    Seven,     // one of the seven: checked as the ID3v1 tag and the tabs check it
};

struct NamedField {
    const char* name;    // "albumartist": the option's, the pattern's and the JSON member's name
    const char* caption; // "Album artist": for people
    // The frame in a version 2.4 tag and in a version 2.3 one, as frame keys ("TXXX:RELEASETIME").
    const char* keyV24;
    const char* keyV23;
    FieldRule rule;
    std::optional<TagField> seven; // the seven also have an ID3v1 slot
};

// Every named field, the seven first in the order the forms list them.
const std::vector<NamedField>& namedFields();
// The field a name stands for in any letter case; null for another name.
const NamedField* namedField(std::string_view name);
const NamedField& namedField(TagField f);
// The frame that holds the field in a tag of `version` (2.2 and 2.3 alike).
FrameKey fieldKey(const NamedField& field, uint8_t version);

// The field's values in the tag: empty when absent; a frame of several values (version 2.4
// NUL separators) gives them all. `undecodable` as for v2FieldText.
std::vector<Utf8Text> readField(Tid3v2tag& tag, const NamedField& field, bool* undecodable = nullptr);
// Several values for people: joined with "; ".
Utf8Text joinedValues(const std::vector<Utf8Text>& values);
// The field takes `text` as one value; an empty text removes it. What the field's frame
// holds besides (a lyrics' language, a rating's e-mail and play count) is kept. Call
// refusedFieldText first: a text the rule refuses is not written.
void writeField(Tid3v2tag& tag, const NamedField& field, const Utf8Text& text);
// Why the text cannot be the field's value, in words; nothing when it can. An empty text
// (removing the field) always can.
std::optional<std::string> refusedFieldText(const NamedField& field, const Utf8Text& text);

// Every named field beyond the seven that the tag holds, in table order.
struct PresentField {
    const NamedField* field;
    std::vector<Utf8Text> values;
};
std::vector<PresentField> presentFields(Tid3v2tag& tag);

// A rating in stars from a POPM byte, and the byte a number of stars is written as.
int starsOfRating(uint8_t rating);
uint8_t ratingOfStars(int stars);

// One change beyond the seven of the form: a named field or the frame a key names takes a
// text, or is removed.
struct FieldEdit {
    const NamedField* field = nullptr; // when null, `key` names the frame
    FrameKey key;
    std::optional<Utf8Text> text; // nothing removes the field, or every frame the key names
};
// Why the edit cannot be made, in words, before any file is touched; nothing when it can.
std::optional<std::string> refusedEdit(const FieldEdit& edit);
// Makes the edit; a frame key's text goes into the frame as its kind reads text (a comment's
// or a URL's text, a rating's stars, an owner's data as bytes).
void applyEdit(Tid3v2tag& tag, const FieldEdit& edit);
// The value a frame key takes from a text; why not, in words, for a kind text cannot fill
// (pictures, binary frames) or a malformed text.
std::optional<std::string> frameValueOf(const FrameKey& key, const Utf8Text& text, FrameValue& value);
// A frame's value as text for people (a text frame's values joined with "; ", a rating in
// stars, an owner's data as text); empty for pictures and binary frames.
Utf8Text frameText(const FrameValue& value);
