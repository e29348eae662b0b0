// Tests of varnoli-cli on tags as other programs write them, with mutagen as the judge.
#include "support/id3v2_builder.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;

namespace {

// argv: file, the line `show --json` printed for it. Prints each field mutagen reads otherwise:
// the year is the first four characters of the recording time, the genre the first it names.
const char* kCompare = R"(
import sys, json, mutagen.id3 as m
t = m.ID3(sys.argv[1], load_v1=False)
def first(fid):
    f = t.getall(fid)
    return str(f[0].text[0]) if f and f[0].text else ''
comments = [c for c in t.getall('COMM') if c.desc == '']
genres = t.getall('TCON')[0].genres if t.getall('TCON') else []
theirs = {'title': first('TIT2'), 'artist': first('TPE1'), 'album': first('TALB'), 'year': first('TDRC')[:4],
          'genre': genres[0] if genres else '', 'comment': comments[0].text[0] if comments else '',
          'track': first('TRCK')}
ours = json.loads(sys.argv[2])['v2']
for key, value in theirs.items():
    if ours[key] != value:
        print('differs', key, repr(ours[key]), repr(value))
)";

// argv: file, version, then frame ID and text pairs; TCON texts may hold "\0" between values.
const char* kWrite = R"(
import sys, mutagen.id3 as m
path, version, pairs = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
t = m.ID3()
for fid, text in zip(pairs[::2], pairs[1::2]):
    t.add(m.Frames[fid](encoding=3 if version == 4 else 1, text=text.split('\\0')))
t.save(path, v2_version=version)
)";

// argv: file. The frames as mutagen sees them untranslated, one a line, comments with language.
const char* kFrames = R"(
import sys, mutagen.id3 as m
t = m.ID3(sys.argv[1], load_v1=False, translate=False)
for f in t.values():
    print(f.FrameID, f.lang + ':' + f.text[0] if f.FrameID == 'COMM' else f.text[0])
)";

void expectSameAsMutagen(const std::string& python, const std::string& path)
{
    SCOPED_TRACE(path);
    const CommandResult shown = runCli({"show", "--json", path});
    ASSERT_EQ(0, shown.exitCode) << shown.err;
    EXPECT_EQ("", shown.err);
    const CommandResult compared = runProgram(python, {"-c", kCompare, path, shown.out});
    ASSERT_EQ(0, compared.exitCode) << compared.err;
    EXPECT_EQ("", compared.out) << shown.out;
}

Bytes latin1(const std::string& s)
{
    return concat({{0}, bytesOf(s)});
}

} // namespace

TEST(CliCompat, ShowReadsWhatOtherProgramsWroteAsMutagenDoes)
{
    const std::string python = mutagenPython();
    VARNOLI_NEED_MUTAGEN(python);
    TempDir dir;
    // Made once by eyeD3 (v2.4, UTF-8, a full recording date), kid3-cli (v2.3, UTF-16),
    // ffmpeg (v2.4, "(17)Rock") and lame (its comment's empty description has no byte order mark).
    for (const auto& e : std::filesystem::directory_iterator(VARNOLI_TEST_DATA))
        expectSameAsMutagen(python, e.path().string());
    // Years and genres as mutagen writes them; a v2.3 tag with only "TDRC", as some programs write it.
    const std::vector<std::vector<std::string>> written = {
        {"4", "TDRC", "2001-05-03T10:00", "TCON", "(13)", "TIT2", "x"},
        {"4", "TDRC", "1987", "TCON", "13"},
        {"4", "TCON", "(13)Pop", "TYER", "1990"},
        {"4", "TCON", "Rock\\0Pop", "COMM", "c"},
        {"4", "TCON", "(20)(13)Jazz"},
        {"4", "TCON", "((Round) brackets"},
        {"3", "TYER", "1999", "TCON", "(RX)"},
        {"3", "TDRC", "2002", "TCON", "Pop Rock"},
    };
    for (std::vector<std::string> args : written) {
        const std::string path = dir.write("w.mp3", audioPattern(1000));
        args.insert(args.begin(), {"-c", kWrite, path});
        const CommandResult made = runProgram(python, args);
        ASSERT_EQ(0, made.exitCode) << made.err;
        expectSameAsMutagen(python, path);
    }
    if (corpusPresent())
        for (const char* name : {"itunes10.mp3", "id3v22-tda.mp3"})
            expectSameAsMutagen(python, copyCorpusFile(dir, name));
}

