// Tests of tag tables: the text formats read back, and the import plan against the files.
#include "features/table/table_export.h"
#include "features/table/table_import.h"
#include "features/undo/journal_store.h"
#include "features/undo/undo.h"
#include "support/id3v2_builder.h"
#include "support/scripted_dialogs.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

using Cells = std::vector<std::string>;

const Cells kAwkward = {"plain", "", "a,b", "say \"hi\"", "two\nlines", "cr\r\nlf", "tab\there", "back\\slash",
                        "\\t not a tab", "\xCE\xA3\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1 \xE2\x99\xAB", " spaced "};

Cells readBack(const std::string& text, TableFormat format)
{
    TextTable table;
    const std::optional<std::string> problem = readTable(text, format, table);
    EXPECT_FALSE(problem) << *problem;
    EXPECT_EQ(1u, table.rows.size());
    Cells cells;
    for (const auto& cell : table.rows.empty() ? std::vector<std::optional<std::string>>{} : table.rows[0])
        cells.push_back(cell.value_or("(absent)"));
    return cells;
}

Bytes song(const std::string& title, const Bytes& more = {})
{
    Id3v2Bytes tag(3);
    tag.frame("TIT2", concat({{0}, bytesOf(title)})).frame("TPOS", {0, '1'});
    if (!more.empty())
        tag.frame("TCOM", more);
    return concat({tag.padding(64).bytes(), audioPattern(1500)});
}

struct ImportFixture : ::testing::Test {
    ImportPlan plan(const std::string& text, TableFormat format = TableFormat::Csv, const std::string& base = {})
    {
        TextTable table;
        EXPECT_FALSE(readTable(text, format, table));
        return planImport(table, base, v1, v2);
    }
    TempDir dir;
    Tid3tag v1;
    Tid3v2tag v2;
};

} // namespace

TEST(TableText, AwkwardValuesSurviveCsvAndTsv)
{
    // The same line as header and row: the header is read as a row is.
    EXPECT_EQ(kAwkward, readBack(csvLine(kAwkward) + csvLine(kAwkward), TableFormat::Csv));
    EXPECT_EQ(kAwkward, readBack(tsvLine(kAwkward) + tsvLine(kAwkward), TableFormat::Tsv));
    EXPECT_EQ("a,\"b,c\",\"d\"\"e\",\"f\ng\"\r\n", csvLine({"a", "b,c", "d\"e", "f\ng"}));
    EXPECT_EQ("a\\tb\t\\\\\tc\\nd\n", tsvLine({"a\tb", "\\", "c\nd"}));
    // What other programs write: a byte order mark, LF alone, no line break at the end.
    EXPECT_EQ((Cells{"x", "y"}), readBack("\xEF\xBB\xBF" "a,b\nx,y", TableFormat::Csv));
    EXPECT_EQ((Cells{"x", "y"}), readBack("a\tb\r\nx\ty\r\n\r\n", TableFormat::Tsv));
}

TEST(TableText, JsonLinesKeepMembersAndTellAbsentFromEmpty)
{
    TextTable table;
    ASSERT_FALSE(readJsonLines("{\"file\": \"a\\u00e9.mp3\", \"title\": \"q\\\"\\n\\ud83c\\udfb5\"}\n"
                               "\n{\"file\": \"\\u00ff.mp3\", \"file_encoding\": \"bytes\", \"bpm\": 120, "
                               "\"composer\": [\"A\", \"B\"], \"title\": null}\n",
                               table));
    EXPECT_EQ((Cells{"file", "title", "bpm", "composer"}), table.header);
    ASSERT_EQ(2u, table.rows.size());
    EXPECT_EQ("a\xC3\xA9.mp3", *table.rows[0][0]);
    EXPECT_EQ("q\"\n\xF0\x9F\x8E\xB5", *table.rows[0][1]);
    EXPECT_FALSE(table.rows[0][2]);
    EXPECT_EQ("\xFF.mp3", *table.rows[1][0]);
    EXPECT_EQ("", *table.rows[1][1]);
    EXPECT_EQ("120", *table.rows[1][2]);
    EXPECT_EQ("A; B", *table.rows[1][3]);
    EXPECT_EQ((std::vector<std::size_t>{1, 3}), table.lines);
}

TEST(TableText, MalformedTablesAreRefused)
{
    const std::pair<const char*, TableFormat> bad[] = {
        {"file,title\r\na,\"open\r\n", TableFormat::Csv},  {"file,title\r\na,b,c\r\n", TableFormat::Csv},
        {"file\ttitle\na\n", TableFormat::Tsv},           {"", TableFormat::Csv},
        {"{\"file\": \"a\",}\n", TableFormat::Json},      {"{\"file\": {\"x\": 1}}\n", TableFormat::Json},
        {"{\"file\": \"\\ud800\"}\n", TableFormat::Json}, {"{\"file\": \"a\", \"file\": \"b\"}\n", TableFormat::Json},
    };
    for (const auto& [text, format] : bad) {
        TextTable table;
        EXPECT_TRUE(readTable(text, format, table)) << text;
    }
    EXPECT_EQ(TableFormat::Tsv, tableFormatOf("/x.y/T.TSV"));
    EXPECT_EQ(TableFormat::Json, tableFormatOf("t.jsonl"));
    EXPECT_FALSE(tableFormatOf("csv"));
}

