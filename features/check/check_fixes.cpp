// The fixes of the checks: small changes to one file's loaded tags, saved by the batch save.
#include "check_fixes.h"

#include "features/check/field_values.h"
#include "features/common/named_fields.h"
#include "features/common/tag_fields.h"
#include "features/common/text.h"
#include "tags/core/utf8_text.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <set>

namespace {

void setV1Text(Tid3tag& tag, TagField f, const Utf8Text& text)
{
    switch (f) {
    case TagField::Genre: {
        const int index = genreListIndex(text, true);
        tag.Genre = index > 0 ? IndexToGenre(static_cast<uint8_t>(index)) : 255;
        break;
    }
    case TagField::Track: {
        const std::optional<CountValue> count = countOf(text);
        tag.SetTrack(count && count->number <= 255 ? static_cast<uint8_t>(count->number) : 0);
        break;
    }
    default: std::ignore = setV1FieldText(tag, f, text); // "?" stands for what ID3v1 cannot hold
    }
}

// Removes the frames `doomed` picks, last first so the indexes before stay valid.
template <typename Pick>
bool removeFrames(Tid3v2tag& tag, Pick doomed)
{
    std::vector<uint32_t> picked;
    FrameValue value;
    for (uint32_t i = 1; i <= tag.FrameIndex().Count(); ++i)
        if (doomed(i, tag.GetFrame(i, value), value))
            picked.push_back(i);
    for (auto it = picked.rbegin(); it != picked.rend(); ++it)
        tag.FrameIndex().Delete(*it);
    return !picked.empty();
}

bool setNamed(FixTarget& tags, const char* name, const Utf8Text& value)
{
    if (!tags.hasV2)
        return false;
    writeField(tags.v2, *namedField(name), value);
    tags.writeV2 = true;
    return true;
}

} // namespace

std::string singleFrameKey(FrameKind kind, const FrameKey& key)
{
    switch (kind) {
    case FrameKind::Text:
        return key.id;
    case FrameKind::UserText:
    case FrameKind::Comment:
    case FrameKind::UserUrl:
    case FrameKind::Popularimeter:
        return key.id + '\0' + key.description + '\0' + key.language;
    default:
        return {};
    }
}

namespace fixes {

bool copyField(FixTarget& tags, TagField field)
{
    if (!tags.hasV1 || !tags.hasV2)
        return false;
    const Utf8Text two = v2FieldText(tags.v2, field);
    if (two.empty()) {
        Utf8Text one = v1FieldText(tags.v1, field);
        setV2FieldText(tags.v2, field, field == TagField::Track && one == "0" ? Utf8Text() : one);
        tags.writeV2 = true;
    } else {
        setV1Text(tags.v1, field, two);
        tags.writeV1 = true;
    }
    return true;
}

bool copyArtist(FixTarget& tags, const std::string&) { return copyField(tags, TagField::Artist); }
bool copyTitle(FixTarget& tags, const std::string&) { return copyField(tags, TagField::Title); }
bool copyAlbum(FixTarget& tags, const std::string&) { return copyField(tags, TagField::Album); }
bool copyYear(FixTarget& tags, const std::string&) { return copyField(tags, TagField::Year); }
bool copyGenre(FixTarget& tags, const std::string&) { return copyField(tags, TagField::Genre); }
bool copyComment(FixTarget& tags, const std::string&) { return copyField(tags, TagField::Comment); }
bool copyTrack(FixTarget& tags, const std::string&) { return copyField(tags, TagField::Track); }

bool rewriteV1(FixTarget& tags, const std::string&)
{
    if (!tags.hasV1)
        return false;
    // The loader keeps what follows a NUL inside a field; the text ends at the NUL.
    const auto cut = [](const std::string& s) { return s.substr(0, s.find('\0')); };
    tags.v1.SetTitle(cut(tags.v1.Title()));
    tags.v1.SetArtist(cut(tags.v1.Artist()));
    tags.v1.SetAlbum(cut(tags.v1.Album()));
    tags.v1.SetYear(cut(tags.v1.Year()));
    tags.v1.SetComment(cut(tags.v1.Comment()));
    tags.writeV1 = true;
    return true;
}

bool removeDuplicateFrames(FixTarget& tags, const std::string&)
{
    if (!tags.hasV2)
        return false;
    std::set<std::string> seen;
    const bool removed = removeFrames(tags.v2, [&](uint32_t i, uint8_t result, const FrameValue& value) {
        const std::string key =
            result == textresult::kOk ? singleFrameKey(value.kind, frameKeyOf(tags.v2.FrameIndex().FrameID(i), value)) : "";
        return !key.empty() && !seen.insert(key).second;
    });
    tags.writeV2 |= removed;
    return removed;
}

bool removeEmptyFrames(FixTarget& tags, const std::string&)
{
    if (!tags.hasV2)
        return false;
    const bool removed = removeFrames(tags.v2, [&](uint32_t i, uint8_t result, const FrameValue& value) {
        return tags.v2.FrameIndex().DataSize(i) == 0 || result == textresult::kEmpty ||
               (result == textresult::kOk && isEmptyValue(value));
    });
    tags.writeV2 |= removed;
    return removed;
}

bool removeSecondFrontCovers(FixTarget& tags, const std::string&)
{
    if (!tags.hasV2)
        return false;
    int fronts = 0;
    const bool removed = removeFrames(tags.v2, [&](uint32_t, uint8_t result, const FrameValue& value) {
        return result == textresult::kOk && value.kind == FrameKind::Picture && value.pictureType == kFrontCover &&
               ++fronts > 1;
    });
    tags.writeV2 |= removed;
    return removed;
}

bool resaveV2(FixTarget& tags, const std::string&)
{
    if (!tags.hasV2)
        return false;
    tags.writeV2 = true;
    return true;
}

bool setYear(FixTarget& tags, const std::string& value)
{
    if (tags.hasV2) {
        setV2FieldText(tags.v2, TagField::Year, value);
        tags.writeV2 = true;
    }
    if (tags.hasV1) {
        setV1Text(tags.v1, TagField::Year, value);
        tags.writeV1 = true;
    }
    return tags.hasV1 || tags.hasV2;
}

bool setAlbumArtist(FixTarget& tags, const std::string& value) { return setNamed(tags, "albumartist", value); }

bool setDiscTotal(FixTarget& tags, const std::string& value)
{
    if (!tags.hasV2)
        return false;
    const std::optional<CountValue> disc = countOf(joinedValues(readField(tags.v2, *namedField("disc"))));
    return setNamed(tags, "disc", std::to_string(disc ? disc->number : 1) + "/" + value);
}

bool repairDamagedTag(FixTarget&, const std::string&) { return false; }

} // namespace fixes
