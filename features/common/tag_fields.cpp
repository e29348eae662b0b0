// The seven tag fields of a file and how each tag holds them.
#include "tag_fields.h"

#include "features/common/text.h"
#include "features/encoding/eight_bit_text.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v1/id3_layout.h"
#include "tags/id3v2/id3v2.h"
#include "tags/file/tag_file.h"

#include <algorithm>
#include <tuple>

namespace {

constexpr const char* kNames[kFieldCount] = {"Artist", "Title", "Album", "Year", "Genre", "Comment", "Track"};
constexpr const char* kFrames[kFieldCount] = {"TPE1", "TIT2", "TALB", "TYER", "TCON", nullptr, "TRCK"};
// The same as the engine takes them, made once rather than at every read.
const std::string kFrameIds[kFieldCount] = {"TPE1", "TIT2", "TALB", "TYER", "TCON", {}, "TRCK"};
const std::string kRecordingTime = "TDRC", kYearV3 = "TYER";
// The comment the forms show: the one without a description, in any language.
const Utf8Text kNoDescription;
const std::string kAnyLanguage = "None";

// The first four characters of a recording time such as "2001-05-03T10:00": its year.
Utf8Text yearOf(const Utf8Text& time)
{
    std::size_t end = 0;
    for (int n = 0; n < 4 && end < time.size(); ++n)
        nextCodePoint(time, end);
    return time.substr(0, end);
}

// The year frame of the tag's version, and the one the other version uses.
const std::string& yearFrame(const Tid3v2tag& tag) { return tag.Version >= 4 ? kRecordingTime : kYearV3; }
const std::string& otherYearFrame(const Tid3v2tag& tag) { return tag.Version >= 4 ? kYearV3 : kRecordingTime; }

// The year as a frame holds it; "TDRC" holds a whole recording time.
uint8_t readYearFrame(Tid3v2tag& tag, const std::string& frame, Utf8Text& text)
{
    const uint8_t result = tag.GetTextFrameUtf8(frame, text);
    if (frame == kRecordingTime)
        text = yearOf(text);
    return result;
}

// Other programs write either frame whatever the version; the version's own comes first.
uint8_t readYear(Tid3v2tag& tag, Utf8Text& text)
{
    const uint8_t own = readYearFrame(tag, yearFrame(tag), text);
    if (!text.empty())
        return own;
    const uint8_t other = readYearFrame(tag, otherYearFrame(tag), text);
    return text.empty() ? own : other;
}

const char* listedGenre(const std::string& digits)
{
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
        return nullptr;
    const int number = std::stoi(digits);
    const uint8_t index = number > 255 ? 0 : GenreToIndex(static_cast<uint8_t>(number));
    return index == 0 ? nullptr : GenreList[index];
}

// A genre as the ID3v1 list numbers it ("13", "(13)", "(13)Pop") by its name; "(RX)" and
// "(CR)" are Remix and Cover. Of several genres the first; unknown numbers stay as written.
Utf8Text genreName(const Utf8Text& text)
{
    if (const char* name = listedGenre(text))
        return name;
    if (text == "RX" || text.rfind("(RX)", 0) == 0)
        return "Remix";
    if (text == "CR" || text.rfind("(CR)", 0) == 0)
        return "Cover";
    if (text.size() > 2 && text[0] == '(') {
        const std::size_t close = text.find(')');
        if (close != std::string::npos) {
            if (const char* name = listedGenre(text.substr(1, close - 1)))
                return name;
        }
        if (text[1] == '(') // "((" keeps a name that begins with "(" from reading as a number
            return text.substr(1);
    }
    return text;
}

// A read of one tag through a file opened for it alone.
template <typename Tag>
TagRead readOpened(const std::string& path, Tag& tag, TagRead (*read)(TagFile&, Tag&))
{
    TagFile file = TagFile::openForReading(path);
    return read(file, tag);
}

} // namespace

int genreListIndex(const Utf8Text& name, bool anyLetterCase)
{
    for (std::size_t i = 1; i < kGenreCount; ++i)
        if (anyLetterCase ? sameIgnoringCase(name, GenreList[i]) : name == GenreList[i])
            return static_cast<int>(i);
    return 0;
}

bool setV1FieldText(Tid3tag& tag, TagField f, const Utf8Text& text)
{
    using Setter = void (Tid3tag::*)(const std::string&);
    const auto [set, width] = [&]() -> std::pair<Setter, std::size_t> {
        switch (f) {
        case TagField::Title: return {&Tid3tag::SetTitle, id3v1::kTitle.width};
        case TagField::Artist: return {&Tid3tag::SetArtist, id3v1::kArtist.width};
        case TagField::Album: return {&Tid3tag::SetAlbum, id3v1::kAlbum.width};
        case TagField::Year: return {&Tid3tag::SetYear, id3v1::kYear.width};
        default: return {&Tid3tag::SetComment, (tag.HasTrack() ? id3v1::kTrackComment : id3v1::kComment).width};
        }
    }();
    std::string bytes;
    const bool whole = eightBitFromUtf8(text, width, bytes);
    (tag.*set)(bytes);
    return whole;
}

const char* fieldName(TagField f) { return kNames[fieldIndex(f)]; }
const char* v2FrameId(TagField f) { return kFrames[fieldIndex(f)]; }

std::optional<TagField> fieldNamed(const std::string& name)
{
    for (TagField f : kAllFields)
        if (sameIgnoringCase(name, kNames[fieldIndex(f)]))
            return f;
    return std::nullopt;
}

