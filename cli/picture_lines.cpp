// A file's pictures for varnoli-cli's listings.
#include "picture_lines.h"

#include "json_lines.h"

#include "features/common/text.h"
#include "features/tagedit/pictures.h"

void appendPictureLines(std::string& out, const std::vector<TPictureEntry>& pictures)
{
    for (const TPictureEntry& entry : pictures) {
        out += "    Picture: ";
        if (!entry.Readable) {
            out += "(unreadable picture)\n";
            continue;
        }
        const TPictureFrame& p = entry.Picture;
        out += "type " + std::to_string(p.PictureType) + ", ";
        appendReadable(out, p.MimeType);
        out += ", " + pictureSizeText(inspectImage(p.Data), p.Data.size());
        if (!p.Description.empty()) {
            out += ", \"";
            appendReadable(out, p.Description);
            out += '"';
        }
        out += '\n';
    }
}

void appendPicturesJson(std::string& out, const std::vector<TPictureEntry>& pictures)
{
    out += '[';
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (i > 0)
            out += ", ";
        const TPictureEntry& entry = pictures[i];
        if (!entry.Readable) {
            out += "{\"unreadable\": true}";
            continue;
        }
        const TPictureFrame& p = entry.Picture;
        const ImageInfo info = inspectImage(p.Data);
        out += "{\"type\": " + std::to_string(p.PictureType) + ", \"mime\": ";
        appendJsonLatin1(out, p.MimeType);
        out += ", \"description\": ";
        appendJsonUtf8(out, p.Description);
        out += ", \"bytes\": " + std::to_string(p.Data.size()) + ", \"width\": " + std::to_string(info.width) +
               ", \"height\": " + std::to_string(info.height) + '}';
    }
    out += ']';
}
