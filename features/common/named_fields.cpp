// The named fields: one table, and the few frames that are read in a way of their own
// (ratings in stars, lyrics in any language, user texts whatever their letter case).
#include "named_fields.h"

#include "features/common/text.h"
#include "tags/id3v2/id3v2.h"

#include <algorithm>
#include <cctype>
#include <tuple>

namespace {

using R = FieldRule;

// The seven's frames are read through v2FieldText; their keys here are what the lists show.
const std::vector<NamedField> kFields = {
    {"artist", "Artist", "TPE1", "TPE1", R::Seven, TagField::Artist},
    {"title", "Title", "TIT2", "TIT2", R::Seven, TagField::Title},
    {"album", "Album", "TALB", "TALB", R::Seven, TagField::Album},
    {"year", "Year", "TDRC", "TYER", R::Seven, TagField::Year},
    {"genre", "Genre", "TCON", "TCON", R::Seven, TagField::Genre},
    {"comment", "Comment", "COMM", "COMM", R::Seven, TagField::Comment},
    {"track", "Track", "TRCK", "TRCK", R::Seven, TagField::Track},
    {"albumartist", "Album artist", "TPE2", "TPE2", R::Text, {}},
    {"disc", "Disc", "TPOS", "TPOS", R::Count, {}},
    {"composer", "Composer", "TCOM", "TCOM", R::Text, {}},
    {"bpm", "BPM", "TBPM", "TBPM", R::Number, {}},
    {"compilation", "Compilation", "TCMP", "TCMP", R::Flag, {}},
    {"lyrics", "Lyrics", "USLT", "USLT", R::Lines, {}},
    {"rating", "Rating", "POPM", "POPM", R::Stars, {}},
    {"originalyear", "Original year", "TDOR", "TORY", R::Timestamp, {}},
    {"releasedate", "Release date", "TDRL", "TXXX:RELEASETIME", R::Timestamp, {}},
    {"artistsort", "Artist sort", "TSOP", "TSOP", R::Text, {}},
    {"albumsort", "Album sort", "TSOA", "TSOA", R::Text, {}},
    {"titlesort", "Title sort", "TSOT", "TSOT", R::Text, {}},
    {"albumartistsort", "Album artist sort", "TSO2", "TSO2", R::Text, {}},
    {"publisher", "Publisher", "TPUB", "TPUB", R::Text, {}},
    {"copyright", "Copyright", "TCOP", "TCOP", R::Text, {}},
    {"encodedby", "Encoded by", "TENC", "TENC", R::Text, {}},
    {"isrc", "ISRC", "TSRC", "TSRC", R::Text, {}},
    {"grouping", "Grouping", "TIT1", "TIT1", R::Text, {}},
    {"subtitle", "Subtitle", "TIT3", "TIT3", R::Text, {}},
    {"replaygain_track_gain", "ReplayGain track gain", "TXXX:REPLAYGAIN_TRACK_GAIN", "TXXX:REPLAYGAIN_TRACK_GAIN",
     R::Text, {}},
    {"replaygain_track_peak", "ReplayGain track peak", "TXXX:REPLAYGAIN_TRACK_PEAK", "TXXX:REPLAYGAIN_TRACK_PEAK",
     R::Text, {}},
    {"replaygain_album_gain", "ReplayGain album gain", "TXXX:REPLAYGAIN_ALBUM_GAIN", "TXXX:REPLAYGAIN_ALBUM_GAIN",
     R::Text, {}},
    {"replaygain_album_peak", "ReplayGain album peak", "TXXX:REPLAYGAIN_ALBUM_PEAK", "TXXX:REPLAYGAIN_ALBUM_PEAK",
     R::Text, {}},
    {"musicbrainz_trackid", "MusicBrainz track ID", "UFID:http://musicbrainz.org", "UFID:http://musicbrainz.org",
     R::Text, {}},
    {"musicbrainz_albumid", "MusicBrainz album ID", "TXXX:MusicBrainz Album Id", "TXXX:MusicBrainz Album Id",
     R::Text, {}},
    {"musicbrainz_artistid", "MusicBrainz artist ID", "TXXX:MusicBrainz Artist Id", "TXXX:MusicBrainz Artist Id",
     R::Text, {}},
    {"musicbrainz_albumartistid", "MusicBrainz album artist ID", "TXXX:MusicBrainz Album Artist Id",
     "TXXX:MusicBrainz Album Artist Id", R::Text, {}},
    {"musicbrainz_releasegroupid", "MusicBrainz release group ID", "TXXX:MusicBrainz Release Group Id",
     "TXXX:MusicBrainz Release Group Id", R::Text, {}},
};

// Ratings by stars, as most players write them.
constexpr uint8_t kStarBytes[] = {0, 1, 64, 128, 196, 255};

bool digits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isCount(std::string_view text)
{
    const std::size_t slash = text.find('/');
    return slash == std::string_view::npos ? digits(text) : digits(text.substr(0, slash)) && digits(text.substr(slash + 1));
}

// "yyyy", then optionally "-MM", "-dd", "THH", ":mm", ":ss", each only after the one before.
bool isTimestamp(std::string_view text)
{
    static constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:dd";
    static constexpr std::size_t kEnds[] = {4, 7, 10, 13, 16, 19};
    if (std::find(std::begin(kEnds), std::end(kEnds), text.size()) == std::end(kEnds))
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (kShape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != kShape[i])
            return false;
    return true;
}

// The user text frame whose description matches the key's in any letter case: other programs
// write "replaygain_track_gain" as often as "REPLAYGAIN_TRACK_GAIN". 0 when there is none.
uint32_t userTextFrame(Tid3v2tag& tag, const FrameKey& key, FrameValue& value)
{
    const TFrameIndex& frames = tag.FrameIndex();
    for (uint32_t i = 1; i <= frames.Count(); ++i)
        if (frames.FrameID(i) == key.id && tag.GetFrame(i, value) == textresult::kOk &&
            value.kind == FrameKind::UserText && sameIgnoringCase(value.description, key.description))
            return i;
    return 0;
}

// The first frame of the key's ID that holds a rating, whatever its e-mail; 0 when there is none.
uint32_t ratingFrame(Tid3v2tag& tag, const std::string& id, FrameValue& value)
{
    const TFrameIndex& frames = tag.FrameIndex();
    for (uint32_t i = 1; i <= frames.Count(); ++i)
        if (frames.FrameID(i) == id && tag.GetFrame(i, value) == textresult::kOk &&
            value.kind == FrameKind::Popularimeter)
            return i;
    return 0;
}

// Reads the frame the key names as a named field finds it: a user text whatever its letter
// case, a rating whatever its e-mail, lyrics and comments in any language.
uint8_t findExisting(Tid3v2tag& tag, const FrameKey& key, FrameValue& value)
{
    switch (frameKindOf(key.id)) {
    case FrameKind::UserText:
        return userTextFrame(tag, key, value) != 0 ? textresult::kOk : textresult::kNoFrame;
    case FrameKind::Popularimeter:
        return ratingFrame(tag, key.id, value) != 0 ? textresult::kOk : textresult::kNoFrame;
    default: return tag.GetFrame(key, value);
    }
}

// The key of the frame a write replaces: its own description's letter case, e-mail and
// language, so that the write does not add another; a new lyrics or comment frame is "eng".
FrameKey existingKey(Tid3v2tag& tag, FrameKey key, FrameValue& existing)
{
    const FrameKind kind = frameKindOf(key.id);
    if (findExisting(tag, key, existing) != textresult::kOk || existing.kind != kind)
        existing = FrameValue();
    else if (kind == FrameKind::UserText || kind == FrameKind::Popularimeter)
        key.description = existing.description;
    if (hasLanguage(kind) && key.language.empty())
        key.language = existing.language.empty() ? "eng" : existing.language;
    return key;
}

FrameKey parsedKey(const char* text)
{
    FrameKey key;
    std::ignore = parseFrameKey(text, key);
    return key;
}

std::vector<Utf8Text> readKey(Tid3v2tag& tag, const FrameKey& key, bool* undecodable)
{
    FrameValue value;
    const uint8_t result = findExisting(tag, key, value);
    if (undecodable)
        *undecodable = ::undecodable(result);
    if (result != textresult::kOk || value.kind != frameKindOf(key.id))
        return {};
    if (value.kind == FrameKind::Text || value.kind == FrameKind::UserText) {
        std::vector<Utf8Text> texts;
        for (const Utf8Text& t : value.texts)
            if (!t.empty())
                texts.push_back(value.encoding == textencoding::kLatin1 ? eightBitText(t) : t);
        return texts;
    }
    Utf8Text text = frameText(value);
    return text.empty() ? std::vector<Utf8Text>{} : std::vector<Utf8Text>{text};
}

// Every frame the key names, a user text whatever its description's letter case, as a
// write would find it; a rating without an e-mail stands for every rating, since players
// that each wrote their own would go on showing theirs.
void removeKey(Tid3v2tag& tag, const FrameKey& key)
{
    const FrameKind kind = frameKindOf(key.id);
    const bool anyRating = kind == FrameKind::Popularimeter && key.description.empty();
    if (kind != FrameKind::UserText && !anyRating) {
        tag.RemoveFrames(key);
        return;
    }
    FrameValue value;
    for (uint32_t i; (i = anyRating ? ratingFrame(tag, key.id, value) : userTextFrame(tag, key, value)) != 0;)
        tag.FrameIndex().Delete(i);
}

void writeKey(Tid3v2tag& tag, const FrameKey& named, const Utf8Text& text)
{
    if (text.empty()) {
        removeKey(tag, frameKindOf(named.id) == FrameKind::Popularimeter ? FrameKey{named.id, {}, {}} : named);
        return;
    }
    FrameValue existing;
    const FrameKey key = existingKey(tag, named, existing);
    FrameValue value;
    if (frameValueOf(key, text, value))
        return;
    if (value.kind == FrameKind::Popularimeter)
        value.playCount = existing.playCount;
    std::ignore = tag.SetFrame(key, std::move(value));
}

} // namespace

