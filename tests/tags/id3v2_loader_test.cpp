// Tests of the ID3v2 loader: header checks, extended headers, frames, padding and the streaming window.
#include "support/id3v2_builder.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

#include <random>

using namespace testsupport;

namespace {

class Id3v2Loader : public ::testing::Test {
protected:
    // Writes the tag followed by some audio and loads it into `tag`.
    TagResult load(const Bytes& tagBytes, std::size_t audio = 1000)
    {
        const std::string path = dir.write("song" + std::to_string(++files) + ".mp3",
                                           concat({tagBytes, audioPattern(audio)}));
        return tag.LoadFromFile(path, 0);
    }
    const TFrameRecord& frame(uint32_t i) const { return tag.FrameIndex().Frame(i); }
    uint32_t count() const { return tag.FrameIndex().Count(); }

    TempDir dir;
    Tid3v2tag tag;
    int files = 0;
};

const Bytes kTitle = {0x00, 'H', 'i'};

} // namespace

TEST_F(Id3v2Loader, RefusesFilesWithoutAUsableHeader)
{
    EXPECT_EQ(kErrOpen, tag.LoadFromFile(dir.file("missing.mp3"), 0));
    EXPECT_EQ(kErrNoTag, tag.LoadFromFile(dir.write("nine", Bytes(9, 0)), 0));
    const std::string small = dir.write("small", Id3v2Bytes(3).frame("TIT2", kTitle).bytes());
    EXPECT_EQ(kErrOffset, tag.LoadFromFile(small, 23));
    ASSERT_EQ(1u, tag.Problems().size()) << "a failed load lists its error";
    EXPECT_EQ(tag.ErrorDetail(), tag.Problems().front().problem);
    EXPECT_EQ(kErrNoTag, tag.LoadFromFile(small, 14));

    Bytes highBit = Id3v2Bytes(3).frame("TIT2", kTitle).bytes();
    highBit[8] = 0x80;
    EXPECT_EQ(kErrNoTag, load(highBit));
    EXPECT_EQ(kErrNoTag, load(Id3v2Bytes(3, 0xFF).frame("TIT2", kTitle).bytes()));
    EXPECT_EQ(kErrNoTag, load(Id3v2Bytes(0xFF).frame("TIT2", kTitle).bytes()));
    EXPECT_EQ(kErrVersion, load(Id3v2Bytes(5).frame("TIT2", kTitle).bytes()));
    EXPECT_EQ(5, tag.Version);
    EXPECT_EQ(kWarnRevision, load(Id3v2Bytes(3, 1).frame("TIT2", kTitle).bytes()));
    EXPECT_EQ(1u, count());
}

TEST_F(Id3v2Loader, EarlyFailuresLeaveTheEarlierFileInPlace)
{
    ASSERT_EQ(0, load(Id3v2Bytes(4).frame("TIT2", kTitle).frame("TPE1", kTitle).padding(20).bytes()));
    EXPECT_TRUE(tag.Idle);
    EXPECT_EQ(100, tag.Progress);
    EXPECT_EQ("Load Complete", tag.Status);

    EXPECT_EQ(kErrNoTag, load(audioPattern(500), 0));
    EXPECT_EQ(2u, count());
    EXPECT_EQ(0, tag.LoadResult);
    EXPECT_FALSE(tag.Idle);
    EXPECT_EQ("Loading tag", tag.Status);

    // The body reader ran: its result is kept, but the frames of the earlier file stay.
    EXPECT_EQ(kErrTagCompression, load(Id3v2Bytes(2).flags(0x40).padding(10).bytes()));
    EXPECT_EQ(kErrTagCompression, tag.LoadResult);
    EXPECT_EQ(2u, count());
    EXPECT_EQ("TIT2", frame(1).FrameID);
    EXPECT_FALSE(tag.Damaged());
    EXPECT_TRUE(tag.Idle);
}

