// The byte order, field tables, reader and folders of the records that outlive a run.
#include "tags/file/durable_records.h"

#include "platform/file_system.h"

#include <algorithm>

namespace records {

namespace {

constexpr std::size_t kReadPiece = std::size_t(1) << 20;

} // namespace

void writeBE(uint8_t* p, uint64_t v, int width)
{
    for (int i = width - 1; i >= 0; --i, v >>= 8)
        p[i] = static_cast<uint8_t>(v);
}

uint64_t readBE(const uint8_t* p, int width)
{
    uint64_t v = 0;
    for (int i = 0; i < width; ++i)
        v = v << 8 | p[i];
    return v;
}

uint64_t encodedSize(const Field* layout, const Value* values, std::size_t count)
{
    uint64_t size = 0;
    for (std::size_t i = 0; i < count; ++i)
        size += layout[i].width + (layout[i].run ? values[i].number : 0);
    return size;
}

void encode(const Field* layout, const Value* values, std::size_t count, std::vector<uint8_t>& out, RunningCrc* crc)
{
    for (std::size_t i = 0; i < count; ++i) {
        uint8_t number[8];
        writeBE(number, values[i].number, layout[i].width);
        out.insert(out.end(), number, number + layout[i].width);
        if (crc)
            crc->add(number, layout[i].width);
        if (!layout[i].run)
            continue;
        const Value& v = values[i];
        out.insert(out.end(), v.data, v.data + v.number);
        if (crc && v.crc)
            crc->addKnown(*v.crc, v.number);
        else if (crc)
            crc->add(v.data, static_cast<std::size_t>(v.number));
    }
}

bool decode(const Field* layout, Value* values, std::size_t count, const uint8_t* p, std::size_t size)
{
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (layout[i].width > size - at)
            return false;
        values[i] = Value(readBE(p + at, layout[i].width));
        at += layout[i].width;
        if (!layout[i].run)
            continue;
        if (values[i].number > size - at)
            return false;
        values[i].data = p + at;
        at += static_cast<std::size_t>(values[i].number);
    }
    return at == size;
}

Reader::Reader(const platform::File& file) : m_file(file)
{
    try {
        m_size = file.size();
    } catch (const platform::IoError&) {
        m_ok = false;
    }
}

// Makes the next n bytes be in the buffer, reading what it lacks in one piece.
bool Reader::fill(std::size_t n)
{
    const uint64_t end = m_bufferAt + m_buffer.size();
    if (m_at >= m_bufferAt && m_at <= end && end - m_at >= n)
        return true;
    std::vector<uint8_t> next(static_cast<std::size_t>(std::min<uint64_t>(std::max(n, kReadPiece), left())));
    try {
        m_file.readExactAt(m_at, next.data(), next.size());
    } catch (const platform::IoError&) {
        return m_ok = false;
    }
    m_buffer = std::move(next);
    m_bufferAt = m_at;
    return true;
}

bool Reader::take(uint8_t* out, std::size_t n)
{
    if (!m_ok || n > left() || !fill(n))
        return m_ok = false;
    const uint8_t* from = m_buffer.data() + (m_at - m_bufferAt);
    std::copy(from, from + n, out);
    m_crc.add(from, n);
    m_at += n;
    return true;
}

bool Reader::take(std::vector<uint8_t>& out, uint64_t n)
{
    if (!m_ok || n > left())
        return m_ok = false;
    out.resize(static_cast<std::size_t>(n));
    return take(out.data(), out.size());
}

bool Reader::skip(uint64_t n)
{
    if (!m_ok || n > left())
        return m_ok = false;
    m_at += n;
    return true;
}

std::optional<uint32_t> crcOfRange(const platform::File& file, uint64_t at, uint64_t n, uint32_t crc,
                                   const std::function<void(const uint8_t*, std::size_t, uint64_t)>& each)
{
    std::vector<uint8_t> chunk(static_cast<std::size_t>(std::min<uint64_t>(n, kReadPiece)));
    for (uint64_t done = 0; done < n;) {
        const std::size_t take = static_cast<std::size_t>(std::min<uint64_t>(n - done, chunk.size()));
        if (file.readAt(at + done, chunk.data(), take) != take)
            return std::nullopt;
        crc = crcOf(chunk.data(), take, crc);
        if (each)
            each(chunk.data(), take, done);
        done += take;
    }
    return crc;
}

} // namespace records

std::string stateSubfolder(const char* name)
{
    const std::string state = platform::stateFolder();
    return state.empty() ? std::string() : state + name + "/";
}

bool makeStateSubfolder(const std::string& folder)
{
    return !folder.empty() && platform::makePrivateFolders(platform::stateFolder()) &&
           platform::makePrivateFolders(folder);
}
