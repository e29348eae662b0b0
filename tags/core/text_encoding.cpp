// Decoding frame text to 8-bit strings or UTF-8, and encoding UTF-8 into a frame's encoding.
#include "tags/core/text_encoding.h"

#include <algorithm>

using namespace textresult;
using namespace textencoding;

namespace {

bool isLineBreak(uint8_t c)
{
    return c == 0x0A || c == 0x0D;
}

bool isSurrogate(uint32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDFFF;
}

// The code units of a UTF-16 text. With encoding 1 a byte order mark decides the order;
// without one the text is read little-endian: the writers that leave the mark out are
// those that write UTF-16 as their system holds it, and other readers (mutagen's
// "content is usually utf-16-le") take it so, where refusing would lose the text.
class Utf16Units {
public:
    Utf16Units(const std::vector<uint8_t>& data, std::size_t start, uint8_t encoding)
        : m_data(data), m_i(start), m_bigEndian(encoding == kUtf16BE)
    {
        if (encoding != kUtf16Bom || start + 1 >= data.size())
            return;
        const bool le = data[start] == 0xFF && data[start + 1] == 0xFE;
        const bool be = data[start] == 0xFE && data[start + 1] == 0xFF;
        m_bigEndian = be;
        m_i += le || be ? 2 : 0;
    }

    // A final odd byte cannot form a unit and is ignored.
    bool more() const { return m_i + 1 < m_data.size(); }
    uint32_t peek() const
    {
        const uint8_t a = m_data[m_i], b = m_data[m_i + 1];
        return m_bigEndian ? uint32_t(a) << 8 | b : uint32_t(b) << 8 | a;
    }
    uint32_t next()
    {
        const uint32_t unit = peek();
        m_i += 2;
        return unit;
    }
    std::size_t position() const { return m_i; }

private:
    const std::vector<uint8_t>& m_data;
    std::size_t m_i;
    bool m_bigEndian;
};

uint8_t decodeLatin1(const std::vector<uint8_t>& data, std::size_t start, bool lineBreaks, std::string& text,
                     std::size_t& consumed)
{
    std::size_t i = start;
    while (i < data.size()) {
        const uint8_t c = data[i++];
        if (c == 0x00)
            break;
        text += static_cast<char>(c);
        if (c < 0x20 && !(lineBreaks && isLineBreak(c))) {
            if (!lineBreaks && !isLineBreak(c)) {
                consumed = i - start;
                text.clear();
                return kControlCharacter;
            }
            break;
        }
    }
    consumed = i - start;
    return textresult::kOk;
}

uint8_t decodeUtf16(const std::vector<uint8_t>& data, std::size_t start, uint8_t encoding, std::string& text,
                    std::size_t& consumed)
{
    Utf16Units units(data, start, encoding);
    uint8_t result = textresult::kOk;
    bool ended = false;
    while (!ended && units.more()) {
        const uint32_t unit = units.next();
        if (unit >= 0x20 && unit <= 0xFF) {
            text += static_cast<char>(unit);
            continue;
        }
        ended = true; // 0x0000 ends the text without being part of it
        if (unit > 0xFF) {
            result = kAboveLatin1;
        } else if (unit != 0) {
            text.clear();
            result = kControlCharacter;
        }
    }
    consumed = (ended ? units.position() : data.size()) - start;
    return result;
}

uint8_t decodeUtf8(const std::vector<uint8_t>& data, std::size_t start, std::string& text, std::size_t& consumed)
{
    std::size_t i = start;
    uint8_t result = textresult::kOk;
    while (i < data.size()) {
        const uint8_t b = data[i++];
        uint8_t c;
        if (b < 0x80) {
            c = b;
        } else if (b < 0xC0) {
            c = b & 0x3F;
        } else if (b < 0xC4) {
            if (i == data.size()) {
                result = kControlCharacter;
                break;
            }
            c = static_cast<uint8_t>((b & 0x03) << 6 | (data[i++] & 0x3F));
        } else {
            result = kAboveLatin1;
            break;
        }
        if (c == 0x00)
            break;
        if (c < 0x20) {
            text.clear();
            result = kControlCharacter;
            break;
        }
        text += static_cast<char>(c);
    }
    consumed = i - start;
    return result;
}

// The Unicode decoders keep every character before the terminator.
void latin1AsUtf8(const std::vector<uint8_t>& data, std::size_t start, Utf8Text& text, std::size_t& consumed)
{
    std::size_t i = start;
    while (i < data.size() && data[i] != 0x00) {
        const std::size_t run = i;
        while (i < data.size() && data[i] != 0x00 && data[i] < 0x80)
            ++i;
        text.append(reinterpret_cast<const char*>(data.data()) + run, i - run);
        if (i < data.size() && data[i] >= 0x80)
            appendUtf8(text, data[i++]);
    }
    consumed = std::min(i + 1, data.size()) - start;
}

uint8_t utf16AsUtf8(const std::vector<uint8_t>& data, std::size_t start, uint8_t encoding, Utf8Text& text,
                    std::size_t& consumed)
{
    Utf16Units units(data, start, encoding);
    bool ended = false;
    while (units.more()) {
        uint32_t unit = units.next();
        if (unit == 0) {
            ended = true;
            break;
        }
        if (isSurrogate(unit)) {
            const uint32_t low = units.more() ? units.peek() : 0;
            if (unit > 0xDBFF || low < 0xDC00 || low > 0xDFFF) {
                text.clear();
                consumed = units.position() - start;
                return kControlCharacter;
            }
            units.next();
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(text, unit);
    }
    consumed = (ended ? units.position() : data.size()) - start;
    return textresult::kOk;
}

uint8_t utf8AsUtf8(const std::vector<uint8_t>& data, std::size_t start, Utf8Text& text, std::size_t& consumed)
{
    const auto begin = data.begin() + static_cast<std::ptrdiff_t>(start);
    const auto end = std::find(begin, data.end(), uint8_t{0});
    text.assign(begin, end);
    consumed = static_cast<std::size_t>(end - begin) + (end != data.end());
    if (!isUtf8(text)) {
        text.clear();
        return kControlCharacter;
    }
    return textresult::kOk;
}

} // namespace

bool undecodable(uint8_t r)
{
    return r == kUnknownEncoding || r == kControlCharacter || r == kEncrypted || r == kNotInflated;
}

uint8_t DecodeText(const std::vector<uint8_t>& data, std::size_t start, uint8_t encoding, bool lineBreaks,
                   std::string& text, std::size_t& consumed)
{
    text.clear();
    consumed = 0;
    if (start >= data.size())
        return kEmpty;
    switch (encoding) {
    case kLatin1: return decodeLatin1(data, start, lineBreaks, text, consumed);
    case kUtf16Bom:
    case kUtf16BE:
    case kUtf16LE: return decodeUtf16(data, start, encoding, text, consumed);
    case kUtf8: return decodeUtf8(data, start, text, consumed);
    }
    return kUnknownEncoding;
}

uint8_t DecodeTextUtf8(const std::vector<uint8_t>& data, std::size_t start, uint8_t encoding, Utf8Text& text,
                       std::size_t& consumed)
{
    text.clear();
    consumed = 0;
    if (start >= data.size())
        return kEmpty;
    switch (encoding) {
    case kLatin1: latin1AsUtf8(data, start, text, consumed); return textresult::kOk;
    case kUtf16Bom:
    case kUtf16BE:
    case kUtf16LE: return utf16AsUtf8(data, start, encoding, text, consumed);
    case kUtf8: return utf8AsUtf8(data, start, text, consumed);
    }
    return kUnknownEncoding;
}

bool fitsEncoding(const Utf8Text& text, uint8_t encoding)
{
    if (encoding == kUtf16Bom || encoding == kUtf16BE || encoding == kUtf8)
        return true;
    if (encoding != kLatin1)
        return false;
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80)
            ++i;
        else if (nextCodePoint(text, i) > 0xFF)
            return false;
    }
    return true;
}

