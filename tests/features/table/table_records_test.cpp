// Tests of the tag table's logic: tab-separated blocks, columns, records read from files and
// the one batch its changed cells become.
#include "features/table/table_records.h"
#include "features/table/table_tsv.h"
#include "support/id3v2_builder.h"
#include "tags/id3v1/id3.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace testsupport;

TEST(TableTsv, BlocksAndTextInBothDirections)
{
    const std::vector<std::pair<TextBlock, std::string>> cases = {
        {{{"a", "b"}, {"c", ""}}, "a\tb\nc\t\n"},
        {{{"tab\there", "line\nbreak"}}, "\"tab\there\"\t\"line\nbreak\"\n"},
        {{{"say \"hi\"", "x"}}, "\"say \"\"hi\"\"\"\tx\n"},
        {{{""}}, "\n"},
        {{}, ""},
    };
    for (const auto& [block, text] : cases) {
        EXPECT_EQ(text, formatTsv(block));
        EXPECT_EQ(block, parseTsv(text)) << text;
    }
}

TEST(TableTsv, ReadsWhatSpreadsheetsAndEditorsCopy)
{
    EXPECT_EQ(TextBlock({{"a", "b"}, {"c", "d"}}), parseTsv("a\tb\r\nc\td\r\n"));
    EXPECT_EQ(TextBlock({{"a", "b"}, {"c", "d"}}), parseTsv("a\tb\nc\td"));
    EXPECT_EQ(TextBlock({{"one"}}), parseTsv("one"));
    EXPECT_EQ(TextBlock({{"a", ""}}), parseTsv("a\t"));
    // A quote inside a cell is only text.
    EXPECT_EQ(TextBlock({{"12\" single"}}), parseTsv("12\" single\n"));
}

TEST(TableColumns, NamesFieldsAndFrameKeysEachOnce)
{
    std::vector<std::string> unknown;
    const std::vector<TableColumn> columns = tableColumns(" Artist , txxx:MOOD,, artist, bogus ", unknown);
    ASSERT_EQ(3u, columns.size());
    EXPECT_EQ("Artist", columns[0].name);
    EXPECT_EQ(namedField("artist"), columns[0].field);
    EXPECT_EQ(nullptr, columns[1].field);
    EXPECT_EQ("TXXX", columns[1].key.id);
    EXPECT_EQ("artist", columns[2].name); // another spelling is another column name
    EXPECT_EQ(std::vector<std::string>{"bogus"}, unknown);
}

TEST(TableRecords, ReadFromBothTagsAndAnyFrame)
{
    TempDir dir;
    const auto text = [](const std::string& s) { return concat({{0}, bytesOf(s)}); };
    const Bytes tag = Id3v2Bytes(3).frame("TIT2", text("V2 title")).frame("TPE2", text("Various"))
                          .frame("TXXX", concat({{0}, bytesOf("MOOD"), {0}, bytesOf("calm")})).padding(16).bytes();
    const std::string song =
        dir.write("s.mp3", concat({tag, audioPattern(2000), id3v1Record("V1 title", "V1 artist", "", "", "", 255)}));
    std::vector<std::string> unknown;
    const std::vector<TableColumn> columns = tableColumns("title, artist, albumartist, TXXX:MOOD, track, composer", unknown);
    FileRecordSource source;
    const std::vector<TableRecord> records = source.load({song, dir.file("gone.mp3")}, columns);
    ASSERT_EQ(2u, records.size());
    const std::map<std::string, Utf8Text> expected = {
        {"title", "V2 title"}, {"artist", "V1 artist"}, {"albumartist", "Various"}, {"TXXX:MOOD", "calm"}};
    EXPECT_EQ(expected, records[0].values); // no track: no "0"
    EXPECT_FALSE(records[0].unreadable);
    EXPECT_TRUE(records[1].values.empty()); // nothing left over from the file before
    EXPECT_TRUE(records[1].unreadable);
}

