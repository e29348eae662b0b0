// The help texts of varnoli-cli's commands.
#include "usage.h"

#include "commands.h"

#include "features/common/mp3_folder.h"
#include "features/common/text.h"
#include "tags/core/tag_result.h"

#include <cstring>
#include <ostream>
#include <string>

const char* const kDumpUsage =
    "dump FILE...\n"
    "Prints each file's tags as one JSON line, every ID3v2 frame as loaded, for debugging.\n"
    "Use show to read the fields of many files.\n";

const char* const kSetUsage =
    "set [--v1 | --v2] [--title T] [--artist A] [--album B] [--year Y] [--genre G] [--comment C] [--track N] FILE...\n"
    "Saves the fields given into both tags of each file, as the \"ID3 Tags\" tab's save does.\n"
    "  --v1, --v2      save only that tag\n"
    "  --genre G       for ID3v1 a name of the genre list (\"\" for none)\n"
    "  --title \"\"      an empty value empties the field\n"
    "  --track 3/12    track 3 of 12; ID3v1 takes the 3\n"
    "  --year Y        at most 4 characters unless --v2 leaves ID3v1 out\n"
    "Fields not given keep each file's own value. Values are UTF-8 of any script; ID3v1 holds\n"
    "ISO-8859-1 only, so a character it cannot hold is saved there as \"?\" and named on stderr.\n";

const char* const kShowUsage =
    "show [--json] [-r] PATH...\n"
    "Lists the seven fields of both tags and the pictures of each file, as the \"ID3 Tags\" tab shows them.\n"
    "A folder stands for its MP3 files, sorted as the tab lists them, hidden ones left out.\n"
    "  -r, --recursive  also the MP3 files of every folder below, hidden folders skipped\n"
    "  --json           one JSON object per file and line; the ID3v2 pictures as \"v2.pictures\"\n"
    "Without --json, control characters in names and tag texts are shown as \\xNN.\n"
    "Exit code 1 when a file or a folder could not be read.\n";

const char* const kSearchUsage =
    "search FOLDER [--subfolders] [--filename X] [--artist X] [--title X] [--album X] [--year X] "
    "[--genre X] [--comment X] [--track X] [--exact FIELD,...] [--contains FIELD,...] [--print0]\n"
    "Prints the files the \"Search\" tab finds, one full path a line.\n"
    "Criteria are UTF-8 of any script; letter case and composed or decomposed forms are ignored.\n"
    "A criterion matches the start of a value, all of it with --exact, anywhere with --contains\n"
    "(FIELD: filename, artist, title, album, year, genre, comment, track, in any letter case).\n"
    "  --subfolders  also the folders below it, hidden ones skipped\n"
    "  --print0      each path as its bytes, unchanged, followed by a NUL, for scripts (xargs -0)\n"
    "Without --print0, control characters in a path are shown as \\xNN.\n"
    "Exit code 1 when the folder or a folder below it could not be read.\n";

const char* const kRenameUsage =
    "rename [--v2] --fields F1,F2,... [--delimiter D] [--track-digits N] [--dry-run] FILE...\n"
    "Renames each file from its own tag fields, as the \"Filename Edit\" tab does.\n"
    "Fields: Artist, Title, Album, Year, Genre, Comment, Track, in any letter case; at most seven.\n"
    "The ID3v1 tag unless --v2; --track-digits N pads the track with zeros to N digits.\n"
    "Prints OLD -> NEW per file. When two files would get one name, a name is taken or invalid,\n"
    "nothing is renamed (exit 1). One undo takes back all renames of one command.\n";

const char* const kFromNameUsage =
    "from-name --pattern P [--v1 | --v2] [--dry-run] FILE...\n"
    "Fills tag fields from each file's name (without .mp3) by a pattern such as \"{track} - {artist} - {title}\".\n"
    "Fields in braces in any letter case: {artist} {title} {album} {year} {genre} {comment} {track};\n"
    "other text must match as it stands. Each field takes the shortest text up to the next text of\n"
    "the pattern; a field at the end takes the rest. A track \"03\" is saved as 3.\n"
    "Saves both tags unless --v1 or --v2, through the undo journal; --dry-run prints the fields.\n"
    "A name that does not match is reported and its file left alone (exit 1).\n";

const char* const kPlaylistUsage = "playlist OUT.m3u FILE...\n"
                                   "Writes an extended M3U playlist of the files, as the \"Playlists\" tab does.\n";

const char* const kUndoUsage = "undo [--list | ID]\n"
                               "Takes back the last save or rename not yet undone, or the one named by ID.\n";

const char* const kRepairUsage = "repair FILE...\n"
                                 "Puts back the audio of a file whose save was interrupted.\n";

const char* const kArtUsage =
    "art FILE... [--set IMAGE | --remove | --export OUT]\n"
    "Lists, sets, removes or exports the pictures of each file, as the \"ID3 Tags\" tab does.\n"
    "  --set IMAGE   a JPEG or PNG of at most 16 MiB becomes every file's front cover\n"
    "  --remove      takes out every picture\n"
    "  --export OUT  writes the front cover (else the first picture) of the one FILE to OUT\n"
    "Without an option, each file's pictures are listed. --set and --remove can be undone.\n";

namespace {

// The text's line `index` (0: the synopsis), without its line break.
std::string lineOf(const char* usage, int index)
{
    const char* start = usage;
    for (; index > 0 && start; --index) {
        start = std::strchr(start, '\n');
        if (start)
            ++start;
    }
    if (!start)
        return {};
    const char* end = std::strchr(start, '\n');
    return end ? std::string(start, end) : std::string(start);
}

} // namespace

void printUsageLine(std::ostream& s, const char* usage) { s << "usage: varnoli-cli " << lineOf(usage, 0) << '\n'; }

void printCommandHelp(std::ostream& s, const char* usage)
{
    printUsageLine(s, usage);
    const char* rest = std::strchr(usage, '\n');
    if (rest && rest[1])
        s << '\n' << rest + 1;
}

void printCommandSummary(std::ostream& s, const char* usage)
{
    s << "  varnoli-cli " << lineOf(usage, 0) << "\n      " << lineOf(usage, 1) << '\n';
}

void printLine(std::ostream& s, const std::string& text)
{
    std::string line;
    line.reserve(text.size() + 1);
    appendReadable(line, text);
    line += '\n';
    s.write(line.data(), static_cast<std::streamsize>(line.size()));
}

void printReadFailure(std::ostream& err, const std::string& path, TagResult result, const std::string& detail)
{
    printLine(err, path + ": Error #" + std::to_string(result) + "! Could not read Tag! (" +
                       (detail.empty() ? resultText(result) : detail) + ")");
}

bool reportUnreadable(std::ostream& err, const char* command, const std::vector<UnreadableFolder>& folders)
{
    for (const UnreadableFolder& folder : folders)
        err << "varnoli-cli " << command << ": " << unreadableFolderText(folder) << '\n';
    return !folders.empty();
}

std::nullopt_t usageError(std::ostream& err, const char* command, const std::string& problem)
{
    printLine(err, std::string("varnoli-cli ") + command + ": " + problem);
    return std::nullopt;
}

bool utf8Argument(std::ostream& err, const char* command, const std::string& option, const std::string& value)
{
    if (isUtf8(value))
        return true;
    usageError(err, command, option + ": the value must be UTF-8 text");
    return false;
}
