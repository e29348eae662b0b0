// The M3U playlist file and the editor's row commands.
#include "features/playlist/playlist_edit.h"
#include "features/playlist/playlist_file.h"
#include "platform/file_system.h"
#include "support/id3v2_builder.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

std::string textOf(const std::string& path)
{
    const Bytes b = readFile(path);
    return std::string(b.begin(), b.end());
}

Bytes v2Tag(const std::string& artist, const std::string& title)
{
    Id3v2Bytes tag(3);
    if (!artist.empty())
        tag.frame("TPE1", concat({{0}, bytesOf(artist)}));
    if (!title.empty())
        tag.frame("TIT2", concat({{0}, bytesOf(title)}));
    return tag.padding(16).bytes();
}

} // namespace

class PlaylistFile : public ::testing::Test {
protected:
    std::string song(const std::string& name, const Bytes& v2, const Bytes& v1)
    {
        fs::create_directories(fs::path(dir.file(name)).parent_path());
        return dir.write(name, concat({v2, audioPattern(700), v1}));
    }
    std::string render(const PlaylistEntries& entries) { return renderPlaylist(entries, dir.file("list.m3u"), v1, v2); }

    TempDir dir;
    Tid3tag v1;
    Tid3v2tag v2;
};

TEST_F(PlaylistFile, InformationLineComesFromTheV2TagWhenItHasBothElseFromV1)
{
    const std::string both =
        song("both.mp3", v2Tag("V2 Art", "V2 Title"), id3v1Record("Caf\xE9", "Bj\xF6rk", "", "", "", 0));
    const std::string v1Whole = song("v1.mp3", v2Tag("", "Unused"), id3v1Record("Caf\xE9", "Bj\xF6rk", "", "", "", 0));
    const std::string gap = song("gap.mp3", v2Tag("Filled", ""), id3v1Record("Own", "", "", "", "", 0));
    const std::string v2Only = song("v2only.mp3", v2Tag("A", "T"), {});
    const std::string halfEmpty = song("half.mp3", v2Tag("", "T2"), id3v1Record("", "", "", "", "", 0));
    const std::string noV2 = song("nov2.mp3", {}, id3v1Record("T", "", "", "", "", 0));

    EXPECT_EQ("#EXTINF:0,V2 Art - V2 Title", BuildExtInfLine(both, v1, v2));
    // Latin-1 tag text goes into the file as UTF-8.
    EXPECT_EQ("#EXTINF:0,Bj\xC3\xB6rk - Caf\xC3\xA9", BuildExtInfLine(v1Whole, v1, v2));
    EXPECT_EQ("#EXTINF:0,Filled - Own", BuildExtInfLine(gap, v1, v2));
    EXPECT_EQ("#EXTINF:0,A - T", BuildExtInfLine(v2Only, v1, v2));
    EXPECT_EQ("", BuildExtInfLine(halfEmpty, v1, v2));
    EXPECT_EQ("", BuildExtInfLine(noV2, v1, v2));
    EXPECT_EQ("", BuildExtInfLine(dir.file("missing.mp3"), v1, v2));
}

TEST_F(PlaylistFile, InformationLineHoldsTheSecondsAndOneLineOfText)
{
    // 120 frames of 1,152 samples at 44.1 kHz: 3.13 s.
    const std::string long3 = dir.write("long.mp3", concat({v2Tag("A\r\nB", "T\tx\x7F\x85y\xE9"), audioPattern(417 * 120)}));
    EXPECT_EQ("#EXTINF:3,A  B - T x  y\xC3\xA9", BuildExtInfLine(long3, v1, v2));
    const std::string text = dir.write("text.mp3", concat({v2Tag("A", "T"), bytesOf("no audio here")}));
    EXPECT_EQ("#EXTINF:-1,A - T", BuildExtInfLine(text, v1, v2));
}

TEST_F(PlaylistFile, WritesHeaderLinesAndPathsWithCrLf)
{
    const std::string full = song("a.mp3", {}, id3v1Record("Song", "Band", "", "", "", 0));
    song("sub/b.mp3", {}, id3v1Record("Near", "Me", "", "", "", 0));
    // A relative entry is looked up beside the playlist; another program's drive path is kept.
    EXPECT_EQ("#EXTM3U\r\n#EXTINF:0,Band - Song\r\n" + full + "\r\n#EXTINF:0,Me - Near\r\nsub/b.mp3\r\n"
              "\r\nD:\\Music\\x.mp3\r\n",
              render({full, "sub/b.mp3", "D:\\Music\\x.mp3"}));
    EXPECT_EQ("#EXTM3U\r\n", render({}));
}

TEST_F(PlaylistFile, ReadingSplitsEveryLineEndAndSkipsShortAndExtLines)
{
    EXPECT_EQ(std::nullopt, parsePlaylist(""));
    EXPECT_EQ(std::nullopt, parsePlaylist("\xEF\xBB\xBF"));
    EXPECT_EQ(PlaylistEntries{}, parsePlaylist("#EXTM3U"));
    EXPECT_EQ(PlaylistEntries{}, parsePlaylist("\r\n"));
    EXPECT_EQ((PlaylistEntries{"/a.mp3", "# a comment", "D:\\x.mp3", "abcd", " /sp "}),
              parsePlaylist("\xEF\xBB\xBF#EXTM3U\r#EXTINF:1,A - B\r/a.mp3\n#extinf:x\r\n# a comment\r\r\n"
                            "abc\n\xC3\xA9.m\nD:\\x.mp3\n#Ext\nabcd\r\n /sp "));
}

