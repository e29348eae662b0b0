// A file's pictures for varnoli-cli's listings.
#include "picture_lines.h"

#include "json_lines.h"

#include "features/common/text.h"
#include "features/tagedit/pictures.h"

void appendPictureLines(std::string& out, const std::vector<PictureSummary>& pictures)
{
    for (const PictureSummary& p : pictures) {
        out += "    Picture: ";
        if (!p.readable) {
            out += "(unreadable picture)\n";
            continue;
        }
        out += "type " + std::to_string(p.type) + ", ";
        appendReadable(out, p.mimeType);
        out += ", " + pictureSizeText(p.info, p.bytes);
        if (!p.description.empty()) {
            out += ", \"";
            appendReadable(out, p.description);
            out += '"';
        }
        out += '\n';
    }
}

void appendPicturesJson(std::string& out, const std::vector<PictureSummary>& pictures)
{
    out += '[';
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (i > 0)
            out += ", ";
        const PictureSummary& p = pictures[i];
        if (!p.readable) {
            out += "{\"unreadable\": true}";
            continue;
        }
        out += "{\"type\": " + std::to_string(p.type) + ", \"mime\": ";
        appendJsonLatin1(out, p.mimeType);
        out += ", \"description\": ";
        appendJsonUtf8(out, p.description);
        out += ", \"bytes\": " + std::to_string(p.bytes) + ", \"width\": " + std::to_string(p.info.width) +
               ", \"height\": " + std::to_string(p.info.height) + '}';
    }
    out += ']';
}
