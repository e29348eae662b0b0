// varnoli-cli dump: each file's tags as one JSON line, as fresh tag objects load them.
#include "command_line.h"
#include "commands.h"
#include "json_lines.h"

#include "features/common/tag_fields.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <ostream>
#include <tuple>

namespace {

std::string v1Member(const std::string& path)
{
    Tid3tag tag;
    const TagResult result = tag.LoadFromFile(path);
    return JsonObject()
        .number("result", result)
        .text("title", tag.Title())
        .text("artist", tag.Artist())
        .text("album", tag.Album())
        .text("year", tag.Year())
        .text("comment", tag.Comment())
        .number("genre", tag.Genre)
        .number("track", tag.Track())
        .boolean("has_track", tag.HasTrack())
        .boolean("read_only", tag.ReadOnlyFile())
        .str();
}

std::string hex(const std::vector<uint8_t>& data)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(2 + data.size() * 2);
    out += '"';
    for (uint8_t b : data) {
        out += digits[b >> 4];
        out += digits[b & 0x0F];
    }
    out += '"';
    return out;
}

// The frame list exactly as the load left it, before any text is read.
std::string framesMember(const TFrameIndex& frames)
{
    std::string out = "[";
    for (uint32_t i = 1; i <= frames.Count(); ++i) {
        const TFrameRecord& f = frames.Frame(i);
        if (i > 1)
            out += ", ";
        out += JsonObject()
                   .text("id", f.FrameID)
                   .number("status_flags", f.Flags[0])
                   .number("format_flags", f.Flags[1])
                   .number("stored_format_flags", f.StoredFlags[1])
                   .number("data_length", f.DataLength)
                   .number("group_id", f.GroupID)
                   .number("encryption_method", f.EncryptionMethod)
                   .raw("data_hex", hex(f.Data))
                   .str();
    }
    return out + "]";
}

// The seven fields through the engine's 8-bit accessors; unreadable fields are empty.
std::string fieldsMember(Tid3v2tag& tag)
{
    JsonObject fields;
    std::string text;
    for (TagField f : kAllFields) {
        std::string key = fieldName(f);
        key[0] = static_cast<char>(key[0] - 'A' + 'a');
        if (f == TagField::Comment) {
            TCommentFrame comment;
            std::ignore = tag.GetComment(comment, "", "None");
            text = comment.Text;
        } else {
            std::ignore = tag.GetTextFrame(v2FrameId(f), text);
        }
        fields.text(key.c_str(), text);
    }
    return fields.str();
}

std::string v2Member(const std::string& path)
{
    Tid3v2tag tag;
    const TagResult result = tag.LoadFromFile(path, 0);
    const std::string frames = framesMember(tag.FrameIndex());
    return JsonObject()
        .number("result", result)
        .number("version", tag.Version)
        .number("revision", tag.Revision)
        .number("flags", tag.Flags)
        .number("ext_flags", tag.ExtFlags)
        .number("tag_size", tag.TagSize)
        .number("padding_size", tag.PaddingSize)
        .number("ext_header_size", tag.ExtHeaderSize)
        .number("crc32", tag.CRC32)
        .number("restrictions", tag.Restrictions)
        .raw("frames", frames)
        .raw("fields", fieldsMember(tag))
        .str();
}

} // namespace

int cmdDump(const CommandArgs& args, std::ostream& out, std::ostream&)
{
    for (const std::string& path : args.operands())
        out << JsonObject().path("file", path).raw("v1", v1Member(path)).raw("v2", v2Member(path)).str() << '\n';
    return kExitOk;
}
