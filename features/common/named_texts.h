// The texts of named fields beyond the seven, as the name builder and the fill from names
// carry them alongside the seven's fixed slots.
#pragma once

#include "features/common/named_fields.h"

#include <utility>
#include <vector>

// Each field once, in the order it was found or named.
using NamedTexts = std::vector<std::pair<const NamedField*, Utf8Text>>;

// The field's text; null when it has none.
const Utf8Text* textOf(const NamedTexts& texts, const NamedField& field);

// The named fields beyond the seven that a loaded ID3v2 tag holds, several values joined for people.
NamedTexts presentTexts(Tid3v2tag& tag);

// The named field whose caption or name is `text` in any letter case ("Album artist",
// "albumartist"); null for another text.
const NamedField* fieldNamedOrCaptioned(const std::string& text);
