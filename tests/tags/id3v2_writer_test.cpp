// Tests of the ID3v2 writer: the audio behind the tag, padding, refusals, failures and interoperability.
#include "support/id3v2_builder.h"
#include "tags/id3v2/id3v2.h"
#include "tags/file/tag_file.h"
#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <functional>
#include <random>
#include <tuple>

using namespace testsupport;

namespace {

uint64_t syncsafe(const uint8_t* p)
{
    return uint64_t(p[0]) << 21 | uint64_t(p[1]) << 14 | uint64_t(p[2]) << 7 | p[3];
}

// Latin-1 text with FF bytes next to zeros and E0+ bytes, so unsynchronisation has work.
std::string awkwardText(std::size_t n, uint32_t seed)
{
    const char pool[] = {'a', 'Z', ' ', '\xFF', '\xE9', '\xFF', '\xF0', '\x41', '\xFF', '\x00'};
    std::mt19937 gen(seed);
    std::string s(n, 'x');
    for (char& c : s)
        c = pool[gen() % sizeof pool];
    return s;
}

class Id3v2Writer : public ::testing::Test {
protected:
    std::string file(const Bytes& bytes) { return dir.write("song" + std::to_string(++files) + ".mp3", bytes); }

    // The bytes behind the tag at the start of the file equal `audio`, and the file ends
    // on a 4096-byte boundary.
    static void expectAudio(const std::string& path, const Bytes& audio, bool aligned = true)
    {
        const Bytes bytes = readFile(path);
        ASSERT_GE(bytes.size(), 10u);
        const uint64_t extent = 10 + syncsafe(bytes.data() + 6);
        ASSERT_EQ(extent + audio.size(), bytes.size());
        EXPECT_TRUE(std::equal(audio.begin(), audio.end(), bytes.begin() + static_cast<std::ptrdiff_t>(extent)));
        if (aligned) {
            EXPECT_EQ(0u, bytes.size() % 4096);
        }
    }

    static void addFrame(Tid3v2tag& tag, const std::string& id, const Bytes& data, uint8_t format = 0)
    {
        const uint32_t i = tag.FrameIndex().Add(id);
        tag.FrameIndex().Data(i) = data;
        tag.FrameIndex().Frame(i).Flags[1] = format;
    }

    TempDir dir;
    int files = 0;
};

Bytes zlibOf(const Bytes& plain)
{
    uLongf n = compressBound(static_cast<uLong>(plain.size()));
    Bytes out(n);
    compress(out.data(), &n, plain.data(), static_cast<uLong>(plain.size()));
    out.resize(n);
    return out;
}


} // namespace

TEST_F(Id3v2Writer, AudioSurvivesSavesThatGrowShrinkAndRepeat)
{
    std::mt19937 rng(20261208);
    const std::size_t sizes[] = {0, 1, 4085, 16383, 16384, 16385, 70001, 3 * 1024 * 1024 + 17};
    for (uint32_t round = 0; round < 32; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const uint8_t version = static_cast<uint8_t>(3 + rng() % 2);
        const Bytes audio = audioPattern(round < 16 ? sizes[round % 8] : rng() % 200000, round);
        const int oldKind = static_cast<int>(rng() % 3); // none, a tag, a tag claiming past the end
        Bytes old;
        if (oldKind > 0) {
            Id3v2Bytes b(version);
            b.frame("TIT2", concat({{0, 'o', 'l', 'd'}, bytesOf(awkwardText(rng() % 30000, round))})).padding(rng() % 5000);
            if (oldKind == 2)
                b.sizeField(static_cast<uint32_t>(audio.size() + 100000));
            old = b.bytes();
        }
        const std::string path = file(concat({old, audio}));
        const Bytes kept = oldKind == 2 ? Bytes{} : audio;

        Tid3v2tag tag;
        tag.Version = version;
        tag.SetUnsynchronisation(rng() % 3 == 0);
        tag.SetCRCPresent(rng() % 3 == 0);
        const bool aligned = version == 4 || !tag.Unsynchronisation() || !tag.CRCPresent();
        std::vector<std::pair<std::string, std::string>> texts;
        for (const char* id : {"TIT2", "TPE1", "TALB", "TCON"}) {
            texts.emplace_back(id, awkwardText(1 + rng() % 3000, rng()));
            ASSERT_EQ(0, tag.SetTextFrame(id, texts.back().second));
        }
        if (rng() % 2)
            tag.FrameIndex().Frame(2).Flags[1] = frameflags::kCompression;

        ASSERT_EQ(kOk, tag.SaveToFile(path));
        expectAudio(path, kept, aligned);
        ASSERT_EQ(0, tag.SetTextFrame("TIT3", awkwardText(20000 + rng() % 30000, round)));
        ASSERT_EQ(kOk, tag.SaveToFile("="));
        expectAudio(path, kept, aligned);
        ASSERT_EQ(textresult::kDeleted, tag.SetTextFrame("TIT3", ""));
        ASSERT_EQ(kOk, tag.SaveToFile("="));
        expectAudio(path, kept, aligned);

        // The file written reads back with the same texts, and saves again without moving.
        Tid3v2tag reread;
        ASSERT_EQ(kOk, reread.LoadFromFile(path, 0));
        for (const auto& [id, text] : texts) {
            std::string got;
            std::ignore = reread.GetTextFrame(id, got);
            EXPECT_EQ(text.substr(0, text.find('\0')), got.substr(0, got.find('\0'))) << id;
        }
        const uint64_t size = readFile(path).size();
        ASSERT_EQ(kOk, reread.SaveToFile("="));
        expectAudio(path, kept, aligned);
        if (reread.PaddingSize > 0 && aligned) {
            EXPECT_EQ(size, readFile(path).size());
        }
    }
}