const std::vector<NamedField>& namedFields() { return kFields; }

const NamedField* namedField(std::string_view name)
{
    for (const NamedField& field : kFields)
        if (sameIgnoringCase(name, field.name))
            return &field;
    return nullptr;
}

const NamedField& namedField(TagField f) { return kFields[fieldIndex(f)]; }

FrameKey fieldKey(const NamedField& field, uint8_t version)
{
    return parsedKey(version >= 4 ? field.keyV24 : field.keyV23);
}

std::vector<Utf8Text> readField(Tid3v2tag& tag, const NamedField& field, bool* undecodable)
{
    if (field.seven) {
        Utf8Text text = v2FieldText(tag, *field.seven, undecodable);
        return text.empty() ? std::vector<Utf8Text>{} : std::vector<Utf8Text>{std::move(text)};
    }
    // Other programs write either version's frame whatever the version; the version's own comes first.
    std::vector<Utf8Text> values = readKey(tag, fieldKey(field, tag.Version), undecodable);
    if (values.empty() && std::string_view(field.keyV24) != field.keyV23)
        values = readKey(tag, fieldKey(field, tag.Version >= 4 ? 3 : 4), nullptr);
    return values;
}

Utf8Text joinedValues(const std::vector<Utf8Text>& values)
{
    Utf8Text joined;
    for (const Utf8Text& value : values)
        joined += (joined.empty() ? "" : "; ") + value;
    return joined;
}

