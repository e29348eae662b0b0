// Tests of the tag index: what a record keeps, which files a lookup reads, and an index that
// cannot be trusted.
#include "features/index/tag_index.h"
#include "features/index/written_files.h"
#include "tags/file/tag_file.h"
#include "platform/file_system.h"
#include "support/id3v2_builder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

using namespace testsupport;

namespace {

Bytes song(const std::string& title, const std::string& albumArtist = "Crew")
{
    const auto text = [](const std::string& s) { return concat({{0}, bytesOf(s)}); };
    const Bytes tag = Id3v2Bytes(3).frame("TIT2", text(title)).frame("TPE1", text("Band"))
                          .frame("TPE2", text(albumArtist)).frame("TXXX", text(std::string("Mood\0Calm", 9))).padding(64).bytes();
    return concat({tag, audioPattern(2000), id3v1Record(title, "Band", "Album", "1999", "", 17, 3)});
}

// A record is kept only once its file has been still for longer than the clock's step.
void letSettle()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
}

class TagIndexTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 3; ++i)
            paths.push_back(dir.write("song" + std::to_string(i) + ".mp3", song("Title " + std::to_string(i))));
        letSettle();
    }
    std::string db() const { return dir.file("index/tags.db"); }
    // The stored form of each record, which holds all of it but path and stamp.
    static std::vector<std::string> encoded(const std::vector<IndexRecord>& records)
    {
        std::vector<std::string> out;
        for (const IndexRecord& r : records)
            out.push_back(encodeIndexRecord(r));
        return out;
    }
    std::vector<std::string> freshRecords() const
    {
        std::vector<IndexRecord> records;
        for (const std::string& path : paths)
            records.push_back(readIndexRecord(path));
        return encoded(records);
    }

    TempDir dir;
    std::vector<std::string> paths;
};

} // namespace

TEST_F(TagIndexTest, RecordKeepsFieldsFramesAndAudioAndRefusesCutBytes)
{
    const IndexRecord record = readIndexRecord(paths[0]);
    EXPECT_EQ("Title 0", record.value("title"));
    EXPECT_EQ("Crew", record.value("albumartist"));
    EXPECT_EQ("Calm", record.value("TXXX:Mood"));
    EXPECT_EQ("", record.value("composer"));
    EXPECT_EQ("3", record.fields.v1.fields[fieldIndex(TagField::Track)]);
    EXPECT_TRUE(record.audio.has_value());
    const std::string bytes = encodeIndexRecord(record);
    IndexRecord back;
    ASSERT_TRUE(decodeIndexRecord(bytes, back));
    EXPECT_EQ(bytes, encodeIndexRecord(back));
    for (std::size_t cut : {std::size_t(0), std::size_t(1), bytes.size() / 2, bytes.size() - 1})
        EXPECT_FALSE(decodeIndexRecord(std::string_view(bytes).substr(0, cut), back)) << cut;
    EXPECT_FALSE(decodeIndexRecord(bytes + "x", back));
}

TEST_F(TagIndexTest, UnchangedFilesAreNeverOpenedAgain)
{
    ASSERT_TRUE(platform::makeFolders(dir.file("index")));
    {
        TagIndex index(db());
        ASSERT_TRUE(index.isOpen());
        EXPECT_EQ(freshRecords(), encoded(index.lookup(paths)));
        EXPECT_EQ(3u, index.filesRead());
    }
    TagIndex index(db());
    platform::faults::countOpens(paths[1]);
    const std::vector<IndexRecord> again = index.lookup(paths);
    EXPECT_EQ(0u, platform::faults::openCount());
    platform::faults::countOpens({});
    EXPECT_EQ(0u, index.filesRead());
    EXPECT_EQ(freshRecords(), encoded(again));
    EXPECT_EQ(paths[2], again[2].path);
}

TEST_F(TagIndexTest, FileChangedByAnotherProgramIsReadAgain)
{
    ASSERT_TRUE(platform::makeFolders(dir.file("index")));
    TagIndex index(db());
    index.lookup(paths);
    writeFile(paths[1], song("Title X")); // the same size, a new time
    EXPECT_EQ("Title X", index.lookup(paths)[1].value("title"));
    EXPECT_EQ(4u, index.filesRead());
    platform::removeFile(paths[2]);
    const std::vector<IndexRecord> records = index.lookup(paths);
    EXPECT_TRUE(records[2].readFailed());
}

TEST_F(TagIndexTest, SavesAndRenamesUpdateTheRecord)
{
    ASSERT_TRUE(platform::makeFolders(dir.file("index")));
    TagIndex index(db());
    index.lookup(paths);
    ASSERT_EQ(0u, saveTitle(paths[0], 12));
    letSettle();
    index.update({paths[0]});
    const uint64_t read = index.filesRead();
    EXPECT_EQ(12u, index.lookup(paths)[0].value("title").size());
    EXPECT_EQ(freshRecords(), encoded(index.lookup(paths)));
    EXPECT_EQ(read, index.filesRead());
    const std::string moved = dir.file("moved.mp3");
    ASSERT_TRUE(platform::renameFile(paths[1], moved));
    index.renamed(paths[1], moved);
    EXPECT_EQ("Title 1", index.lookup({moved})[0].value("title"));
    EXPECT_EQ(read, index.filesRead());
    index.forget(moved);
    index.lookup({moved});
    EXPECT_EQ(read + 1, index.filesRead());
}