TEST_F(Id3v2Writer, PaddingAlignsTheFileToBlocks)
{
    // 1,000,000 bytes with a 2,048-byte old tag; the new tag is 1,500 bytes before padding.
    const Bytes audio = audioPattern(1000000 - 2048);
    const std::string path = file(concat({Id3v2Bytes(4).frame("TIT2", Bytes(2028, 'a')).bytes(), audio}));
    Tid3v2tag tag;
    tag.Version = 4;
    addFrame(tag, "TIT2", Bytes(1480, 'b'));
    ASSERT_EQ(kOk, tag.SaveToFile(path));
    EXPECT_EQ(4068u, tag.PaddingSize);
    EXPECT_EQ(1003520u, readFile(path).size());
    expectAudio(path, audio);

    // A tag that exactly fills the next block gets no padding; saving it again then adds a block.
    const Bytes tail = audioPattern(4000, 7);
    const std::string exact = file(tail);
    Tid3v2tag fit;
    addFrame(fit, "TIT2", Bytes(76, 'c'));
    ASSERT_EQ(kOk, fit.SaveToFile(exact));
    EXPECT_EQ(0u, fit.PaddingSize);
    expectAudio(exact, tail);
    ASSERT_EQ(kOk, fit.SaveToFile("="));
    EXPECT_EQ(4096u, fit.PaddingSize);
    EXPECT_EQ(8192u, readFile(exact).size());
    expectAudio(exact, tail);
}

TEST_F(Id3v2Writer, RefusalsLeaveTheFileByteIdentical)
{
    const Bytes original = concat({Id3v2Bytes(3).frame("TIT2", {0, 'O', 'l', 'd'}).padding(50).bytes(), audioPattern(9000)});
    auto refuses = [&](TagResult expected, const std::function<void(Tid3v2tag&)>& arrange,
                       const std::function<TagResult(Tid3v2tag&, const std::string&)>& save) {
        const std::string path = file(original);
        Tid3v2tag tag;
        addFrame(tag, "TPE1", {0, 'N', 'e', 'w'});
        arrange(tag);
        EXPECT_EQ(expected, save(tag, path));
        EXPECT_EQ(original, readFile(path));
    };
    auto plain = [](Tid3v2tag& t, const std::string& p) { return t.SaveToFile(p); };
    auto nothing = [](Tid3v2tag&) {};
    refuses(kErrVersion, nothing, [](Tid3v2tag& t, const std::string& p) { return t.SaveToFile(p, 2); });
    refuses(kErrRevision, nothing, [](Tid3v2tag& t, const std::string& p) { return t.SaveToFile(p, 3, -1, 1); });
    refuses(kErrOffset, nothing, [&](Tid3v2tag& t, const std::string& p) {
        return t.SaveToFile(p, 255, static_cast<int64_t>(original.size()) + 1);
    });
    refuses(kErrNoFrames, [](Tid3v2tag& t) { t.FrameIndex().Data(1).clear(); }, plain);
    refuses(kErrEncryption, [](Tid3v2tag& t) { t.FrameIndex().Frame(1).Flags[1] = frameflags::kEncryption; }, plain);
    refuses(kErrGrouping, [](Tid3v2tag& t) { t.FrameIndex().Frame(1).StoredFlags[1] = frameflags::kGrouping; }, plain);
    refuses(kErrDataLength, [](Tid3v2tag& t) {
        t.Version = 4;
        auto& f = t.FrameIndex().Frame(1);
        f.Flags[1] = f.StoredFlags[1] = frameflags::kEncryption | frameflags::kDataLengthIndicator;
    }, plain);
    // A compressed frame whose stream does not inflate has no length to measure.
    refuses(kErrDataLength, [](Tid3v2tag& t) {
        t.Version = 4;
        auto& f = t.FrameIndex().Frame(1);
        f.Data = bytesOf("not zlib");
        f.Flags[1] = f.StoredFlags[1] = frameflags::kCompression | frameflags::kDataLengthIndicator;
    }, plain);
    refuses(kErrCorrupt, [](Tid3v2tag& t) { t.LoadResult = kErrFileTooShort; }, plain);
    refuses(kErrTagTooLarge, [](Tid3v2tag& t) { t.FrameIndex().Data(1).resize(kMaxTagBody - 9); }, plain);
    refuses(kErrReadOnly, nothing, [](Tid3v2tag& t, const std::string& p) {
        makeReadOnly(p);
        return t.SaveToFile(p);
    });
    Tid3v2tag tag;
    addFrame(tag, "TIT2", {0, 'x'});
    EXPECT_EQ(kErrOpen, tag.SaveToFile(dir.file("missing.mp3")));
}

