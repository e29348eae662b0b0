// Tests of varnoli-cli with tag text in any script, against what mutagen writes and reads.
#include "support/id3v2_builder.h"
#include "tags/id3v1/id3.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// The seven fields, as JSON members; mutagen writes them and our reading is compared with its own.
const std::string kFields = R"({"title": "東京事変 – “Don’t Stop” 🎸", "artist": "Σοφία Παπαδοπούλου",
    "album": "Кино — Группа крови", "genre": "J-Pop", "track": "3/12",
    "comment": "line one\nline two — ünïcödé\r\nthree 😀"})";

// argv: file, ID3v2 version, encoding, fields as JSON. Adds the year only to version 2.3,
// where it is "TYER".
const char* kWrite = R"(
import sys, json, mutagen.id3 as m
path, version, enc, f = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), json.loads(sys.argv[4])
t = m.ID3()
for cls, key in ((m.TIT2, 'title'), (m.TPE1, 'artist'), (m.TALB, 'album'), (m.TCON, 'genre'), (m.TRCK, 'track')):
    t.add(cls(encoding=enc, text=f[key]))
t.add(m.COMM(encoding=enc, lang='eng', desc='', text=f['comment']))
if version == 3:
    t.add(m.TYER(encoding=enc, text='1999'))
t.save(path, v2_version=version)
)";

// argv: file, a JSON object of fields. Prints each field mutagen reads differently, and
// "enc KEY N" for each frame's encoding byte.
const char* kCompare = R"(
import sys, json, mutagen.id3 as m
t = m.ID3(sys.argv[1], load_v1=False, translate=False)
ours = json.loads(sys.argv[2])
ids = {'title': 'TIT2', 'artist': 'TPE1', 'album': 'TALB', 'genre': 'TCON', 'track': 'TRCK', 'year': 'TYER'}
for key, value in ours.items():
    if key in ('result', 'pictures'):
        continue
    if key == 'comment':
        frames = [c for c in t.getall('COMM') if c.desc == '']
    else:
        frames = t.getall(ids[key])
    theirs = frames[0].text[0] if frames else ''
    if theirs != value:
        print('differs', key, repr(value), repr(theirs))
    if frames:
        print('enc', key, int(frames[0].encoding))
)";

std::string v2Member(const std::string& jsonLine)
{
    const std::size_t start = jsonLine.find("\"v2\": "), end = jsonLine.rfind(", \"audio\": ");
    return start == std::string::npos || end == std::string::npos ? std::string()
                                                                   : jsonLine.substr(start + 6, end - start - 6);
}

} // namespace

TEST(CliUnicode, ShowPrintsEveryFieldAsMutagenReadsItInEachEncoding)
{
    const std::string python = mutagenPython();
    VARNOLI_NEED_MUTAGEN(python);
    TempDir dir;
    // Version and encoding: UTF-16 with byte order mark, UTF-16BE, UTF-8.
    const std::pair<int, int> cases[] = {{3, 1}, {4, 1}, {4, 2}, {4, 3}};
    for (const auto& [version, encoding] : cases) {
        SCOPED_TRACE("version " + std::to_string(version) + " encoding " + std::to_string(encoding));
        const std::string path = dir.write("song.mp3", audioPattern(3000));
        const CommandResult made =
            runProgram(python, {"-c", kWrite, path, std::to_string(version), std::to_string(encoding), kFields});
        ASSERT_EQ(0, made.exitCode) << made.err;
        const CommandResult shown = runCli({"show", "--json", path});
        ASSERT_EQ(0, shown.exitCode) << shown.err;
        EXPECT_EQ("", shown.err);
        const CommandResult compared = runProgram(python, {"-c", kCompare, path, v2Member(shown.out)});
        ASSERT_EQ(0, compared.exitCode) << compared.err << shown.out;
        EXPECT_EQ(std::string::npos, compared.out.find("differs")) << compared.out;
        EXPECT_NE(std::string::npos, shown.out.find("\"title\": \"東京事変 – “Don’t Stop” 🎸\"")) << shown.out;
    }
}

