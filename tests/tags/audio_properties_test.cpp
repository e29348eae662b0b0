// Audio properties from frames built here, from files lame and ffmpeg make (checked against
// ffprobe), and the signs that a file is not MPEG audio.
#include "support/test_support.h"

#include "tags/file/tag_file.h"
#include "tags/mpeg/audio_properties.h"
#include "tags/mpeg/foreign_format.h"

#include <cstdio>
#include <random>

using namespace testsupport;

namespace {

// MPEG 1 layer III, 44.1 kHz, joint stereo, the bitrate by its index (9: 128 kbit/s).
Bytes frame(int bitrateIndex)
{
    static constexpr int kKbps[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    Bytes f(std::size_t(144 * kKbps[bitrateIndex] * 1000 / 44100), 0x55);
    f[0] = 0xFF, f[1] = 0xFB, f[2] = uint8_t(bitrateIndex << 4), f[3] = 0x64;
    return f;
}

// A first frame holding a Xing or Info header with the frame and byte counts, then `frames` frames.
Bytes withXing(const char* id, uint32_t frames, uint32_t bytes, int count)
{
    Bytes first = frame(9);
    std::copy(id, id + 4, first.begin() + 36);
    const uint8_t fields[] = {0, 0, 0, 3, uint8_t(frames >> 24), uint8_t(frames >> 16), uint8_t(frames >> 8),
                              uint8_t(frames), uint8_t(bytes >> 24), uint8_t(bytes >> 16), uint8_t(bytes >> 8),
                              uint8_t(bytes)};
    std::copy(std::begin(fields), std::end(fields), first.begin() + 40);
    Bytes all = first;
    for (int i = 0; i < count; ++i)
        all = concat({all, frame(9)});
    return all;
}

std::optional<AudioProperties> parse(const Bytes& b, uint64_t audioSize = 0)
{
    return parseAudioProperties(b.data(), b.size(), audioSize ? audioSize : b.size());
}

} // namespace

TEST(AudioProperties, HeadersGiveTheWholeStreamsLength)
{
    // 1000 frames of 1152 samples at 44.1 kHz, though the window holds only a few.
    const std::optional<AudioProperties> vbr = parse(withXing("Xing", 1000, 4000000, 3));
    ASSERT_TRUE(vbr);
    EXPECT_NEAR(1000 * 1152 / 44100.0, vbr->duration, 1e-9);
    EXPECT_TRUE(vbr->vbr);
    EXPECT_FALSE(vbr->estimated);
    EXPECT_EQ(1225, vbr->bitrate); // 4,000,000 bytes over 26.12 s
    EXPECT_EQ(44100, vbr->sampleRate);
    EXPECT_EQ(2, vbr->channels);
    const std::optional<AudioProperties> cbr = parse(withXing("Info", 1000, 0, 3), 1000 * 417);
    ASSERT_TRUE(cbr);
    EXPECT_FALSE(cbr->vbr);
    EXPECT_EQ(128, cbr->bitrate);

    Bytes vbri = frame(9);
    const uint8_t header[] = {'V', 'B', 'R', 'I', 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 100};
    std::copy(std::begin(header), std::end(header), vbri.begin() + 36);
    const std::optional<AudioProperties> v = parse(concat({vbri, frame(9)}));
    ASSERT_TRUE(v);
    EXPECT_NEAR(100 * 1152 / 44100.0, v->duration, 1e-9);
    EXPECT_TRUE(v->vbr);
}

TEST(AudioProperties, WithoutAHeaderTheFirstFramesEstimateTheLength)
{
    Bytes cbr = concat({Bytes(100, 0), frame(9), frame(9), frame(9)});
    const std::optional<AudioProperties> a = parse(cbr, 100 + 417 * 300);
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->estimated);
    EXPECT_FALSE(a->vbr);
    EXPECT_NEAR(300 * 1152 / 44100.0, a->duration, 1e-6);

    const std::optional<AudioProperties> mixed = parse(concat({frame(9), frame(14), frame(5)}));
    ASSERT_TRUE(mixed);
    EXPECT_TRUE(mixed->vbr);
    EXPECT_TRUE(mixed->estimated);
}

