// Tags as other programs write them: version 2.2, broken version 2.4 sizes, a false extended
// header flag, and failures in words. mutagen is the oracle for what a tag holds.
#include "support/id3v2_builder.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace testsupport;

namespace {

// One line per frame mutagen parses: text frames with their text, comments and pictures
// with their fields; texts as Latin-1 hex. Picture formats are named as mutagen names them
// when it converts a version 2.2 tag.
const char* kMutagenScript = R"(
import sys, mutagen.id3 as m
t = m.ID3(sys.argv[1], load_v1=False, translate=False)
u = m.ID3(sys.argv[1], load_v1=False, translate=False)
u.update_to_v23()
mimes = iter([f.mime for f in u.getall('APIC')])
print(t.version[1], 'ext' if t.f_extended else '')
h = lambda s: s.encode('latin1').hex()
for f in t.values():
    if f.FrameID == 'COMM':
        print('COMM', f.lang, h(f.desc), h('/'.join(f.text)))
    elif f.FrameID == 'APIC':
        print('APIC', next(mimes), int(f.type), h(f.desc), len(f.data))
    elif f.FrameID[0] == 'T' and f.FrameID != 'TXXX':
        print(f.FrameID, h('/'.join(map(str, f.text))))
)";

std::string hex(const std::string& s)
{
    std::string out;
    for (unsigned char c : s)
        out += "0123456789abcdef"[c >> 4], out += "0123456789abcdef"[c & 15];
    return out;
}

std::string latin1Until0(const Bytes& d, std::size_t& p)
{
    std::string s;
    while (p < d.size() && d[p] != 0)
        s += static_cast<char>(d[p++]);
    ++p;
    return s;
}

// The same lines from a loaded tag: its text access for text frames, Latin-1 layouts otherwise.
std::string describe(Tid3v2tag& tag)
{
    std::string out = std::to_string(tag.Version) + (tag.ExtendedHeader() ? " ext\n" : " \n");
    for (uint32_t i = 1; i <= tag.FrameIndex().Count(); ++i) {
        const std::string& id = tag.FrameIndex().FrameID(i);
        const Bytes& d = tag.FrameIndex().Data(i);
        std::size_t p = 4;
        if (id == "COMM") {
            const std::string lang(d.begin() + 1, d.begin() + 4), desc = latin1Until0(d, p);
            TCommentFrame comment;
            std::ignore = tag.GetComment(comment, desc, lang);
            // A comment without text is none to mutagen either.
            if (!comment.Text.empty())
                out += "COMM " + lang + " " + hex(desc) + " " + hex(comment.Text) + "\n";
        } else if (id == "APIC") {
            p = 1;
            const std::string mime = latin1Until0(d, p);
            const int type = d[p++];
            const std::string desc = latin1Until0(d, p);
            out += "APIC " + mime + " " + std::to_string(type) + " " + hex(desc) + " " + std::to_string(d.size() - p) + "\n";
        } else if (id[0] == 'T' && id != "TXXX") {
            std::string text;
            std::ignore = tag.GetTextFrame(id, text);
            out += id + " " + hex(text) + "\n";
        }
    }
    return out;
}

std::string mutagenLines(const std::string& python, const std::string& path)
{
    const CommandResult r = runProgram(python, {"-c", kMutagenScript, path});
    EXPECT_EQ(0, r.exitCode) << r.err;
    return r.out;
}

Bytes frame22(const std::string& id, const Bytes& data)
{
    const auto n = static_cast<uint32_t>(data.size());
    return concat({bytesOf(id), {uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)}, data});
}

Bytes text(const std::string& s)
{
    return concat({{0}, bytesOf(s)});
}

// A tag of an iTunes-era file: the seven fields, a picture, and two frames with no later counterpart.
Bytes itunesStyleTag(uint8_t flags = 0)
{
    const Bytes pic = concat({{0}, bytesOf("JPG"), {3}, bytesOf("front"), {0}, Bytes(300, 0xD8)});
    return Id3v2Bytes(2)
        .flags(flags)
        .raw(frame22("TT2", text("Caf\xE9 \xFF\xE0 Noir")))
        .raw(frame22("TP1", text("Artist")))
        .raw(frame22("CRM", concat({bytesOf("owner"), {0}, bytesOf("x"), {0}, Bytes(8, 1)})))
        .raw(frame22("TAL", text("Album")))
        .raw(frame22("TYE", text("1999")))
        .raw(frame22("TCO", text("(13)")))
        .raw(frame22("COM", concat({{0}, bytesOf("eng"), {0}, bytesOf("A comment")})))
        .raw(frame22("TRK", text("3/12")))
        .raw(frame22("PIC", pic))
        .raw(frame22("XYZ", text("private")))
        .padding(64)
        .bytes();
}

