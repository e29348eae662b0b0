// Reads an ID3v2 tag's bytes for the loader: one first read for most tags, the body through
// a window that removes tag-level unsynchronisation.
#include "tags/id3v2/id3v2_body_window.h"

#include "tags/id3v2/id3v2_layout.h"
#include "platform/file_system.h"

#include <algorithm>
#include <cstring>

namespace id3v2 {

TagSource::TagSource(const platform::File& file, uint64_t start, uint64_t fileSize, const std::vector<uint8_t>* known)
    : m_file(file), m_start(start)
{
    if (known && start < known->size()) {
        m_data = known->data() + start;
        m_size = static_cast<std::size_t>(known->size() - start);
        return;
    }
    const auto wanted = static_cast<std::size_t>(std::min<uint64_t>(kPrefetch, fileSize - start));
    m_size = file.readAt(start, m_head.data(), wanted);
}

std::size_t TagSource::inHand(uint64_t offset, const uint8_t*& data) const
{
    if (offset < m_start || offset - m_start >= m_size)
        return 0;
    data = m_data + (offset - m_start);
    return m_size - static_cast<std::size_t>(offset - m_start);
}

void TagSource::readExactAt(uint64_t offset, uint8_t* buffer, std::size_t n) const
{
    if (n > 0 && offset >= m_start && offset - m_start < m_size) {
        const std::size_t skip = static_cast<std::size_t>(offset - m_start);
        const std::size_t take = std::min(n, m_size - skip);
        std::memcpy(buffer, m_data + skip, take);
        offset += take;
        buffer += take;
        n -= take;
    }
    if (n > 0)
        m_file.readExactAt(offset, buffer, n);
}

BodyWindow::BodyWindow(const TagSource& file, uint64_t bodyStart, uint32_t bodySize, bool unsync)
    : m_file(file), m_fileNext(bodyStart), m_fileEnd(bodyStart + bodySize), m_unsync(unsync)
{
    if (!unsync) {
        m_avail = std::min<std::size_t>(file.inHand(bodyStart, m_data), bodySize);
        m_fileNext += m_avail;
        return;
    }
    allocate(std::min<std::size_t>(bodySize, kWindowSize));
    refill();
}

bool BodyWindow::skip(uint64_t n)
{
    uint8_t scratch[4096];
    while (n > 0) {
        const std::size_t take = static_cast<std::size_t>(std::min<uint64_t>(n, sizeof scratch));
        if (!read(scratch, take))
            return false;
        n -= take;
    }
    return true;
}

bool BodyWindow::peek(uint8_t* target, std::size_t n)
{
    settle(n);
    if (m_avail < n)
        return false;
    std::memcpy(target, m_data + m_pos, n);
    return true;
}

bool BodyWindow::peekAhead(uint64_t ahead, uint8_t* target, std::size_t n) const
{
    if (ahead + n > m_avail)
        return false;
    std::memcpy(target, m_data + m_pos + ahead, n);
    return true;
}

bool BodyWindow::read(uint8_t* target, std::size_t n)
{
    m_consumed += n;
    while (n > 0) {
        if (needsRefill(n)) {
            if (!m_unsync && n >= m_avail + kDirectRead) {
                readDirect(target, n);
                continue;
            }
            refill();
        }
        const std::size_t take = std::min(n, m_avail);
        if (take == 0) {
            if (m_fileNext >= m_fileEnd)
                return false;
            continue;
        }
        takeFromWindow(target, n, take);
    }
    return true;
}

bool BodyWindow::readInto(std::vector<uint8_t>& data, std::size_t n)
{
    if (n > m_avail || needsRefill(n)) {
        data.resize(n);
        return read(data.data(), n);
    }
    // Bytes the window holds are copied once, without zeroing their room first.
    data.assign(m_data + m_pos, m_data + m_pos + n);
    m_pos += n;
    m_avail -= n;
    m_consumed += n;
    return true;
}

void BodyWindow::allocate(std::size_t capacity)
{
    // Left uninitialised: every byte is written before it is read.
    m_buffer.reset(new uint8_t[capacity]);
    m_capacity = capacity;
}

void BodyWindow::takeFromWindow(uint8_t*& target, std::size_t& n, std::size_t take)
{
    std::memcpy(target, m_data + m_pos, take);
    m_pos += take;
    m_avail -= take;
    target += take;
    n -= take;
}

// What the window holds, then the rest of a large read from the file straight into `target`.
void BodyWindow::readDirect(uint8_t*& target, std::size_t& n)
{
    if (m_avail > 0)
        takeFromWindow(target, n, m_avail);
    const std::size_t direct = static_cast<std::size_t>(std::min<uint64_t>(n, m_fileEnd - m_fileNext));
    m_file.readExactAt(m_fileNext, target, direct);
    m_fileNext += direct;
    target += direct;
    n -= direct;
}

void BodyWindow::refill()
{
    // The first refill of a plain body moves what the source held into a window of its own.
    if (!m_buffer)
        allocate(static_cast<std::size_t>(m_avail + std::min<uint64_t>(kWindowSize, m_fileEnd - m_fileNext)));
    if (m_avail > 0 && m_data + m_pos != m_buffer.get())
        std::memmove(m_buffer.get(), m_data + m_pos, m_avail);
    m_data = m_buffer.get();
    m_pos = 0;
    // A zero held back at the old end keeps a slot in front of the new bytes.
    const std::size_t held = m_heldZero ? 1 : 0;
    const std::size_t room = m_capacity - m_avail - held;
    const std::size_t raw = static_cast<std::size_t>(std::min<uint64_t>(room, m_fileEnd - m_fileNext));
    uint8_t* in = m_buffer.get() + m_avail + held;
    m_file.readExactAt(m_fileNext, in, raw);
    m_fileNext += raw;
    m_avail += m_unsync ? removeUnsync(in, raw, m_buffer.get() + m_avail) : raw;
    if (m_fileNext == m_fileEnd && m_heldZero) {
        // The last byte of the body is never a guard zero.
        m_buffer[m_avail++] = 0x00;
        m_heldZero = false;
    }
}

// Removes guard zeros from n new bytes, writing at out (never ahead of the bytes read).
// A zero after FF at the end of the loaded part waits for the byte that decides it.
std::size_t BodyWindow::removeUnsync(const uint8_t* in, std::size_t n, uint8_t* out)
{
    uint8_t* o = out;
    std::size_t i = 0;
    while (i < n) {
        if (!m_heldZero && !m_prevFF) {
            // Up to and with the next FF the bytes stay as they are.
            const auto* ff = static_cast<const uint8_t*>(std::memchr(in + i, 0xFF, n - i));
            const std::size_t stop = ff ? static_cast<std::size_t>(ff - in) + 1 : n;
            std::memmove(o, in + i, stop - i);
            o += stop - i;
            i = stop;
            m_prevFF = ff != nullptr;
            continue;
        }
        const uint8_t b = in[i++];
        if (m_heldZero) {
            m_heldZero = false;
            if (!needsGuard(b))
                *o++ = 0x00;
        } else if (m_prevFF && b == 0x00) {
            m_heldZero = true;
            m_prevFF = false;
            continue;
        }
        *o++ = b;
        m_prevFF = b == 0xFF;
    }
    return static_cast<std::size_t>(o - out);
}

} // namespace id3v2