TEST_F(PlaylistFile, WrittenEntriesReadBackInOrderButShortAndExtOnes)
{
    const std::string file = dir.file("round.m3u");
    const PlaylistEntries entries{"/m/\xE9t\xE9.mp3", "x.m", "/m/a.mp3", "#EXTRA.mp3", "/m/a.mp3"};
    WritePlaylistFile(file, entries, v1, v2);
    EXPECT_EQ((PlaylistEntries{"/m/\xE9t\xE9.mp3", "/m/a.mp3", "/m/a.mp3"}), ReadPlaylistFile(file));
    // A line break in a name would read back as another entry: refused, the file kept.
    for (const char* broken : {"rel/\r", "a\nb.mp3"})
        EXPECT_THROW(WritePlaylistFile(file, {"/m/a.mp3", broken}, v1, v2), PlaylistRefused);
    EXPECT_EQ((PlaylistEntries{"/m/\xE9t\xE9.mp3", "/m/a.mp3", "/m/a.mp3"}), ReadPlaylistFile(file));
    EXPECT_THROW(ReadPlaylistFile(dir.file("none.m3u")), platform::IoError);
}

TEST_F(PlaylistFile, FailedSaveLeavesTheOldFileWhole)
{
    const std::string file = dir.file("keep.m3u");
    writeFile(file, bytesOf("#EXTM3U\r\n\r\n/old.mp3\r\n"));
    const PlaylistEntries many(2000, "/a/long/enough/entry.mp3");

    platform::faults::failWriteAt(1);
    EXPECT_THROW(WritePlaylistFile(file, many, v1, v2), platform::IoError);
    platform::faults::failWriteAt(0);
    EXPECT_EQ("#EXTM3U\r\n\r\n/old.mp3\r\n", textOf(file));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{})); // no leftovers

    EXPECT_THROW(WritePlaylistFile(dir.file("no/such/folder.m3u"), many, v1, v2), platform::IoError);
    fs::create_directory(dir.file("folder.m3u"));
    EXPECT_THROW(WritePlaylistFile(dir.file("folder.m3u"), many, v1, v2), platform::IoError);
}

TEST_F(PlaylistFile, ReplacingKeepsTheOldFilesBitsAndFollowsALink)
{
    const std::string real = dir.file("real.m3u"), link = dir.file("link.m3u");
    writeFile(real, bytesOf("old"));
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(real, link);
    WritePlaylistFile(link, {}, v1, v2);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ("#EXTM3U\r\n", textOf(real));
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
              fs::status(real).permissions());
}

namespace {

// Rows "a", "b", ... with the selected ones given as a string of 0s and 1s.
PlaylistView viewOf(const std::string& selected)
{
    PlaylistView view;
    for (std::size_t i = 0; i < selected.size(); ++i)
        view.rows.push_back({std::string(1, char('a' + i)), selected[i] == '1'});
    return view;
}

std::string shown(const PlaylistView& view)
{
    std::string out;
    for (const PlaylistRow& r : view.rows)
        out += r.selected ? char(std::toupper(r.entry[0])) : r.entry[0];
    return out + (view.focus < 0 ? "" : " " + std::to_string(view.focus));
}

} // namespace

TEST(PlaylistEdit, MoveUpAndDownFollowTheSelectionRules)
{
    struct Case {
        const char* selected;
        bool up;
        const char* after; // upper case: selected; then the focused row
    };
    const Case cases[] = {
        {"00000", true, "abcde"},     {"00000", false, "abcde"},
        {"11000", true, "BAcde 0"},   // the first two change places, both stay selected
        {"00110", true, "aCDbe 2"},   {"00110", false, "abeCD"}, // a middle block moves whole
        {"10000", true, "Abcde"},     {"00001", false, "abcdE"}, // ends do not move alone
        {"00011", false, "abceD"},    // the last two change places, only the new last stays
        {"10101", true, "ACbEd 3"},   {"10101", false, "bAdCE"},
    };
    for (const Case& c : cases) {
        PlaylistView view = viewOf(c.selected);
        c.up ? moveSelectedUp(view) : moveSelectedDown(view);
        EXPECT_EQ(c.after, shown(view)) << c.selected << (c.up ? " up" : " down");
    }
}

TEST(PlaylistEdit, NewPlaylistNamesEndInM3u)
{
    EXPECT_EQ("/lists/mix.txt.m3u", playlistFileName("/lists/mix.txt"));
    EXPECT_EQ("/lists/MIX.M3U", playlistFileName("/lists/MIX.M3U"));
    EXPECT_EQ("/l/mix.m3u", playlistFileName("/l/mix"));
    EXPECT_EQ("a.mp", playlistFileName("a.mp")); // four characters or fewer stay as they are
}