TEST_F(Id3v2Loader, DamagedTagKeepsEveryFrameReadBeforeTheDamage)
{
    const Bytes album(300, 'a');
    const Bytes whole = Id3v2Bytes(3).frame("TIT2", kTitle).frame("TPE1", kTitle).frame("TALB", album).padding(64).bytes();
    // Cut inside the third frame, with nothing after it.
    const Bytes cut(whole.begin(), whole.end() - 64 - 100);
    EXPECT_EQ(kErrFileTooShort, load(cut, 0));
    EXPECT_TRUE(tag.Damaged());
    ASSERT_EQ(2u, count());
    EXPECT_EQ("TPE1", frame(2).FrameID);

    // A frame whose size runs past the tag's end, behind two good ones; audio follows.
    EXPECT_EQ(kErrCorrupt, load(Id3v2Bytes(4).frame("TIT2", kTitle).frame("TPE1", kTitle)
                                    .frameWithSize("TALB", 5000, album).padding(20).bytes()));
    EXPECT_TRUE(tag.Damaged());
    EXPECT_EQ(2u, count());

    // Taking the frames clears the refusal once; a sound tag has nothing to take.
    ASSERT_EQ(kErrFileTooShort, load(cut, 0));
    EXPECT_TRUE(tag.KeepSalvagedFrames());
    EXPECT_EQ(kOk, tag.LoadResult);
    EXPECT_FALSE(tag.KeepSalvagedFrames());
    ASSERT_EQ(0, load(Id3v2Bytes(3).frame("TIT2", kTitle).bytes()));
    EXPECT_FALSE(tag.Damaged());
}

TEST_F(Id3v2Loader, NotesReadOnlyAndHiddenFiles)
{
    const Bytes bytes = Id3v2Bytes(3).frame("TIT2", kTitle).bytes();
    ASSERT_EQ(0, tag.LoadFromFile(dir.write("plain.mp3", bytes), 0));
    EXPECT_FALSE(tag.ReadOnlyFile);
    const std::string locked = dir.write("locked.mp3", bytes);
    makeReadOnly(locked);
    ASSERT_EQ(0, tag.LoadFromFile(locked, 0));
    EXPECT_TRUE(tag.ReadOnlyFile);
    ASSERT_EQ(0, tag.LoadFromFile(dir.write(".hidden.mp3", bytes), 0));
    EXPECT_TRUE(tag.ReadOnlyFile);
}

TEST_F(Id3v2Loader, UndefinedHeaderFlagsWarnPerVersion)
{
    EXPECT_EQ(kWarnHeaderFlags, load(Id3v2Bytes(3).flags(0x10).frame("TIT2", kTitle).bytes()));
    EXPECT_FALSE(tag.Footer());
    EXPECT_EQ(0, load(Id3v2Bytes(4).flags(0x30).frame("TIT2", kTitle).bytes()));
    EXPECT_TRUE(tag.Footer());
    EXPECT_TRUE(tag.Experimental());
    EXPECT_EQ(kWarnHeaderFlags, load(Id3v2Bytes(4).flags(0x01).frame("TIT2", kTitle).bytes()));
}

TEST_F(Id3v2Loader, Version3ExtendedHeaderWithCrcAndPadding)
{
    const Bytes ext = concat({Id3v2Bytes::be32(10), {0x80, 0x00}, Id3v2Bytes::be32(30), Id3v2Bytes::be32(0xDEADBEEF)});
    ASSERT_EQ(0, load(Id3v2Bytes(3).extHeader(ext).frame("TIT2", kTitle).padding(30).bytes()));
    EXPECT_TRUE(tag.CRCPresent());
    EXPECT_EQ(10u, tag.ExtHeaderSize);
    EXPECT_EQ(0xDEADBEEFu, tag.CRC32);
    EXPECT_EQ(30u, tag.PaddingSize);
    EXPECT_EQ(24u, frame(1).FrameOffset);

    // The CRC is only read when the size says it is there.
    const Bytes noCrc = concat({Id3v2Bytes::be32(6), {0x80, 0x01}, Id3v2Bytes::be32(100)});
    EXPECT_EQ(kWarnExtFlags | kWarnPadding, load(Id3v2Bytes(3).extHeader(noCrc).frame("TIT2", kTitle).padding(200).bytes()));
    EXPECT_EQ(0u, tag.CRC32);
    EXPECT_EQ(100u, tag.PaddingSize);
    EXPECT_EQ(1u, count());
}