void encodeText(std::vector<uint8_t>& out, const Utf8Text& text, uint8_t encoding, bool terminate)
{
    const bool utf16 = encoding == kUtf16Bom || encoding == kUtf16BE;
    const auto put = [&out, encoding](uint32_t unit) {
        if (encoding == kUtf16BE)
            out.push_back(static_cast<uint8_t>(unit >> 8));
        out.push_back(static_cast<uint8_t>(unit & 0xFF));
        if (encoding == kUtf16Bom)
            out.push_back(static_cast<uint8_t>(unit >> 8));
    };
    if (encoding == kUtf16Bom) {
        out.push_back(0xFF);
        out.push_back(0xFE);
    }
    for (std::size_t i = 0; i < text.size();) {
        uint32_t cp = nextCodePoint(text, i);
        if (cp == kNotUtf8)
            cp = 0xFFFD;
        if (encoding == kUtf8) {
            Utf8Text sequence;
            appendUtf8(sequence, cp);
            out.insert(out.end(), sequence.begin(), sequence.end());
        } else if (!utf16) {
            out.push_back(cp <= 0xFF ? static_cast<uint8_t>(cp) : uint8_t{'?'});
        } else if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
    }
    if (terminate)
        out.insert(out.end(), terminatorSize(encoding), 0x00);
}

std::size_t terminatorSize(uint8_t encoding)
{
    return encoding == kUtf16Bom || encoding == kUtf16BE || encoding == kUtf16LE ? 2 : 1;
}