TEST_F(TagIndexTest, DamagedDeletedOrForeignIndexCostsOnlyARebuild)
{
    ASSERT_TRUE(platform::makeFolders(dir.file("index")));
    const auto fill = [&] { TagIndex(db()).lookup(paths); };
    const auto cut = [&](std::size_t size) {
        Bytes bytes = readFile(db());
        bytes.resize(std::min(bytes.size(), size));
        writeFile(db(), bytes);
    };
    // The database header's user version (60) and application id (68), big-endian.
    const auto header = [&](std::size_t offset, uint8_t value) {
        Bytes bytes = readFile(db());
        bytes[offset + 3] = value;
        writeFile(db(), bytes);
    };
    const std::vector<std::pair<const char*, std::function<void()>>> damages = {
        {"deleted", [&] { platform::removeFile(db()); }},
        {"garbage", [&] { writeFile(db(), audioPattern(20000)); }},
        {"cut to its header", [&] { cut(100); }},
        {"cut in half", [&] { cut(readFile(db()).size() / 2); }},
        {"page overwritten", [&] {
             Bytes bytes = readFile(db());
             for (std::size_t i = 4096; i < bytes.size(); ++i)
                 bytes[i] = static_cast<uint8_t>(i * 7);
             writeFile(db(), bytes);
         }},
        {"another program's", [&] { header(68, 0x12); }},
        {"another schema", [&] { header(60, 0x63); }},
    };
    for (const auto& [name, damage] : damages) {
        fill();
        platform::removeFile(db() + "-wal");
        damage();
        TagIndex index(db());
        EXPECT_EQ(freshRecords(), encoded(index.lookup(paths))) << name;
        EXPECT_EQ(3u, index.filesRead()) << name;
        TagIndex reopened(db());
        reopened.lookup(paths);
        EXPECT_EQ(0u, reopened.filesRead()) << name << ": the rebuilt index is used";
    }
}

TEST_F(TagIndexTest, OneIndexPerThread)
{
    ASSERT_TRUE(platform::makeFolders(dir.file("index")));
    std::vector<std::thread> threads;
    std::vector<std::vector<std::string>> seen(4);
    for (std::size_t t = 0; t < seen.size(); ++t)
        threads.emplace_back([&, t] {
            TagIndex index(db());
            for (int round = 0; round < 20; ++round)
                seen[t] = encoded(index.lookup(paths));
        });
    for (std::thread& thread : threads)
        thread.join();
    for (const std::vector<std::string>& records : seen)
        EXPECT_EQ(freshRecords(), records);
}

TEST_F(TagIndexTest, OurSavesAndRenamesAreKeptForTheIndex)
{
    ASSERT_TRUE(platform::makeFolders(dir.file("index")));
    TagIndex index(db());
    index.lookup(paths);
    keepWrittenFiles();
    takeWrittenFiles();
    ASSERT_EQ(0u, saveTitle(paths[0], 20));
    noteRenamed(paths[1], dir.file("moved.mp3"));
    ASSERT_TRUE(platform::renameFile(paths[1], dir.file("moved.mp3")));
    const WrittenFiles written = takeWrittenFiles();
    TagFile::setSavingHook(nullptr);
    EXPECT_EQ(std::vector<std::string>{paths[0]}, written.saved);
    ASSERT_EQ(1u, written.renamed.size());
    tellIndex(index, written);
    const uint64_t read = index.filesRead();
    EXPECT_EQ(20u, index.lookup({paths[0], dir.file("moved.mp3")})[0].value("title").size());
    EXPECT_EQ(read + 1, index.filesRead()); // the saved file, not the renamed one
}

// The stamps of many paths, taken through the folders they share, are those of one stat each:
// folders change mid-list and back, a name is missing, one path is a folder, one is relative.
TEST(FileStamps, AgreeWithOneStatEach)
{
    TempDir dir;
    std::filesystem::create_directories(dir.file("a"));
    std::filesystem::create_directories(dir.file("b"));
    const std::string a = dir.write("a/1.mp3", Bytes(10)), b = dir.write("b/2.mp3", Bytes(20));
    dir.write("a/3.mp3", Bytes(30));
    struct Here {
        std::filesystem::path was = std::filesystem::current_path();
        ~Here() { std::filesystem::current_path(was); }
    } here;
    std::filesystem::current_path(dir.file("a"));
    const std::vector<std::string> paths{a, dir.file("a/3.mp3"), b, dir.file("b/gone.mp3"), dir.file("a/1.mp3"),
                                         dir.file("b"), "3.mp3", "../b/2.mp3"};
    const std::vector<std::optional<platform::FileStamp>> stamps = platform::fileStamps(paths);
    ASSERT_EQ(paths.size(), stamps.size());
    for (std::size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(platform::fileStamp(paths[i]), stamps[i]) << paths[i];
    EXPECT_FALSE(stamps[3]);
    EXPECT_FALSE(stamps[5]);
    EXPECT_EQ(30u, stamps[6]->size);
}