TEST(CliCompat, SetWritesTheYearIntoTheVersionsFrameAndKeepsTheCommentsLanguage)
{
    const std::string python = mutagenPython();
    VARNOLI_NEED_MUTAGEN(python);
    TempDir dir;
    // A stray "TYER" beside "TDRC" in a v2.4 tag, a French comment.
    const std::string v4 = dir.write(
        "v4.mp3", concat({Id3v2Bytes(4)
                              .frame("TDRC", latin1("2001-05-03"))
                              .frame("TYER", latin1("1999"))
                              .frame("COMM", concat({{0}, bytesOf("fra"), {0}, bytesOf("vieux")}))
                              .bytes(),
                          audioPattern(1000)}));
    const std::string v3 = dir.write(
        "v3.mp3", concat({Id3v2Bytes(3).frame("TYER", latin1("1999")).frame("TDRC", latin1("1998")).bytes(),
                          audioPattern(1000)}));
    std::filesystem::copy_file(std::string(VARNOLI_TEST_DATA) + "/lame.mp3", dir.file("lame.mp3"));
    const std::string lame = dir.file("lame.mp3");
    std::filesystem::permissions(lame, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);

    const CommandResult set = runCli({"set", "--year", "2024", "--comment", "neu", v4, v3, lame});
    ASSERT_EQ(0, set.exitCode) << set.err;
    const auto frames = [&](const std::string& path) { return runProgram(python, {"-c", kFrames, path}).out; };
    EXPECT_EQ("TDRC 2024\nCOMM fra:neu\n", frames(v4));
    EXPECT_EQ("TYER 2024\nCOMM eng:neu\n", frames(v3));
    // lame's comment is replaced, not joined by a second one.
    const std::string lameFrames = frames(lame);
    EXPECT_NE(std::string::npos, lameFrames.find("COMM eng:neu\n")) << lameFrames;
    EXPECT_EQ(lameFrames.find("COMM"), lameFrames.rfind("COMM")) << lameFrames;
    EXPECT_NE(std::string::npos, lameFrames.find("TYER 2024\n")) << lameFrames;
    for (const std::string& path : {v4, v3, lame})
        expectSameAsMutagen(python, path);
    // The year, found by search as shown.
    EXPECT_EQ(lame + "\n" + v3 + "\n" + v4 + "\n", runCli({"search", dir.path(), "--year", "2024"}).out);
}

TEST(CliCompat, SetTakesTrackAndTotalAndRefusesAYearId3v1CannotHold)
{
    TempDir dir;
    const Bytes song = concat({Id3v2Bytes(3).frame("TIT2", latin1("t")).bytes(), audioPattern(1000)});
    const std::string path = dir.write("a.mp3", song);
    for (const char* year : {"20245", "2024-05", "１９９９年"}) {
        const CommandResult r = runCli({"set", "--year", year, "--title", "x", path});
        EXPECT_EQ(2, r.exitCode) << year;
        EXPECT_NE(std::string::npos, r.err.find("more than 4 characters")) << r.err;
        EXPECT_EQ(song, readFile(path));
    }
    EXPECT_EQ(2, runCli({"set", "--track", "3/x", path}).exitCode);
    EXPECT_EQ(song, readFile(path));

    ASSERT_EQ(0, runCli({"set", "--track", "3/12", "--year", "１９９９", path}).exitCode);
    Tid3tag v1;
    ASSERT_EQ(kOk, v1.LoadFromFile(path));
    EXPECT_EQ(3, v1.Track());
    EXPECT_EQ("3/12", v2TextOf(path, "TRCK"));
    // Only the ID3v1 tag limits the year.
    ASSERT_EQ(0, runCli({"set", "--v2", "--year", "2024-05-03", path}).exitCode);
    EXPECT_EQ("2024-05-03", v2TextOf(path, "TYER"));
}

TEST(CliCompat, SavingAVersion22TagNamesTheFramesItDrops)
{
    const auto frame22 = [](const std::string& id, const Bytes& data) {
        const auto n = static_cast<uint8_t>(data.size());
        return concat({bytesOf(id), {0, 0, n}, data});
    };
    TempDir dir;
    const std::string path = dir.write(
        "old.mp3", concat({Id3v2Bytes(2)
                               .raw(frame22("TT2", latin1("Title")))
                               .raw(frame22("CRM", concat({bytesOf("owner"), {0}, bytesOf("x"), {0}, Bytes(8, 1)})))
                               .raw(frame22("XYZ", latin1("private")))
                               .bytes(),
                           audioPattern(1000)}));
    const CommandResult r = runCli({"set", "--v2", "--album", "New", path});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("'" + path +
                  "': its ID3v2.2 tag was saved as version 2.3 without the frames CRM, XYZ, which version 2.3 "
                  "has no place for; undoing the save brings them back.\n",
              r.err);
    EXPECT_EQ("Title", v2TextOf(path, "TIT2"));
    EXPECT_EQ(3, readFile(path)[3]);
    // Saved again, the tag is version 2.3 and nothing more is dropped.
    EXPECT_EQ("", runCli({"set", "--v2", "--album", "Newer", path}).err);
}
