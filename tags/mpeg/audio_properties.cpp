// Audio properties from the first MPEG frame and its Xing, Info, VBRI and LAME headers.
#include "audio_properties.h"

#include "mpeg_frame.h"
#include "mpeg_layout.h"
#include "platform/file_system.h"
#include "tags/core/byte_order.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// What a header in the first frame says about the whole stream.
struct StreamHeader {
    uint32_t frames = 0;
    uint32_t bytes = 0;
    bool vbr = false;
};

bool hasBytes(std::size_t at, std::size_t size, std::size_t n) { return at <= n && size <= n - at; }

// The LAME tag after a Xing or Info header: its method tells CBR from ABR and VBR. Its delay and
// padding are not taken off the length, as players and ffprobe count whole frames.
void readLameTag(const uint8_t* p, std::size_t at, std::size_t end, StreamHeader& h)
{
    using namespace mpeg_layout;
    if (!hasBytes(at, kLameTagSize, end))
        return;
    const uint8_t* lame = p + at;
    if (std::memcmp(lame, "LAME", 4) != 0 && std::memcmp(lame, "Lavc", 4) != 0 && std::memcmp(lame, "Lavf", 4) != 0)
        return;
    const int method = lame[kLameMethod] & 0x0F;
    if (method == kLameCbr || method == kLameCbrTwoPass)
        h.vbr = false;
}

std::optional<StreamHeader> readXing(const uint8_t* frame, std::size_t end, const MpegFrame& f)
{
    using namespace mpeg_layout;
    std::size_t at = kFrameHeaderSize + f.sideInfo;
    if (!hasBytes(at, kXingFlagsEnd, end))
        return std::nullopt;
    const bool xing = std::memcmp(frame + at, "Xing", 4) == 0;
    if (!xing && std::memcmp(frame + at, "Info", 4) != 0)
        return std::nullopt;
    const uint32_t flags = readBE32(frame + at + 4);
    at += kXingFlagsEnd;
    StreamHeader h;
    h.vbr = xing;
    for (const uint32_t flag : {kXingFrames, kXingBytes}) {
        if (!(flags & flag))
            continue;
        if (!hasBytes(at, 4, end))
            return std::nullopt;
        (flag == kXingFrames ? h.frames : h.bytes) = readBE32(frame + at);
        at += 4;
    }
    at += (flags & kXingToc ? kXingTocSize : 0) + (flags & kXingQuality ? 4 : 0);
    readLameTag(frame, at, end, h);
    return h;
}

std::optional<StreamHeader> readVbri(const uint8_t* frame, std::size_t end)
{
    using namespace mpeg_layout;
    if (!hasBytes(kVbriOffset, kVbriFramesEnd, end) || std::memcmp(frame + kVbriOffset, "VBRI", 4) != 0)
        return std::nullopt;
    StreamHeader h;
    h.vbr = true;
    h.bytes = readBE32(frame + kVbriOffset + kVbriBytes);
    h.frames = readBE32(frame + kVbriOffset + kVbriFrames);
    return h;
}

// Without a header: the mean bitrate of the frames in the window stands for the whole audio.
AudioProperties estimate(const uint8_t* data, std::size_t n, std::size_t at, const MpegFrame& first, uint64_t audioSize)
{
    AudioProperties a{0, first.bitrate, first.sampleRate, first.channels, false, true};
    uint64_t bytes = 0, samples = 0;
    for (std::size_t i = at; i + 4 <= n;) {
        const std::optional<MpegFrame> f = parseFrameHeader(data + i);
        if (!f || f->sampleRate != first.sampleRate || f->layer != first.layer)
            break;
        if (f->bitrate != first.bitrate)
            a.vbr = true;
        bytes += f->length;
        samples += uint64_t(f->samplesPerFrame);
        i += f->length;
    }
    if (samples == 0 || bytes == 0)
        return a;
    const double bytesPerSecond = double(bytes) * first.sampleRate / double(samples);
    a.duration = double(audioSize - std::min<uint64_t>(at, audioSize)) / bytesPerSecond;
    a.bitrate = int(bytesPerSecond * 8 / 1000 + 0.5);
    return a;
}

} // namespace

std::optional<AudioProperties> parseAudioProperties(const uint8_t* window, std::size_t n, uint64_t audioSize)
{
    std::size_t at = 0;
    const std::optional<MpegFrame> f = findFirstFrame(window, n, 0, at);
    if (!f)
        return std::nullopt;
    const std::size_t end = std::min(n - at, f->length);
    std::optional<StreamHeader> h = readXing(window + at, end, *f);
    if (!h)
        h = readVbri(window + at, end);
    if (!h || h->frames == 0)
        return estimate(window, n, at, *f, audioSize);
    const uint64_t samples = uint64_t(h->frames) * uint64_t(f->samplesPerFrame);
    AudioProperties a{0, f->bitrate, f->sampleRate, f->channels, h->vbr, false};
    a.duration = double(samples) / f->sampleRate;
    const uint64_t bytes = h->bytes ? h->bytes : audioSize - std::min<uint64_t>(at, audioSize);
    if (a.duration > 0)
        a.bitrate = int(double(bytes) * 8 / a.duration / 1000 + 0.5);
    return a;
}

std::optional<AudioProperties> readAudioProperties(const platform::File& file, uint64_t start, uint64_t end)
{
    if (end <= start)
        return std::nullopt;
    const uint64_t audioSize = end - start;
    // Enough for the header frame and a few after it; more only when the first frame is not near.
    for (const std::size_t want : {std::size_t(4) << 10, mpeg_layout::kSearchLimit}) {
        std::vector<uint8_t> window(std::size_t(std::min<uint64_t>(want, audioSize)));
        window.resize(file.readAt(start, window.data(), window.size()));
        if (std::optional<AudioProperties> a = parseAudioProperties(window.data(), window.size(), audioSize))
            return a;
        if (window.size() < want)
            break;
    }
    return std::nullopt;
}