TEST_F(Id3v2Writer, AFailureHalfwayIsReportedAndTheFileIsPutBack)
{
    const Bytes audio = audioPattern(100000);
    for (const std::size_t newTitle : {40000u, 10u}) { // grows, then shrinks the tag
        for (int kind = 0; kind < 2; ++kind) {
            for (uint64_t n = 1;; ++n) {
                const std::string path = file(concat({Id3v2Bytes(3).frame("TIT2", Bytes(20000, 'a')).bytes(), audio}));
                const Bytes before = readFile(path);
                Tid3v2tag tag;
                addFrame(tag, "TIT2", Bytes(newTitle, 'b'));
                (kind == 0 ? platform::faults::failWriteAt : platform::faults::failReadAt)(n);
                const TagResult result = tag.SaveToFile(path);
                platform::faults::failWriteAt(0);
                platform::faults::failReadAt(0);
                if (result == kOk) {
                    expectAudio(path, audio);
                    EXPECT_GT(n, 2u) << "no failure was injected at all";
                    break;
                }
                EXPECT_EQ(kind == 0 ? kErrWrite : kErrRead, result) << "call " << n;
                // The move's record puts the file back as it was.
                EXPECT_EQ(before, readFile(path)) << "call " << n;
                ASSERT_LT(n, 100u);
            }
        }
    }
}

TEST_F(Id3v2Writer, AnOldFooterGoesWithTheOldTag)
{
    const Bytes audio = audioPattern(5000);
    const Bytes old = Id3v2Bytes(4).flags(0x10).frame("TIT2", {0, 'o', 'l', 'd'}).bytes();
    Bytes footer = old;
    footer.resize(10);
    std::copy_n("3DI", 3, footer.begin());
    const std::string path = file(concat({old, footer, audio}));
    Tid3v2tag tag;
    ASSERT_EQ(kOk, tag.LoadFromFile(path, 0));
    ASSERT_TRUE(tag.Footer());
    ASSERT_EQ(0, tag.SetTextFrame("TIT2", "new"));
    ASSERT_EQ(kOk, tag.SaveToFile("="));
    EXPECT_EQ(0, readFile(path)[5] & 0x10);
    expectAudio(path, audio);
}

// The bytes before a tag at a non-zero offset stay, and what followed the old tag (its
// footer aside) follows the new one, whether the tag grows, shrinks or is put in.
TEST_F(Id3v2Writer, TagsAtAnOffsetKeepTheBytesAroundThem)
{
    const Bytes prefix = audioPattern(777, 3);
    const Bytes audio = audioPattern(40000, 4);
    const Bytes old = Id3v2Bytes(4).flags(0x10).frame("TIT2", concat({{0}, Bytes(5000, 'o')})).bytes();
    Bytes footer(old.begin(), old.begin() + 10);
    std::copy_n("3DI", 3, footer.begin());
    for (const std::size_t title : {10u, 20000u, 4000u}) {
        for (const bool withOld : {true, false}) {
            const std::string path = file(withOld ? concat({prefix, old, footer, audio}) : concat({prefix, audio}));
            Tid3v2tag tag;
            tag.Version = 4;
            ASSERT_EQ(0, tag.SetTextFrame("TIT2", std::string(title, 't')));
            ASSERT_EQ(kOk, tag.SaveToFile(path, 255, static_cast<int64_t>(prefix.size())));
            const Bytes bytes = readFile(path);
            ASSERT_TRUE(std::equal(prefix.begin(), prefix.end(), bytes.begin()));
            const uint64_t end = prefix.size() + 10 + syncsafe(bytes.data() + prefix.size() + 6);
            ASSERT_EQ(end + audio.size(), bytes.size());
            EXPECT_TRUE(std::equal(audio.begin(), audio.end(), bytes.begin() + static_cast<std::ptrdiff_t>(end)));
            EXPECT_EQ(std::string(title, 't'), v2TextOf(path, "TIT2", static_cast<uint32_t>(prefix.size())));
        }
    }
}

