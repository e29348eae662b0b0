// MPEG audio frame headers.
#include "mpeg_frame.h"

namespace {

constexpr int kBitrates[5][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}, // MPEG 1, layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},    // MPEG 1, layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},     // MPEG 1, layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},    // MPEG 2 and 2.5, layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},         // MPEG 2 and 2.5, layers II and III
};
constexpr int kSampleRates[3] = {44100, 48000, 32000};

int bitrateRow(int version, int layer)
{
    if (version == 1)
        return layer - 1;
    return layer == 1 ? 3 : 4;
}

} // namespace

std::optional<MpegFrame> parseFrameHeader(const uint8_t* p)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return std::nullopt;
    const int versionBits = (p[1] >> 3) & 3, layerBits = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4, rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return std::nullopt;
    MpegFrame f;
    f.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    f.layer = 4 - layerBits;
    f.bitrate = kBitrates[bitrateRow(f.version, f.layer)][bitrateIndex];
    f.sampleRate = kSampleRates[rateIndex] / (f.version == 1 ? 1 : f.version == 2 ? 2 : 4);
    f.channels = (p[3] >> 6) == 3 ? 1 : 2;
    const bool padded = (p[2] >> 1) & 1;
    if (f.layer == 1) {
        f.samplesPerFrame = 384;
        f.length = std::size_t(12 * f.bitrate * 1000 / f.sampleRate + padded) * 4;
    } else {
        f.samplesPerFrame = f.layer == 3 && f.version != 1 ? 576 : 1152;
        f.length = std::size_t(f.samplesPerFrame / 8 * f.bitrate * 1000 / f.sampleRate + padded);
    }
    if (f.layer == 3)
        f.sideInfo = f.version == 1 ? (f.channels == 1 ? 17 : 32) : (f.channels == 1 ? 9 : 17);
    return f;
}

std::optional<MpegFrame> findFirstFrame(const uint8_t* data, std::size_t n, std::size_t from, std::size_t& at)
{
    for (std::size_t i = from; i + 4 <= n; ++i) {
        if (data[i] != 0xFF)
            continue;
        const std::optional<MpegFrame> f = parseFrameHeader(data + i);
        if (!f)
            continue;
        const std::size_t next = i + f->length;
        // A lone sync pattern inside other data is common; a second header where the first
        // frame ends, with the same version, layer and rate, is not.
        if (next + 4 <= n) {
            const std::optional<MpegFrame> g = parseFrameHeader(data + next);
            if (!g || g->version != f->version || g->layer != f->layer || g->sampleRate != f->sampleRate)
                continue;
        } else if (next != n) {
            continue;
        }
        at = i;
        return f;
    }
    return std::nullopt;
}
