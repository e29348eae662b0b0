// Tests of picture frames: reading them in every encoding, setting the front cover, removing them.
#include "support/id3v2_builder.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

#include <zlib.h>

using namespace testsupport;

namespace {

const Bytes kImage = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0xFF};

Bytes apic(uint8_t encoding, const std::string& mime, uint8_t type, const Bytes& description, const Bytes& data)
{
    return concat({{encoding}, bytesOf(mime), {0, type}, description, data});
}

// "Ö" as each encoding writes it, with its terminator.
const Bytes kDescriptionLatin1 = {0xD6, 0};
const Bytes kDescriptionUtf16 = {0xFF, 0xFE, 0xD6, 0x00, 0x00, 0x00};
const Bytes kDescriptionUtf8 = {0xC3, 0x96, 0};

std::string tagFile(const TempDir& dir, const Id3v2Bytes& tag)
{
    return dir.write("song.mp3", concat({tag.bytes(), audioPattern(600)}));
}

} // namespace

TEST(Pictures, ReadInEveryEncodingAndVersionUnreadableOnesMarkedNotFatal)
{
    TempDir dir;
    Bytes compressed(compressBound(kImage.size() + 12));
    const Bytes plain = apic(0, "image/png", 4, {0}, kImage);
    uLongf size = compressed.size();
    ASSERT_EQ(Z_OK, compress2(compressed.data(), &size, plain.data(), plain.size(), 0)); // not as the writer would
    compressed.resize(size);
    const std::string path = tagFile(dir, Id3v2Bytes(3)
                                              .frame("APIC", apic(0, "image/jpeg", 3, kDescriptionLatin1, kImage))
                                              .frame("APIC", apic(1, "image/png", 0, kDescriptionUtf16, kImage))
                                              .frame("APIC", apic(7, "image/png", 3, {0}, kImage)) // unknown encoding
                                              .frame("APIC", {0, 'i', 'm', 'a', 'g', 'e'})        // cut short
                                              .frame("APIC", compressed, 0, 0x80, Id3v2Bytes::be32(plain.size()))
                                              .frame("TIT2", {0, 'T'})
                                              .padding(16));
    const Bytes before = readFile(path);
    Tid3v2tag tag;
    ASSERT_EQ(0, tag.LoadFromFile(path, 0));
    const std::vector<TPictureEntry> pictures = tag.Pictures();
    ASSERT_EQ(5u, pictures.size());
    EXPECT_TRUE(pictures[0].Readable);
    EXPECT_EQ("image/jpeg", pictures[0].Picture.MimeType);
    EXPECT_EQ(kFrontCover, pictures[0].Picture.PictureType);
    EXPECT_EQ("\xC3\x96", pictures[0].Picture.Description);
    EXPECT_EQ(kImage, pictures[0].Picture.Data);
    EXPECT_EQ("\xC3\x96", pictures[1].Picture.Description);
    EXPECT_EQ(kImage, pictures[1].Picture.Data);
    EXPECT_FALSE(pictures[2].Readable);
    EXPECT_FALSE(pictures[3].Readable);
    EXPECT_TRUE(pictures[4].Readable);
    EXPECT_EQ(kImage, pictures[4].Picture.Data);
    // Reading them changed nothing: the frames save as they were, the compressed one too.
    ASSERT_EQ(0, tag.SaveToFile());
    const Bytes after = readFile(path);
    const std::size_t framesEnd = before.size() - 600 - 16;
    ASSERT_GE(after.size(), framesEnd);
    EXPECT_TRUE(std::equal(before.begin() + 10, before.begin() + framesEnd, after.begin() + 10));

    Tid3v2tag v24;
    const std::string path24 =
        tagFile(dir, Id3v2Bytes(4).frame("APIC", apic(3, "image/png", 3, kDescriptionUtf8, kImage)).padding(8));
    ASSERT_EQ(0, v24.LoadFromFile(path24, 0));
    ASSERT_EQ(1u, v24.Pictures().size());
    EXPECT_EQ("\xC3\x96", v24.Pictures()[0].Picture.Description);

    // Version 2.2: the image format becomes a MIME type.
    Bytes v22 = {'I', 'D', '3', 2, 0, 0, 0, 0, 0, 0};
    const Bytes pic = concat({{0}, bytesOf("PNG"), {3, 0}, kImage});
    v22.insert(v22.end(), {'P', 'I', 'C', 0, 0, static_cast<uint8_t>(pic.size())});
    v22.insert(v22.end(), pic.begin(), pic.end());
    v22[9] = static_cast<uint8_t>(v22.size() - 10);
    Tid3v2tag tag22;
    ASSERT_FALSE(failed(tag22.LoadFromFile(dir.write("old.mp3", concat({v22, audioPattern(100)})), 0)));
    ASSERT_EQ(1u, tag22.Pictures().size());
    EXPECT_EQ("image/png", tag22.Pictures()[0].Picture.MimeType);
    EXPECT_EQ(kImage, tag22.Pictures()[0].Picture.Data);
}