TEST_F(ImportFixture, OnlyDifferingCellsChangeAndAnEmptyCellClears)
{
    const std::string a = dir.write("a.mp3", song("One")), b = dir.write("b.mp3", song("Two"));
    const ExportTable exported = exportTable({a, b}, {}, v1, v2);
    std::string text = tableText(exported, TableFormat::Csv);
    EXPECT_EQ(0u, plan(text).changes.size()) << text;
    EXPECT_NE(std::string::npos, text.find("file,artist,title,album,year,genre,comment,track,disc\r\n"));

    const ImportPlan changed = plan("file,title,disc,TXXX:Mood\r\na.mp3,One,,calm\r\nb.mp3,Zwei,1,\r\nc.mp3,x,,\r\n",
                                    TableFormat::Csv, dir.path());
    ASSERT_EQ(3u, changed.changes.size());
    EXPECT_EQ(a + ": disc: 1 -> ", changeLine(changed.changes[0]));
    EXPECT_EQ(a + ": TXXX:Mood:  -> calm", changeLine(changed.changes[1]));
    EXPECT_EQ(b + ": title: Two -> Zwei", changeLine(changed.changes[2]));
    EXPECT_EQ(std::vector<std::string>{"line 4: '" + dir.path() + "c.mp3' matches no file"}, changed.unmatched);
    EXPECT_TRUE(changed.refused.empty());
    EXPECT_EQ((std::vector<std::string>{a, b}), changedFiles(changed));
}

TEST_F(ImportFixture, ChangedValuesTheirFieldsRefuseAreNamed)
{
    dir.write("a.mp3", song("One", {0, 'x'}));
    // The composer's odd old value is no refusal: it stays as it is.
    const ImportPlan refused = plan("file,disc,track,rating,bpm,year,composer,nofield\r\n"
                                    "a.mp3,x,3a,6,1.5,19999,x,\r\n",
                                    TableFormat::Csv, dir.path());
    ASSERT_EQ(1u, refused.refused.size());
    EXPECT_EQ("column 'nofield' is neither a field name nor a frame key (TPE3, TXXX:desc, COMM:desc:eng)",
              refused.refused[0]);
    const ImportPlan cells = plan("file,disc,track,rating,bpm,year,composer,APIC:3\r\na.mp3,x,3a,6,1.5,19999,x,p\r\n"
                                  "a.mp3,1,,,,,,\r\n", TableFormat::Csv, dir.path());
    EXPECT_EQ(7u, cells.refused.size());
    EXPECT_TRUE(cells.changes.empty());
    EXPECT_TRUE(plan("title\r\nx\r\n").refused.size() == 1);
}

TEST_F(ImportFixture, OneUndoPutsEveryImportedFileBack)
{
    std::vector<std::string> files;
    std::vector<Bytes> before;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
        files.push_back(dir.write(name, song(name)));
        before.push_back(readFile(files.back()));
    }
    const ImportPlan changes = plan("file,title,genre,lyrics,track\r\na.mp3,A,Rock,\"x\ny\",3/9\r\nb.mp3,,Nothing Listed,,\r\n"
                                    "c.mp3,c.mp3,,,\r\n", TableFormat::Csv, dir.path());
    ASSERT_TRUE(changes.refused.empty());
    ScriptedDialogs dialogs;
    const BatchSaveOutcome outcome = runBatchSave(importRequest(changes), v1, v2, dialogs);
    EXPECT_FALSE(outcome.failures);
    EXPECT_EQ(2u, outcome.files.size());
    EXPECT_EQ("A", v2TextOf(files[0], "TIT2"));
    ASSERT_FALSE(failed(v1.LoadFromFile(files[0])));
    EXPECT_EQ(17, v1.Genre);
    EXPECT_EQ(3, v1.Track());
    ASSERT_FALSE(failed(v1.LoadFromFile(files[1])));
    EXPECT_EQ(255, v1.Genre); // outside the list: none in ID3v1, as written in ID3v2
    EXPECT_EQ("Nothing Listed", v2TextOf(files[1], "TCON"));
    EXPECT_EQ(0u, plan("file,title,genre,lyrics,track\r\na.mp3,A,Rock,\"x\ny\",3/9\r\n", TableFormat::Csv, dir.path())
                      .changes.size());

    const JournalStore journal(undoJournalFolder());
    const std::optional<JournalEntry> entry = lastEntry(journal);
    ASSERT_TRUE(entry);
    undoEntry(journal, entry->id);
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(before[i], readFile(files[i])) << files[i];
}
