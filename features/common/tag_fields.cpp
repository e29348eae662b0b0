// The seven tag fields of a file and how each tag holds them.
#include "tag_fields.h"

#include "tags/id3.h"
#include "tags/id3v2.h"

namespace {

constexpr const char* kNames[kFieldCount] = {"Artist", "Title", "Album", "Year", "Genre", "Comment", "Track"};
constexpr const char* kFrames[kFieldCount] = {"TPE1", "TIT2", "TALB", "TYER", "TCON", nullptr, "TRCK"};

} // namespace

const char* fieldName(TagField f) { return kNames[fieldIndex(f)]; }
const char* v2FrameId(TagField f) { return kFrames[fieldIndex(f)]; }

Utf8Text v1FieldText(const Tid3tag& tag, TagField f)
{
    switch (f) {
    case TagField::Artist: return latin1ToUtf8(tag.Artist());
    case TagField::Title: return latin1ToUtf8(tag.Title());
    case TagField::Album: return latin1ToUtf8(tag.Album());
    case TagField::Year: return latin1ToUtf8(tag.Year());
    case TagField::Genre: return GenreList[GenreToIndex(tag.Genre)];
    case TagField::Comment: return latin1ToUtf8(tag.Comment());
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
        result = tag.GetCommentUtf8(comment, "", "None");
        text = std::move(comment.Text);
    } else {
        result = tag.GetTextFrameUtf8(v2FrameId(f), text);
    }
    if (undecodable)
        *undecodable = ::undecodable(result);
    return text;
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

TagRead readV1Fields(const std::string& path, Tid3tag& tag)
{
    TagRead read;
    read.result = tag.LoadFromFile(path);
    if (!failed(read.result))
        read.fields = v1FieldTexts(tag);
    return read;
}

FieldTexts emptyFieldsV1()
{
    return v1FieldTexts(Tid3tag());
}

TagRead readV1FieldsOrEmpty(const std::string& path, Tid3tag& tag)
{
    TagRead read = readV1Fields(path, tag);
    if (failed(read.result))
        read.fields = emptyFieldsV1();
    return read;
}

TagRead readV2Fields(const std::string& path, Tid3v2tag& tag)
{
    TagRead read;
    read.result = tag.LoadFromFile(path, 0);
    if (!failed(read.result))
        read.fields = v2FieldTexts(tag, &read.undecodable);
    return read;
}

FileFields readFileFields(const std::string& path, Tid3tag& v1, Tid3v2tag& v2)
{
    return {readV1Fields(path, v1), readV2Fields(path, v2)};
}
