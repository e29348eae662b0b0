// Tests of the named fields and frame keys in varnoli-cli set and show, with mutagen as the judge.
#include "support/id3v2_builder.h"

#include <gtest/gtest.h>


using namespace testsupport;

namespace {

class CliFields : public ::testing::Test {
protected:
    std::string song(const std::string& name, uint8_t version = 4)
    {
        return dir.write(name, concat({Id3v2Bytes(version).frame("TIT2", {0, 'T'}).padding(20).bytes(),
                                       audioPattern(400), id3v1Record("T", "", "", "", "", 0)}));
    }

    TempDir state, dir;

private:
    const ScopedEnv m_stateHome{"XDG_STATE_HOME", state.path()};
};

// Every named field beyond the seven, with a value its rule takes.
const std::vector<std::pair<std::string, std::string>> kValues = {
    {"albumartist", "Various \xC3\x84rtists"}, {"disc", "1/2"}, {"composer", "Dvo\xC5\x99\xC3\xA1k"},
    {"bpm", "120"}, {"compilation", "1"}, {"lyrics", "Line one\nLine two"}, {"rating", "4"},
    {"originalyear", "1999"}, {"releasedate", "2001-05-03"}, {"artistsort", "Beatles, The"},
    {"albumsort", "Abbey"}, {"titlesort", "Come"}, {"albumartistsort", "VA"}, {"publisher", "Apple"},
    {"copyright", "\xC2\xA9 1969"}, {"encodedby", "lame"}, {"isrc", "GBAYE0601690"}, {"grouping", "Rock"},
    {"subtitle", "Remaster"}, {"replaygain_track_gain", "-6.20 dB"}, {"replaygain_track_peak", "0.988"},
    {"replaygain_album_gain", "-7.00 dB"}, {"replaygain_album_peak", "1.000"},
    {"musicbrainz_trackid", "0f3c-track"}, {"musicbrainz_albumid", "1a2b-album"},
    {"musicbrainz_artistid", "3c4d-artist"}, {"musicbrainz_albumartistid", "5e6f-aa"},
    {"musicbrainz_releasegroupid", "7a8b-rg"},
};

// argv: the frames expected in a v2.3 and in a v2.4 tag (JSON, by mutagen's keys), then the
// files. Prints each file whose frames mutagen reads otherwise.
const char* kCheckFrames = R"(
import sys, json, mutagen.id3 as m
want = json.loads(sys.argv[1])
for path in sys.argv[2:]:
    t = m.ID3(path, load_v1=False, translate=False)
    got = {}
    for f in t.values():
        if f.FrameID == 'POPM': got[f.HashKey] = str(f.rating)
        elif f.FrameID == 'UFID': got[f.HashKey] = f.data.decode()
        elif f.FrameID == 'USLT': got[f.HashKey] = f.text
        else: got[f.HashKey] = '\0'.join(str(x) for x in f.text)
    if got != want[str(t.version[1])]:
        print(path, sorted(got.items()))
)";

// What mutagen reads of kValues, in a tag of each version.
std::string expectedFrames()
{
    const std::vector<std::pair<std::string, std::string>> keys = {
        {"TPE2", "albumartist"}, {"TPOS", "disc"}, {"TCOM", "composer"}, {"TBPM", "bpm"}, {"TCMP", "compilation"},
        {"USLT::eng", "lyrics"}, {"TSOP", "artistsort"}, {"TSOA", "albumsort"}, {"TSOT", "titlesort"},
        {"TSO2", "albumartistsort"}, {"TPUB", "publisher"}, {"TCOP", "copyright"}, {"TENC", "encodedby"},
        {"TSRC", "isrc"}, {"TIT1", "grouping"}, {"TIT3", "subtitle"},
        {"TXXX:REPLAYGAIN_TRACK_GAIN", "replaygain_track_gain"},
        {"TXXX:REPLAYGAIN_TRACK_PEAK", "replaygain_track_peak"},
        {"TXXX:REPLAYGAIN_ALBUM_GAIN", "replaygain_album_gain"},
        {"TXXX:REPLAYGAIN_ALBUM_PEAK", "replaygain_album_peak"},
        {"UFID:http://musicbrainz.org", "musicbrainz_trackid"}, {"TXXX:MusicBrainz Album Id", "musicbrainz_albumid"},
        {"TXXX:MusicBrainz Artist Id", "musicbrainz_artistid"},
        {"TXXX:MusicBrainz Album Artist Id", "musicbrainz_albumartistid"},
        {"TXXX:MusicBrainz Release Group Id", "musicbrainz_releasegroupid"}};
    std::string common = "\"TIT2\": \"T\", \"POPM:\": \"196\"";
    for (const auto& [key, name] : keys)
        for (const auto& [n, value] : kValues)
            if (n == name) {
                std::string escaped = value;
                for (std::size_t at; (at = escaped.find('\n')) != std::string::npos;)
                    escaped.replace(at, 1, "\\n");
                common += ", \"" + key + "\": \"" + escaped + "\"";
            }
    return "{\"3\": {" + common + ", \"TORY\": \"1999\", \"TXXX:RELEASETIME\": \"2001-05-03\"}, \"4\": {" + common +
           ", \"TDOR\": \"1999\", \"TDRL\": \"2001-05-03\"}}";
}

} // namespace