// Flags and data agree after a save where compression and unsynchronisation meet: the
// measured data length and the compression applied describe the bytes written.
TEST_F(Id3v2Writer, CompressedAndUnsynchronisedFramesReadBackAfterASave)
{
    const Bytes audio = audioPattern(5000);
    // Stored compressed and unsynchronised by version 2.4, with no data length indicator.
    {
        const Bytes plain = concat({{0}, Bytes(300, 'a')});
        const std::string path = file(concat({Id3v2Bytes(4)
                                                  .frame("TIT2", Id3v2Bytes::unsynchronise(zlibOf(plain)), 0, 0x0A)
                                                  .frame("TPE1", {0, 'x'})
                                                  .padding(20)
                                                  .bytes(),
                                              audio}));
        ASSERT_EQ(std::string(300, 'a'), v2TextOf(path, "TIT2"));
        Tid3v2tag tag;
        ASSERT_EQ(kOk, tag.LoadFromFile(path, 0));
        ASSERT_EQ(0, tag.SetTextFrame("TPE1", "y"));
        ASSERT_EQ(kOk, tag.SaveToFile(path));
        EXPECT_EQ(std::string(300, 'a'), v2TextOf(path, "TIT2")) << "a frame the save did not touch";
    }
    // Compression asked for, and given up, on frames held unsynchronised.
    for (const uint8_t version : {3, 4}) {
        for (const bool compressFirst : {false, true}) {
            const std::string text(300, compressFirst ? 'c' : 'b');
            const std::string path = file(audio);
            Tid3v2tag tag;
            tag.Version = version;
            tag.SetUnsynchronisation(true);
            ASSERT_EQ(0, tag.SetTextFrame("TIT2", text));
            if (compressFirst)
                tag.FrameIndex().Frame(1).Flags[1] |= frameflags::kCompression;
            ASSERT_EQ(kOk, tag.SaveToFile(path));
            ASSERT_EQ(text, v2TextOf(path, "TIT2"));
            uint8_t& format = tag.FrameIndex().Frame(1).Flags[1];
            format = compressFirst ? static_cast<uint8_t>(format & ~(frameflags::kCompression |
                                                                      frameflags::kDataLengthIndicator))
                                   : static_cast<uint8_t>(format | frameflags::kCompression);
            ASSERT_EQ(kOk, tag.SaveToFile("="));
            EXPECT_EQ(text, v2TextOf(path, "TIT2"))
                << "version " << int(version) << (compressFirst ? ", decompressed" : ", compressed");
        }
    }
}

