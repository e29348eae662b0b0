// varnoli-cli dump: each file's tags as one JSON line, as fresh tag objects load them.
#include "commands.h"
#include "json_lines.h"

#include "tags/id3.h"

#include <ostream>

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

} // namespace

int cmdDump(const Args& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        err << "usage: varnoli-cli dump FILE...\n";
        return kExitUsage;
    }
    for (const std::string& path : args) {
        if (!path.empty() && path[0] == '-') {
            err << "varnoli-cli dump: unknown option '" << path << "'\n";
            return kExitUsage;
        }
    }
    for (const std::string& path : args)
        out << JsonObject().path("file", path).raw("v1", v1Member(path)).str() << '\n';
    return kExitOk;
}
