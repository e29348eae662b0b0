// The seven tag fields of a file and how each tag holds them.
#pragma once

#include "tags/core/tag_result.h"
#include "tags/core/utf8_text.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class TagFile;
class Tid3tag;
class Tid3v2tag;

// In the order every form lists them.
enum class TagField { Artist, Title, Album, Year, Genre, Comment, Track };
constexpr std::size_t kFieldCount = 7;
constexpr std::array<TagField, kFieldCount> kAllFields{TagField::Artist, TagField::Title,
    TagField::Album, TagField::Year, TagField::Genre, TagField::Comment, TagField::Track};

constexpr std::size_t fieldIndex(TagField f) { return static_cast<std::size_t>(f); }
// "Artist", "Title", ... as the forms caption them.
const char* fieldName(TagField f);
// The field a name stands for in any letter case ("artist", "TITLE"); none for another name.
std::optional<TagField> fieldNamed(const std::string& name);
// The ID3v2 text frame of a field; null for the comment, which is a comment frame. The
// year is read and written through v2FieldText and setV2FieldText, which pick its frame
// by the tag's version.
const char* v2FrameId(TagField f);

using FieldTexts = std::array<Utf8Text, kFieldCount>; // indexed by fieldIndex()
using FieldFlags = std::array<bool, kFieldCount>;

// The GenreList index (1 to 148) of a genre's name, in its exact letter case or in any; 0 for a
// name the list does not hold.
int genreListIndex(const Utf8Text& name, bool anyLetterCase = false);

// A field of a loaded ID3v1 tag as text: the genre as its GenreList display name (empty for
// no genre or one outside the list), the track in decimal ("0" without a track).
Utf8Text v1FieldText(const Tid3tag& tag, TagField f);
// A field of a loaded ID3v2 tag: the text frame, or the comment with an empty description
// in any language; absent gives the empty text. A frame whose text cannot be decoded also
// reads empty, and sets `undecodable` when given. Every field is read here, so a frame
// given another reading for one version slots in beside the table of frame IDs.
Utf8Text v2FieldText(Tid3v2tag& tag, TagField f, bool* undecodable = nullptr);

// Every ID3v2 field is written here: a version 2.4 tag's year goes into "TDRC" and a version
// 2.3 tag's into "TYER", the other frame removed; the comment with an empty description
// keeps its language, a new one is "eng". An empty text removes the field's frame.
void setV2FieldText(Tid3v2tag& tag, TagField f, const Utf8Text& text);

// Writes an ID3v1 text field (title, artist, album, year or comment) in the 8-bit code page,
// cut to the field's width on a whole character; the comment's width is the shorter one when
// the tag has a track. False when a character had no place and became "?".
bool setV1FieldText(Tid3tag& tag, TagField f, const Utf8Text& text);

// The text of an ISO-8859-1 frame read in the 8-bit code page the person chose; the text as
// it is without one. eightBitFrameText looks up the frame's encoding first.
Utf8Text eightBitText(Utf8Text text);
Utf8Text eightBitFrameText(Tid3v2tag& tag, const std::string& frameId, Utf8Text text);

FieldTexts v1FieldTexts(const Tid3tag& tag);
FieldTexts v2FieldTexts(Tid3v2tag& tag, FieldFlags* undecodable = nullptr);

// One tag of one file: the load result, and the fields, all empty when the load failed.
struct TagRead {
    TagResult result = 0;
    FieldTexts fields;
    FieldFlags undecodable{}; // the field's frame is there but its text could not be read
};

// "the ID3v2 Title frame of 'path' could not be decoded; it shows as empty", for each such field.
std::vector<std::string> undecodableTexts(const std::string& path, const TagRead& read);

// Loads the file's ID3v1 tag into `tag` and reads its fields. Failures the load does not
// turn into a result word pass through. Each has a twin reading a file already opened for
// both tags.
TagRead readV1Fields(const std::string& path, Tid3tag& tag);
TagRead readV1Fields(TagFile& file, Tid3tag& tag);
// The fields of an ID3v1 tag without any: empty texts, no genre and track "0".
FieldTexts emptyFieldsV1();
// readV1Fields, except that a failed load reads as emptyFieldsV1(), as the lists show it.
TagRead readV1FieldsOrEmpty(const std::string& path, Tid3tag& tag);
TagRead readV1FieldsOrEmpty(TagFile& file, Tid3tag& tag);
// Loads the file's ID3v2 tag at offset 0 into `tag` and reads its fields.
TagRead readV2Fields(const std::string& path, Tid3v2tag& tag);
TagRead readV2Fields(TagFile& file, Tid3v2tag& tag);

struct FileFields {
    TagRead v1, v2;
};
// Both tags through one open of the file.
FileFields readFileFields(const std::string& path, Tid3tag& v1, Tid3v2tag& v2);
