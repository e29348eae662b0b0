// Tests of varnoli-cli convert: every value mutagen reads survives 2.4 -> 2.3 -> 2.4, and undo.
#include "support/id3v2_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

using namespace testsupport;

namespace {

// Every frame mutagen reads, a line each, sorted by key; mutagen shows a version 2.3 tag as 2.4.
std::string mutagenFrames(const std::string& python, const std::string& path)
{
    const char* script = R"(
import sys, mutagen.id3 as m
t = m.ID3(sys.argv[1])
for k in sorted(t.keys()):
    f = t[k]
    print(k, repr(f.text if hasattr(f, 'text') else getattr(f, 'people', None) or f._pprint()))
)";
    const CommandResult r = runProgram(python, {"-c", script, path});
    return r.exitCode == 0 ? r.out : "mutagen failed: " + r.err;
}

// Version 2.3 has no list of values in a TXXX frame: its values come back joined by "/", as
// mutagen writes them, and the conversion says so.
std::string withUserTextsJoined(const std::string& frames)
{
    std::string out, line;
    for (std::size_t at = 0, end = 0; at < frames.size(); at = end + 1) {
        end = std::min(frames.find('\n', at), frames.size());
        line = frames.substr(at, end - at);
        for (std::size_t p = 0; line.rfind("TXXX:", 0) == 0 && (p = line.find("', '", p)) != std::string::npos;)
            line.replace(p, 4, "/");
        out += line + "\n";
    }
    return out;
}

// A version 2.4 tag as mutagen writes it: dates, several values, a mood and texts beyond ISO-8859-1.
void writeWithMutagen(const std::string& python, const std::string& path)
{
    const char* script = R"(
import sys, mutagen.id3 as m
t = m.ID3()
t.add(m.TIT2(encoding=3, text=['Ti\u00fctle \u6771\u4eac']))
t.add(m.TPE1(encoding=3, text=['A', 'B']))
t.add(m.TDRC(encoding=3, text=['2001-05-03T10:20']))
t.add(m.TDOR(encoding=3, text=['1999-02']))
t.add(m.TMOO(encoding=3, text=['calm']))
t.add(m.TIPL(encoding=3, people=[['producer', 'P\u00e9']]))
t.add(m.TSOP(encoding=3, text=['Sort']))
t.add(m.TXXX(encoding=3, desc='foo', text=['bar']))
t.add(m.COMM(encoding=3, lang='eng', desc='', text=['K\u00fc']))
t.save(sys.argv[1], v2_version=4)
)";
    ASSERT_EQ(0, runProgram(python, {"-c", script, path}).exitCode);
}

// Every version 2.4 sample file, tag-only ones under an .mp3 name; those with a damaged tag are refused, unchanged.
std::vector<std::string> v24SampleFiles(const TempDir& dir)
{
    std::vector<std::string> files;
    for (const std::string& path : corpusFiles()) {
        const Bytes head = readFile(path);
        if (head.size() < 4 || head[0] != 'I' || head[1] != 'D' || head[2] != '3' || head[3] != 4)
            continue;
        const std::string name = path.substr(path.rfind('/') + 1);
        const std::string copy = copyCorpusFile(dir, name);
        const bool mp3 = copy.size() > 4 && copy.compare(copy.size() - 4, 4, ".mp3") == 0;
        files.push_back(mp3 ? copy : dir.write(name + ".mp3", head));
    }
    return files;
}

// A version 2.4 tag as eyeD3 writes it, when eyeD3 is there.
void addEyeD3File(const TempDir& dir, std::vector<std::string>& files)
{
    const std::string path = dir.write("eyed3.mp3", audioPattern(5000));
    const CommandResult r =
        runProgram("eyeD3", {"--v2", "--to-v2.4", "-a", "\xc3\x84rtist", "-t", "T\xc3\xaftle", "-A", "Alb", "-n", "3", "-N", "9",
                             "-d", "1", "-D", "2", "--recording-date", "2001-05-03", "--orig-release-date", "1999",
                             "-c", "hi", path});
    if (r.exitCode == 0)
        files.push_back(path);
    else
        std::cout << "eyeD3 not found: its file is left out\n";
}

} // namespace

TEST(CliConvert, ThereAndBackKeepsEveryValueMutagenReadsAndUndoes)
{
    const std::string python = mutagenPython();
    VARNOLI_NEED_MUTAGEN(python);
    const ScopedEnv stateHome("XDG_STATE_HOME", TempDir().path());
    TempDir dir;
    std::vector<std::string> files{dir.write("made.mp3", audioPattern(5000))};
    writeWithMutagen(python, files[0]);
    addEyeD3File(dir, files);
    if (corpusPresent())
        for (const std::string& f : v24SampleFiles(dir))
            files.push_back(f);
    std::vector<std::string> read;
    std::vector<Bytes> before;
    for (const std::string& f : files) {
        read.push_back(mutagenFrames(python, f));
        before.push_back(readFile(f));
    }
    const CommandResult to3 = runCli(with({"convert", "--to", "2.3"}, files));
    ASSERT_EQ(corpusPresent() ? 1 : 0, to3.exitCode) << to3.err; // the damaged samples are refused
    EXPECT_NE(std::string::npos,
              to3.out.find(files[0] + ": converted to ID3v2.3: TDRC to TYER, TDAT, TIME; TDOR to TORY and "
                                      "TXXX:TDOR; TMOO kept as TXXX:TMOO; TIPL to IPLS; 1 text(s) of several values joined by "
                                      "\"/\"; 5 UTF-8 text(s) to UTF-16"))
        << to3.out;
    EXPECT_EQ(3, readFile(files[0])[3]);
    EXPECT_EQ("2001", v2TextOf(files[0], "TYER"));
    EXPECT_EQ("0305", v2TextOf(files[0], "TDAT"));
    // The people involved go to IPLS, which version 2.3 readers know; sort names stay as they are read there.
    const std::string as3 = mutagenFrames(python, files[0]);
    EXPECT_NE(std::string::npos, as3.find("TIPL [['producer', 'P\xc3\xa9']]")) << as3;
    EXPECT_NE(std::string::npos, as3.find("TSOP ['Sort']")) << as3;
    const CommandResult to4 = runCli(with({"convert", "--to", "2.4"}, files));
    ASSERT_EQ(to3.exitCode, to4.exitCode) << to4.err;
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(withUserTextsJoined(read[i]), mutagenFrames(python, files[i])) << files[i];

    ASSERT_EQ(0, runCli({"undo"}).exitCode);
    ASSERT_EQ(0, runCli({"undo"}).exitCode);
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(before[i], readFile(files[i])) << files[i];
}
