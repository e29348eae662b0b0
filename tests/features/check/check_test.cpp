// The checks: each one shown by a file made for it and by no clean file; the fixes, and the corpus.
#include "features/check/check_run.h"
#include "support/scripted_dialogs.h"
#include "support/id3v2_builder.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <sys/wait.h>

using namespace testsupport;

namespace {

Bytes text(const std::string& s)
{
    return concat({Bytes{0}, bytesOf(s)});
}

Bytes picture(uint8_t type, std::size_t size)
{
    return concat({Bytes{0}, bytesOf("image/png"), Bytes{0, type, 0}, Bytes(size, 0x42)});
}

// A file whose two tags hold the same seven fields; each case spoils one thing.
struct Song {
    uint8_t version = 3, flags = 0;
    uint8_t markedFlags = 0; // set in the header only, the body left as it is
    std::string title = "Title", artist = "Artist", album = "Album", year = "2001", track = "1";
    std::string albumArtist, disc;
    std::vector<std::pair<std::string, Bytes>> frames; // after the fields
    std::size_t padding = 64;
    bool v1 = true, v2 = true;
    std::function<void(Bytes& record)> spoilV1;
};

Bytes songBytes(const Song& s)
{
    Id3v2Bytes tag(s.version);
    tag.flags(s.flags);
    const std::pair<const char*, const std::string*> fields[] = {{"TIT2", &s.title}, {"TPE1", &s.artist},
        {"TALB", &s.album}, {s.version == 4 ? "TDRC" : "TYER", &s.year}, {"TRCK", &s.track},
        {"TPE2", &s.albumArtist}, {"TPOS", &s.disc}};
    for (const auto& [id, value] : fields)
        if (!value->empty())
            tag.frame(id, text(*value));
    for (const auto& [id, data] : s.frames)
        tag.frame(id, data);
    tag.padding(s.padding);
    const uint8_t track = static_cast<uint8_t>(std::atoi(s.track.c_str()));
    Bytes record = id3v1Record(s.title.substr(0, 30), s.artist, s.album, s.year.substr(0, 4), "", 255, track);
    if (s.spoilV1)
        s.spoilV1(record);
    Bytes head = tag.bytes();
    head[5] |= s.markedFlags;
    return concat({s.v2 ? head : Bytes(), audioPattern(4096), s.v1 ? record : Bytes()});
}

struct Case {
    const char* check;
    // Writes the files that show the check into the folder.
    std::function<void(const TempDir& dir)> make;
};

void one(const TempDir& dir, const Song& s) { dir.write("a.mp3", songBytes(s)); }

template <typename Change>
std::function<void(const TempDir&)> song(Change change)
{
    return [change](const TempDir& dir) {
        Song s;
        change(s);
        one(dir, s);
    };
}

// Three files of one album; the last one differs as `change` makes it.
template <typename Change>
std::function<void(const TempDir&)> album(Change change)
{
    return [change](const TempDir& dir) {
        for (int i = 1; i <= 3; ++i) {
            Song s;
            s.track = std::to_string(i);
            s.albumArtist = "Band";
            s.disc = "1/1";
            if (i == 3)
                change(s);
            dir.write(std::to_string(i) + ".mp3", songBytes(s));
        }
    };
}

const Case kCases[] = {
    {"unreadable_file", [](const TempDir& dir) { dir.write("a.mp3", {}); std::remove(dir.file("a.mp3").c_str()); }},
    {"not_mp3", [](const TempDir& dir) { dir.write("a.mp3", Bytes(5000, 'x')); }},
    {"no_tag", [](const TempDir& dir) { dir.write("a.mp3", audioPattern(8192)); }},
    {"damaged_tag", [](const TempDir& dir) {
         dir.write("a.mp3", concat({Id3v2Bytes(3).frame("TIT2", text("T")).raw(bytesOf("TPE")).bytes(), audioPattern(4096)}));
     }},
    {"tag_size_lies", [](const TempDir& dir) {
         dir.write("a.mp3", concat({Id3v2Bytes(3).frame("TIT2", text("T")).sizeField(90000).bytes(), audioPattern(4096)}));
     }},
    {"frame_unreadable", song([](Song& s) { s.frames = {{"T!T2", text("x")}}; })},
    {"frame_size_lies", [](const TempDir& dir) {
         dir.write("a.mp3", concat({Id3v2Bytes(3).frame("TIT2", text("T")).frameWithSize("TPE1", 5000, text("A")).padding(16).bytes(),
                                    audioPattern(4096)}));
     }},
    {"wrong_unsynchronisation", song([](Song& s) { s.markedFlags = 0x80; s.frames = {{"TIT3", Bytes{0, 'a', 0xFF, 0xE5, 'b'}}}; })},
    {"undecodable_text", song([](Song& s) { s.frames = {{"TIT3", Bytes{9, 'a', 'b'}}}; })},
    {"odd_tag_header", song([](Song& s) { s.flags = 0x01; })},
    {"duplicate_frames", song([](Song& s) { s.frames = {{"TIT2", text("Again")}}; })},
    {"empty_frame", song([](Song& s) { s.frames = {{"TIT3", Bytes{0}}}; })},
    {"picture_too_large", song([](Song& s) { s.frames = {{"APIC", picture(3, (1 << 20) + 1)}}; })},
    {"second_front_cover", song([](Song& s) { s.frames = {{"APIC", picture(3, 10)}, {"APIC", picture(3, 20)}}; })},
    {"padding_too_large", song([](Song& s) { s.padding = (1 << 20) + 1; })},
    {"v24_tag", song([](Song& s) { s.version = 4; })},
    {"v22_frames_dropped", [](const TempDir& dir) {
         const Bytes frames{'T', 'T', '2', 0, 0, 3, 0, 'H', 'i', 'C', 'R', 'M', 0, 0, 2, 'a', 'b'};
         dir.write("a.mp3", concat({Id3v2Bytes(2).raw(frames).bytes(), audioPattern(4096)}));
     }},
    {"missing_title", song([](Song& s) { s.title.clear(); })},
    {"missing_artist", song([](Song& s) { s.artist.clear(); })},
    {"missing_album", song([](Song& s) { s.album.clear(); })},
    {"year_not_numeric", song([](Song& s) { s.year = "soon"; })},
    {"track_over_total", song([](Song& s) { s.track = "5/3"; })},
    {"disc_over_total", song([](Song& s) { s.disc = "3/2"; })},
    {"v1_bad_padding", song([](Song& s) { s.spoilV1 = [](Bytes& r) { r[3 + 20] = 'j'; }; })},
    {"v1_bad_genre", song([](Song& s) { s.spoilV1 = [](Bytes& r) { r[127] = 200; }; })},
    {"v1_truncated", song([](Song& s) { s.title = std::string(40, 't'); })},
    {"tags_disagree_artist", song([](Song& s) { s.spoilV1 = [](Bytes& r) { r[33] = 'X'; }; })},
    {"tags_disagree_title", song([](Song& s) { s.spoilV1 = [](Bytes& r) { r[3] = 'X'; }; })},
    {"tags_disagree_album", song([](Song& s) { s.spoilV1 = [](Bytes& r) { r[63] = 'X'; }; })},
    {"tags_disagree_year", song([](Song& s) { s.spoilV1 = [](Bytes& r) { r[96] = '9'; }; })},
    {"tags_disagree_genre", song([](Song& s) { s.spoilV1 = [](Bytes& r) { r[127] = 17; }; })},
    {"tags_disagree_comment", song([](Song& s) { s.spoilV1 = [](Bytes& r) { r[97] = 'c'; }; })},
    {"tags_disagree_track", song([](Song& s) { s.spoilV1 = [](Bytes& r) { r[126] = 7; }; })},
    {"album_year_differs", album([](Song& s) { s.year = "1999"; })},
    {"album_artist_differs", album([](Song& s) { s.albumArtist = "Other"; })},
    {"album_disc_count_differs", album([](Song& s) { s.disc = "1/2"; })},
    {"track_gap", album([](Song& s) { s.track = "5"; })},
    {"track_duplicate", album([](Song& s) { s.track = "1"; })},
};

std::vector<FileReport> checkFolder(const TempDir& dir)
{
    UnreadableFolders unreadable;
    std::vector<std::string> files = filesToCheck({dir.path()}, false, unreadable);
    if (files.empty())
        files.push_back(dir.file("a.mp3"));
    Tid3tag v1;
    Tid3v2tag v2;
    return checkFiles(files, v1, v2);
}

std::multiset<std::string> namesOf(const std::vector<FileReport>& reports)
{
    std::multiset<std::string> names;
    for (const FileReport& r : reports)
        for (const Problem& p : r.problems)
            names.insert(p.kind->name);
    return names;
}

class CheckCase : public ::testing::TestWithParam<Case> {};
class FixCase : public ::testing::TestWithParam<Case> {};

std::vector<Case> fixableCases()
{
    std::vector<Case> cases;
    for (const Case& c : kCases)
        if (checkKind(c.check)->fix)
            cases.push_back(c);
    return cases;
}

} // namespace

