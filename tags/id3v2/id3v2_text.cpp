// Text and comment frames: decoding their texts to 8-bit strings or UTF-8, and writing them back.
#include "tags/id3v2/id3v2.h"

#include "tags/id3v2/id3v2_layout.h"

#include <algorithm>

using namespace textresult;

namespace {

constexpr uint8_t kLatin1 = 0, kUtf16Bom = 1, kUtf16BE = 2, kUtf8 = 3, kUtf16LE = 9;
const std::string kCommentId = "COMM";
using id3v2::comment::kLanguageSize;

bool isLineBreak(uint8_t c)
{
    return c == 0x0A || c == 0x0D;
}

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
    std::size_t i = start;
    bool bigEndian = encoding == kUtf16BE;
    if (encoding == kUtf16Bom) {
        const bool le = i + 1 < data.size() && data[i] == 0xFF && data[i + 1] == 0xFE;
        const bool be = i + 1 < data.size() && data[i] == 0xFE && data[i + 1] == 0xFF;
        if (!le && !be) {
            consumed = 0;
            return kControlCharacter;
        }
        bigEndian = be;
        i += 2;
    }
    uint8_t result = textresult::kOk;
    bool ended = false;
    // A final odd byte cannot form a character and is ignored.
    while (!ended && i + 1 < data.size()) {
        const uint8_t high = bigEndian ? data[i] : data[i + 1];
        const uint8_t low = bigEndian ? data[i + 1] : data[i];
        i += 2;
        if (high == 0 && low >= 0x20) {
            text += static_cast<char>(low);
            continue;
        }
        ended = true; // 0x0000 ends the text without being part of it
        if (high > 0) {
            result = kAboveLatin1;
        } else if (low != 0x00) {
            text.clear();
            result = kControlCharacter;
        }
    }
    consumed = (ended ? i : data.size()) - start;
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
    std::size_t i = start;
    bool bigEndian = encoding == kUtf16BE;
    if (encoding == kUtf16Bom && i + 1 < data.size()) {
        const bool le = data[i] == 0xFF && data[i + 1] == 0xFE;
        const bool be = data[i] == 0xFE && data[i + 1] == 0xFF;
        bigEndian = be;
        i += le || be ? 2 : 0;
    }
    const auto unitAt = [&](std::size_t k) {
        return static_cast<uint32_t>(bigEndian ? data[k] << 8 | data[k + 1] : data[k + 1] << 8 | data[k]);
    };
    bool ended = false;
    // A final odd byte cannot form a character and is ignored.
    while (i + 1 < data.size()) {
        uint32_t unit = unitAt(i);
        i += 2;
        if (unit == 0) {
            ended = true;
            break;
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            const uint32_t low = i + 1 < data.size() ? unitAt(i) : 0;
            if (unit > 0xDBFF || low < 0xDC00 || low > 0xDFFF) {
                text.clear();
                consumed = i - start;
                return kControlCharacter;
            }
            i += 2;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(text, unit);
    }
    consumed = (ended ? i : data.size()) - start;
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

// The bytes of a value in UTF-16 with byte order mark (1) or UTF-8 (3), after `out`'s,
// with the terminator when `terminate`. Bytes that are not UTF-8 become U+FFFD.
void encodeText(std::vector<uint8_t>& out, const Utf8Text& text, uint8_t encoding, bool terminate)
{
    const bool utf16 = encoding == kUtf16Bom;
    const auto put = [&out, utf16](uint32_t unit) {
        out.push_back(static_cast<uint8_t>(unit & 0xFF));
        if (utf16)
            out.push_back(static_cast<uint8_t>(unit >> 8));
    };
    if (utf16) {
        out.push_back(0xFF);
        out.push_back(0xFE);
    }
    Utf8Text sequence;
    for (std::size_t i = 0; i < text.size();) {
        uint32_t cp = nextCodePoint(text, i);
        if (cp == kNotUtf8)
            cp = 0xFFFD;
        if (!utf16) {
            sequence.clear();
            appendUtf8(sequence, cp);
            out.insert(out.end(), sequence.begin(), sequence.end());
        } else if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
    }
    if (terminate)
        put(0);
}

bool isTextFrameId(const std::string& id)
{
    return id.size() == 4 && id[0] == 'T' && id.compare(0, 4, "TXXX", 4) != 0;
}

} // namespace

// Brings a frame's data into plain form for reading; 0 when they can be decoded.
// Inflating is charged to `budget`; a stream that fails is charged all it may have used.
// `notInflated` is what a stream that does not inflate gives.
uint8_t id3v2::prepareFrame(TFrameIndex& frames, uint32_t i, std::size_t& budget, uint8_t notInflated)
{
    if (frames.IsUnsynchronised(i))
        frames.Resynchronise(i);
    if (frames.Encryption(i) || frames.IsEncrypted(i))
        return kEncrypted;
    if (frames.IsCompressed(i)) {
        const std::size_t announced = frames.DataLength(i);
        if (frames.Decompress(i, budget) == 4) {
            // A stream that does not inflate leaves nothing readable.
            budget -= announced > 0 ? std::min(announced, budget) : budget;
            return notInflated;
        }
        budget -= std::min<std::size_t>(frames.DataSize(i), budget);
    }
    if (frames.Data(i).empty())
        return kEmpty;
    return textresult::kOk;
}

// The rewritten data are plain: nothing is left to undo, the writer measures them
// afresh, and a requested encryption could never be honoured. Grouping stays as it was.
void id3v2::replaceData(TFrameRecord& f, std::vector<uint8_t> data)
{
    f.Data = std::move(data);
    f.Flags[1] &= static_cast<uint8_t>(~frameflags::kEncryption);
    f.StoredFlags[1] = f.Flags[1] & frameflags::kGrouping;
    f.DataLength = 0;
    f.SizeBeforeUnsync = 0;
}

namespace {

using id3v2::prepareFrame;
using id3v2::replaceData;

// How a side of text access decodes a comment's description.
using DescriptionDecoder = uint8_t (*)(const std::vector<uint8_t>& data, uint8_t encoding, std::string& text,
                                       std::size_t& consumed);

uint8_t description8Bit(const std::vector<uint8_t>& data, uint8_t encoding, std::string& text, std::size_t& consumed)
{
    return DecodeText(data, id3v2::comment::kDescription, encoding, false, text, consumed);
}

uint8_t descriptionUtf8(const std::vector<uint8_t>& data, uint8_t encoding, std::string& text, std::size_t& consumed)
{
    return DecodeTextUtf8(data, id3v2::comment::kDescription, encoding, text, consumed);
}

// Prepares frame i and decodes its comment description; 0 when it matches, 1 when it
// is readable but does not match, else why it cannot be read.
uint8_t matchComment(TFrameIndex& frames, std::size_t& budget, DescriptionDecoder decode, uint32_t i,
                     const std::string& description, const std::string& language, std::string& decoded,
                     std::size_t& consumed)
{
    const bool unicode = decode == descriptionUtf8;
    const uint8_t prepared = prepareFrame(frames, i, budget, unicode ? kNotInflated : kEmpty);
    if (prepared != textresult::kOk)
        return prepared;
    const std::vector<uint8_t>& data = frames.Data(i);
    const uint8_t result = decode(data, data[id3v2::comment::kEncoding], decoded, consumed);
    if (result != textresult::kOk)
        return result;
    if (decoded != description)
        return kNoFrame;
    const auto stored = data.begin() + id3v2::comment::kLanguage;
    if (language.size() == kLanguageSize && !std::equal(language.begin(), language.end(), stored))
        return kNoFrame;
    return textresult::kOk;
}

// The first frame that can be read wins; one that cannot is no match, so a later one
// with the same description is still found. Without a match, why the first unreadable
// frame failed, else 1.
uint32_t findComment(TFrameIndex& frames, std::size_t& budget, DescriptionDecoder decode,
                     const std::string& description, const std::string& language, std::string& decoded,
                     std::size_t& consumed, uint8_t& result)
{
    result = kNoFrame;
    for (uint32_t i = 1; i <= frames.Count(); ++i) {
        if (!id3v2::sameFrameId(frames.FrameID(i), kCommentId))
            continue;
        const uint8_t r = matchComment(frames, budget, decode, i, description, language, decoded, consumed);
        if (r == textresult::kOk) {
            result = textresult::kOk;
            return i;
        }
        if (result == kNoFrame)
            result = r;
    }
    return 0;
}

// The comment a read is after: its index with the record's encoding and language set and
// where its text starts; 0 with `result` set when there is none. The text is cleared.
uint32_t readComment(TFrameIndex& frames, std::size_t& budget, DescriptionDecoder decode, TCommentFrame& comment,
                     const std::string& description, const std::string& language, std::size_t& textStart,
                     uint8_t& result)
{
    comment.Text.clear();
    std::size_t consumed = 0;
    const uint32_t i = findComment(frames, budget, decode, description, language, comment.Description, consumed, result);
    if (i == 0)
        return 0;
    const std::vector<uint8_t>& data = frames.Data(i);
    using namespace id3v2::comment;
    comment.Encoding = data[kEncoding];
    comment.Language.assign(data.begin() + kLanguage, data.begin() + kLanguage + kLanguageSize);
    textStart = kDescription + consumed;
    return i;
}

// The comment a save replaces; 0 for none.
uint32_t commentToReplace(TFrameIndex& frames, std::size_t& budget, DescriptionDecoder decode,
                          const std::string& description, const std::string& language)
{
    std::string decoded;
    std::size_t consumed = 0;
    uint8_t found;
    return findComment(frames, budget, decode, description, language, decoded, consumed, found);
}

std::vector<uint8_t> commentData(const TCommentFrame& comment)
{
    std::vector<uint8_t> data;
    data.reserve(1 + kLanguageSize + comment.Description.size() + 1 + comment.Text.size());
    data.push_back(comment.Encoding);
    data.insert(data.end(), comment.Language.begin(), comment.Language.begin() + kLanguageSize);
    data.insert(data.end(), comment.Description.begin(), comment.Description.end());
    if (comment.Description.empty() || comment.Description.back() != '\0')
        data.push_back(0x00);
    data.insert(data.end(), comment.Text.begin(), comment.Text.end());
    return data;
}

uint8_t checkComment(const TCommentFrame& comment)
{
    if (comment.Encoding >= 4)
        return kBadCommentEncoding;
    if (comment.Language.size() < kLanguageSize)
        return kBadLanguage;
    for (std::size_t k = 0; k < kLanguageSize; ++k)
        if (static_cast<uint8_t>(comment.Language[k]) < 0x20)
            return kBadLanguage;
    return textresult::kOk;
}

} // namespace

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

namespace {

// The first frame with the ID, prepared for reading; 0 with `result` set when there is
// none or it cannot be read.
uint32_t findTextFrame(TFrameIndex& frames, const std::string& frameId, std::size_t& budget, uint8_t notInflated,
                       uint8_t& result)
{
    result = isTextFrameId(frameId) ? kNoFrame : kBadId;
    for (uint32_t i = 1; result == kNoFrame && i <= frames.Count(); ++i) {
        if (!id3v2::sameFrameId(frames.FrameID(i), frameId))
            continue;
        result = prepareFrame(frames, i, budget, notInflated);
        if (result == textresult::kOk)
            return i;
    }
    return 0;
}

// Replaces the first frame with the ID by `data`, deletes it when the value is empty, or
// appends a new one for a value.
uint8_t storeTextFrame(TFrameIndex& frames, const std::string& frameId, std::vector<uint8_t> data, bool empty)
{
    if (!isTextFrameId(frameId))
        return kBadId;
    for (uint32_t i = 1; i <= frames.Count(); ++i) {
        if (frames.FrameID(i) != frameId)
            continue;
        if (empty) {
            frames.Delete(i);
            return kDeleted;
        }
        replaceData(frames.Frame(i), std::move(data));
        return textresult::kOk;
    }
    if (!empty) {
        const uint32_t i = frames.Add(frameId);
        if (i == 0)
            return kBadId;
        frames.Data(i) = std::move(data);
    }
    return textresult::kOk;
}

// The comment frame `i` found for a save (0: none) takes `comment`'s data, is deleted for
// an empty text, or is appended.
uint8_t storeComment(TFrameIndex& frames, uint32_t i, const TCommentFrame& comment, std::vector<uint8_t> data)
{
    if (i == 0 && comment.Text.empty())
        return textresult::kOk;
    const uint8_t checked = checkComment(comment);
    if (checked != textresult::kOk)
        return checked;
    if (i == 0) {
        frames.Data(frames.Add(kCommentId)) = std::move(data);
        return textresult::kOk;
    }
    if (comment.Text.empty()) {
        frames.Delete(i);
        return kDeleted;
    }
    replaceData(frames.Frame(i), std::move(data));
    return textresult::kOk;
}

} // namespace

bool undecodable(uint8_t r)
{
    return r == kUnknownEncoding || r == kControlCharacter || r == kEncrypted || r == kNotInflated;
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

uint8_t Tid3v2tag::GetTextFrame(const std::string& frameId, std::string& text)
{
    text.clear();
    uint8_t result;
    std::size_t consumed;
    const uint32_t i = findTextFrame(FrameIndex(), frameId, m_inflateBudget, kEmpty, result);
    const std::vector<uint8_t>* data = i == 0 ? nullptr : &FrameIndex().Data(i);
    return data ? DecodeText(*data, id3v2::kText, (*data)[id3v2::kTextEncoding], false, text, consumed) : result;
}

uint8_t Tid3v2tag::GetTextFrameUtf8(const std::string& frameId, Utf8Text& text)
{
    text.clear();
    uint8_t result;
    std::size_t consumed;
    const uint32_t i = findTextFrame(FrameIndex(), frameId, m_inflateBudget, kNotInflated, result);
    const std::vector<uint8_t>* data = i == 0 ? nullptr : &FrameIndex().Data(i);
    return data ? DecodeTextUtf8(*data, id3v2::kText, (*data)[id3v2::kTextEncoding], text, consumed) : result;
}

uint8_t Tid3v2tag::SetTextFrame(const std::string& frameId, const std::string& text)
{
    std::vector<uint8_t> data;
    data.reserve(1 + text.size());
    data.push_back(kLatin1);
    data.insert(data.end(), text.begin(), text.end());
    return storeTextFrame(FrameIndex(), frameId, std::move(data), text.empty());
}

uint8_t Tid3v2tag::SetTextFrameUtf8(const std::string& frameId, const Utf8Text& text)
{
    std::string latin1;
    if (latin1FromUtf8(text, latin1))
        return SetTextFrame(frameId, latin1);
    std::vector<uint8_t> data{unicodeEncoding()};
    encodeText(data, text, unicodeEncoding(), false);
    return storeTextFrame(FrameIndex(), frameId, std::move(data), false);
}

uint8_t Tid3v2tag::GetComment(TCommentFrame& comment, const std::string& description, const std::string& language)
{
    std::size_t start;
    uint8_t result;
    const uint32_t i = readComment(FrameIndex(), m_inflateBudget, description8Bit, comment, description, language,
                                   start, result);
    return i == 0 ? result : DecodeText(FrameIndex().Data(i), start, comment.Encoding, true, comment.Text, start);
}

uint8_t Tid3v2tag::GetCommentUtf8(TCommentFrame& comment, const Utf8Text& description, const std::string& language)
{
    std::size_t start;
    uint8_t result;
    const uint32_t i = readComment(FrameIndex(), m_inflateBudget, descriptionUtf8, comment, description, language,
                                   start, result);
    return i == 0 ? result : DecodeTextUtf8(FrameIndex().Data(i), start, comment.Encoding, comment.Text, start);
}

uint8_t Tid3v2tag::SetComment(const TCommentFrame& comment, const std::string& description,
                              const std::string& language)
{
    TFrameIndex& frames = FrameIndex();
    const uint32_t i = commentToReplace(frames, m_inflateBudget, description8Bit, description, language);
    return storeComment(frames, i, comment, commentData(comment));
}

uint8_t Tid3v2tag::SetCommentUtf8(const TCommentFrame& comment, const Utf8Text& description,
                                  const std::string& language)
{
    TFrameIndex& frames = FrameIndex();
    const uint32_t i = commentToReplace(frames, m_inflateBudget, descriptionUtf8, description, language);
    TCommentFrame stored{kLatin1, comment.Language, {}, {}};
    if (latin1FromUtf8(comment.Description, stored.Description) && latin1FromUtf8(comment.Text, stored.Text))
        return storeComment(frames, i, stored, commentData(stored));
    stored.Encoding = unicodeEncoding();
    stored.Text = comment.Text;
    std::vector<uint8_t> data{stored.Encoding};
    if (checkComment(stored) == textresult::kOk)
        data.insert(data.end(), stored.Language.begin(), stored.Language.begin() + kLanguageSize);
    encodeText(data, comment.Description, stored.Encoding, true);
    encodeText(data, comment.Text, stored.Encoding, false);
    return storeComment(frames, i, stored, std::move(data));
}