TEST_F(CliFields, BadNamesKeysAndValuesAreRefusedBeforeAnyFileIsTouched)
{
    const std::string file = song("a.mp3");
    const Bytes before = readFile(file);
    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{"--field", "disc=x"}, "disc: 'x' is not \"n\" or \"n/total\""},
        {{"--field", "rating=6"}, "rating: '6' is not 0 to 5 stars"},
        {{"--field", "bpm=fast"}, "bpm: 'fast' is not a whole number"},
        {{"--field", "compilation=yes"}, "compilation: 'yes' is not \"1\" or \"0\""},
        {{"--field", "originalyear=99"}, "originalyear: '99' is not a date"},
        {{"--field", "mood=calm"}, "'mood' is not a field name"},
        {{"--remove-field", "mood"}, "'mood' is not a field name"},
        {{"--field", "albumartist"}, "--field takes NAME=VALUE"},
        {{"--frame", "TX=1"}, "'TX' is not a frame key"},
        {{"--remove-frame", "TXXXX"}, "'TXXXX' is not a frame key"},
        {{"--frame", "APIC=x"}, "a picture is set from an image file"},
        {{"--frame", "WOAR=http://\xE2\x82\xAC"}, "ISO-8859-1"},
        {{"--v1", "--field", "albumartist=X"}, "--v1 leaves out the ID3v2 tag"},
        // Checked before any file, though a good option comes first.
        {{"--title", "New", "--field", "disc=1/x"}, "disc: '1/x'"},
    };
    for (const auto& [args, message] : bad) {
        const CommandResult r = runCli(with(with({"set"}, args), {file}));
        EXPECT_EQ(2, r.exitCode) << args.back();
        EXPECT_NE(std::string::npos, r.err.find(message)) << r.err;
        EXPECT_EQ(before, readFile(file)) << args.back();
    }
}

TEST_F(CliFields, SetAndShowFieldsAndFramesOfEveryKind)
{
    const std::string file = song("a.mp3", 3);
    const CommandResult set =
        runCli({"set", "--field", "ARTIST=Both", "--field", "disc=1/2", "--frame", "TXXX:Mood=calm", "--frame",
                "COMM:note:deu=Hallo", "--frame", "WXXX:site=http://x.org", "--field", "rating=4", "--frame",
                "TPE3=Conductor", "--remove-frame", "TPE3", "--frame", "tit3=Sub", file});
    ASSERT_EQ(0, set.exitCode) << set.err;

    const CommandResult json = runCli({"show", "--json", file});
    EXPECT_NE(std::string::npos, json.out.find("\"v1\": {\"result\": 0, \"title\": \"T\", \"artist\": \"Both\""));
    EXPECT_NE(std::string::npos, json.out.find("\"pictures\": [], \"disc\": \"1/2\", \"rating\": \"4\", "
                                               "\"subtitle\": \"Sub\"}, \"audio\": "))
        << json.out;

    const CommandResult all = runCli({"show", "--all", "--json", file});
    EXPECT_NE(std::string::npos,
              all.out.find("\"fields\": {\"artist\": \"Both\", \"title\": \"T\", \"disc\": \"1/2\", \"rating\": \"4\", "
                           "\"subtitle\": \"Sub\"}, \"frames\": [{\"key\": \"TIT2\", \"id\": \"TIT2\", \"kind\": "
                           "\"text\", \"value\": \"T\", \"bytes\": 2}, {\"key\": \"TPE1\", \"id\": \"TPE1\", \"kind\": "
                           "\"text\", \"value\": \"Both\", \"bytes\": 5}, {\"key\": \"TPOS\", \"id\": \"TPOS\", "
                           "\"kind\": \"text\", \"value\": \"1/2\", \"bytes\": 4}, {\"key\": \"TXXX:Mood\", \"id\": "
                           "\"TXXX\", \"kind\": \"text\", \"value\": \"calm\", \"bytes\": 10}, {\"key\": "
                           "\"COMM:note:deu\", \"id\": \"COMM\", \"kind\": \"comment\", \"value\": \"Hallo\", "
                           "\"bytes\": 14}, {\"key\": \"WXXX:site\", \"id\": \"WXXX\", \"kind\": \"url\", \"value\": "
                           "\"http://x.org\", \"bytes\": 18}, {\"key\": \"POPM\", \"id\": \"POPM\", \"kind\": "
                           "\"rating\", \"value\": 4, \"rating\": 196, \"bytes\": 2}, {\"key\": \"TIT3\", \"id\": "
                           "\"TIT3\", \"kind\": \"text\", \"value\": \"Sub\", \"bytes\": 4}]}, \"audio\": "))
        << all.out;

    const CommandResult people = runCli({"show", "--all", file});
    EXPECT_NE(std::string::npos, people.out.find("  Named fields:\n    Disc:     1/2\n    Rating:   4\n"
                                                 "    Subtitle: Sub\n  Frames:\n    TIT2 (text): T\n"))
        << people.out;
    EXPECT_NE(std::string::npos, people.out.find("    POPM (rating): 4 stars (196)\n")) << people.out;
    // Without --all the listing for people is as it was.
    EXPECT_EQ(std::string::npos, runCli({"show", file}).out.find("Disc"));

    // Removal by name and by key; the seven by --remove-field in both tags.
    ASSERT_EQ(0, runCli({"set", "--remove-field", "disc", "--remove-frame", "txxx:MOOD", "--remove-field", "artist",
                         "--remove-field", "rating", file})
                     .exitCode);
    const std::string after = runCli({"show", "--all", "--json", file}).out;
    for (const char* gone : {"TPOS", "TXXX", "POPM", "Both"})
        EXPECT_EQ(std::string::npos, after.find(gone)) << gone << after;
}