void writeField(Tid3v2tag& tag, const NamedField& field, const Utf8Text& text)
{
    if (field.seven) {
        setV2FieldText(tag, *field.seven, text);
        return;
    }
    Utf8Text own = text;
    // A version 2.3 original year holds the year alone.
    if (tag.Version < 4 && std::string_view(field.keyV23) == "TORY")
        own = text.substr(0, 4);
    writeKey(tag, fieldKey(field, tag.Version), own);
    // One value per tag: the other version's frame would go on showing the old one.
    if (std::string_view(field.keyV24) != field.keyV23)
        writeKey(tag, fieldKey(field, tag.Version >= 4 ? 3 : 4), {});
}

std::optional<std::string> refusedFieldText(const NamedField& field, const Utf8Text& text)
{
    const auto refuse = [&](const char* shape) {
        return std::optional<std::string>(std::string(field.name) + ": '" + text + "' is not " + shape);
    };
    if (text.empty())
        return std::nullopt;
    switch (field.rule) {
    case R::Count: return isCount(text) ? std::nullopt : refuse("\"n\" or \"n/total\"");
    case R::Number: return digits(text) ? std::nullopt : refuse("a whole number");
    case R::Flag: return text == "0" || text == "1" ? std::nullopt : refuse("\"1\" or \"0\"");
    case R::Stars: return text.size() == 1 && text[0] >= '0' && text[0] <= '5' ? std::nullopt : refuse("0 to 5 stars");
    case R::Timestamp:
        return isTimestamp(text) ? std::nullopt : refuse("a date such as \"2001\", \"2001-05\" or \"2001-05-03\"");
    case R::Text:
    case R::Lines:
    case R::Seven: return std::nullopt;
    }
    return std::nullopt;
}

