// Tests of varnoli-cli convert: every value mutagen reads survives 2.4 -> 2.3 -> 2.4, and undo.
#include "support/id3v2_builder.h"

#include <gtest/gtest.h>

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

} // namespace

TEST(CliConvert, ThereAndBackKeepsEveryValueMutagenReadsAndUndoes)
{
    const std::string python = mutagenPython();
    VARNOLI_NEED_MUTAGEN(python);
    const ScopedEnv stateHome("XDG_STATE_HOME", TempDir().path());
    TempDir dir;
    std::vector<std::string> files{dir.write("made.mp3", audioPattern(5000))};
    writeWithMutagen(python, files[0]);
    if (corpusPresent())
        for (const char* name : {"ape-id3v2.mp3", "extended-header.mp3", "toc_many_children.mp3",
                                 "itunes10.mp3", "lame_cbr.mp3"})
            files.push_back(copyCorpusFile(dir, name));
    std::vector<std::string> read;
    std::vector<Bytes> before;
    for (const std::string& f : files) {
        read.push_back(mutagenFrames(python, f));
        before.push_back(readFile(f));
    }
    const CommandResult to3 = runCli(with({"convert", "--to", "2.3"}, files));
    ASSERT_EQ(0, to3.exitCode) << to3.err;
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
    ASSERT_EQ(0, to4.exitCode) << to4.err;
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(read[i], mutagenFrames(python, files[i])) << files[i];

    ASSERT_EQ(0, runCli({"undo"}).exitCode);
    ASSERT_EQ(0, runCli({"undo"}).exitCode);
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(before[i], readFile(files[i])) << files[i];
}
