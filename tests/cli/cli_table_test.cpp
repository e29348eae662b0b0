// Tests of varnoli-cli export and import: tag tables written, edited and written back.
#include "support/id3v2_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

using namespace testsupport;

namespace {

const std::string kSong = std::string(VARNOLI_TEST_DATA) + "/lame.mp3";

std::vector<std::string> splitOn(const std::string& text, const std::string& separator)
{
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + separator.size())
        parts.push_back(text.substr(from, at - from));
    parts.push_back(text.substr(from));
    return parts;
}

std::string joinedWith(const std::vector<std::string>& parts, const std::string& separator)
{
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i ? separator : "") + parts[i];
    return text;
}

std::size_t lineCount(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

struct Library {
    explicit Library(std::size_t count)
    {
        const Bytes song = readFile(kSong);
        for (std::size_t i = 0; i < count; ++i) {
            files.push_back(dir.write("s" + std::to_string(100000 + i) + ".mp3", song));
            before.push_back(song);
        }
    }
    // The files whose bytes are no longer those they started with.
    std::set<std::size_t> changed() const
    {
        std::set<std::size_t> indexes;
        for (std::size_t i = 0; i < files.size(); ++i)
            if (readFile(files[i]) != before[i])
                indexes.insert(i);
        return indexes;
    }
    TempDir dir;
    std::vector<std::string> files;
    std::vector<Bytes> before;
};

std::size_t journalEntries()
{
    const CommandResult list = runCli({"undo", "--list"});
    return lineCount(list.out);
}

} // namespace

// 100 cells edited in a table of 10,000 files change exactly those fields; the same table
// imported again changes nothing; one undo puts every file back.
TEST(CliTable, ImportWritesExactlyTheEditedCellsOfALargeTable)
{
    Library library(10000);
    const CommandResult exported = runCli({"export", library.dir.path()});
    ASSERT_EQ(0, exported.exitCode) << exported.err;
    std::vector<std::string> lines = splitOn(exported.out, "\r\n");
    ASSERT_EQ("file,artist,title,album,year,genre,comment,track", lines[0]);
    ASSERT_EQ(10002u, lines.size()); // header, rows, and the empty text after the last line break

    std::set<std::size_t> edited;
    for (std::size_t k = 0; k < 100; ++k) {
        const std::size_t row = 1 + k * 97 + 13;
        std::vector<std::string> cells = splitOn(lines[row], ",");
        const std::size_t column = 1 + k % 7;
        cells[column] = column == 4 ? std::to_string(1900 + k) : column == 7 ? std::to_string(k) + "/99"
                      : k % 3 ? "Edited \xC3\xA9 " + std::to_string(k) : std::string();
        lines[row] = joinedWith(cells, ",");
        edited.insert(row - 1);
    }
    const std::string table = library.dir.file("table.csv");
    writeFile(table, bytesOf(joinedWith(lines, "\r\n")));

    const CommandResult imported = runCli({"import", table});
    ASSERT_EQ(0, imported.exitCode) << imported.err;
    EXPECT_EQ(100u, lineCount(imported.out));
    EXPECT_EQ(edited, library.changed());
    EXPECT_EQ(joinedWith(lines, "\r\n"), runCli({"export", library.dir.path()}).out);

    const std::size_t entries = journalEntries();
    const CommandResult again = runCli({"import", table});
    EXPECT_EQ(0, again.exitCode) << again.err;
    EXPECT_EQ("", again.out);
    EXPECT_EQ(entries, journalEntries());

    const std::string python = mutagenPython();
    VARNOLI_NEED_MUTAGEN(python);
    const CommandResult read = runProgram(python, {"-c", "import sys, mutagen.id3 as m; print(m.ID3(sys.argv[1])['TIT2'].text[0])",
                                                   library.files[1 * 97 + 13]});
    EXPECT_EQ("Edited \xC3\xA9 1\n", read.out) << read.err;

    ASSERT_EQ(0, runCli({"undo"}).exitCode);
    EXPECT_TRUE(library.changed().empty());
}

TEST(CliTable, RefusedCellsWriteNothingAndRowsWithoutAFileAreNamed)
{
    Library library(3);
    const std::string table = library.dir.file("t.tsv");
    writeFile(table, bytesOf("file\ttitle\tdisc\n" "s100000.mp3\tNew\t\n" "s100001.mp3\tLame Title\tone\n"));
    CommandResult r = runCli({"import", "--base", library.dir.path(), table});
    EXPECT_EQ(2, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("line 3 (" + library.files[1] + "): disc: 'one' is not")) << r.err;
    EXPECT_TRUE(library.changed().empty());

    writeFile(table, bytesOf("file\ttitle\tlyrics\n" "s100000.mp3\tNew\tone\\ntwo\n" "gone.mp3\tx\t\n"));
    r = runCli({"import", "--dry-run", "--base", library.dir.path(), table});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(library.files[0] + ": title: Lame Title -> New\n" + library.files[0] + ": lyrics:  -> one\\x0atwo\n", r.out);
    EXPECT_TRUE(library.changed().empty());

    r = runCli({"import", "--base", library.dir.path(), table});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(library.files[0] + ": changed title, lyrics\n", r.out);
    EXPECT_NE(std::string::npos, r.err.find("line 3: '" + library.dir.path() + "gone.mp3' matches no file")) << r.err;
    EXPECT_EQ(std::set<std::size_t>{0}, library.changed());
}

TEST(CliTable, ChosenColumnsAndEveryFormatReadBackUnchanged)
{
    Library library(2);
    ASSERT_EQ(0, runCli({"set", "--field", "composer=A, \"B\"\tC", "--frame", "TXXX:Mood=x\\y", library.files[0]}).exitCode);
    library.before[0] = readFile(library.files[0]);
    for (const char* format : {"csv", "tsv", "json"}) {
        const CommandResult exported =
            runCli({"export", "--format", format, "--fields", "title,composer,TXXX:Mood,APIC:3", library.dir.path()});
        ASSERT_EQ(0, exported.exitCode) << exported.err;
        const std::string table = library.dir.file(std::string("t.") + format);
        writeFile(table, bytesOf(exported.out));
        const CommandResult imported = runCli({"import", "--dry-run", table});
        EXPECT_EQ(0, imported.exitCode) << format << imported.err;
        EXPECT_EQ("", imported.out) << format;
    }
    EXPECT_NE(std::string::npos, runCli({"export", "--format", "json", library.files[0]}).out.find(
                                      "\"composer\": \"A, \\\"B\\\"\\tC\""));
    // A file whose tags cannot be read gets no row, which an import would take for empty fields.
    const CommandResult missing = runCli({"export", "--fields", "title", library.files[0], library.dir.file("gone.mp3")});
    EXPECT_EQ(1, missing.exitCode);
    EXPECT_EQ("file,title\r\n" + library.files[0] + ",Lame Title\r\n", missing.out);
    EXPECT_NE(std::string::npos, missing.err.find("gone.mp3: Error #")) << missing.err;
    EXPECT_EQ(2, runCli({"export", "--fields", "title,nofield", library.files[0]}).exitCode);
    EXPECT_EQ(2, runCli({"export", "--format", "xml", library.files[0]}).exitCode);
    EXPECT_EQ(2, runCli({"import", library.files[0]}).exitCode);
    EXPECT_TRUE(library.changed().empty());
}
