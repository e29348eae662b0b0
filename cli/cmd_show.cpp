// varnoli-cli show: the seven fields of both tags of each file, for people or as JSON lines.
#include "command_line.h"
#include "commands.h"
#include "frame_lines.h"
#include "json_lines.h"
#include "picture_lines.h"

#include "indexed_listing.h"

#include "features/common/text.h"
#include "features/index/indexed_files.h"
#include "features/show/show_files.h"
#include "platform/file_system.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>

namespace {

// The members of each tag's object, in the order of the JSON lines.
struct JsonField {
    std::string_view key; // with its quotes, colon and leading separator
    TagField field;
};
constexpr JsonField kJsonFields[] = {
    {", \"title\": ", TagField::Title},     {", \"artist\": ", TagField::Artist},
    {", \"album\": ", TagField::Album},     {", \"year\": ", TagField::Year},
    {", \"genre\": ", TagField::Genre},     {", \"comment\": ", TagField::Comment},
    {", \"track\": ", TagField::Track},
};

// `more`: the ID3v2 tag's members beyond the seven and its pictures.
void appendTagJson(std::string& line, const TagRead& tag, const std::vector<PictureSummary>* pictures = nullptr,
                   const std::string& more = {})
{
    line += "{\"result\": ";
    line += std::to_string(tag.result);
    for (const JsonField& f : kJsonFields) {
        line += f.key;
        appendJsonUtf8(line, tag.fields[fieldIndex(f.field)]);
    }
    if (pictures) {
        line += ", \"pictures\": ";
        appendPicturesJson(line, *pictures);
    }
    line += more;
    line += '}';
}

// Seconds to the hundredth, kbit/s; null when no MPEG audio was found.
void appendAudioJson(std::string& line, const std::optional<AudioProperties>& audio)
{
    line += ", \"audio\": ";
    if (!audio) {
        line += "null";
        return;
    }
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.2f", audio->duration);
    line += "{\"duration\": ";
    line += duration;
    line += ", \"bitrate\": " + std::to_string(audio->bitrate);
    line += ", \"sample_rate\": " + std::to_string(audio->sampleRate);
    line += ", \"channels\": " + std::to_string(audio->channels);
    line += audio->vbr ? ", \"vbr\": true" : ", \"vbr\": false";
    line += audio->estimated ? ", \"estimated\": true}" : ", \"estimated\": false}";
}

void appendJsonLine(std::string& line, const std::string& path, const FileFields& read,
                    const std::vector<PictureSummary>& pictures, const std::string& more,
                    const std::optional<AudioProperties>& audio)
{
    line += "{\"file\": ";
    if (!appendJsonPath(line, path))
        (line += ", ") += kBytesEncodingMember;
    line += ", \"v1\": ";
    appendTagJson(line, read.v1);
    line += ", \"v2\": ";
    appendTagJson(line, read.v2, &pictures, more);
    appendAudioJson(line, audio);
    line += "}\n";
}

void appendTagBlock(std::string& out, const std::string& name, const TagRead& tag, bool v1,
                    const std::string& detail = {})
{
    if (tag.result == kErrNoTag || tag.result == kErrOffset) {
        out += "  no " + name + " tag\n";
        return;
    }
    if (unreadable(tag.result)) {
        out += "  " + name + ": could not be read (" + errorText(tag.result, detail) + ")\n";
        return;
    }
    out += "  " + name + (tag.result ? " (result " + std::to_string(tag.result) + "):\n" : ":\n");
    for (TagField f : kAllFields) {
        const std::string& text = tag.fields[fieldIndex(f)];
        if (text.empty() || (v1 && f == TagField::Track && text == "0"))
            continue;
        out += "    ";
        out += fieldName(f);
        out += ':';
        out.append(8 - std::string(fieldName(f)).size(), ' ');
        appendReadable(out, text);
        out += '\n';
    }
}

// The ID3v2 version is named only for a tag that loaded.
void appendTextBlock(std::string& out, const std::string& path, const FileFields& read, uint8_t version,
                     const std::string& detail, const std::vector<PictureSummary>& pictures,
                     const std::optional<AudioProperties>& audio)
{
    appendReadable(out, path);
    out += '\n';
    if (audio)
        out += "  audio:  " + audioSummary(*audio) + '\n';
    appendTagBlock(out, "ID3v1", read.v1, true);
    appendTagBlock(out, failed(read.v2.result) ? "ID3v2" : "ID3v2." + std::to_string(version), read.v2, false,
                   detail);
    appendPictureLines(out, pictures);
}

// What --json and --all add for the ID3v2 tag: its named fields, and with --all every frame.
struct ShownExtras {
    bool json = false, all = false;
    std::string text; // the buffer, kept from file to file