class Id3v2Compat : public ::testing::Test {
protected:
    std::string file(const Bytes& tagBytes) { return dir.write("song" + std::to_string(++files) + ".mp3", concat({tagBytes, audioPattern(3000)})); }

    TempDir dir;
    int files = 0;
    std::string python = mutagenPython();
};

} // namespace

TEST_F(Id3v2Compat, Version22ReadsAsVersion23FramesAndSavesAsVersion23)
{
    VARNOLI_NEED_MUTAGEN(python);
    for (const uint8_t flags : {0x00, 0x80}) { // plain and unsynchronised
        SCOPED_TRACE(flags);
        const std::string path = file(itunesStyleTag(flags));
        Tid3v2tag tag;
        ASSERT_EQ(kOk, tag.LoadFromFile(path, 0));
        EXPECT_EQ(2, tag.Version);
        EXPECT_EQ((std::vector<std::string>{"CRM", "XYZ"}), tag.DroppedFrames());
        const std::string before = describe(tag);
        EXPECT_EQ(mutagenLines(python, path), before);
        EXPECT_NE(std::string::npos, before.find("APIC image/jpeg 3 " + hex("front") + " 300\n"));
        TCommentFrame comment;
        ASSERT_EQ(0, tag.GetComment(comment, "", "None"));
        EXPECT_EQ("A comment", comment.Text);

        const Bytes audio = audioPattern(3000);
        ASSERT_EQ(kOk, tag.SaveToFile());
        const Bytes saved = readFile(path);
        EXPECT_EQ(3, saved[3]);
        EXPECT_TRUE(std::equal(audio.rbegin(), audio.rend(), saved.rbegin()));
        Tid3v2tag reread;
        ASSERT_EQ(kOk, reread.LoadFromFile(path, 0));
        EXPECT_EQ(3, reread.Version);
        EXPECT_TRUE(reread.DroppedFrames().empty());
        const std::string after = describe(reread);
        EXPECT_EQ(mutagenLines(python, path), after);
        EXPECT_EQ(before.substr(1), after.substr(1));
    }
}

TEST_F(Id3v2Compat, Version22RefusalsAndSaves)
{
    Tid3v2tag tag;
    // The whole-tag compression bit names no method that could be undone.
    EXPECT_EQ(kErrTagCompression, tag.LoadFromFile(file(itunesStyleTag(0x40)), 0));
    EXPECT_FALSE(tag.ErrorDetail().empty());
    EXPECT_EQ(kErrFrameId, tag.LoadFromFile(file(Id3v2Bytes(2).raw(frame22("T_2", text("x"))).bytes()), 0));
    EXPECT_EQ("frame ID \"T_2\" at byte 10 is not valid", tag.ErrorDetail());
    EXPECT_EQ(kErrCorrupt, tag.LoadFromFile(file(Id3v2Bytes(2).raw(frame22("TT2", text("x"))).raw({'T', 'P', '1', 0, 1, 0, 0}).bytes()), 0));
    EXPECT_EQ("frame TP1 at byte 18 claims 256 bytes but 1 remain in the tag", tag.ErrorDetail());

    // Asking for version 2.2 explicitly is still refused: only reading knows it.
    ASSERT_EQ(kOk, tag.LoadFromFile(file(itunesStyleTag()), 0));
    EXPECT_EQ(kErrVersion, tag.SaveToFile("=", 2));
    ASSERT_EQ(kOk, tag.SaveToFile("=", 4));
    EXPECT_EQ(4, readFile(tag.FileName)[3]);
}