Utf8Text eightBitText(Utf8Text text)
{
    std::string bytes;
    if (eightBitCodePage().empty() || !latin1FromUtf8(text, bytes))
        return text;
    return eightBitToUtf8(bytes);
}

Utf8Text eightBitFrameText(Tid3v2tag& tag, const std::string& frameId, Utf8Text text)
{
    FrameValue value;
    if (eightBitCodePage().empty() || text.empty() || tag.GetFrame(FrameKey{frameId, {}, {}}, value) != textresult::kOk ||
        value.encoding != textencoding::kLatin1)
        return text;
    return eightBitText(std::move(text));
}

Utf8Text v1FieldText(const Tid3tag& tag, TagField f)
{
    switch (f) {
    case TagField::Artist: return eightBitToUtf8(tag.Artist());
    case TagField::Title: return eightBitToUtf8(tag.Title());
    case TagField::Album: return eightBitToUtf8(tag.Album());
    case TagField::Year: return eightBitToUtf8(tag.Year());
    case TagField::Genre: return GenreList[GenreToIndex(tag.Genre)];
    case TagField::Comment: return eightBitToUtf8(tag.Comment());
    case TagField::Track: return std::to_string(tag.Track());
    }
    return {};
}

Utf8Text v2FieldText(Tid3v2tag& tag, TagField f, bool* undecodable)
{
    uint8_t result;
    Utf8Text text;
    if (f == TagField::Comment) {
        TCommentFrame comment;
        result = tag.GetCommentUtf8(comment, kNoDescription, kAnyLanguage);
        text = comment.Encoding == textencoding::kLatin1 ? eightBitText(std::move(comment.Text)) : comment.Text;
    } else if (f == TagField::Year) {
        result = readYear(tag, text);
    } else {
        result = tag.GetTextFrameUtf8(kFrameIds[fieldIndex(f)], text);
        text = eightBitFrameText(tag, kFrameIds[fieldIndex(f)], std::move(text));
        if (f == TagField::Genre)
            text = genreName(text);
    }
    if (undecodable)
        *undecodable = ::undecodable(result);
    return text;
}

void setV2FieldText(Tid3v2tag& tag, TagField f, const Utf8Text& text)
{
    if (f == TagField::Comment) {
        TCommentFrame existing;
        std::ignore = tag.GetCommentUtf8(existing, kNoDescription, kAnyLanguage);
        const bool usable = existing.Language.size() == 3 &&
                            std::all_of(existing.Language.begin(), existing.Language.end(),
                                        [](char c) { return static_cast<unsigned char>(c) >= 0x20; });
        const TCommentFrame comment{0, usable ? existing.Language : "eng", {}, text};
        std::ignore = tag.SetCommentUtf8(comment, comment.Description, kAnyLanguage);
        return;
    }
    if (f != TagField::Year) {
        std::ignore = tag.SetTextFrameUtf8(v2FrameId(f), text);
        return;
    }
    std::ignore = tag.SetTextFrameUtf8(yearFrame(tag), text);
    // One year per tag: the other version's frame would go on showing the old one.
    while (tag.SetTextFrameUtf8(otherYearFrame(tag), {}) == textresult::kDeleted) {
    }
}

FieldTexts v1FieldTexts(const Tid3tag& tag)
{
    FieldTexts texts;
    for (TagField f : kAllFields)
        texts[fieldIndex(f)] = v1FieldText(tag, f);
    return texts;
}

FieldTexts v2FieldTexts(Tid3v2tag& tag, FieldFlags* undecodable)
{
    FieldTexts texts;
    for (TagField f : kAllFields)
        texts[fieldIndex(f)] = v2FieldText(tag, f, undecodable ? &(*undecodable)[fieldIndex(f)] : nullptr);
    return texts;
}

std::vector<std::string> undecodableTexts(const std::string& path, const TagRead& read)
{
    std::vector<std::string> texts;
    for (TagField f : kAllFields)
        if (read.undecodable[fieldIndex(f)])
            texts.push_back(std::string("the ID3v2 ") + fieldName(f) + " frame of '" + path +
                            "' could not be decoded; it shows as empty");
    return texts;
}

TagRead readV1Fields(TagFile& file, Tid3tag& tag)
{
    TagRead read;
    read.result = file.loadV1(tag);
    if (!failed(read.result))
        read.fields = v1FieldTexts(tag);
    return read;
}

FieldTexts emptyFieldsV1()
{
    static const FieldTexts empty = v1FieldTexts(Tid3tag());
    return empty;
}

TagRead readV1FieldsOrEmpty(TagFile& file, Tid3tag& tag)
{
    TagRead read = readV1Fields(file, tag);
    if (failed(read.result))
        read.fields = emptyFieldsV1();
    return read;
}

TagRead readV2Fields(TagFile& file, Tid3v2tag& tag)
{
    TagRead read;
    read.result = file.loadV2(tag);
    if (!failed(read.result))
        read.fields = v2FieldTexts(tag, &read.undecodable);
    return read;
}

TagRead readV1Fields(const std::string& path, Tid3tag& tag)
{
    return readOpened(path, tag, readV1Fields);
}

TagRead readV1FieldsOrEmpty(const std::string& path, Tid3tag& tag)
{
    return readOpened(path, tag, readV1FieldsOrEmpty);
}

TagRead readV2Fields(const std::string& path, Tid3v2tag& tag)
{
    return readOpened(path, tag, readV2Fields);
}

FileFields readFileFields(const std::string& path, Tid3tag& v1, Tid3v2tag& v2)
{
    TagFile file = TagFile::openForReading(path);
    return {readV1Fields(file, v1), readV2Fields(file, v2)};
}