TEST_F(Id3v2Loader, Version4ExtendedHeaderFlagData)
{
    // size 15: flag count, flags (update, CRC, restrictions), 00, 05 + CRC, 01 + restrictions
    const Bytes ext = concat({Id3v2Bytes::syncsafe(15), {0x01, 0x70, 0x00, 0x05, 0x0C, 0x5F, 0x50, 0x72, 0x26, 0x01, 0xA5}});
    ASSERT_EQ(0, load(Id3v2Bytes(4).extHeader(ext).frame("TIT2", kTitle).padding(10).bytes()));
    EXPECT_TRUE(tag.TagIsUpdate());
    EXPECT_TRUE(tag.CRCPresent());
    EXPECT_TRUE(tag.TagRestrictions());
    EXPECT_EQ(0xCBF43926u, tag.CRC32);
    EXPECT_EQ(0xA5, tag.Restrictions);
    EXPECT_EQ(10u, tag.PaddingSize);
    EXPECT_EQ(1u, count());

    const Bytes twoFlagBytes = concat({Id3v2Bytes::syncsafe(8), {0x02, 0x40, 0x00, 0x00}});
    EXPECT_EQ(kWarnExtFlags, load(Id3v2Bytes(4).extHeader(twoFlagBytes).frame("TIT2", kTitle).bytes()));
    EXPECT_EQ(1u, count());
}

TEST_F(Id3v2Loader, MalformedVersion4ExtendedHeadersAreCorrupt)
{
    const Bytes cases[] = {
        concat({Id3v2Bytes::syncsafe(5), {0x01, 0x00}}),                         // below 6
        concat({Id3v2Bytes::syncsafe(6), {0x00, 0x00}}),                         // no flag byte
        concat({Id3v2Bytes::syncsafe(10), {0x01, 0x20, 0x04, 1, 2, 3}}),         // CRC length 4
        concat({Id3v2Bytes::syncsafe(8), {0x01, 0x20, 0x05, 1}}),                // CRC cut short
        concat({Id3v2Bytes::syncsafe(0x0FFFFFFF), {0x01, 0x00}}),                // beyond the tag
    };
    for (const Bytes& ext : cases) {
        const TagResult r = load(Id3v2Bytes(4).extHeader(ext).frame("TIT2", kTitle).padding(8).bytes());
        EXPECT_EQ(kErrCorrupt, r & 0xFF00) << ::testing::PrintToString(ext);
    }
}

TEST_F(Id3v2Loader, FrameFlagsAreNormalisedAndExtraBytesReadInVersionOrder)
{
    // Version 2.3: decompressed size, encryption method, group.
    ASSERT_EQ(0, load(Id3v2Bytes(3)
                          .frame("APIC", {1, 2, 3}, 0x80, 0xE0, concat({Id3v2Bytes::be32(999), {0x81, 0x07}}))
                          .frame("TIT2", kTitle, 0x1F, 0x1F)
                          .bytes()));
    ASSERT_EQ(2u, count());
    EXPECT_EQ(0x40, frame(1).Flags[0]);
    EXPECT_EQ(0x4D, frame(1).Flags[1]);
    EXPECT_EQ(0x4D, frame(1).StoredFlags[1]);
    EXPECT_EQ(999u, frame(1).DataLength);
    EXPECT_EQ(0x81, frame(1).EncryptionMethod);
    EXPECT_EQ(0x07, frame(1).GroupID);
    EXPECT_EQ(16u, frame(1).HeaderSize);
    EXPECT_EQ((Bytes{1, 2, 3}), frame(1).Data);
    EXPECT_EQ(0x00, frame(2).Flags[1]); // undefined version 2.3 bits dropped
    EXPECT_EQ(0x00, frame(2).Flags[0]);

    // Version 2.4: group, encryption method, data length; flags kept as they are.
    ASSERT_EQ(0, load(Id3v2Bytes(4)
                          .frame("APIC", {1, 2, 3}, 0x70, 0x4D, concat({{0x07, 0x81}, Id3v2Bytes::syncsafe(300)}))
                          .bytes()));
    EXPECT_EQ(0x70, frame(1).Flags[0]);
    EXPECT_EQ(0x4D, frame(1).Flags[1]);
    EXPECT_EQ(300u, frame(1).DataLength);
    EXPECT_EQ(0x81, frame(1).EncryptionMethod);
    EXPECT_EQ(0x07, frame(1).GroupID);
    EXPECT_EQ((Bytes{1, 2, 3}), frame(1).Data);
}

