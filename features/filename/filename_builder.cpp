// Builds a file's new name from its tag fields and the chosen positions.
#include "filename_builder.h"

#include "features/common/text.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <algorithm>

namespace {

enum class Version { V1, V2 };

// Only the five plain texts of an ID3v1 tag drop out when empty.
bool contributesWhenEmpty(Version version, TagField field)
{
    return version == Version::V2 || field == TagField::Genre || field == TagField::Track;
}

// A control character (C0, DEL, or C1 as UTF-8's two bytes) in a name would split a line of
// every listing that shows it, or send a terminal an escape sequence: each becomes a space.
std::string withoutControls(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        out += c < 0x20 || c == 0x7F || c1 ? ' ' : text[i];
        i += c1 ? 1 : 0;
    }
    return out;
}

// A track "3/12" names its position in the set, as a disc "1/2" does; only a number is
// padded, so "A1" on a vinyl side stays as it is.
std::string countPart(std::string value, std::size_t digits)
{
    value = value.substr(0, value.find('/'));
    if (!value.empty() && value.size() < digits && value.find_first_not_of("0123456789") == std::string::npos)
        value.insert(0, digits - value.size(), '0');
    return value;
}

std::string fieldValue(const NamedField& field, const FieldTexts& fields, const NamedTexts& more)
{
    if (field.seven)
        return fields[fieldIndex(*field.seven)];
    const Utf8Text* text = textOf(more, field);
    return text ? *text : std::string();
}

std::string filenamePart(Version version, const FieldTexts& fields, const std::string& delimiter,
                         const std::string& fieldName, std::size_t position, std::size_t trackDigits = 0,
                         const NamedTexts& more = {})
{
    const NamedField* field = positionNamedField(fieldName);
    // An ID3v1 tag holds the seven only.
    if (!field || (version == Version::V1 && !field->seven))
        return {};
    std::string value = withoutControls(fieldValue(*field, fields, more));
    if (value.empty() && field->seven && !contributesWhenEmpty(version, *field->seven))
        return {};
    // A "/" anywhere else would make a folder.
    if (field->seven == TagField::Track || field->rule == FieldRule::Count)
        value = countPart(value, trackDigits);
    std::replace(value.begin(), value.end(), '/', '-');
    return (position > 0 ? delimiter : std::string()) + value;
}

std::string buildPreview(Version version, const FieldTexts& fields, const FilenameLayout& layout,
                         const NamedTexts& more = {})
{
    std::string name;
    for (std::size_t p = 0; p < layout.positions.size(); ++p)
        name += filenamePart(version, fields, layout.delimiter, layout.positions[p], p, layout.trackDigits, more);
    // The last four bytes are ASCII exactly when the last four characters are, so the
    // check on the UTF-8 bytes is the check on the characters.
    if (!isMp3Name(name))
        name += ".mp3";
    return name;
}

} // namespace

const NamedField* positionNamedField(const std::string& text)
{
    for (const NamedField& field : namedFields())
        if (text == field.caption)
            return &field;
    return nullptr;
}

std::string FilenamePartV1(const FieldTexts& fields, const std::string& delimiter,
                           const std::string& fieldName, std::size_t position)
{
    return filenamePart(Version::V1, fields, delimiter, fieldName, position);
}

std::string FilenamePartV2(const FieldTexts& fields, const std::string& delimiter,
                           const std::string& fieldName, std::size_t position, const NamedTexts& more)
{
    return filenamePart(Version::V2, fields, delimiter, fieldName, position, 0, more);
}

std::string BuildPreviewV1(const FieldTexts& fields, const FilenameLayout& layout)
{
    return buildPreview(Version::V1, fields, layout);
}

std::string BuildPreviewV2(const FieldTexts& fields, const FilenameLayout& layout, const NamedTexts& more)
{
    return buildPreview(Version::V2, fields, layout, more);
}

TagRead readFilenameFieldsV1(const std::string& path, Tid3tag& tag)
{
    return readV1FieldsOrEmpty(path, tag);
}

TagRead readFilenameFieldsV2(const std::string& path, Tid3v2tag& tag)
{
    // A failed load already reads as no frames at all.
    return readV2Fields(path, tag);
}
