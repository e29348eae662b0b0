// Tests of cover pictures: the images accepted, what the tab shows, and the save that sets them.
#include "features/tagedit/batch_save.h"
#include "features/tagedit/pictures.h"
#include "features/undo/undo.h"
#include "support/id3v2_builder.h"
#include "support/scripted_dialogs.h"
#include "tags/id3v1/id3.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;

namespace {

// A JPEG start: an APP0 segment, then a progressive frame header of 640 x 480.
const Bytes kJpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 'J', 'F', 0xFF, 0xC2, 0x00, 0x0B,
                     0x08, 0x01, 0xE0, 0x02, 0x80, 0x03, 0x01, 0x22, 0x00, 0xFF, 0xD9};

class PictureSave : public ::testing::Test {
protected:
    std::vector<std::string> songs(int count)
    {
        std::vector<std::string> files;
        for (int i = 0; i < count; ++i)
            files.push_back(dir.write("song" + std::to_string(i) + ".mp3",
                                      concat({Id3v2Bytes(3).frame("TIT2", {0, 'A'}).padding(20).bytes(),
                                              audioPattern(3000, static_cast<uint32_t>(i))})));
        return files;
    }
    BatchSaveOutcome change(const std::vector<std::string>& files, PictureChange picture)
    {
        BatchSaveRequest request;
        request.saveV1 = false;
        request.files = files;
        request.recordForUndo = true;
        request.v2.picture = std::move(picture);
        return runBatchSave(request, tag1, tag2, dialogs);
    }

    TempDir state;
    const ScopedEnv stateHome{"XDG_STATE_HOME", state.path()}; // the journal of each test apart
    TempDir dir;
    Tid3tag tag1;
    Tid3v2tag tag2;
    ScriptedDialogs dialogs;
};

} // namespace

TEST(CoverImage, RecognisedAndMeasuredByTheirBytesOthersRefusedByName)
{
    const ImageInfo png = inspectImage(pngImage(33, 17));
    EXPECT_EQ(ImageFormat::Png, png.format);
    EXPECT_EQ(33u, png.width);
    EXPECT_EQ(17u, png.height);
    const ImageInfo jpeg = inspectImage(kJpeg);
    EXPECT_EQ(ImageFormat::Jpeg, jpeg.format);
    EXPECT_EQ(640u, jpeg.width);
    EXPECT_EQ(480u, jpeg.height);
    // Cut before the frame header: still a JPEG, its size unknown.
    const ImageInfo cut = inspectImage(Bytes(kJpeg.begin(), kJpeg.begin() + 12));
    EXPECT_EQ(ImageFormat::Jpeg, cut.format);
    EXPECT_EQ(0u, cut.width);
    EXPECT_EQ("image/jpeg", imageMimeType(jpeg.format));

    TempDir dir;
    const std::string gif = dir.write("cover.gif", bytesOf("GIF89a\x01\x00\x01\x00"));
    EXPECT_EQ("'" + gif + "' is not a JPEG or PNG image; no file was changed.", readCoverImage(gif).refusal);
    const std::string missing = dir.file("none.png");
    EXPECT_NE(std::string::npos, readCoverImage(missing).refusal.find("'" + missing + "' could not be opened"));
    // 16 MiB is the most; one byte more is refused.
    const std::string big = dir.write("big.png", pngImage(2, 2));
    std::filesystem::resize_file(big, kMaxImageBytes);
    const CoverImage largest = readCoverImage(big);
    EXPECT_EQ("", largest.refusal);
    EXPECT_EQ(kMaxImageBytes, largest.bytes.size());
    EXPECT_EQ("image/png", largest.mimeType);
    std::filesystem::resize_file(big, kMaxImageBytes + 1);
    EXPECT_EQ("'" + big + "' is larger than 16 MiB; no file was changed.", readCoverImage(big).refusal);
    EXPECT_TRUE(readCoverImage(big).bytes.empty());
}

TEST_F(PictureSave, SetOnThreeFilesMutagenReadsItUndoRestoresExportGivesTheBytesBack)
{
    const std::string python = mutagenPython();
    VARNOLI_NEED_MUTAGEN(python);
    const std::vector<std::string> files = songs(3);
    std::vector<Bytes> before;
    for (const std::string& f : files)
        before.push_back(readFile(f));
    const Bytes png = pngImage(24, 20);
    const BatchSaveOutcome outcome = change(files, {PictureChange::Kind::SetFrontCover, "image/png", png});
    EXPECT_FALSE(outcome.failures);
    EXPECT_TRUE(dialogs.shown.empty());

    for (const std::string& f : files)
        EXPECT_EQ(frontCoverLine("image/png", png), mutagenPictures(python, f)) << f;

    const PictureView view = readPictureView(files, tag2);
    ASSERT_EQ(PictureView::State::Shown, view.state);
    EXPECT_EQ(png, view.picture.Data);
    EXPECT_EQ("24 x 20 pixels, " + std::to_string(png.size()) + " bytes", pictureSizeText(view.info, png.size()));
    const std::string out = dir.file("cover.png");
    EXPECT_EQ("", exportPicture(files[1], out, tag2));
    EXPECT_EQ(png, readFile(out));

    // A second cover replaces the first; one file different shows as such.
    change({files[0]}, {PictureChange::Kind::SetFrontCover, "image/jpeg", kJpeg});
    EXPECT_EQ(PictureView::State::Different, readPictureView(files, tag2).state);
    ASSERT_EQ(0, tag2.LoadFromFile(files[0], 0));
    ASSERT_EQ(1u, tag2.Pictures().size());
    EXPECT_EQ(kJpeg, tag2.Pictures()[0].Picture.Data);

    change(files, {PictureChange::Kind::RemoveAll, {}, {}});
    EXPECT_EQ(PictureView::State::None, readPictureView(files, tag2).state);
    EXPECT_NE("", exportPicture(files[0], dir.file("none.png"), tag2));

    // Three saves, three undos: every file as it was.
    const JournalStore store(undoJournalFolder());
    for (int i = 0; i < 3; ++i) {
        const std::optional<JournalEntry> last = lastEntry(store);
        ASSERT_TRUE(last);
        EXPECT_TRUE(undoEntry(store, last->id).undone);
    }
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(before[i], readFile(files[i])) << files[i];
}

TEST_F(PictureSave, UnreadablePictureShownAsSuchAndKeptThroughATextSave)
{
    const Bytes broken = {7, 'i', 'm', 'a', 'g', 'e', '/', 'p', 'n', 'g', 0, 3, 0, 1, 2};
    const std::string path = dir.write(
        "song.mp3", concat({Id3v2Bytes(3).frame("APIC", broken).padding(10).bytes(), audioPattern(2000)}));
    EXPECT_EQ(PictureView::State::Unreadable, readPictureView({path}, tag2).state);
    BatchSaveRequest request;
    request.saveV1 = false;
    request.files = {path};
    request.v2[TagField::Title] = {true, "New"};
    EXPECT_FALSE(runBatchSave(request, tag1, tag2, dialogs).failures);
    ASSERT_EQ(0, tag2.LoadFromFile(path, 0));
    ASSERT_EQ(2u, tag2.FrameIndex().Count());
    EXPECT_EQ(broken, tag2.FrameIndex().Data(1));
}