TEST_F(Id3v2Loader, PaddingIsFoundByZerosOrMarker)
{
    ASSERT_EQ(0, load(Id3v2Bytes(3).frame("TIT2", kTitle).padding(100).bytes()));
    EXPECT_EQ(1u, count());
    EXPECT_EQ(100u, tag.PaddingSize);
    // Everything from the marker on is padding, whatever follows.
    ASSERT_EQ(0, load(Id3v2Bytes(4).frame("TIT2", kTitle).raw(bytesOf("MP3e")).frame("TPE1", kTitle).bytes()));
    EXPECT_EQ(1u, count());
    EXPECT_EQ(17u, tag.PaddingSize);
    // Fewer than ten zeros at the end of the tag.
    ASSERT_EQ(0, load(Id3v2Bytes(3).frame("TIT2", kTitle).padding(3).bytes()));
    EXPECT_EQ(3u, tag.PaddingSize);
    // A tag that ends right after its last frame needs no padding.
    ASSERT_EQ(0, load(Id3v2Bytes(4).frame("TIT2", Bytes(255, 'x')).bytes()));
    EXPECT_EQ(255u, frame(1).Data.size()); // size bytes 00 00 01 7F
    EXPECT_EQ(0u, tag.PaddingSize);
    // A header with an empty body, with and without anything behind it.
    ASSERT_EQ(0, load(Id3v2Bytes(3).bytes()));
    EXPECT_EQ(0u, count());
    ASSERT_EQ(0, load(Id3v2Bytes(4).bytes(), 0));
    EXPECT_EQ(0u, count());
}

TEST_F(Id3v2Loader, BrokenFramesStopTheLoadButKeepEarlierFrames)
{
    EXPECT_EQ(kErrFrameId, load(Id3v2Bytes(3).frame("TIT2", kTitle).frame("TI_2", kTitle).bytes()));
    EXPECT_EQ(1u, count());
    EXPECT_EQ(kErrCorrupt, load(Id3v2Bytes(3).frame("TIT2", kTitle).frameWithSize("TPE1", 50, kTitle).bytes()));
    EXPECT_EQ(1u, count());
    // A compressed version 2.3 frame too small for its decompressed size.
    EXPECT_EQ(kErrCorrupt, load(Id3v2Bytes(3).frameWithSize("TIT2", 2, {0, 0}, 0, 0x80).padding(8).bytes()));
    EXPECT_EQ(0u, count());
    EXPECT_EQ(kErrCorrupt, load(Id3v2Bytes(4).frameWithSize("TIT2", 3, {0, 0, 0}, 0, 0x01).padding(8).bytes()));
    // The tag ends inside a frame header with no padding size known.
    EXPECT_EQ(kErrCorrupt, load(Id3v2Bytes(3).frame("TIT2", kTitle).raw(bytesOf("TPE")).bytes()));
    ASSERT_EQ(0, load(Id3v2Bytes(4).frame("tit2", kTitle).bytes()));
    EXPECT_EQ("TIT2", frame(1).FrameID);
}

