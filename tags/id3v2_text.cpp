// Text and comment frames: decoding their texts to 8-bit strings and writing them back.
#include "id3v2.h"

#include "id3v2_layout.h"

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

bool isTextFrameId(const std::string& id)
{
    return id.size() == 4 && id[0] == 'T' && id != "TXXX";
}

// Brings a frame's data into plain form for reading; 0 when they can be decoded.
// Inflating is charged to `budget`; a stream that fails is charged all it may have used.
uint8_t prepareFrame(TFrameIndex& frames, uint32_t i, std::size_t& budget)
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
            return kEmpty;
        }
        budget -= std::min<std::size_t>(frames.DataSize(i), budget);
    }
    if (frames.Data(i).empty())
        return kEmpty;
    return textresult::kOk;
}

// The rewritten data are plain: nothing is left to undo, the writer measures them
// afresh, and a requested encryption could never be honoured. Grouping stays as it was.
void replaceData(TFrameRecord& f, std::vector<uint8_t> data)
{
    f.Data = std::move(data);
    f.Flags[1] &= static_cast<uint8_t>(~frameflags::kEncryption);
    f.StoredFlags[1] = f.Flags[1] & frameflags::kGrouping;
    f.DataLength = 0;
    f.SizeBeforeUnsync = 0;
}

// Prepares frame i and decodes its comment description; 0 when it matches, 1 when it
// is readable but does not match, else why it cannot be read.
uint8_t matchComment(TFrameIndex& frames, std::size_t& budget, uint32_t i, const std::string& description,
                     const std::string& language, std::string& decoded, std::size_t& consumed)
{
    const uint8_t prepared = prepareFrame(frames, i, budget);
    if (prepared != textresult::kOk)
        return prepared;
    const std::vector<uint8_t>& data = frames.Data(i);
    const uint8_t result =
        DecodeText(data, id3v2::comment::kDescription, data[id3v2::comment::kEncoding], false, decoded, consumed);
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
uint32_t findComment(TFrameIndex& frames, std::size_t& budget, const std::string& description,
                     const std::string& language, std::string& decoded, std::size_t& consumed, uint8_t& result)
{
    result = kNoFrame;
    for (uint32_t i = 1; i <= frames.Count(); ++i) {
        if (frames.FrameID(i) != kCommentId)
            continue;
        const uint8_t r = matchComment(frames, budget, i, description, language, decoded, consumed);
        if (r == textresult::kOk) {
            result = textresult::kOk;
            return i;
        }
        if (result == kNoFrame)
            result = r;
    }
    return 0;
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

uint8_t Tid3v2tag::GetTextFrame(const std::string& frameId, std::string& text)
{
    text.clear();
    if (!isTextFrameId(frameId))
        return kBadId;
    TFrameIndex& frames = FrameIndex();
    for (uint32_t i = 1; i <= frames.Count(); ++i) {
        if (frames.FrameID(i) != frameId)
            continue;
        const uint8_t prepared = prepareFrame(frames, i, m_inflateBudget);
        if (prepared != textresult::kOk)
            return prepared;
        std::size_t consumed;
        const std::vector<uint8_t>& data = frames.Data(i);
        return DecodeText(data, id3v2::kText, data[id3v2::kTextEncoding], false, text, consumed);
    }
    return kNoFrame;
}

uint8_t Tid3v2tag::SetTextFrame(const std::string& frameId, const std::string& text)
{
    if (!isTextFrameId(frameId))
        return kBadId;
    std::vector<uint8_t> data;
    data.reserve(1 + text.size());
    data.push_back(kLatin1);
    data.insert(data.end(), text.begin(), text.end());
    TFrameIndex& frames = FrameIndex();
    for (uint32_t i = 1; i <= frames.Count(); ++i) {
        if (frames.FrameID(i) != frameId)
            continue;
        if (text.empty()) {
            frames.Delete(i);
            return kDeleted;
        }
        replaceData(frames.Frame(i), std::move(data));
        return textresult::kOk;
    }
    if (!text.empty()) {
        const uint32_t i = frames.Add(frameId);
        if (i == 0)
            return kBadId;
        frames.Data(i) = std::move(data);
    }
    return textresult::kOk;
}

uint8_t Tid3v2tag::GetComment(TCommentFrame& comment, const std::string& description, const std::string& language)
{
    comment.Text.clear();
    TFrameIndex& frames = FrameIndex();
    std::size_t consumed = 0;
    uint8_t result;
    const uint32_t i =
        findComment(frames, m_inflateBudget, description, language, comment.Description, consumed, result);
    if (i == 0)
        return result;
    const std::vector<uint8_t>& data = frames.Data(i);
    using namespace id3v2::comment;
    comment.Encoding = data[kEncoding];
    comment.Language.assign(data.begin() + kLanguage, data.begin() + kLanguage + kLanguageSize);
    return DecodeText(data, kDescription + consumed, comment.Encoding, true, comment.Text, consumed);
}

uint8_t Tid3v2tag::SetComment(const TCommentFrame& comment, const std::string& description,
                              const std::string& language)
{
    TFrameIndex& frames = FrameIndex();
    std::string decoded;
    std::size_t consumed = 0;
    uint8_t found;
    const uint32_t i = findComment(frames, m_inflateBudget, description, language, decoded, consumed, found);
    if (i == 0 && comment.Text.empty())
        return textresult::kOk;
    const uint8_t checked = checkComment(comment);
    if (checked != textresult::kOk)
        return checked;
    if (i == 0) {
        frames.Data(frames.Add(kCommentId)) = commentData(comment);
        return textresult::kOk;
    }
    if (comment.Text.empty()) {
        frames.Delete(i);
        return kDeleted;
    }
    replaceData(frames.Frame(i), commentData(comment));
    return textresult::kOk;
}
