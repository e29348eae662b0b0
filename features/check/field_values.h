// How the checks and their fixes read field values: counts, and a text as ID3v1 holds it.
#pragma once

#include "features/common/tag_fields.h"

#include <cstdint>
#include <optional>
#include <string>

// "3" or "3/12"; total 0 when not given.
struct CountValue {
    int64_t number = 0;
    int64_t total = 0;
};
std::optional<CountValue> countOf(const Utf8Text& text);

// The text as an ID3v1 field of `width` bytes holds it: characters beyond ISO-8859-1 as "?", cut.
Utf8Text asV1Text(const Utf8Text& text, std::size_t width);
// The ID3v1 width of a text field (30; the comment as the track form has it, 28).
std::size_t v1Width(TagField f);
// Whether the two tags say the same, given what an ID3v1 tag can hold.
bool sameInBothTags(TagField f, const Utf8Text& v1, const Utf8Text& v2);
// Whether the ID3v1 text is the ID3v2 one cut to fit.
bool v1Cuts(const Utf8Text& v1, const Utf8Text& v2, TagField f);
// "tags_disagree_title" and so on.
const char* disagreementCheck(TagField f);