// The result word keeps the first error, while the list names every problem; a frame whose
// size leads to the next frame is stepped over, one whose size leads nowhere ends the frames.
TEST_F(Id3v2Loader, ProblemsAreListedAndFramesThatCanBePassedAreStepped)
{
    using Severity = TagProblem::Severity;
    const Bytes body = Id3v2Bytes(3, 1)
                           .frame("TIT2", kTitle)
                           .frame("TI_2", kTitle)
                           .frameWithSize("TPE1", 2, {0, 0}, 0, 0x80) // too small for its decompressed size
                           .frame("TALB", kTitle)
                           .frameWithSize("TRCK", 900, kTitle)
                           .frame("TCON", kTitle)
                           .bytes();
    EXPECT_EQ(kErrFrameId | kWarnRevision, load(body));
    ASSERT_EQ(2u, count());
    EXPECT_EQ("TALB", frame(2).FrameID);
    const std::vector<TagProblem>& problems = tag.Problems();
    ASSERT_EQ(4u, problems.size());
    EXPECT_EQ(Severity::Warning, problems[0].severity);
    EXPECT_EQ(4u, problems[0].offset);
    const uint32_t frames[] = {23, 36, 61};
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(Severity::Error, problems[i].severity);
        EXPECT_EQ(frames[i - 1], problems[i].offset);
    }
    EXPECT_EQ("\"TI_2\"", problems[1].frame);
    EXPECT_EQ(problems[1].problem, tag.ErrorDetail());
    EXPECT_EQ("TRCK", problems[3].frame);

    // An invalid ID whose size leads nowhere ends the frames.
    EXPECT_EQ(kErrFrameId, load(Id3v2Bytes(4).frameWithSize("TI_2", 7, kTitle).frame("TALB", kTitle).bytes()));
    EXPECT_EQ(0u, count());
    EXPECT_EQ(1u, tag.Problems().size());
    ASSERT_EQ(0, load(Id3v2Bytes(4).frame("TIT2", kTitle).bytes()));
    EXPECT_TRUE(tag.Problems().empty());
}

TEST_F(Id3v2Loader, Version3TagUnsynchronisationIsRemovedOnLoad)
{
    ASSERT_EQ(0, load(Id3v2Bytes(3)
                          .unsynchronised()
                          .frame("PRIV", {0xFF, 0xE0, 0xFF, 0x00, 0x41, 0xFF})
                          .frame("TIT2", kTitle)
                          .padding(10)
                          .bytes()));
    EXPECT_EQ((Bytes{0xFF, 0xE0, 0xFF, 0x00, 0x41, 0xFF}), frame(1).Data);
    EXPECT_EQ(0, frame(1).StoredFlags[1]);
    // Frame offsets count the body as it is once the guard zeros are gone.
    EXPECT_EQ(10u, frame(1).FrameOffset);
    EXPECT_EQ(26u, frame(2).FrameOffset);
}

// A frame ending in FF before the padding: the first padding zero is a guard zero, also
// where the frame's end meets a window refill.
TEST_F(Id3v2Loader, Version3GuardZeroBeforeThePaddingAtEveryWindowEdge)
{
    for (const std::size_t size : {4075u, 4076u, 65535u, 65536u, 131071u, 131072u}) {
        Bytes data(size, 'A');
        data.back() = 0xFF;
        ASSERT_EQ(0, load(Id3v2Bytes(3).unsynchronised().frame("PRIV", data).padding(9).bytes())) << size;
        ASSERT_EQ(1u, count());
        EXPECT_EQ(data, frame(1).Data);
        EXPECT_EQ(9u, tag.PaddingSize) << size;
    }
}

// The guard zeros of FF 00 E0 land on each side of the first read's end and of every
// window refill in turn.
TEST_F(Id3v2Loader, Version3UnsynchronisationAcrossWindowRefills)
{
    std::mt19937 rng(3);
    for (std::size_t shift = 0; shift < 6; ++shift) {
        Bytes data(200000);
        for (auto& b : data)
            b = (rng() % 3) ? 0xFF : static_cast<uint8_t>(rng() % 2 ? 0x00 : 0xE0);
        for (std::size_t at : {4096 - 20 - shift, 65536 - 20 - shift, 2 * 65536 - shift})
            std::copy_n(Bytes{0xFF, 0xE0, 0xFF, 0x00}.begin(), 4, data.begin() + at);
        const Bytes tagBytes = Id3v2Bytes(3).unsynchronised().frame("PRIV", data).frame("TIT2", kTitle).padding(20).bytes();
        ASSERT_EQ(0, load(tagBytes)) << shift;
        ASSERT_EQ(2u, count());
        EXPECT_EQ(data, frame(1).Data) << shift;
        EXPECT_EQ(kTitle, frame(2).Data);
    }
}

