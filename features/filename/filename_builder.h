// Builds a file's new name from its tag fields, joined by a delimiter in the order the
// person chose, as the "Filename Edit" tab previews it.
#pragma once

#include "features/common/named_texts.h"
#include "features/common/tag_fields.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>

class Tid3tag;
class Tid3v2tag;

// One sub-tab's seven position boxes and its delimiter, as UTF-8 text.
struct FilenameLayout {
    std::array<std::string, kFieldCount> positions;
    std::string delimiter;
    // A track or disc of fewer digits is padded with zeros to this many; 0 leaves it as it is.
    std::size_t trackDigits = 0;
};

// The field a position box names: a named field's caption exactly ("Artist", "Album artist",
// "Disc"), letter case included. Any other text, the empty one too, names none.
const NamedField* positionNamedField(const std::string& text);

// One position's contribution to the name: the delimiter unless it is the first position,
// then the field's value, a "/" in it as "-", a control character as a space and a track
// "3/12" as "3". A box naming no field brings nothing; in version 1 neither does an empty
// text field, while the genre and the track always contribute. In version 2 every named position
// contributes, the named fields beyond the seven from `more` (a disc "1/2" as "1", like a track).
std::string FilenamePartV1(const FieldTexts& fields, const std::string& delimiter,
                           const std::string& fieldName, std::size_t position);
std::string FilenamePartV2(const FieldTexts& fields, const std::string& delimiter,
                           const std::string& fieldName, std::size_t position, const NamedTexts& more = {});

// The seven positions' contributions in order, then ".mp3" unless the name already ends
// in it in some letter case. The result is the new file name's bytes (UTF-8).
std::string BuildPreviewV1(const FieldTexts& fields, const FilenameLayout& layout);
std::string BuildPreviewV2(const FieldTexts& fields, const FilenameLayout& layout, const NamedTexts& more = {});

// The fields the builder uses for a file: its tag's, or after a failed load those of an
// empty tag (version 1: no genre, track "0"), never what the tag object held before.
TagRead readFilenameFieldsV1(const std::string& path, Tid3tag& tag);
TagRead readFilenameFieldsV2(const std::string& path, Tid3v2tag& tag);