TEST(AudioProperties, HostileBytesFindNothingOrStayInBounds)
{
    EXPECT_FALSE(parse(Bytes(5000, 0xFF)));
    EXPECT_FALSE(parse(Bytes{0xFF, 0xFB, 0x90}));
    // A lone sync pattern with no second frame after it is not taken for audio.
    EXPECT_FALSE(parse(concat({Bytes{0xFF, 0xFB, 0x90, 0x64}, Bytes(1000, 0)})));
    // Headers cut anywhere: each prefix is parsed without reading past its end.
    const Bytes whole = withXing("Xing", 10, 10, 1);
    for (std::size_t n = 0; n < whole.size(); n += 7) {
        const Bytes cut(whole.begin(), whole.begin() + std::ptrdiff_t(n));
        std::ignore = parse(cut, 1);
    }
    std::mt19937 gen(7);
    for (int round = 0; round < 200; ++round) {
        Bytes noise = audioPattern(2000, uint32_t(round));
        noise[gen() % 2000] = 0xFF;
        std::ignore = parse(noise, gen());
    }
}

TEST(ForeignFormat, NamesKnownFormatsAndBytesWithoutFrames)
{
    const Bytes jpeg = concat({Bytes{0xFF, 0xD8, 0xFF, 0xE0}, Bytes(2000, 0)});
    EXPECT_NE(std::string::npos, foreignFormatReason(jpeg.data(), jpeg.size(), true).find("JPEG"));
    const Bytes mp4 = concat({Bytes{0, 0, 0, 0x20}, bytesOf("ftypisom"), frame(9), frame(9)});
    EXPECT_NE(std::string::npos, foreignFormatReason(mp4.data(), mp4.size(), true).find("MP4"));
    const Bytes text = bytesOf("just some text named .mp3\n");
    EXPECT_EQ("the file holds no MPEG audio", foreignFormatReason(text.data(), text.size(), true));
    const Bytes audio = concat({frame(9), frame(9)});
    EXPECT_EQ("", foreignFormatReason(audio.data(), audio.size(), false));
}

namespace {

bool haveTool(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string commandOutput(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        ::pclose(pipe);
    }
    return out;
}

} // namespace

// Files as the encoders write them: each one's length agrees with ffprobe's.
TEST(AudioProperties, AgreeWithFfprobeOnFilesLameAndFfmpegMake)
{
    if (!haveTool("lame") || !haveTool("ffmpeg") || !haveTool("ffprobe"))
        GTEST_SKIP() << "lame, ffmpeg or ffprobe is not installed";
    TempDir dir;
    const std::string wav = dir.file("tone.wav");
    const std::string quiet = " >/dev/null 2>&1";
    ASSERT_EQ(0, std::system(("ffmpeg -v error -f lavfi -i sine=frequency=440:duration=7.3 -ac 2 " + wav + quiet).c_str()));
    struct Made {
        const char* name;
        std::string command;
        bool vbr, estimated;
    };
    const Made made[] = {
        {"cbr.mp3", "lame --quiet -b 128 " + wav, false, false},
        {"vbr.mp3", "lame --quiet -V 4 " + wav, true, false},
        {"abr.mp3", "lame --quiet --abr 96 " + wav, true, false},
        {"bare.mp3", "lame --quiet -t -b 64 " + wav, false, true},
        // Its frames are too small for lame's header.
        {"mono22.mp3", "lame --quiet -m m --resample 22.05 -b 32 " + wav, false, true},
        {"ffmpeg.mp3", "ffmpeg -v error -i " + wav + " -b:a 192k", false, false},
        {"ffmpeg-vbr.mp3", "ffmpeg -v error -i " + wav + " -q:a 5", true, false},
    };
    for (const Made& m : made) {
        SCOPED_TRACE(m.name);
        const std::string path = dir.file(m.name);
        ASSERT_EQ(0, std::system((m.command + " " + path + quiet).c_str()));
        const double expected =
            std::stod(commandOutput("ffprobe -v error -show_entries format=duration -of csv=p=0 " + path));
        const std::optional<AudioProperties> a = TagFile::openForReading(path).audioProperties();
        ASSERT_TRUE(a);
        EXPECT_NEAR(expected, a->duration, 0.1);
        EXPECT_EQ(m.vbr, a->vbr);
        EXPECT_EQ(m.estimated, a->estimated);
    }
}
