// Field values as the checks compare them and as an ID3v1 tag can hold them.
#include "field_values.h"

#include "features/common/tag_fields.h"
#include "features/common/text.h"
#include "tags/core/utf8_text.h"
#include "tags/id3v1/id3.h"

#include <charconv>

namespace {

std::optional<int64_t> wholeNumber(std::string_view text)
{
    int64_t n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || n < 0)
        return std::nullopt;
    return n;
}

} // namespace

std::optional<CountValue> countOf(const Utf8Text& text)
{
    const std::size_t slash = text.find('/');
    const std::optional<int64_t> number = wholeNumber(std::string_view(text).substr(0, slash));
    if (!number)
        return std::nullopt;
    if (slash == std::string::npos)
        return CountValue{*number, 0};
    const std::optional<int64_t> total = wholeNumber(std::string_view(text).substr(slash + 1));
    if (!total)
        return std::nullopt;
    return CountValue{*number, *total};
}

Utf8Text asV1Text(const Utf8Text& text, std::size_t width)
{
    std::string latin1;
    for (std::size_t i = 0; i < text.size() && latin1.size() < width;) {
        const uint32_t c = nextCodePoint(text, i);
        latin1 += c <= 0xFF ? static_cast<char>(c) : '?';
    }
    // The ID3v1 reader drops trailing spaces.
    while (!latin1.empty() && latin1.back() == ' ')
        latin1.pop_back();
    return latin1ToUtf8(latin1);
}

std::size_t v1Width(TagField f) { return f == TagField::Comment ? 28 : f == TagField::Year ? 4 : 30; }

bool sameInBothTags(TagField f, const Utf8Text& v1, const Utf8Text& v2)
{
    if (v1 == v2)
        return true;
    switch (f) {
    case TagField::Track: {
        const std::optional<CountValue> two = countOf(v2);
        if (!two)
            return v1 == "0";
        return v1 == std::to_string(two->number) || (v1 == "0" && two->number == 0);
    }
    case TagField::Genre:
        return sameIgnoringCase(v1, v2) || (v1.empty() && genreListIndex(v2, true) == 0);
    case TagField::Year:
        return v1 == asV1Text(v2, 4);
    case TagField::Comment:
        return v1 == asV1Text(v2, 28) || v1 == asV1Text(v2, 30);
    default:
        return v1 == asV1Text(v2, 30);
    }
}

bool v1Cuts(const Utf8Text& v1, const Utf8Text& v2, TagField f)
{
    return !v1.empty() && sameInBothTags(f, v1, v2) && asV1Text(v2, std::string::npos) != v1;
}

const char* disagreementCheck(TagField f)
{
    switch (f) {
    case TagField::Artist:
        return "tags_disagree_artist";
    case TagField::Title:
        return "tags_disagree_title";
    case TagField::Album:
        return "tags_disagree_album";
    case TagField::Year:
        return "tags_disagree_year";
    case TagField::Genre:
        return "tags_disagree_genre";
    case TagField::Comment:
        return "tags_disagree_comment";
    case TagField::Track:
        break;
    }
    return "tags_disagree_track";
}
