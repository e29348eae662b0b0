// Frame compression through zlib, with the error classes and their messages.
#include "tags/id3v2/id3v2.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace {

const char* messageFor(int code)
{
    switch (code) {
    case Z_NEED_DICT: return "need dictionary";
    case Z_STREAM_END: return "stream end";
    case Z_OK: return "";
    case Z_ERRNO: return "file error";
    case Z_STREAM_ERROR: return "stream error";
    case Z_DATA_ERROR: return "data error";
    case Z_MEM_ERROR: return "insufficient memory";
    case Z_BUF_ERROR: return "buffer error";
    case Z_VERSION_ERROR: return "incompatible version";
    }
    return "";
}

constexpr int kLevels[] = {0, 1, Z_DEFAULT_COMPRESSION, 9};

// The size estimate comes from the file; beyond this many times the input it only
// sets the first allocation after the output has shown it is real.
constexpr std::size_t kTrustedRatio = 16;

std::size_t roundUp256(std::size_t n)
{
    return (n + 255) / 256 * 256;
}

// Owns one z_stream; the matching end call runs on every path.
class ZStream {
public:
    enum class Mode { Deflate, Inflate };

    ZStream(Mode mode, int level) : m_mode(mode)
    {
        int rc = mode == Mode::Deflate ? deflateInit(&m_stream, level) : inflateInit(&m_stream);
        if (rc != Z_OK)
            fail(rc);
        m_open = true;
    }
    ~ZStream()
    {
        if (m_open)
            m_mode == Mode::Deflate ? deflateEnd(&m_stream) : inflateEnd(&m_stream);
    }
    ZStream(const ZStream&) = delete;
    ZStream& operator=(const ZStream&) = delete;

    z_stream* get() { return &m_stream; }

    [[noreturn]] void fail(int code) const
    {
        if (m_mode == Mode::Deflate)
            throw EZCompressionError(messageFor(code));
        throw EZDecompressionError(messageFor(code));
    }

private:
    Mode m_mode;
    bool m_open = false;
    z_stream m_stream{};
};

// zlib counts in 32-bit units; feed at most this much per call.
constexpr std::size_t kMaxChunk = std::numeric_limits<uInt>::max();

void setInput(z_stream* zs, const uint8_t*& next, std::size_t& left)
{
    if (zs->avail_in == 0 && left > 0) {
        const std::size_t chunk = std::min(left, kMaxChunk);
        zs->next_in = const_cast<Bytef*>(next);
        zs->avail_in = static_cast<uInt>(chunk);
        next += chunk;
        left -= chunk;
    }
}

void setOutput(z_stream* zs, std::vector<uint8_t>& out, std::size_t produced)
{
    zs->next_out = out.data() + produced;
    zs->avail_out = static_cast<uInt>(std::min(out.size() - produced, kMaxChunk));
}

} // namespace

std::vector<uint8_t> CompressBuffer(const uint8_t* data, std::size_t size, int levelIndex)
{
    if (levelIndex < 0 || levelIndex > 3)
        throw EZCompressionError(messageFor(Z_STREAM_ERROR));
    ZStream stream(ZStream::Mode::Deflate, kLevels[levelIndex]);
    z_stream* zs = stream.get();
    std::vector<uint8_t> out(std::max<std::size_t>(roundUp256(size + size / 10 + 12),
                                                   deflateBound(zs, static_cast<uLong>(size))));
    std::size_t produced = 0;
    const uint8_t* next = data;
    std::size_t left = size;
    for (;;) {
        setInput(zs, next, left);
        if (produced == out.size())
            out.resize(out.size() + std::max<std::size_t>(256, out.size() / 2));
        setOutput(zs, out, produced);
        const uInt before = zs->avail_out;
        const int rc = deflate(zs, left == 0 ? Z_FINISH : Z_NO_FLUSH);
        produced += before - zs->avail_out;
        if (rc == Z_STREAM_END)
            break;
        if (rc < 0 && rc != Z_BUF_ERROR)
            stream.fail(rc);
    }
    out.resize(produced);
    return out;
}

std::vector<uint8_t> DecompressBuffer(const uint8_t* data, std::size_t size, std::size_t estimate,
                                      std::size_t limit)
{
    ZStream stream(ZStream::Mode::Inflate, 0);
    z_stream* zs = stream.get();
    const std::size_t step = std::max<std::size_t>(256, roundUp256(size));
    const std::size_t trusted = size > std::numeric_limits<std::size_t>::max() / (2 * kTrustedRatio)
                                    ? std::numeric_limits<std::size_t>::max()
                                    : size * kTrustedRatio + step;
    limit = std::min(limit, std::numeric_limits<std::size_t>::max() - 1);
    // One byte beyond the limit shows that the stream would give more.
    const std::size_t capacity = std::min(estimate > 0 ? std::min(estimate, trusted) : step, limit + 1);
    std::vector<uint8_t> out(std::max<std::size_t>(capacity, 1));
    std::size_t produced = 0;
    const uint8_t* next = data;
    std::size_t left = size;
    for (;;) {
        setInput(zs, next, left);
        if (produced == out.size()) {
            if (produced > limit)
                throw EZDecompressionError("output exceeds limit");
            const std::size_t room = limit + 1 - produced;
            out.resize(produced + std::min(room, std::max(step, produced / 2)));
        }
        setOutput(zs, out, produced);
        const uInt before = zs->avail_out;
        const int rc = inflate(zs, Z_NO_FLUSH);
        produced += before - zs->avail_out;
        if (rc == Z_STREAM_END)
            break;
        // A preset dictionary is never supplied, so waiting for one would loop for ever.
        if (rc < 0 || rc == Z_NEED_DICT)
            stream.fail(rc);
    }
    if (produced > limit)
        throw EZDecompressionError("output exceeds limit");
    out.resize(produced);
    return out;
}