// Frames of a plain body that end on each side of the first read's end, and large ones read
// past the window, with frames before and after them, in both versions.
TEST_F(Id3v2Loader, PlainFramesAcrossTheFirstReadAndPastTheWindow)
{
    for (const uint8_t version : {3, 4})
        for (const std::size_t before : {1u, 4040u})
            for (const std::size_t size : {4040u, 4066u, 8200u, 12300u, 70000u}) {
                const Bytes first = audioPattern(before), middle = audioPattern(size);
                ASSERT_EQ(0, load(Id3v2Bytes(version).frame("PRIV", first).frame("APIC", middle)
                                      .frame("TIT2", kTitle).padding(50).bytes()));
                ASSERT_EQ(3u, count()) << before << " " << size;
                EXPECT_EQ(first, frame(1).Data);
                EXPECT_EQ(middle, frame(2).Data) << before << " " << size;
                EXPECT_EQ(kTitle, frame(3).Data);
                EXPECT_EQ(50u, tag.PaddingSize);
            }
}

TEST_F(Id3v2Loader, Version4FramesKeepTheirOwnUnsynchronisation)
{
    const Bytes plain = {0xFF, 0xE0, 0x41, 0xFF, 0x00};
    const Bytes stored = Id3v2Bytes::unsynchronise(plain);
    ASSERT_EQ(0, load(Id3v2Bytes(4).flags(0x80).frame("PRIV", stored, 0, 0x02).padding(4).bytes()));
    EXPECT_TRUE(tag.Unsynchronisation());
    EXPECT_EQ(stored, frame(1).Data);
    ASSERT_TRUE(tag.FrameIndex().IsUnsynchronised(1));
    ASSERT_EQ(0, tag.FrameIndex().Resynchronise(1));
    EXPECT_EQ(plain, frame(1).Data);
}

TEST_F(Id3v2Loader, LargeFramesAndCompressedFrames)
{
    const Bytes picture = audioPattern(300000);
    const Bytes text = bytesOf(std::string(5000, 'a'));
    const Bytes packed = CompressBuffer(text.data(), text.size(), 3);
    ASSERT_EQ(0, load(Id3v2Bytes(3)
                          .frame("APIC", picture)
                          .frame("COMM", packed, 0, 0x80, Id3v2Bytes::be32(5000))
                          .padding(4096)
                          .bytes()));
    ASSERT_EQ(2u, count());
    EXPECT_EQ(picture, frame(1).Data);
    EXPECT_EQ(4096u, tag.PaddingSize);
    EXPECT_EQ(300010u, frame(2).FrameOffset - frame(1).FrameOffset);
    ASSERT_TRUE(tag.FrameIndex().IsCompressed(2));
    EXPECT_EQ(0, tag.FrameIndex().Decompress(2));
    EXPECT_EQ(text, frame(2).Data);
}

namespace {

std::string field(Tid3v2tag& tag, const char* id)
{
    std::string text;
    std::ignore = tag.GetTextFrame(id, text);
    return text;
}

} // namespace

TEST(Id3v2Corpus, EverySampleLoadsWithoutFault)
{
    VARNOLI_NEED_CORPUS();
    for (const std::string& path : corpusFiles()) {
        Tid3v2tag tag;
        const TagResult r = tag.LoadFromFile(path, 0);
        EXPECT_TRUE(r == 0 || failed(r)) << path << " " << r;
        std::string text;
        for (uint32_t i = 1; i <= tag.FrameIndex().Count(); ++i)
            if (tag.FrameIndex().FrameID(i)[0] == 'T' && tag.FrameIndex().FrameID(i) != "TXXX")
                std::ignore = tag.GetTextFrame(tag.FrameIndex().FrameID(i), text);
        TCommentFrame comment;
        std::ignore = tag.GetComment(comment, "", "None");
    }
}