TEST(CliUnicode, SetStoresWhatMutagenReadsBackAndLatin1StaysLatin1)
{
    const std::string python = mutagenPython();
    VARNOLI_NEED_MUTAGEN(python);
    TempDir dir;
    for (const int version : {3, 4}) {
        SCOPED_TRACE("version " + std::to_string(version));
        const std::string path = dir.write("song.mp3", audioPattern(3000));
        ASSERT_EQ(0, runProgram(python, {"-c", kWrite, path, std::to_string(version), "0",
                                         R"({"title": "t", "artist": "a", "album": "b", "genre": "g", "track": "1",
                                             "comment": "c"})"})
                         .exitCode);
        const CommandResult set = runCli({"set", "--title", "Σοφία – 東京 🎸", "--artist", "Café Noir", "--comment",
                                          "один\nдва", "--album", "", path});
        ASSERT_EQ(0, set.exitCode) << set.err;
        // ID3v1 holds ISO-8859-1 only: one line per field that lost characters, the Latin-1 one not among them.
        EXPECT_NE(std::string::npos, set.err.find("ID3v1 Title field")) << set.err;
        EXPECT_NE(std::string::npos, set.err.find("ID3v1 Comment field")) << set.err;
        EXPECT_EQ(std::string::npos, set.err.find("Artist")) << set.err;
        Tid3tag v1;
        ASSERT_EQ(0, v1.LoadFromFile(path));
        EXPECT_EQ("????? ? ?? ?", v1.Title());
        EXPECT_EQ("Caf\xE9 Noir", v1.Artist());

        const std::string unicodeEncoding = version == 3 ? "1" : "3";
        const CommandResult compared = runProgram(
            python, {"-c", kCompare, path,
                     R"({"title": "Σοφία – 東京 🎸", "artist": "Café Noir", "comment": "один\nдва", "album": ""})"});
        ASSERT_EQ(0, compared.exitCode) << compared.err;
        EXPECT_EQ("enc title " + unicodeEncoding + "\nenc artist 0\nenc comment " + unicodeEncoding + "\n",
                  compared.out);
        // Found by the ID3v2 title, which the ID3v1 "?" copy does not hide: in lower case, or anywhere in it.
        EXPECT_EQ(path + "\n", runCli({"search", dir.path(), "--title", "σοφία"}).out);
        EXPECT_EQ("", runCli({"search", dir.path(), "--title", "東京"}).out);
        EXPECT_EQ(path + "\n", runCli({"search", dir.path(), "--title", "東京", "--contains", "title"}).out);
    }
}

TEST(CliUnicode, AnUndecodableFrameIsNamedNotSilentlyEmpty)
{
    TempDir dir;
    // A lone surrogate in UTF-16, and a broken UTF-8 sequence.
    const std::string path = dir.write(
        "bad.mp3", concat({Id3v2Bytes(4).frame("TIT2", {1, 0xFF, 0xFE, 0x00, 0xD8, 'x', 0}).frame("TALB", {3, 'a', 0xC3}).bytes(),
                           audioPattern(500)}));
    const CommandResult r = runCli({"show", "--json", path});
    EXPECT_EQ(0, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("the ID3v2 Title frame of '" + path + "' could not be decoded")) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("the ID3v2 Album frame")) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("\"title\": \"\"")) << r.out;
}

TEST(CliUnicode, FromNameFillsTheTagsMutagenReadsAndUndoPutsTheFileBack)
{
    const std::string python = mutagenPython();
    VARNOLI_NEED_MUTAGEN(python);
    TempDir dir, state;
    const ScopedEnv stateHome("XDG_STATE_HOME", state.path());
    const Bytes song = concat({audioPattern(3000), id3v1Record("", "", "", "", "", 255)});
    const std::string path = dir.write("03 - Bj\xC3\xB6rk - J\xC3\xB3ga.mp3", song);
    const std::string odd = dir.write("Intro.mp3", song);

    const auto dry = runCli({"from-name", "--pattern", "{Track} - {ARTIST} - {title}", "--dry-run", path, odd});
    EXPECT_EQ(1, dry.exitCode);
    EXPECT_EQ(path + ": Artist \"Bj\xC3\xB6rk\", Title \"J\xC3\xB3ga\", Track \"3\"\n", dry.out);
    EXPECT_NE(std::string::npos, dry.err.find("'" + odd + "' does not match the pattern")) << dry.err;
    EXPECT_EQ(song, readFile(path));

    const auto filled = runCli({"from-name", "--pattern", "{track} - {artist} - {title}", path, odd});
    EXPECT_EQ(1, filled.exitCode) << filled.err;
    EXPECT_EQ(song, readFile(odd));
    const auto read = runProgram(python, {"-c", R"(
import sys, mutagen.id3 as m
t = m.ID3(sys.argv[1])
print(t['TRCK'].text[0], t['TPE1'].text[0], t['TIT2'].text[0], sep='|')
)", path});
    EXPECT_EQ("3|Bj\xC3\xB6rk|J\xC3\xB3ga\n", read.out) << read.err;
    Tid3tag v1;
    ASSERT_LT(v1.LoadFromFile(path), 256);
    EXPECT_EQ(3, v1.Track());

    EXPECT_EQ(0, runCli({"undo"}).exitCode);
    EXPECT_EQ(song, readFile(path));
    EXPECT_EQ(2, runCli({"from-name", "--pattern", "{track}{title}", path}).exitCode);
}
