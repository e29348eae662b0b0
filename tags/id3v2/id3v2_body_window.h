// The bytes of an ID3v2 tag as the loader reads them: the file behind one first read, and
// the tag body through a 64 KiB window.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {
class File;
}

namespace id3v2 {

// The file as the loader reads it: the first read brings the header together with the
// bytes behind it, which hold the whole of most tags, so a typical load costs one read.
// Bytes from the start of the file that a save has read already (`known`) are not read again.
class TagSource {
public:
    static constexpr std::size_t kPrefetch = 4096;

    TagSource(const platform::File& file, uint64_t start, uint64_t fileSize, const std::vector<uint8_t>* known);
    // The bytes from `offset` on that are in hand already, and where; 0 when none are.
    std::size_t inHand(uint64_t offset, const uint8_t*& data) const;
    // As platform::File::readExactAt; the bytes fetched already are not read again.
    void readExactAt(uint64_t offset, uint8_t* buffer, std::size_t n) const;

private:
    const platform::File& m_file;
    uint64_t m_start;
    std::size_t m_size = 0;
    std::array<uint8_t, kPrefetch> m_head;
    const uint8_t* m_data = m_head.data();
};

// The tag body as it comes from the file, at most 64 KiB at a time, with version 2.3
// tag-level unsynchronisation removed on the way. A plain body is read where the source's
// first read put it, and a large frame goes from the file straight to its own buffer, so
// that most bytes are copied once.
class BodyWindow {
public:
    static constexpr std::size_t kWindowSize = 65536;
    // Below this many bytes beyond the window a frame is read through it, with the frames after it.
    static constexpr std::size_t kDirectRead = 8192;

    BodyWindow(const TagSource& file, uint64_t bodyStart, uint32_t bodySize, bool unsync);

    // Body bytes not yet consumed: those still in the file plus those decoded in the window.
    // Zeros that unsynchronisation will remove from the unread part are still counted.
    uint64_t remaining() const { return (m_fileEnd - m_fileNext) + m_avail + (m_heldZero ? 1 : 0); }
    // Body bytes handed out so far, guard zeros not counted.
    uint64_t consumed() const { return m_consumed; }

    // Decodes ahead until n bytes are decided or the body's end is in the window, so that
    // remaining() is exact for any count below n: a guard zero is never counted there.
    void settle(std::size_t n)
    {
        if (needsRefill(n))
            refill();
    }
    // Skips the next n body bytes; false when the body ends first.
    bool skip(uint64_t n);
    // Copies the next n body bytes without consuming them; false when fewer are left.
    bool peek(uint8_t* target, std::size_t n);
    // Copies n decoded bytes that lie `ahead` bytes past the next one, when the window holds them.
    bool peekAhead(uint64_t ahead, uint8_t* target, std::size_t n) const;
    // Copies the next n body bytes; false when the body ends first.
    bool read(uint8_t* target, std::size_t n);
    // Reads the next n body bytes into `data`; false when the body ends first.
    bool readInto(std::vector<uint8_t>& data, std::size_t n);

private:
    // Whether the window must decode more before n bytes are decided.
    bool needsRefill(std::size_t n) const { return m_fileNext < m_fileEnd && n + 2 > m_avail + (m_heldZero ? 1 : 0); }
    void allocate(std::size_t capacity);
    void takeFromWindow(uint8_t*& target, std::size_t& n, std::size_t take);
    void readDirect(uint8_t*& target, std::size_t& n);
    void refill();
    std::size_t removeUnsync(const uint8_t* in, std::size_t n, uint8_t* out);

    const TagSource& m_file;
    uint64_t m_fileNext, m_fileEnd;
    bool m_unsync;
    std::unique_ptr<uint8_t[]> m_buffer;
    std::size_t m_capacity = 0;
    const uint8_t* m_data = nullptr; // the window: the source's bytes, or m_buffer once refilled
    std::size_t m_pos = 0, m_avail = 0;
    bool m_prevFF = false, m_heldZero = false;
    uint64_t m_consumed = 0;
};

} // namespace id3v2