std::vector<PresentField> presentFields(Tid3v2tag& tag)
{
    std::vector<PresentField> present;
    // Most tags hold few of the fields: those whose frame is absent are not looked for.
    const TFrameIndex& frames = tag.FrameIndex();
    std::vector<std::string_view> ids;
    for (uint32_t i = 1; i <= frames.Count(); ++i)
        ids.push_back(frames.FrameID(i));
    const auto holds = [&](const char* key) {
        return std::find(ids.begin(), ids.end(), std::string_view(key).substr(0, 4)) != ids.end();
    };
    for (const NamedField& field : kFields) {
        if (field.seven || (!holds(field.keyV24) && !holds(field.keyV23)))
            continue;
        std::vector<Utf8Text> values = readField(tag, field);
        if (!values.empty())
            present.push_back({&field, std::move(values)});
    }
    return present;
}

int starsOfRating(uint8_t rating)
{
    // Halfway between the bytes of neighbouring stars, so other programs' scales round to the nearest.
    static constexpr int kBounds[] = {1, 32, 96, 162, 226};
    return static_cast<int>(std::upper_bound(std::begin(kBounds), std::end(kBounds), rating) - std::begin(kBounds));
}

uint8_t ratingOfStars(int stars) { return kStarBytes[std::clamp(stars, 0, 5)]; }

std::optional<std::string> refusedEdit(const FieldEdit& edit)
{
    if (edit.field)
        return edit.text ? refusedFieldText(*edit.field, *edit.text) : std::nullopt;
    if (!isFrameId(edit.key.id))
        return "'" + formatFrameKey(edit.key) + "' names no frame";
    FrameValue value;
    return edit.text && !edit.text->empty() ? frameValueOf(edit.key, *edit.text, value) : std::nullopt;
}

void applyEdit(Tid3v2tag& tag, const FieldEdit& edit)
{
    if (edit.field)
        writeField(tag, *edit.field, edit.text.value_or(Utf8Text()));
    else if (!edit.text || edit.text->empty())
        removeKey(tag, edit.key);
    else
        writeKey(tag, edit.key, *edit.text);
}

std::optional<std::string> frameValueOf(const FrameKey& key, const Utf8Text& text, FrameValue& value)
{
    const std::string name = formatFrameKey(key);
    value = FrameValue();
    value.kind = frameKindOf(key.id);
    value.language = key.language;
    switch (value.kind) {
    case FrameKind::Text:
    case FrameKind::UserText:
    case FrameKind::Comment: value.texts = {text}; return std::nullopt;
    case FrameKind::Url:
    case FrameKind::UserUrl: {
        std::string latin1;
        if (!latin1FromUtf8(text, latin1))
            return name + ": a URL holds ISO-8859-1 characters only";
        value.texts = {text};
        return std::nullopt;
    }
    case FrameKind::Popularimeter: {
        const NamedField& rating = *namedField("rating");
        if (std::optional<std::string> refusal = refusedFieldText(rating, text))
            return name + ": '" + text + "' is not 0 to 5 stars";
        value.rating = ratingOfStars(text[0] - '0');
        return std::nullopt;
    }
    case FrameKind::OwnedData: value.data.assign(text.begin(), text.end()); return std::nullopt;
    case FrameKind::Picture: return name + ": a picture is set from an image file (art --set), not from text";
    case FrameKind::Binary: break;
    }
    return name + ": this frame's content is not text and cannot be set from it";
}

Utf8Text frameText(const FrameValue& value)
{
    switch (value.kind) {
    case FrameKind::Text:
    case FrameKind::UserText: return joinedValues(value.texts);
    case FrameKind::Comment:
    case FrameKind::Url:
    case FrameKind::UserUrl: return value.texts.empty() ? Utf8Text() : value.texts.front();
    case FrameKind::Popularimeter: return std::to_string(starsOfRating(value.rating));
    case FrameKind::OwnedData: {
        // An owner's identifier, as most are, reads as text; other data do not.
        const bool printable = std::all_of(value.data.begin(), value.data.end(),
                                           [](uint8_t b) { return b >= 0x20 && b < 0x7F; });
        return printable ? Utf8Text(value.data.begin(), value.data.end()) : Utf8Text();
    }
    case FrameKind::Picture:
    case FrameKind::Binary: break;
    }
    return {};
}