// Each named field set on 1,000 files in one batch reads back in mutagen as written, in
// tags of both versions; undo then puts every file back byte for byte.
TEST_F(CliFields, EveryNamedFieldOnAThousandFilesReadByMutagenThenUndone)
{
    const std::string python = mutagenPython();
    VARNOLI_NEED_MUTAGEN(python);
    std::vector<std::string> files;
    for (int i = 0; i < 1000; ++i)
        files.push_back(song("s" + std::to_string(i) + ".mp3", i % 2 ? 3 : 4));
    std::vector<Bytes> before;
    for (const std::string& f : files)
        before.push_back(readFile(f));
    std::vector<std::string> args = {"set"};
    for (const auto& [name, value] : kValues)
        args.insert(args.end(), {"--field", name + "=" + value});
    const CommandResult set = runCli(with(args, files));
    ASSERT_EQ(0, set.exitCode) << set.err;

    const CommandResult checked = runProgram(python, with({"-c", kCheckFrames, expectedFrames()}, files));
    ASSERT_EQ(0, checked.exitCode) << checked.err;
    EXPECT_EQ("", checked.out.substr(0, 2000));

    const CommandResult undone = runCli({"undo"});
    ASSERT_EQ(0, undone.exitCode) << undone.err;
    for (std::size_t i = 0; i < files.size(); ++i)
        ASSERT_EQ(before[i], readFile(files[i])) << files[i];
}

// Tags as mutagen writes them, as Picard and players do: the fields show in show --json.
TEST_F(CliFields, FieldsOtherProgramsWroteShowInJson)
{
    const std::string python = mutagenPython();
    VARNOLI_NEED_MUTAGEN(python);
    const char* write = R"(
import sys, mutagen.id3 as m
for path, version in ((sys.argv[1], 3), (sys.argv[2], 4)):
    t = m.ID3()
    e = 1 if version == 3 else 3
    t.add(m.TPE2(encoding=e, text=['Band \u00e9']))
    t.add(m.TPOS(encoding=e, text=['2/3']))
    t.add(m.TCOM(encoding=e, text=['Bach', 'Handel']))
    t.add(m.USLT(encoding=e, lang='deu', desc='', text='Erste\nZweite'))
    t.add(m.POPM(email='Windows Media Player 9 Series', rating=196, count=3))
    t.add(m.TXXX(encoding=e, desc='replaygain_track_gain', text=['-3.10 dB']))
    t.save(path, v2_version=version)
)";
    const std::string v23 = dir.file("m3.mp3"), v24 = dir.file("m4.mp3");
    writeFile(v23, audioPattern(500));
    writeFile(v24, audioPattern(500));
    const CommandResult wrote = runProgram(python, {"-c", write, v23, v24});
    ASSERT_EQ(0, wrote.exitCode) << wrote.err;
    // A v2.3 list is one text joined by "/", a v2.4 one separate values.
    for (const auto& [file, composer] : {std::pair{v23, std::string("\"Bach/Handel\"")},
                                         std::pair{v24, std::string("[\"Bach\", \"Handel\"]")}}) {
        const CommandResult shown = runCli({"show", "--json", file});
        EXPECT_NE(std::string::npos,
                  shown.out.find("\"pictures\": [], \"albumartist\": \"Band \xC3\xA9\", \"disc\": \"2/3\", "
                                 "\"composer\": " +
                                 composer +
                                 ", \"lyrics\": \"Erste\\nZweite\", \"rating\": \"4\", "
                                 "\"replaygain_track_gain\": \"-3.10 dB\"}, \"audio\": "))
            << shown.out;
    }
}