TEST(Pictures, FrontCoverReplacesTheReadableOneOthersStayAndRemoveTakesThemAll)
{
    TempDir dir;
    const Bytes back = apic(0, "image/jpeg", 4, {'b', 0}, {0xFF, 0xD8, 0xFF});
    const std::string path = tagFile(dir, Id3v2Bytes(3)
                                              .frame("APIC", apic(7, "image/png", 3, {0}, kImage))
                                              .frame("APIC", back)
                                              .frame("APIC", apic(0, "image/png", 3, {'o', 0}, {1, 2, 3}))
                                              .padding(8));
    Tid3v2tag tag;
    ASSERT_EQ(0, tag.LoadFromFile(path, 0));
    const Bytes cover = {0xFF, 0xD8, 0xFF, 0xE0, 9};
    tag.SetFrontCover("image/jpeg", cover);
    ASSERT_EQ(0, tag.SaveToFile());

    ASSERT_EQ(0, tag.LoadFromFile(path, 0));
    const std::vector<TPictureEntry> pictures = tag.Pictures();
    ASSERT_EQ(3u, pictures.size()); // replaced in place, none added
    EXPECT_FALSE(pictures[0].Readable);
    EXPECT_EQ(back, tag.FrameIndex().Data(pictures[1].Index));
    EXPECT_EQ(apic(0, "image/jpeg", 3, {0}, cover), tag.FrameIndex().Data(pictures[2].Index));

    // Without a front cover one is added.
    Tid3v2tag fresh;
    fresh.SetFrontCover("image/png", kImage);
    ASSERT_EQ(1u, fresh.Pictures().size());
    EXPECT_EQ(kImage, fresh.Pictures()[0].Picture.Data);

    EXPECT_EQ(3u, tag.RemovePictures());
    EXPECT_TRUE(tag.Pictures().empty());
}

// Some taggers write a front cover without its image when the image they were given is
// missing: it is replaced, never doubled, but a real cover comes first.
TEST(Pictures, AFrontCoverWithoutItsImageIsReplacedNotDoubled)
{
    TempDir dir;
    const Bytes empty = apic(0, "image/jpeg", 3, {0}, {});
    const Bytes back = apic(0, "image/png", 4, {0}, kImage);
    Tid3v2tag tag;
    ASSERT_EQ(0, tag.LoadFromFile(tagFile(dir, Id3v2Bytes(3).frame("APIC", back).frame("APIC", empty).padding(8)), 0));
    std::vector<TPictureEntry> pictures = tag.Pictures();
    ASSERT_EQ(2u, pictures.size());
    EXPECT_FALSE(pictures[1].Readable);
    EXPECT_TRUE(pictures[1].Empty);
    EXPECT_EQ("image/jpeg", pictures[1].Picture.MimeType);
    EXPECT_EQ(kFrontCover, pictures[1].Picture.PictureType);
    tag.SetFrontCover("image/png", kImage);
    ASSERT_EQ(2u, tag.FrameIndex().Count());
    EXPECT_EQ(back, tag.FrameIndex().Data(1));
    EXPECT_EQ(apic(0, "image/png", 3, {0}, kImage), tag.FrameIndex().Data(2));

    // A frame without any data counts as one; an empty back cover does not.
    const Bytes emptyBack = apic(0, "image/png", 4, {0}, {});
    ASSERT_EQ(0, tag.LoadFromFile(tagFile(dir, Id3v2Bytes(3).frame("APIC", emptyBack).frame("APIC", {}).padding(8)), 0));
    tag.SetFrontCover("image/png", kImage);
    ASSERT_EQ(2u, tag.FrameIndex().Count());
    EXPECT_EQ(emptyBack, tag.FrameIndex().Data(1));
    EXPECT_EQ(apic(0, "image/png", 3, {0}, kImage), tag.FrameIndex().Data(2));

    // A readable cover after an empty one takes the image; the empty one stays.
    ASSERT_EQ(0, tag.LoadFromFile(tagFile(dir, Id3v2Bytes(3).frame("APIC", empty).frame("APIC", back).frame(
                                                   "APIC", apic(0, "image/png", 3, {0}, {1})).padding(8)),
                                  0));
    tag.SetFrontCover("image/png", kImage);
    ASSERT_EQ(3u, tag.FrameIndex().Count());
    EXPECT_EQ(empty, tag.FrameIndex().Data(1));
    EXPECT_EQ(apic(0, "image/png", 3, {0}, kImage), tag.FrameIndex().Data(3));
}