// Expectations below were read off hex dumps of the samples.
TEST(Id3v2Corpus, Version3TagUnsynchronisation)
{
    VARNOLI_NEED_CORPUS();
    Tid3v2tag tag;
    ASSERT_EQ(0, tag.LoadFromFile(corpusDir() + "/unsynch.id3", 0));
    EXPECT_TRUE(tag.Unsynchronisation());
    ASSERT_EQ(5u, tag.FrameIndex().Count());
    // On disk FE FF 00 00 4D: the guard zero after FF goes.
    EXPECT_EQ((Bytes{0x01, 0xFE, 0xFF, 0x00, 0x4D}), Bytes(tag.FrameIndex().Data(1).begin(), tag.FrameIndex().Data(1).begin() + 5));
    EXPECT_EQ(0x20, tag.FrameIndex().Flags(5, frameflags::kStatus)); // TLEN, file alter preservation
    EXPECT_EQ("My babe just cares for me", field(tag, "TIT2"));
    EXPECT_EQ("Nina Simone", field(tag, "TPE1"));
    EXPECT_EQ("100% Jazz", field(tag, "TALB"));
    EXPECT_EQ("03", field(tag, "TRCK"));
}

TEST(Id3v2Corpus, Version4FrameUnsynchronisation)
{
    VARNOLI_NEED_CORPUS();
    Tid3v2tag tag;
    ASSERT_EQ(0, tag.LoadFromFile(corpusDir() + "/unsynch24.id3", 0));
    ASSERT_EQ(1u, tag.FrameIndex().Count());
    EXPECT_EQ((Bytes{0x01, 0xFF, 0x00, 0xFE, 'H', 0, 'i', 0}), tag.FrameIndex().Data(1));
    EXPECT_EQ("Hi", field(tag, "TIT2"));
}

TEST(Id3v2Corpus, Version4ExtendedHeaderWithCrc)
{
    VARNOLI_NEED_CORPUS();
    Tid3v2tag tag;
    ASSERT_EQ(0, tag.LoadFromFile(corpusDir() + "/extended-header.mp3", 0));
    EXPECT_EQ(12u, tag.ExtHeaderSize);
    EXPECT_TRUE(tag.CRCPresent());
    EXPECT_EQ(0x874EC307u, tag.CRC32);
    EXPECT_EQ(7u, tag.FrameIndex().Count());
    EXPECT_EQ("Vo Chrieger U Drache", field(tag, "TALB"));
    EXPECT_EQ("Folk/Power Metal", field(tag, "TCON"));
}

TEST(Id3v2Corpus, DamagedSamplesAreRefusedWithTheirReason)
{
    VARNOLI_NEED_CORPUS();
    const std::pair<const char*, TagResult> cases[] = {
        {"compressed_id3_frame.mp3", kErrFileTooShort}, // 5102-byte tag in a 4088-byte file
        {"excessive_alloc.mp3", kErrFileTooShort},
        {"broken-tenc.id3", kErrCorrupt},               // frame of size 1 announcing a data length
    };
    for (const auto& [name, expected] : cases) {
        Tid3v2tag tag;
        EXPECT_EQ(expected, tag.LoadFromFile(corpusDir() + "/" + name, 0)) << name;
        ASSERT_FALSE(tag.Problems().empty()) << name;
        EXPECT_EQ(tag.ErrorDetail(), tag.Problems().front().problem) << name;
    }
    // Four frames each announce a data length their size cannot hold: each is named, and
    // the frames between them are read.
    Tid3v2tag tag;
    EXPECT_EQ(kErrCorrupt, tag.LoadFromFile(corpusDir() + "/broken-tenc.id3", 0));
    std::vector<std::string> named;
    for (const TagProblem& p : tag.Problems())
        named.push_back(p.frame);
    EXPECT_EQ((std::vector<std::string>{"TENC", "WXXX", "TCOP", "TOPE"}), named);
    EXPECT_EQ(8u, tag.FrameIndex().Count());
}