TEST_F(Id3v2Writer, MutagenReadsWhatWasWrittenAndTheCrcHolds)
{
    const std::string python = mutagenPython();
    VARNOLI_NEED_MUTAGEN(python);
    // One line per frame: ID, then the Latin-1 bytes of its text in hex (comment: language and text).
    const char* script = R"(
import sys, mutagen.id3 as m
t = m.ID3(sys.argv[1], load_v1=False)
print(t.version[1])
for f in t.values():
    if f.FrameID == 'COMM':
        print('COMM', f.lang, f.desc.encode('latin1').hex(), f.text[0].encode('latin1').hex())
    else:
        print(f.FrameID, f.text[0].encode('latin1').hex())
)";
    auto hex = [](const std::string& s) {
        std::string out;
        for (unsigned char c : s)
            out += "0123456789abcdef"[c >> 4], out += "0123456789abcdef"[c & 15];
        return out;
    };
    // Frame data must not end in FF: mutagen then ignores the frame's unsynchronisation.
    const std::string title = "Caf\xE9 \xFF\xFF\xE0\xFFx", artist = "A\xFF\xFF\xE0z";
    for (const uint8_t version : {3, 4}) {
        for (int variant = 0; variant < 4; ++variant) { // plain, unsynchronised, compressed, unsynchronised with CRC
            SCOPED_TRACE("version " + std::to_string(version) + " variant " + std::to_string(variant));
            // Audio that does not open with a frame sync: mutagen reads an unsynchronised v2.3 tag
            // with a CRC differently when one follows it (the same tag bytes), a case of its own.
            Bytes audio = audioPattern(20000, variant);
            audio[0] = 0;
            const std::string path = file(audio);
            Tid3v2tag tag;
            tag.Version = version;
            tag.SetUnsynchronisation(variant == 1 || variant == 3);
            tag.SetCRCPresent(variant == 3);
            ASSERT_EQ(0, tag.SetTextFrame("TIT2", title));
            ASSERT_EQ(0, tag.SetTextFrame("TPE1", artist));
            TCommentFrame comment{0, "ENG", "", "line one\nline \xFF\xF0"};
            ASSERT_EQ(0, tag.SetComment(comment, "", "None"));
            if (variant == 2)
                for (uint32_t i = 1; i <= 3; ++i)
                    tag.FrameIndex().Frame(i).Flags[1] = frameflags::kCompression;
            ASSERT_EQ(kOk, tag.SaveToFile(path));

            if (tag.CRCPresent()) {
                // The CRC covers the frames from the first one on; version 2.3 leaves out the padding.
                const Bytes bytes = readFile(path), id = bytesOf("TIT2");
                const auto start = std::search(bytes.begin(), bytes.end(), id.begin(), id.end()) - bytes.begin();
                const auto end = 10 + syncsafe(bytes.data() + 6) - (version == 3 ? tag.PaddingSize : 0);
                EXPECT_EQ(crc32(0, bytes.data() + start, static_cast<uInt>(end - start)), tag.CRC32);
            }
            const CommandResult r = runProgram(python, {"-c", script, path});
            ASSERT_EQ(0, r.exitCode) << r.err;
            EXPECT_EQ(std::to_string(version) + "\nTIT2 " + hex(title) + "\nTPE1 " + hex(artist) + "\nCOMM ENG  " +
                          hex(comment.Text) + "\n",
                      r.out);
        }
    }
}

// A save over a tag of its own size that the session read writes only what changed: the
// session is told each run before it is written, with the bytes it replaces, no other byte
// moves, and the CRC-32 worked out from the runs alone is the new tag's.
TEST_F(Id3v2Writer, ASaveInPlaceWritesOnlyWhatChangedAndKnowsItsCrc)
{
    std::mt19937 rng(9);
    const std::string path = file(concat({Id3v2Bytes(3).frame("TIT2", {0, 't'}).padding(9000).bytes(), audioPattern(5000)}));
    int inPlace = 0, severalRuns = 0;
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const Bytes before = readFile(path);
        SaveRefusal refusal;
        std::optional<TagFile> session = TagFile::openForSaving(path, refusal);
        ASSERT_TRUE(session);
        Tid3v2tag tag;
        ASSERT_EQ(kOk, session->loadV2(tag));
        EXPECT_EQ(crc32(0, session->keptHead().data(), static_cast<uInt>(session->keptHead().size())),
                  session->keptHeadCrc());
        struct Told : SaveObserver {
            std::vector<std::pair<uint64_t, Bytes>> changes;
            bool whole = false;
            bool beforeHeadChange(const HeadChange& c, std::string&) override
            {
                whole = whole || c.whole;
                changes.emplace_back(c.at, Bytes(c.oldBytes, c.oldBytes + c.size));
                return true;
            }
        } observer;
        const auto& told = observer.changes;
        const bool& whole = observer.whole;
        // Frames far apart change, some by the same length, so that several runs are found.
        for (const char* id : {"TIT2", "TPE1", "TALB", "TCOM", "TIT3"}) {
            if (rng() % 2) {
                const std::string text = std::string(1 + rng() % 3, char('a' + rng() % 3)) +
                                         (std::string(id) == "TPE1" ? std::string(1500, 'p') : "");
                ASSERT_EQ(0, tag.SetTextFrame(id, text));
            }
        }
        const SaveReport report = session->save(nullptr, &tag, &observer);
        ASSERT_EQ(kOk, report.v2);
        const Bytes after = readFile(path);
        if (whole)
            continue; // the tag was sized anew
        ASSERT_EQ(before.size(), after.size());
        Bytes undone = after;
        for (const auto& [at, bytes] : told)
            std::copy(bytes.begin(), bytes.end(), undone.begin() + static_cast<std::ptrdiff_t>(at));
        EXPECT_EQ(before, undone);
        ASSERT_TRUE(report.head.known);
        EXPECT_EQ(crc32(0, after.data(), static_cast<uInt>(report.head.extent)), report.head.crc);
        ++inPlace;
        severalRuns += told.size() > 1;
    }
    EXPECT_GT(inPlace, 30);
    EXPECT_GT(severalRuns, 3);
}