TEST(TableSave, CellsBecomeOneRequestAFileEach)
{
    std::vector<std::string> unknown;
    const std::vector<TableColumn> c = tableColumns("title, genre, albumartist, TXXX:MOOD", unknown);
    const BatchSaveRequest request = tableSaveRequest({{"/a.mp3", c[0], "T"}, {"/b.mp3", c[1], "Synthwave"},
                                                       {"/a.mp3", c[1], "rock"}, {"/a.mp3", c[2], ""},
                                                       {"/b.mp3", c[3], "calm"}});
    EXPECT_TRUE(request.recordForUndo);
    ASSERT_EQ(std::vector<std::string>({"/a.mp3", "/b.mp3"}), request.files);
    const FileSaveFields& a = request.perFile[0];
    EXPECT_TRUE(a.v1[TagField::Title].enabled && a.v2[TagField::Title].enabled);
    EXPECT_EQ("T", a.v1[TagField::Title].text);
    EXPECT_TRUE(a.v1.genreEnabled);
    EXPECT_EQ(genreListIndex("Rock"), a.v1.genreIndex); // in any letter case
    EXPECT_GT(a.v1.genreIndex, 0);
    EXPECT_EQ("rock", a.v2[TagField::Genre].text);
    ASSERT_EQ(1u, a.v2.edits.size());
    EXPECT_EQ(namedField("albumartist"), a.v2.edits[0].field);
    // A genre the ID3v1 list lacks becomes none there, as copying between the tags does.
    const FileSaveFields& b = request.perFile[1];
    EXPECT_TRUE(b.v1.genreEnabled);
    EXPECT_EQ(0, b.v1.genreIndex); // the list's empty entry
    EXPECT_TRUE(b.v2[TagField::Genre].enabled);
    ASSERT_EQ(1u, b.v2.edits.size());
    EXPECT_EQ("MOOD", b.v2.edits[0].key.description);
    EXPECT_EQ("calm", b.v2.edits[0].text.value_or(""));
}

TEST(TableSave, CellsAreRefusedAsSetRefusesThem)
{
    std::vector<std::string> unknown;
    const std::vector<TableColumn> c = tableColumns("year, track, bpm, TXXX:MOOD, APIC, genre", unknown);
    EXPECT_TRUE(refusedCell(c[0], "20011"));
    EXPECT_FALSE(refusedCell(c[0], "2001"));
    EXPECT_TRUE(refusedCell(c[1], "three"));
    EXPECT_FALSE(refusedCell(c[1], "3/12"));
    EXPECT_TRUE(refusedCell(c[2], "fast"));
    EXPECT_FALSE(refusedCell(c[3], "anything"));
    EXPECT_TRUE(refusedCell(c[4], "a picture"));
    EXPECT_FALSE(refusedCell(c[5], "Synthwave"));
}

// The table's rows from the tag index are the rows read from the files, fresh or remembered.
TEST(TableRecords, FromTheIndexAsFromTheFiles)
{
    VARNOLI_NEED_CORPUS();
    TempDir dir;
    std::vector<std::string> paths;
    for (const std::string& file : corpusFiles())
        paths.push_back(copyCorpusFile(dir, file.substr(file.find_last_of('/') + 1)));
    std::vector<std::string> unknown;
    const std::vector<TableColumn> columns =
        tableColumns("title, artist, album, year, genre, comment, track, albumartist, disc, lyrics, rating, "
                     "TXXX:MusicBrainz Album Id, COMM::eng, TENC",
                     unknown);
    ASSERT_TRUE(unknown.empty());
    FileRecordSource files;
    const std::vector<TableRecord> expected = files.load(paths, columns);
    // A file is remembered once it has been still for a moment.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    for (int round = 0; round < 2; ++round) {
        IndexRecordSource indexed;
        const std::vector<TableRecord> got = indexed.load(paths, columns);
        ASSERT_EQ(expected.size(), got.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(expected[i].values, got[i].values) << paths[i] << " round " << round;
            EXPECT_EQ(expected[i].unreadable, got[i].unreadable) << paths[i];
        }
    }
}
