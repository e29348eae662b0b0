// What the two kinds of records that outlive a run share, the move records that let an
// interrupted save be repaired and the undo journal's entries: one byte order (big-endian,
// as the tags' own numbers), a field table per layout that its writer and its reader both
// follow, reading back in large pieces under a running CRC-32, and their state folders.
#pragma once

#include "tags/core/crc.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class File;
}

namespace records {

// A field of a layout: a number of `width` bytes, or with `run`, bytes behind their length
// in `width` bytes.
struct Field {
    uint8_t width = 8;
    bool run = false;
};

// One field's value. A run's bytes are borrowed, `number` is their length, and `crc`, when
// known already, is theirs.
struct Value {
    Value(uint64_t n = 0) : number(n) {}
    Value(const uint8_t* bytes, uint64_t n, std::optional<uint32_t> bytesCrc) : number(n), data(bytes), crc(bytesCrc) {}
    uint64_t number = 0;
    const uint8_t* data = nullptr;
    std::optional<uint32_t> crc;
};
inline Value run(const uint8_t* data, std::size_t n, std::optional<uint32_t> crc = std::nullopt)
{
    return Value(data, n, crc);
}
inline Value run(const std::vector<uint8_t>& bytes, std::optional<uint32_t> crc = std::nullopt)
{
    return run(bytes.data(), bytes.size(), crc);
}
inline Value run(const std::string& text)
{
    return run(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}
inline std::vector<uint8_t> bytesOf(const Value& v)
{
    return std::vector<uint8_t>(v.data, v.data + v.number);
}
inline std::string textOf(const Value& v)
{
    return std::string(reinterpret_cast<const char*>(v.data), static_cast<std::size_t>(v.number));
}

void writeBE(uint8_t* p, uint64_t v, int width);
uint64_t readBE(const uint8_t* p, int width);

// The bytes of a layout of numbers alone.
template <std::size_t N>
constexpr std::size_t fixedSize(const Field (&layout)[N])
{
    std::size_t size = 0;
    for (const Field& f : layout)
        size += f.width;
    return size;
}
// A layout of numbers alone, written and read in place.
template <std::size_t N>
void encodeNumbers(const Field (&layout)[N], const uint64_t (&values)[N], uint8_t* out)
{
    for (std::size_t i = 0; i < N; out += layout[i].width, ++i)
        writeBE(out, values[i], layout[i].width);
}
template <std::size_t N>
void decodeNumbers(const Field (&layout)[N], const uint8_t* p, uint64_t (&values)[N])
{
    for (std::size_t i = 0; i < N; p += layout[i].width, ++i)
        values[i] = readBE(p, layout[i].width);
}

uint64_t encodedSize(const Field* layout, const Value* values, std::size_t count);
void encode(const Field* layout, const Value* values, std::size_t count, std::vector<uint8_t>& out, RunningCrc* crc);
bool decode(const Field* layout, Value* values, std::size_t count, const uint8_t* p, std::size_t size);

// The bytes a record of the layout takes with these values.
template <std::size_t N>
uint64_t encodedSize(const Field (&layout)[N], const Value (&values)[N])
{
    return encodedSize(layout, values, N);
}
// Appends the values in the layout's order, adding their bytes to crc when given.
template <std::size_t N>
void encode(const Field (&layout)[N], const Value (&values)[N], std::vector<uint8_t>& out, RunningCrc* crc = nullptr)
{
    encode(layout, values, N, out, crc);
}
// Takes a record's bytes apart; false unless they hold exactly the layout's fields. A run's
// `data` then points into the bytes.
template <std::size_t N>
bool decode(const Field (&layout)[N], Value (&values)[N], const uint8_t* p, std::size_t size)
{
    return decode(layout, values, N, p, size);
}

// Reads a file front to back in large pieces, keeping the CRC-32 of every byte it gave out.
// A read past the end or a failed one leaves it failed for good.
class Reader {
public:
    explicit Reader(const platform::File& file);
    bool ok() const { return m_ok; }
    uint64_t at() const { return m_at; }
    uint64_t left() const { return m_size - m_at; }
    uint32_t crc() const { return m_crc.value(); }

    bool take(uint8_t* out, std::size_t n);
    bool take(std::vector<uint8_t>& out, uint64_t n);
    // Passes over bytes without reading or checksumming them, for a listing.
    bool skip(uint64_t n);
    template <std::size_t N>
    bool take(const Field (&layout)[N], uint64_t (&values)[N])
    {
        uint8_t bytes[8 * N];
        if (!take(bytes, fixedSize(layout)))
            return false;
        decodeNumbers(layout, bytes, values);
        return true;
    }

private:
    bool fill(std::size_t n);
    const platform::File& m_file;
    uint64_t m_size = 0, m_at = 0;
    std::vector<uint8_t> m_buffer;
    uint64_t m_bufferAt = 0; // the file offset of m_buffer[0]
    RunningCrc m_crc;
    bool m_ok = true;
};

// The CRC-32 of n bytes of the file from `at`, continuing `crc`, read in large chunks; each
// chunk also goes to `each` with its place from `at`. Empty when the file ends first.
std::optional<uint32_t> crcOfRange(const platform::File& file, uint64_t at, uint64_t n, uint32_t crc = 0,
                                   const std::function<void(const uint8_t*, std::size_t, uint64_t)>& each = {});

} // namespace records

// <state folder><name>/; empty when the person has no state folder.
std::string stateSubfolder(const char* name);
// Makes the state folder and `folder` in it, both private to this user; false when either
// cannot be made or is not a real folder.
bool makeStateSubfolder(const std::string& folder);
