// Builds ID3v2 tag bytes inside a test: Id3v2Bytes(3).frame("TIT2", {0, 'H', 'i'}).padding(32).bytes().
#pragma once

#include "test_support.h"

#include <cstdint>
#include <optional>
#include <string>

namespace testsupport {

class Id3v2Bytes {
public:
    explicit Id3v2Bytes(uint8_t version, uint8_t revision = 0) : m_version(version), m_revision(revision) {}

    // The header flags byte exactly as it goes into the file.
    Id3v2Bytes& flags(uint8_t f)
    {
        m_flags = f;
        return *this;
    }
    // Sets the tag-level unsynchronisation flag; version 2 and 3 bodies are then unsynchronised
    // as a whole when the bytes are produced.
    Id3v2Bytes& unsynchronised()
    {
        m_flags |= 0x80;
        return *this;
    }
    // Raw extended header bytes, placed first in the body; sets the header flag.
    Id3v2Bytes& extHeader(const Bytes& raw)
    {
        m_flags |= 0x40;
        m_ext = raw;
        return *this;
    }
    // A frame with flags as they stand in the file (version 3 or 4 positions); `extra` are the
    // extra header bytes, counted in the size like the data.
    Id3v2Bytes& frame(const std::string& id, const Bytes& data, uint8_t status = 0, uint8_t format = 0,
                      const Bytes& extra = {})
    {
        return frameWithSize(id, static_cast<uint32_t>(extra.size() + data.size()), data, status, format, extra);
    }
    // A frame whose size field says `size`, whatever follows.
    Id3v2Bytes& frameWithSize(const std::string& id, uint32_t size, const Bytes& data, uint8_t status = 0,
                              uint8_t format = 0, const Bytes& extra = {})
    {
        Bytes h(id.begin(), id.end());
        h.resize(4, ' ');
        const Bytes s = m_version == 4 ? syncsafe(size) : be32(size);
        h.insert(h.end(), s.begin(), s.end());
        h.push_back(status);
        h.push_back(format);
        h.insert(h.end(), extra.begin(), extra.end());
        h.insert(h.end(), data.begin(), data.end());
        return raw(h);
    }
    Id3v2Bytes& raw(const Bytes& b)
    {
        m_body.insert(m_body.end(), b.begin(), b.end());
        return *this;
    }
    Id3v2Bytes& padding(std::size_t n, uint8_t fill = 0)
    {
        m_body.insert(m_body.end(), n, fill);
        return *this;
    }
    // Overrides the tag size field, e.g. to claim more than the file holds.
    Id3v2Bytes& sizeField(uint32_t size)
    {
        m_size = size;
        return *this;
    }

    Bytes bytes() const
    {
        Bytes body = m_ext;
        body.insert(body.end(), m_body.begin(), m_body.end());
        if ((m_flags & 0x80) && m_version <= 3)
            body = unsynchronise(body);
        Bytes out = {'I', 'D', '3', m_version, m_revision, m_flags};
        const Bytes s = syncsafe(m_size ? *m_size : static_cast<uint32_t>(body.size()));
        out.insert(out.end(), s.begin(), s.end());
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }

    static Bytes be32(uint32_t v)
    {
        return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    }
    static Bytes syncsafe(uint32_t v)
    {
        return {uint8_t((v >> 21) & 0x7F), uint8_t((v >> 14) & 0x7F), uint8_t((v >> 7) & 0x7F), uint8_t(v & 0x7F)};
    }
    // The byte rule written out independently of the engine: a zero after each FF that is
    // followed by 00 or E0..FF.
    static Bytes unsynchronise(const Bytes& in)
    {
        Bytes out;
        out.reserve(in.size() + in.size() / 8);
        for (std::size_t i = 0; i < in.size(); ++i) {
            out.push_back(in[i]);
            if (in[i] == 0xFF && i + 1 < in.size() && (in[i + 1] == 0x00 || in[i + 1] >= 0xE0))
                out.push_back(0x00);
        }
        return out;
    }

private:
    uint8_t m_version, m_revision;
    uint8_t m_flags = 0;
    Bytes m_ext, m_body;
    std::optional<uint32_t> m_size;
};

} // namespace testsupport
