// A file's pictures for varnoli-cli's listings.
#include "picture_lines.h"

#include "json_lines.h"

#include "features/common/text.h"
#include "features/tagedit/pictures.h"

void appendPictureText(std::string& out, const PictureSummary& p)
{
    if (!p.readable && !p.empty) {
        out += "(unreadable picture)";
        return;
    }
    out += "type " + std::to_string(p.type) + ", ";
    appendReadable(out, p.mimeType);
    out += ", " + (p.empty ? std::string("no image") : pictureSizeText(p.info, p.bytes));
    if (!p.description.empty()) {
        out += ", \"";
        appendReadable(out, p.description);
        out += '"';
    }
}

void appendPictureLines(std::string& out, const std::vector<PictureSummary>& pictures)
{
    for (const PictureSummary& p : pictures) {
        out += "    Picture: ";
        appendPictureText(out, p);
        out += '\n';
    }
}

void appendPictureJson(std::string& out, const PictureSummary& p)
{
    if (!p.readable && !p.empty) {
        out += "{\"unreadable\": true}";
        return;
    }
    out += "{\"type\": " + std::to_string(p.type) + ", \"mime\": ";
    appendJsonLatin1(out, p.mimeType);
    out += ", \"description\": ";
    appendJsonUtf8(out, p.description);
    out += ", \"bytes\": " + std::to_string(p.bytes) + ", \"width\": " + std::to_string(p.info.width) +
           ", \"height\": " + std::to_string(p.info.height) + (p.empty ? ", \"empty\": true}" : "}");
}

void appendPicturesJson(std::string& out, const std::vector<PictureSummary>& pictures)
{
    out += '[';
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (i > 0)
            out += ", ";
        appendPictureJson(out, pictures[i]);
    }
    out += ']';
}
