// Moves the audio behind an ID3v2 tag in place, in chunks of 256 KiB.
#include "tags/file/audio_mover.h"

#include "platform/file_system.h"

#include <algorithm>

namespace {

// How far ahead of a backward walk the system is asked to read.
constexpr uint64_t kReadAhead = uint64_t(4) << 20;

std::size_t g_testChunkSize = 0;

} // namespace

std::size_t AudioMover::chunkSize()
{
    return g_testChunkSize > 0 ? g_testChunkSize : kChunkSize;
}

void AudioMover::useChunkSizeForTests(std::size_t n)
{
    g_testChunkSize = std::min(n, kChunkSize);
}

AudioMover::AudioMover(platform::File& file, uint64_t fileSize, Progress progress, MoveWatcher* record)
    : m_file(file), m_fileSize(fileSize), m_progress(std::move(progress)), m_record(record), m_chunk(chunkSize())
{
}

std::size_t AudioMover::chunkFor(uint64_t left) const
{
    return static_cast<std::size_t>(std::min<uint64_t>(left, m_chunk.size()));
}

uint64_t AudioMover::work(uint64_t fileSize, uint64_t tagOffset, uint64_t oldExtent, uint64_t newSize)
{
    const uint64_t audio = fileSize - tagOffset - oldExtent;
    if (audio == 0 || newSize == oldExtent)
        return 0;
    const uint64_t end = tagOffset + newSize;
    return audio + (end > fileSize ? end - fileSize : 0);
}

void AudioMover::reposition(uint64_t tagOffset, uint64_t oldExtent, uint64_t newSize)
{
    const uint64_t audio = m_fileSize - tagOffset - oldExtent;
    if (audio == 0) {
        if (newSize < oldExtent)
            m_file.truncate(tagOffset + newSize);
    } else if (newSize > oldExtent) {
        grow(tagOffset, oldExtent, newSize);
    } else if (newSize < oldExtent) {
        shrink(oldExtent - newSize, audio);
    }
}

// Lengthen the file first and copy from the end backwards, so no chunk lands on
// bytes that have not been moved yet.
void AudioMover::grow(uint64_t tagOffset, uint64_t oldExtent, uint64_t newSize)
{
    const uint64_t delta = newSize - oldExtent;
    const uint64_t tagEnd = tagOffset + newSize;
    const uint64_t beyond = tagEnd > m_fileSize ? tagEnd - m_fileSize : 0;
    uint64_t end = m_fileSize;
    if (beyond > 0) {
        std::fill(m_chunk.begin(), m_chunk.end(), 0);
        for (uint64_t left = beyond; left > 0;) {
            const std::size_t n = chunkFor(left);
            write(end, n);
            end += n;
            left -= n;
        }
    }
    for (uint64_t from = m_fileSize - (delta - beyond); from < m_fileSize;) {
        const std::size_t n = chunkFor(m_fileSize - from);
        read(from, n);
        if (m_record)
            m_record->beforeChunk(from - tagOffset - oldExtent, m_chunk.data(), n);
        write(end, n);
        from += n;
        end += n;
    }
    const uint64_t source = tagOffset + oldExtent;
    const uint64_t walk = beyond > 0 ? 0 : m_fileSize - tagEnd;
    m_advisedFrom = source + walk;
    for (uint64_t left = walk; left > 0;) {
        const std::size_t n = chunkFor(left);
        left -= n;
        readAheadBelow(source + left, source);
        read(source + left, n);
        if (m_record)
            m_record->beforeChunk(left, m_chunk.data(), n);
        write(tagEnd + left, n);
    }
    if (m_record)
        m_record->moved();
}

// The system reads ahead only forwards; walking backwards, each chunk would wait for
// the disk. Ask for the next stretch below while half of the last one is still unread.
void AudioMover::readAheadBelow(uint64_t at, uint64_t floor)
{
    if (at >= m_advisedFrom + kReadAhead / 2 || m_advisedFrom == floor)
        return;
    const uint64_t from = m_advisedFrom - std::min(kReadAhead, m_advisedFrom - floor);
    m_file.adviseWillNeed(from, m_advisedFrom - from);
    m_advisedFrom = from;
}

// Copy front to back, then cut the file last.
void AudioMover::shrink(uint64_t delta, uint64_t audio)
{
    const uint64_t start = m_fileSize - audio;
    for (uint64_t from = start; from < m_fileSize;) {
        const std::size_t n = chunkFor(m_fileSize - from);
        read(from, n);
        if (m_record)
            m_record->beforeChunk(from - start, m_chunk.data(), n);
        write(from - delta, n);
        from += n;
    }
    // Recorded before the cut, which takes away the old places of the last chunks.
    if (m_record)
        m_record->moved();
    m_file.truncate(m_fileSize - delta);
}

void AudioMover::read(uint64_t at, std::size_t n)
{
    m_file.readExactAt(at, m_chunk.data(), n);
    m_progress(n / 2);
}

void AudioMover::write(uint64_t at, std::size_t n)
{
    m_file.writeAt(at, m_chunk.data(), n);
    m_progress(n - n / 2);
}
