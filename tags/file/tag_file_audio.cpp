// What a file holds between its tags: the audio's properties, or another format altogether.
#include "tags/file/tag_file.h"

#include "tags/mpeg/foreign_format.h"
#include "tags/mpeg/mpeg_layout.h"

#include <algorithm>

std::optional<AudioProperties> TagFile::audioProperties() const
{
    if (!m_file)
        return std::nullopt;
    try {
        const uint64_t size = m_writable ? m_file->size() : m_file->info(m_path).size;
        const uint64_t start = measureHeadExtent(*m_file, size);
        const uint64_t tail = measureTailExtent(*m_file, size);
        return readAudioProperties(*m_file, start, std::max(start, size - std::min(tail, size)));
    } catch (const platform::IoError&) {
        return std::nullopt;
    }
}

std::string TagFile::foreignFormat() const
{
    if (!m_file)
        return {};
    try {
        const uint64_t size = m_writable ? m_file->size() : m_file->info(m_path).size;
        if (measureHeadExtent(*m_file, size) > 0 || measureTailExtent(*m_file, size) > 0)
            return {};
        std::vector<uint8_t> head(std::size_t(std::min<uint64_t>(size, mpeg_layout::kSearchLimit)));
        head.resize(m_file->readAt(0, head.data(), head.size()));
        return foreignFormatReason(head.data(), head.size(), head.size() == size);
    } catch (const platform::IoError&) {
        return {};
    }
}