    const std::string& of(Tid3v2tag& v2, const FileFields& read, const std::vector<PictureSummary>& pictures)
    {
        text.clear();
        if (failed(read.v2.result) || (!json && !all))
            return text;
        const std::vector<PresentField> named = presentFields(v2);
        if (json)
            appendNamedFieldsJson(text, named);
        if (json && all)
            appendAllJson(text, v2, read.v2.fields, named, pictures);
        else if (all)
            appendAllLines(text, v2, named, pictures);
        return text;
    }
};

// A line per tag that could not be read; one for both when they failed alike, as a file
// that cannot be opened fails both.
bool reportReadFailures(std::ostream& err, const std::string& path, const FileFields& read, const std::string& detail)
{
    if (!unreadable(read.v1.result) && !unreadable(read.v2.result))
        return false;
    std::ostringstream v1Line, v2Line;
    if (unreadable(read.v1.result))
        printReadFailure(v1Line, path, read.v1.result);
    if (unreadable(read.v2.result))
        printReadFailure(v2Line, path, read.v2.result, detail);
    err << v1Line.str();
    if (v2Line.str() != v1Line.str())
        err << v2Line.str();
    return true;
}

// Prints each file as it comes, from its tags or from its index record.
struct ShowPrinter {
    std::ostream& out;
    std::ostream& err;
    ShownExtras extras;
    std::size_t shown = 0;
    bool anyUnreadable = false;
    std::string text; // one file's output, its buffer kept from file to file

    void print(const std::string& path, const FileFields& read, uint8_t version, const std::string& detail,
               const std::vector<PictureSummary>& pictures, const std::string& more,
               const std::optional<AudioProperties>& audio)
    {
        text.clear();
        if (extras.json) {
            appendJsonLine(text, path, read, pictures, more, audio);
        } else {
            if (shown++)
                text += '\n';
            appendTextBlock(text, path, read, version, detail, pictures, audio);
            text += more;
        }
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        for (const std::string& line : undecodableTexts(path, read.v2))
            err << "varnoli-cli show: " << line << '\n';
        anyUnreadable |= reportReadFailures(err, path, read, detail);
    }

    void print(const IndexRecord& record)
    {
        std::string& more = extras.text;
        more.clear();
        if (extras.json && !failed(record.fields.v2.result))
            appendNamedFieldsJson(more, record.named);
        print(record.path, record.fields, record.v2Version, record.v2ErrorDetail, record.pictures, more, record.audio);
    }
};

} // namespace

int cmdShow(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    ShowPrinter printer{out, err, ShownExtras{args.has("--json"), args.has("--all"), {}}, 0, false, {}};
    const bool subfolders = args.has("--recursive");
    // Every frame of --all is read from the file itself.
    std::unique_ptr<TagIndex> index = args.has("--all") ? nullptr : indexFor(args);
    Tid3tag v1;
    Tid3v2tag v2;
    std::optional<AudioProperties> audio;
    const auto show = [&](const std::string& path) {
        const FileFields read = readShownFields(path, v1, v2, &audio);
        const std::vector<PictureSummary> pictures = failed(read.v2.result) ? std::vector<PictureSummary>() : pictureSummaries(v2);
        const std::string& more = printer.extras.of(v2, read, pictures);
        printer.print(path, read, v2.Version, v2.ErrorDetail(), pictures, more, audio);
    };
    for (const std::string& path : args.operands()) {
        const UnreadableFolders unreadable =
            index && platform::directoryExists(path)
                ? forEachRecordOf(*index, path, subfolders, [&](const IndexRecord& record) { printer.print(record); })
                : forEachFileOf(path, subfolders, show);
        printer.anyUnreadable |= reportUnreadable(err, "show", unreadable);
    }
    out.flush();
    return printer.anyUnreadable ? kExitFileFailed : kExitOk;
}