TEST_F(Id3v2Compat, Version4PlainSizesAndFalseExtendedHeaderReadAsMutagenAndSaveWellFormed)
{
    VARNOLI_NEED_MUTAGEN(python);
    const std::string longTitle(200, 'T'), album(300, 'A'), artist(127, 'P');
    auto frames = [&](Id3v2Bytes b, bool plain, bool large = false) {
        auto add = [&](const char* id, const std::string& s) {
            const Bytes data = text(s);
            const auto n = static_cast<uint32_t>(data.size());
            b.raw(concat({bytesOf(id), plain ? Id3v2Bytes::be32(n) : Id3v2Bytes::syncsafe(n), {0, 0}, data}));
        };
        if (large) // ends beyond the 64 KiB the loader holds at a time
            add("PRIV", std::string(70000, '\xAB'));
        add("TIT2", longTitle); // 201: not sync-safe when plain
        add("TALB", album);     // 301: sync-safe either way, only one reading leads to a frame
        add("TPE1", artist);    // 128: not sync-safe when plain, ambiguous when sync-safe
        add("TYER", "2001");
        return b;
    };
    const std::pair<const char*, Bytes> cases[] = {
        {"plain sizes", frames(Id3v2Bytes(4), true).padding(40).bytes()},
        {"plain sizes up to the end", frames(Id3v2Bytes(4), true).bytes()},
        {"plain sizes, a large frame", frames(Id3v2Bytes(4), true, true).padding(10).bytes()},
        {"sync-safe sizes", frames(Id3v2Bytes(4), false).padding(40).bytes()},
        {"v2.4 flag without header", frames(Id3v2Bytes(4).flags(0x40), false).padding(10).bytes()},
        {"v2.3 flag without header", Id3v2Bytes(3).flags(0x40).frame("TIT2", text(longTitle)).frame("TPE1", text("P")).bytes()},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const std::string path = file(bytes);
        Tid3v2tag tag;
        ASSERT_EQ(kOk, tag.LoadFromFile(path, 0));
        const std::string before = describe(tag);
        EXPECT_NE(std::string::npos, before.find(hex(longTitle)));
        EXPECT_FALSE(tag.ExtendedHeader());
        EXPECT_EQ(mutagenLines(python, path), before);

        ASSERT_EQ(kOk, tag.SetTextFrame("TIT2", "New"));
        ASSERT_EQ(kOk, tag.SaveToFile());
        const Bytes saved = readFile(path);
        EXPECT_EQ(0, saved[5] & 0x40);
        if (saved[3] == 4) // every size sync-safe: the frames follow one another to the padding
            for (std::size_t p = 10; p + 10 <= saved.size() && saved[p] != 0;) {
                ASSERT_TRUE(saved[p] >= 'A' && saved[p] <= 'Z') << p;
                p += 10 + (uint64_t(saved[p + 4]) << 21 | uint64_t(saved[p + 5]) << 14 | uint64_t(saved[p + 6]) << 7 | saved[p + 7]);
            }
        Tid3v2tag reread;
        ASSERT_EQ(kOk, reread.LoadFromFile(path, 0));
        EXPECT_EQ(mutagenLines(python, path), describe(reread));
    }
}

TEST_F(Id3v2Compat, CorpusSamplesReadAsMutagenReadsThem)
{
    VARNOLI_NEED_CORPUS();
    VARNOLI_NEED_MUTAGEN(python);
    // Two iTunes version 2.2 tags and one version 2.4 tag with plain frame sizes.
    for (const char* name : {"itunes10.mp3", "id3v22-tda.mp3", "005411.id3"}) {
        SCOPED_TRACE(name);
        const std::string path = copyCorpusFile(dir, name);
        Tid3v2tag tag;
        ASSERT_EQ(kOk, tag.LoadFromFile(path, 0));
        EXPECT_TRUE(tag.DroppedFrames().empty());
        EXPECT_EQ(mutagenLines(python, path), describe(tag));
        ASSERT_EQ(kOk, tag.SaveToFile());
        Tid3v2tag reread;
        ASSERT_EQ(kOk, reread.LoadFromFile(path, 0));
        EXPECT_EQ(mutagenLines(python, path), describe(reread));
    }
}

TEST(TagResultWords, NumbersAndDetails)
{
    EXPECT_EQ("0", groupedNumber(0));
    EXPECT_EQ("999", groupedNumber(999));
    EXPECT_EQ("1,000", groupedNumber(1000));
    EXPECT_EQ("268,435,455", groupedNumber(268435455));
    EXPECT_EQ("", resultText(kOk | kWarnPadding));
    EXPECT_EQ("Error #4096: the file has no tag", errorText(kErrNoTag));
    EXPECT_EQ("Error #65028: the tag is damaged", errorText(kErrCorrupt | kWarnPadding));

    TempDir dir;
    const Bytes tag = Id3v2Bytes(3).frame("TIT2", {0, 'H', 'i'}).sizeField(6200).bytes();
    const std::string path = dir.write("short.mp3", concat({tag, audioPattern(4100 - tag.size())}));
    Tid3v2tag v2;
    ASSERT_EQ(kErrFileTooShort, v2.LoadFromFile(path, 0));
    EXPECT_EQ("Error #8192: the tag claims 6,210 bytes but the file ends after 4,100",
              errorText(kErrFileTooShort, v2.ErrorDetail()));
    EXPECT_EQ(kErrVersion, v2.LoadFromFile(dir.write("v5.mp3", Id3v2Bytes(5).frame("TIT2", {0, 'x'}).bytes()), 0));
    EXPECT_EQ("the tag is ID3v2.5, which cannot be read", v2.ErrorDetail());
    ASSERT_EQ(kOk, v2.LoadFromFile(dir.write("ok.mp3", Id3v2Bytes(3).frame("TIT2", {0, 'x'}).bytes()), 0));
    EXPECT_EQ("", v2.ErrorDetail());
}
