// Moves the audio behind an ID3v2 tag in place, in 16 KiB chunks.
#include "audio_mover.h"

#include "platform/file_system.h"

#include <algorithm>

AudioMover::AudioMover(platform::File& file, uint64_t fileSize, Progress progress)
    : m_file(file), m_fileSize(fileSize), m_progress(std::move(progress)), m_chunk(kChunkSize)
{
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
            const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(left, kChunkSize));
            write(end, n);
            end += n;
            left -= n;
        }
    }
    for (uint64_t from = m_fileSize - (delta - beyond); from < m_fileSize;) {
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(m_fileSize - from, kChunkSize));
        read(from, n);
        write(end, n);
        from += n;
        end += n;
    }
    const uint64_t source = tagOffset + oldExtent;
    for (uint64_t left = beyond > 0 ? 0 : m_fileSize - tagEnd; left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(left, kChunkSize));
        left -= n;
        read(source + left, n);
        write(tagEnd + left, n);
    }
}

// Copy front to back, then cut the file last.
void AudioMover::shrink(uint64_t delta, uint64_t audio)
{
    for (uint64_t from = m_fileSize - audio; from < m_fileSize;) {
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(m_fileSize - from, kChunkSize));
        read(from, n);
        write(from - delta, n);
        from += n;
    }
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
