// Every command of varnoli-cli in one place: its name, usage text, options and code.
#include "command_line.h"

int cmdDump(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdSet(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdShow(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdSearch(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdRename(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdFromName(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdPlaylist(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdUndo(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdRepair(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdArt(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdConvert(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdCopy(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdStrip(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdAction(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdRun(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdCheck(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdFixEncoding(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdExport(const CommandArgs& args, std::ostream& out, std::ostream& err);
int cmdImport(const CommandArgs& args, std::ostream& out, std::ostream& err);

const char* const kProgramDescription =
    "The tag features of Varnoli without its window: the seven fields of ID3v1 and ID3v2 tags\n"
    "shown, set and searched, files renamed from their tags and tags filled from file names,\n"
    "M3U playlists, cover pictures, and every save and rename taken back by undo.\n";

const char* const kExitCodesText = "Exit codes: 0 success, 1 a file failed (said on stderr), 2 a usage error\n"
                                   "(what is wrong, then the usage line, on stderr; nothing is changed).\n";

const char* const kFilesText =
    "Files: the undo journal is kept in $XDG_STATE_HOME/varnoli/journal/ (else\n"
    "~/.local/state/varnoli/journal/), the records of saves that move the audio of a file in\n"
    "$XDG_STATE_HOME/varnoli/moves/; a record left by an interrupted save is reported before\n"
    "any command runs, and repair puts its file back. The tag index that show and search\n"
    "read folders through is $XDG_CACHE_HOME/varnoli/tags.db (else ~/.cache/varnoli/tags.db);\n"
    "deleting it loses nothing.\n";

namespace {

Option v1Only(const char* help) { return {"--v1", nullptr, help}; }
Option v2Only(const char* help) { return {"--v2", nullptr, help}; }
Option dryRun(const char* help) { return {"--dry-run", nullptr, help}; }
Option text(const char* names, const char* value, const char* help) { return {names, value, help, true}; }
Option noIndex()
{
    return {"--no-index", nullptr, "read every file, not the tag index in $XDG_CACHE_HOME/varnoli/"};
}
Option v1CodePage()
{
    return {"--v1-codepage", "CP", "read and write ID3v1 texts in this code page (cp1251, gbk, shift_jis, ...)", true};
}

// In the order of --help.
const std::vector<Command> kTable = {
    {"dump", "dump FILE...",
     "Prints each file's tags as one JSON line, every ID3v2 frame as loaded, for debugging.",
     {},
     "Use show to read the fields of many files.\n",
     1, "no file given", cmdDump},
    {"set",
     "set [--v1 | --v2] [--force] [--title T] [--artist A] [--album B] [--year Y] [--genre G] [--comment C] "
     "[--track N] [--field NAME=VALUE]... [--frame KEY=VALUE]... [--remove-field NAME]... [--remove-frame KEY]... "
     "[--v1-codepage CP] FILE...",
     "Saves the fields given into both tags of each file, as the \"ID3 Tags\" tab's save does.",
     {v1Only("save only the ID3v1 tag"), v2Only("save only the ID3v2 tag"),
      {"--force", nullptr, "also save a file with no tag whose first bytes are not MPEG audio"},
      text("--title", "T", "the title"),
      text("--artist", "A", "the artist"), text("--album", "B", "the album"),
      text("--year", "Y", "at most 4 characters unless --v2 leaves ID3v1 out"),
      text("--genre", "G", "for ID3v1 a name of the genre list (\"\" for none)"),
      text("--comment", "C", "the comment with an empty description"),
      text("--track", "N", "3/12 is track 3 of 12; ID3v1 takes the 3"),
      text("--field", "NAME=VALUE", "a named field (below); one of the seven as its own option"),
      text("--frame", "KEY=VALUE", "any ID3v2 frame by its key: TPE3, TXXX:desc, WXXX:desc, COMM:desc:eng, USLT::eng"),
      text("--remove-field", "NAME", "removes a named field"),
      text("--remove-frame", "KEY", "removes every frame the key names"), v1CodePage()},
     "An empty value (--title \"\") empties the field; fields not given keep each file's own value.\n"
     "Values are UTF-8 of any script; ID3v1 holds ISO-8859-1 only, so a character it cannot hold\n"
     "is saved there as \"?\" and named on stderr. Every save can be taken back by undo.\n"
     "Named fields in any letter case (beyond the seven, in the ID3v2 tag only): artist title album\n"
     "year genre comment track albumartist disc composer bpm compilation lyrics rating originalyear\n"
     "releasedate artistsort albumsort titlesort albumartistsort publisher copyright encodedby isrc\n"
     "grouping subtitle replaygain_track_gain replaygain_track_peak replaygain_album_gain\n"
     "replaygain_album_peak musicbrainz_trackid musicbrainz_albumid musicbrainz_artistid\n"
     "musicbrainz_albumartistid musicbrainz_releasegroupid.\n"
     "A disc is n or n/total, a bpm a whole number, a compilation 1 or 0, a rating 0 to 5 stars,\n"
     "an original year or release date 2001, 2001-05 or 2001-05-03. The options are applied in\n"
     "the order given; every value is checked before any file is touched.\n",
     1, "no file given", cmdSet},
    {"show", "show [--json] [--all] [-r] [--no-index] [--v1-codepage CP] PATH...",
     "Lists the seven fields of both tags and the pictures of each file, as the \"ID3 Tags\" tab shows them.",
     {{"-r, --recursive", nullptr, "also the MP3 files of every folder below, hidden folders skipped"},
      {"--json", nullptr, "one JSON object per file and line; the ID3v2 pictures as \"v2.pictures\""},
      {"--all", nullptr, "also every named field and every ID3v2 frame (\"v2.fields\", \"v2.frames\")"},
      noIndex(), v1CodePage()},
     "A folder stands for its MP3 files, sorted as the tab lists them, hidden ones left out.\n"
     "Without --json, control characters in names and tag texts are shown as \\xNN; a field of\n"
     "several values is shown joined by \"; \". With --json the ID3v2 tag's object also holds the\n"
     "named fields beyond the seven that the file has, one value a string, several an array.\n"
     "A folder's files are taken from the tag index where they are unchanged since it read them.\n"
     "Exit code 1 when a file or a folder could not be read.\n",
     1, "no file or folder given", cmdShow},
    {"search",
     "search FOLDER [--subfolders] [--filename X] [--artist X] [--title X] [--album X] [--year X] "
     "[--genre X] [--comment X] [--track X] [--field NAME=X]... [--exact FIELD,...] [--contains FIELD,...] "
     "[--min-duration S] [--max-duration S] [--min-bitrate K] [--max-bitrate K] [--ignore-accents] [--print0] "
     "[--no-index]",
     "Prints the files the \"Search\" tab finds, one full path a line.",
     {{"--subfolders", nullptr, "also the folders below it, hidden ones skipped"},
      // A name is compared as the file system's bytes, which need not be UTF-8.
      {"--filename", "X", "the file name starts with X"},
      text("--artist", "X", "the artist starts with X"), text("--title", "X", "the title starts with X"),
      text("--album", "X", "the album starts with X"), text("--year", "X", "the year starts with X"),
      text("--genre", "X", "the genre starts with X"), text("--comment", "X", "the comment starts with X"),
      text("--track", "X", "the track starts with X"),
      text("--field", "NAME=X", "the named field NAME (albumartist, disc, ...) starts with X; repeatable"),
      {"--exact", "FIELD,...", "these criteria match the whole value"},
      {"--contains", "FIELD,...", "these criteria match anywhere in the value"},
      {"--min-duration", "S", "the audio lasts at least S seconds"},
      {"--max-duration", "S", "the audio lasts at most S seconds"},
      {"--min-bitrate", "K", "the audio's average bitrate is at least K kbit/s"},
      {"--max-bitrate", "K", "the audio's average bitrate is at most K kbit/s"},
      {"--ignore-accents", nullptr, "letters match whatever accents they carry: cafe finds the accented one too"},
      {"--print0", nullptr, "each path as its bytes, unchanged, followed by a NUL, for scripts (xargs -0)"},
      noIndex()},
     "Criteria are UTF-8 of any script; letter case and composed or decomposed forms are ignored.\n"
     "FIELD: filename, artist, title, album, year, genre, comment, track, or a NAME given by\n"
     "--field, in any letter case. A file is found when any one criterion matches and its audio\n"
     "lies within every duration and bitrate bound given; bounds alone find every file within them.\n"
     "Without --print0, control characters in a path are shown as \\xNN.\n"
     "Exit code 1 when the folder or a folder below it could not be read.\n",
     1, "a FOLDER to search is needed", cmdSearch},
    {"rename", "rename [--v2] (--fields F1,F2,... [--delimiter D] [--track-digits N] | --pattern P) [--dry-run] FILE...",
     "Renames each file from its own tag fields, as the \"Filename Edit\" tab does.",
     {v2Only("the fields of the ID3v2 tag, not the ID3v1 tag"),
      {"--fields", "F1,F2,...", "the fields of the name in order, at most seven"},
      text("--pattern", "P", "the name as a pattern: \"[{disc}-]{track:02} {title}\"; \"/\" makes folders"),
      {"--delimiter", "D", "the text between two fields"},
      {"--track-digits", "N", "pads the track and the disc with zeros to N digits"},
      dryRun("prints the new names and renames nothing")},
     "Fields: Artist, Title, Album, Year, Genre, Comment, Track, in any letter case; with --v2 also\n"
     "any named field (albumartist, disc, composer, ...). A disc \"1/2\" gives \"1\", as a track does.\n"
     "Prints OLD -> NEW per file. When two files would get one name, a name is taken or invalid,\n"
     "nothing is renamed (exit 1). One undo takes back all renames of one command.\n"
     "A pattern: {name} for any named field, {name:02} zero-padded, [...] dropped when a field in\n"
     "it is empty, {upper:name} {lower:name} {title:name} {left:N:name} {replace:name:OLD:NEW};\n"
     "a \"/\" in a value becomes \"-\", one in the pattern makes folders below the file's folder.\n",
     1, "a FILE is needed", cmdRename},
    {"from-name", "from-name --pattern P [--v1 | --v2] [--dry-run] FILE...",
     "Fills tag fields from each file's name (without .mp3) by a pattern such as \"{track} - {artist} - "
     "{title}\".",
     {{"--pattern", "P", "the fields in braces and the text between them", true, true},
      v1Only("save only the ID3v1 tag"), v2Only("save only the ID3v2 tag"),
      dryRun("prints the fields and saves nothing")},
     "Fields in braces in any letter case: {artist} {title} {album} {year} {genre} {comment} {track},\n"
     "and any named field such as {albumartist} or {disc} (saved into the ID3v2 tag only);\n"
     "other text must match as it stands. Each field takes the shortest text up to the next text of\n"
     "the pattern; a field at the end takes the rest. A track \"03\" is saved as 3, a disc too.\n"
     "A value its field refuses (a disc \"x\") stops the command before any file is saved (exit 2).\n"
     "Saves both tags unless --v1 or --v2, through the undo journal.\n"
     "A name that does not match is reported and its file left alone (exit 1).\n",
     1, "a FILE is needed", cmdFromName},
    {"playlist", "playlist OUT.m3u FILE...",
     "Writes an extended M3U playlist of the files, as the \"Playlists\" tab does.",
     {},
     "",
     2, "the playlist file and at least one FILE are needed", cmdPlaylist},
    {"undo", "undo [--list | ID]", "Takes back the last save or rename not yet undone, or the one named by ID.",
     {{"--list", nullptr, "lists the journal's entries, newest first: ID, time, what was done, files"}},
     "A file changed since that save is left alone and named on stderr (exit 1).\n",
     0, "", cmdUndo},
    {"repair", "repair FILE...", "Puts back the audio of a file whose save was interrupted.",
     {},
     "",
     1, "name at least one file", cmdRepair},
    {"art", "art FILE... [--set IMAGE | --remove | --export OUT]",
     "Lists, sets, removes or exports the pictures of each file, as the \"ID3 Tags\" tab does.",
     {{"--set", "IMAGE", "a JPEG or PNG of at most 16 MiB becomes every file's front cover"},
      {"--remove", nullptr, "takes out every picture"},
      {"--export", "OUT", "writes the front cover (else the first picture) of the one FILE to OUT"}},
     "Without an option, each file's pictures are listed. --set and --remove can be undone.\n",
     1, "no file given", cmdArt},
    {"convert", "convert --to 2.3|2.4 FILE...",
     "Saves each file's ID3v2 tag as version 2.3 or 2.4, mapping the frames that differ.",
     {{"--to", "2.3|2.4", "the version to save", false, true}},
     "To 2.3: TDRC becomes TYER, TDAT and TIME, TDOR becomes TORY (what they cannot hold is kept\n"
     "as TXXX:TDRC or TXXX:TDOR), frames of 2.4 alone become TXXX:<ID>, several values are joined\n"
     "by \"/\", UTF-8 becomes UTF-16. To 2.4 the reverse, and TPE1, TCOM, TEXT, TOLY and TOPE\n"
     "are split at \"/\". Prints per file what it changed. One undo takes back the whole command.\n",
     1, "no file given", cmdConvert},
    {"copy", "copy --to v1|v2 FILE...",
     "Copies the seven fields of each file from its other tag into the tag named.",
     {{"--to", "v1|v2", "the tag that takes the fields", false, true}},
     "An empty field empties the other tag's. ID3v1 holds ISO-8859-1 only: a character it cannot\n"
     "hold is saved as \"?\" and named on stderr; a year keeps its first four characters, a genre\n"
     "outside its list becomes none. A file without the tag to copy from is left alone (exit 1).\n"
     "One undo takes back the whole command.\n",
     1, "no file given", cmdCopy},
    {"strip", "strip [--v1] [--v2] [--pictures] [--frame KEY]... FILE...",
     "Takes whole tags, pictures or frames out of each file, the audio left as it is.",
     {v1Only("removes the ID3v1 tag"), v2Only("removes the ID3v2 tag"),
      {"--pictures", nullptr, "removes every picture of the ID3v2 tag"},
      text("--frame", "KEY", "removes every ID3v2 frame the key names: TXXX:desc, COMM::eng, PRIV:owner")},
     "Prints per file what it removed. An ID3v2 tag left without frames is removed whole.\n"
     "One undo takes back the whole command, byte for byte.\n",
     1, "no file given", cmdStrip},
    // Actions and recipes.
    {"action",
     "action [--fields F1,...] (--case upper|lower|title|sentence | --replace OLD NEW | --regex PATTERN "
     "REPLACEMENT | --trim | --number [--per-folder] | --set-from PATTERN) [--dry-run] FILE...",
     "Changes chosen fields of every file at once: letter case, text, spaces, track numbers.",
     {{"--fields", "F1,...", "the named fields to change; the title when not given"},
      {"--case", "upper|lower|title|sentence", "Title Case keeps AC/DC, iPhone, roman numerals, \"of\", \"feat.\""},
      text("--replace", "OLD NEW", "replaces every OLD by NEW"),
      text("--regex", "PATTERN REPLACEMENT", "replaces each match; $1, $2 ... are its groups"),
      {"--trim", nullptr, "takes spaces off both ends and makes each run of them one"},
      {"--number", nullptr, "track n/total in the order given, and a disc from a \"CD2\" or \"Disc 2\" folder"},
      {"--per-folder", nullptr, "with --number, the files of each folder from 1"},
      text("--set-from", "PATTERN", "the one field of --fields from a pattern of other fields: \"{artist} - {album}\""),
      dryRun("prints file, field, before and after, and saves nothing")},
     "The ID3v2 tag's fields change; copy --to v1 brings the seven into the ID3v1 tag. A regular\n"
     "expression that does not compile, or a value its field refuses, stops the command before any\n"
     "file is touched. One undo takes back the whole command.\n",
     1, "no file given", cmdAction},
    {"run", "run RECIPE [--dry-run] FILE...",
     "Applies a recipe's actions, one after the other, as one batch, as the window's \"Actions\" does.",
     {dryRun("prints file, field, before and after, and saves nothing")},
     "RECIPE is a name of $XDG_CONFIG_HOME/varnoli/recipes/NAME.txt (else ~/.config/varnoli/...),\n"
     "or a path with a \"/\": one action a line in action's words, \"#\" lines are comments.\n",
     2, "a RECIPE and at least one FILE are needed", cmdRun},
    {"check", "check [--json] [--encoding] [--fix] [-r] [--v1-codepage CP] PATH...",
     "Says what is wrong with each file and album: damaged tags, tags that disagree, missing fields, and more.",
     {{"-r, --recursive", nullptr, "also the MP3 files of every folder below, hidden folders skipped"},
      {"--json", nullptr, "one JSON object per file and line, its problems as \"problems\""},
      {"--encoding", nullptr, "only the checks of texts written in a legacy code page"},
      {"--fix", nullptr, "applies every fix offered, as one batch that one undo takes back"}, v1CodePage()},
     "Each problem is a line FILE: SEVERITY: CHECK: TEXT, the severity error, warning or info.\n"
     "An album is the files of one folder that share an album name. A fixed file gets a line\n"
     "FILE: fixed: WHAT (with --json, \"fixed\"). Exit code 1 when any file has an error.\n"
     "With --encoding, a problem names the field, the code page guessed from all the file's texts\n"
     "and the text as it would read; genuine ISO-8859-1 text is never listed.\n",
     1, "no file or folder given", cmdCheck},
    {"fix-encoding", "fix-encoding [--from CP] [--dry-run] [--v1-codepage CP] PATH...",
     "Rewrites the texts written in a legacy code page as Unicode.",
     {text("--from", "CP", "the code page the texts are in, instead of the guess"),
      dryRun("only print FILE: FIELD: NOW -> AFTER (CODEPAGE) lines"), v1CodePage()},
     "ID3v2 texts are saved in ISO-8859-1 when they fit, else in UTF-16 (version 2.3) or UTF-8\n"
     "(2.4). ID3v1 texts are rewritten only in the code page --v1-codepage names; else they\n"
     "keep their bytes, said on stderr. One undo takes back the whole command, byte for byte.\n",
     1, "no file or folder given", cmdFixEncoding},
    // Tag tables.
    {"export", "export [--fields F1,F2,...] [--format csv|tsv|json] [-r] PATH...",
     "Writes one row per file to stdout: the column file, then the fields, as CSV, TSV or JSON Lines.",
     {{"--fields", "F1,F2,...", "the columns: named fields or frame keys (TPE3, TXXX:desc, COMM:desc:eng)", true},
      {"--format", "csv|tsv|json", "CSV (RFC 4180, the default), TSV, or one JSON object a line"},
      {"-r, --recursive", nullptr, "also the MP3 files of every folder below, hidden folders skipped"}},
     "Without --fields: the seven, then every named field any of the files has. One of the seven\n"
     "is the ID3v2 tag's value, else the ID3v1 tag's. Several values are joined by \"; \". CSV and\n"
     "TSV start with a header row; TSV writes a tab, a line break and a backslash in a value as\n"
     "\\t, \\n and \\\\. Exit code 1 when a file or a folder could not be read.\n",
     1, "no file or folder given", cmdExport},
    {"import", "import [--dry-run] [--base FOLDER] TABLE",
     "Writes what a table made by export says back into the files its rows name, as one batch.",
     {dryRun("prints FILE: FIELD: NOW -> AFTER for each change and writes nothing"),
      {"--base", "FOLDER", "the folder a relative file name is below, instead of the working folder"}},
     "TABLE's format comes from its name: .csv, .tsv (or .tab), .json (or .jsonl). Only cells that\n"
     "differ from what the file holds are written; an empty cell clears its field, a column left\n"
     "out is left alone. One of the seven goes into both tags as set writes it. Every changed\n"
     "value is checked before any file is touched: an unknown column or a value its field refuses\n"
     "stops the command (exit 2). Prints FILE: changed FIELDS per file; a row that names no file\n"
     "is said on stderr (exit 1). One undo takes back the whole import.\n",
     1, "a TABLE to import is needed", cmdImport},
};

} // namespace

const std::vector<Command>& commandTable() { return kTable; }
