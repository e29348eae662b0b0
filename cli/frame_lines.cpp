// The named fields and every frame of an ID3v2 tag, for show --all and show --json.
#include "frame_lines.h"

#include "json_lines.h"
#include "picture_lines.h"

#include "features/common/text.h"
#include "tags/id3v2/id3v2.h"

#include <algorithm>

namespace {

const char* kindWord(FrameKind kind)
{
    switch (kind) {
    case FrameKind::Text:
    case FrameKind::UserText: return "text";
    case FrameKind::Url:
    case FrameKind::UserUrl: return "url";
    case FrameKind::Comment: return "comment";
    case FrameKind::Picture: return "picture";
    case FrameKind::Popularimeter: return "rating";
    case FrameKind::OwnedData:
    case FrameKind::Binary: break;
    }
    return "binary";
}

void appendValuesJson(std::string& out, const std::vector<Utf8Text>& values)
{
    if (values.size() == 1) {
        appendJsonUtf8(out, values.front());
        return;
    }
    out += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            out += ", ";
        appendJsonUtf8(out, values[i]);
    }
    out += ']';
}

// One frame as the listing tells it.
struct ListedFrame {
    std::string id;
    std::string key;
    FrameKind kind = FrameKind::Binary; // Binary too for a frame that cannot be read as its ID's kind
    FrameValue value;
    std::size_t bytes = 0; // the frame's data as stored
    const PictureSummary* picture = nullptr;
};

// Each frame in file order. Pictures are not read again: their summaries, in the same
// order, say what they hold without copying the images.
template <typename Visit>
void forEachFrame(Tid3v2tag& tag, const std::vector<PictureSummary>& pictures, Visit visit)
{
    const TFrameIndex& frames = tag.FrameIndex();
    std::size_t nextPicture = 0;
    ListedFrame f;
    for (uint32_t i = 1; i <= frames.Count(); ++i) {
        f.id = frames.FrameID(i);
        f.bytes = frames.DataSize(i);
        f.value = FrameValue();
        f.picture = nullptr;
        f.kind = frameKindOf(f.id);
        if (f.kind == FrameKind::Picture && nextPicture < pictures.size()) {
            f.picture = &pictures[nextPicture++];
            f.value.kind = FrameKind::Picture;
            f.value.description = f.picture->description;
        } else if (f.kind != FrameKind::Binary) {
            const uint8_t result = tag.GetFrame(i, f.value);
            const bool read = result == textresult::kOk || result == textresult::kEmpty;
            f.kind = read ? f.value.kind : FrameKind::Binary;
        }
        f.key = formatFrameKey(frameKeyOf(f.id, f.value));
        visit(f);
    }
}

void appendFrameValueJson(std::string& out, const ListedFrame& f)
{
    switch (f.kind) {
    case FrameKind::Text:
    case FrameKind::UserText:
        out += ", \"value\": ";
        appendValuesJson(out, f.value.texts.empty() ? std::vector<Utf8Text>{Utf8Text()} : f.value.texts);
        break;
    case FrameKind::Comment:
    case FrameKind::Url:
    case FrameKind::UserUrl:
        out += ", \"value\": ";
        appendJsonUtf8(out, frameText(f.value));
        break;
    case FrameKind::Popularimeter:
        out += ", \"value\": " + std::to_string(starsOfRating(f.value.rating)) +
               ", \"rating\": " + std::to_string(f.value.rating);
        if (f.value.playCount)
            out += ", \"play_count\": " + std::to_string(*f.value.playCount);
        break;
    case FrameKind::Picture:
        if (f.picture) {
            out += ", \"picture\": ";
            appendPictureJson(out, *f.picture);
        }
        break;
    case FrameKind::OwnedData:
    case FrameKind::Binary: break;
    }
    out += ", \"bytes\": " + std::to_string(f.bytes) + '}';
}

void appendFrameText(std::string& out, const ListedFrame& f)
{
    switch (f.kind) {
    case FrameKind::Popularimeter:
        out += std::to_string(starsOfRating(f.value.rating)) + " stars (" + std::to_string(f.value.rating) + ")";
        return;
    case FrameKind::Picture:
        if (f.picture)
            appendPictureText(out, *f.picture);
        return;
    case FrameKind::OwnedData:
    case FrameKind::Binary: out += groupedNumber(f.bytes) + " bytes"; return;
    case FrameKind::Text:
    case FrameKind::UserText:
    case FrameKind::Comment:
    case FrameKind::Url:
    case FrameKind::UserUrl: appendReadable(out, frameText(f.value)); return;
    }
}

} // namespace

void appendNamedFieldsJson(std::string& out, const std::vector<PresentField>& fields)
{
    for (const PresentField& present : fields) {
        out += ", \"";
        out += present.field->name;
        out += "\": ";
        appendValuesJson(out, present.values);
    }
}

void appendAllJson(std::string& out, Tid3v2tag& tag, const FieldTexts& seven, const std::vector<PresentField>& fields,
                   const std::vector<PictureSummary>& pictures)
{
    out += ", \"fields\": {";
    bool first = true;
    for (const NamedField& field : namedFields()) {
        if (!field.seven || seven[fieldIndex(*field.seven)].empty())
            continue;
        out += first ? "\"" : ", \"";
        first = false;
        (out += field.name) += "\": ";
        appendJsonUtf8(out, seven[fieldIndex(*field.seven)]);
    }
    std::string rest;
    appendNamedFieldsJson(rest, fields);
    out += first && !rest.empty() ? rest.substr(2) : rest;
    out += "}, \"frames\": [";
    first = true;
    forEachFrame(tag, pictures, [&](const ListedFrame& f) {
        out += first ? "{\"key\": " : ", {\"key\": ";
        first = false;
        appendJsonUtf8(out, f.key);
        out += ", \"id\": ";
        appendJsonLatin1(out, f.id);
        out += ", \"kind\": \"";
        out += kindWord(f.kind);
        out += '"';
        appendFrameValueJson(out, f);
    });
    out += ']';
}

void appendAllLines(std::string& out, Tid3v2tag& tag, const std::vector<PresentField>& fields,
                    const std::vector<PictureSummary>& pictures)
{
    std::size_t width = 0;
    for (const PresentField& present : fields)
        width = std::max(width, std::string(present.field->caption).size());
    if (!fields.empty())
        out += "  Named fields:\n";
    for (const PresentField& present : fields) {
        const std::string caption = present.field->caption;
        out += "    " + caption + ':' + std::string(width + 1 - caption.size(), ' ');
        appendReadable(out, joinedValues(present.values));
        out += '\n';
    }
    if (tag.FrameIndex().Count() > 0)
        out += "  Frames:\n";
    forEachFrame(tag, pictures, [&](const ListedFrame& f) {
        out += "    ";
        appendReadable(out, f.key);
        out += std::string(" (") + kindWord(f.kind) + "): ";
        appendFrameText(out, f);
        out += '\n';
    });
}