TEST(CheckTable, EveryCheckHasASnakeCaseNameOnceAndATextAndAFileThatShowsIt)
{
    std::set<std::string> covered;
    for (const Case& c : kCases)
        covered.insert(c.check);
    std::set<std::string> names;
    for (const CheckKind& kind : checkKinds()) {
        EXPECT_TRUE(names.insert(kind.name).second) << kind.name;
        EXPECT_EQ(std::string(kind.name).find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_"), std::string::npos);
        EXPECT_TRUE(kind.fix == nullptr || kind.fixText != nullptr) << kind.name;
        // An interrupted save has its own case below.
        if (std::string(kind.name) != "interrupted_save") {
            EXPECT_TRUE(covered.count(kind.name)) << kind.name << " has no file that shows it";
        }
    }
    EXPECT_GE(names.size(), 25u);
}

TEST(CheckTable, CleanFilesAndAlbumsShowNothing)
{
    TempDir dir;
    for (int i = 1; i <= 3; ++i) {
        Song s;
        s.track = std::to_string(i) + "/3";
        s.albumArtist = "Band";
        s.disc = "1/1";
        dir.write(std::to_string(i) + ".mp3", songBytes(s));
    }
    Song v24;
    v24.album = "Other";
    v24.year = "2001-05-03";
    v24.v1 = false;
    dir.write("4.mp3", songBytes(v24));
    for (const FileReport& report : checkFolder(dir))
        for (const Problem& p : report.problems)
            if (std::string(p.kind->name) != "v24_tag")
                ADD_FAILURE() << report.path << ": " << p.kind->name << ": " << p.text;
}

TEST_P(CheckCase, FileShowsItsCheck)
{
    TempDir dir;
    GetParam().make(dir);
    const std::vector<FileReport> reports = checkFolder(dir);
    const std::multiset<std::string> names = namesOf(reports);
    std::string all;
    for (const std::string& n : names)
        all += n + " ";
    EXPECT_TRUE(names.count(GetParam().check)) << all;
}

// A fix takes its problem away, and leaves no new error behind.
TEST_P(FixCase, TakesTheProblemAway)
{
    const CheckKind* kind = checkKind(GetParam().check);
    TempDir dir;
    const ScopedEnv stateHome("XDG_STATE_HOME", dir.path() + "state");
    GetParam().make(dir);
    BatchSaveRequest request = fixRequest(checkFolder(dir), [&](const Problem& p) { return p.kind == kind; });
    ASSERT_FALSE(request.files.empty());
    ScriptedDialogs dialogs;
    Tid3tag v1;
    Tid3v2tag v2;
    const BatchSaveOutcome outcome = runBatchSave(request, v1, v2, dialogs);
    EXPECT_FALSE(outcome.failures);
    const std::vector<FileReport> after = checkFolder(dir);
    EXPECT_EQ(0u, namesOf(after).count(GetParam().check));
    for (const FileReport& r : after)
        EXPECT_FALSE(r.hasError()) << r.problems.front().text;
}

const auto kCaseName = [](const auto& info) { return std::string(info.param.check); };
INSTANTIATE_TEST_SUITE_P(Checks, CheckCase, ::testing::ValuesIn(kCases), kCaseName);
INSTANTIATE_TEST_SUITE_P(Fixes, FixCase, ::testing::ValuesIn(fixableCases()), kCaseName);

TEST(CheckRun, AnInterruptedSaveIsNamed)
{
    TempDir dir;
    const ScopedEnv stateHome("XDG_STATE_HOME", dir.path() + "state");
    const std::string path =
        dir.write("a.mp3", concat({Id3v2Bytes(3).frame("TALB", text("L")).bytes(), audioPattern(3000000)}));
    ASSERT_TRUE(WIFSIGNALED(killedTitleSave(path, 40000, 12)));
    Tid3tag v1;
    Tid3v2tag v2;
    EXPECT_EQ(1u, namesOf(checkFiles({path}, v1, v2)).count("interrupted_save"));
}

TEST(CheckRun, EverySampleFileIsCheckedWithoutACrash)
{
    VARNOLI_NEED_CORPUS();
    TempDir dir;
    std::vector<std::string> files;
    for (const std::string& name : corpusFiles())
        files.push_back(copyCorpusFile(dir, std::filesystem::path(name).filename().string()));
    Tid3tag v1;
    Tid3v2tag v2;
    const std::vector<FileReport> reports = checkFiles(files, v1, v2);
    ASSERT_EQ(files.size(), reports.size());
    for (const FileReport& r : reports)
        for (const Problem& p : r.problems)
            EXPECT_FALSE(p.text.empty());
}
