// The text and comment accessors of the seven fields, as wrappers over frames by key.
#include "tags/id3v2/id3v2.h"

#include "tags/id3v2/id3v2_frame_data.h"

#include <algorithm>

using namespace textresult;
using namespace textencoding;

namespace {

const std::string kCommentId = "COMM";
using id3v2::comment::kLanguageSize;

bool isTextFrameId(const std::string& id)
{
    return frameKindOf(id) == FrameKind::Text;
}

// The comment a read or save is after: "None" or any other language that is not three
// characters matches every language.
FrameKey commentKey(const Utf8Text& description, const std::string& language)
{
    return FrameKey{kCommentId, description, language.size() == kLanguageSize ? language : std::string()};
}

bool languageMatches(const std::vector<uint8_t>& data, const std::string& language)
{
    const auto stored = data.begin() + id3v2::comment::kLanguage;
    return language.size() != kLanguageSize || std::equal(language.begin(), language.end(), stored);
}

// The first comment frame that reads by the 8-bit rules and matches: its index, with the
// decoded text in `comment` when given; 0 with `result` why when there is none. One that
// cannot be read is no match, so a later one with the same description is still found.
uint32_t findComment8Bit(const TFrameIndex& frames, std::size_t& budget, const std::string& description,
                         const std::string& language, std::string& decoded, TCommentFrame* comment, uint8_t& result)
{
    using namespace id3v2::comment;
    result = kNoFrame;
    for (uint32_t i = 1; i <= frames.Count(); ++i) {
        if (!id3v2::sameFrameId(frames.FrameID(i), kCommentId))
            continue;
        const id3v2::PlainFrame plain(frames, i, budget, kEmpty);
        const std::vector<uint8_t>& data = plain.data();
        std::size_t consumed = 0;
        uint8_t r = plain.result();
        if (r == textresult::kOk)
            r = DecodeText(data, kDescription, data[kEncoding], false, decoded, consumed);
        if (r == textresult::kOk && decoded == description && languageMatches(data, language)) {
            if (comment) {
                comment->Encoding = data[kEncoding];
                comment->Language.assign(data.begin() + kLanguage, data.begin() + kDescription);
                result = DecodeText(data, kDescription + consumed, comment->Encoding, true, comment->Text, consumed);
            } else {
                result = textresult::kOk;
            }
            return i;
        }
        if (result == kNoFrame && r != textresult::kOk)
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

namespace {

// The first frame with the ID decides, read with `read` from its plain data; kNoFrame when
// there is none, else why its data cannot be read.
template <typename Read>
uint8_t readTextFrame(const TFrameIndex& frames, std::size_t& budget, const std::string& frameId, uint8_t notInflated,
                      Read read)
{
    if (!isTextFrameId(frameId))
        return kBadId;
    for (uint32_t i = 1; i <= frames.Count(); ++i) {
        if (!id3v2::sameFrameId(frames.FrameID(i), frameId))
            continue;
        const id3v2::PlainFrame plain(frames, i, budget, notInflated);
        return plain.result() == textresult::kOk ? read(plain.data()) : plain.result();
    }
    return kNoFrame;
}

} // namespace

uint8_t Tid3v2tag::GetTextFrame(const std::string& frameId, std::string& text)
{
    text.clear();
    return readTextFrame(FrameIndex(), m_inflateBudget, frameId, kEmpty, [&text](const std::vector<uint8_t>& data) {
        std::size_t consumed;
        return DecodeText(data, id3v2::kText, data[id3v2::kTextEncoding], false, text, consumed);
    });
}

uint8_t Tid3v2tag::GetTextFrameUtf8(const std::string& frameId, Utf8Text& text)
{
    text.clear();
    return readTextFrame(FrameIndex(), m_inflateBudget, frameId, kNotInflated,
                         [&text](const std::vector<uint8_t>& data) { return parseFirstText(data, text); });
}

// The 8-bit text is ISO-8859-1, byte for byte.
uint8_t Tid3v2tag::SetTextFrame(const std::string& frameId, const std::string& text)
{
    FrameValue value;
    value.encoding = kLatin1;
    value.texts.push_back(latin1ToUtf8(text));
    return isTextFrameId(frameId) ? SetFrame(FrameKey{frameId, {}, {}}, std::move(value)) : kBadId;
}

uint8_t Tid3v2tag::SetTextFrameUtf8(const std::string& frameId, const Utf8Text& text)
{
    FrameValue value;
    value.texts.push_back(text);
    return isTextFrameId(frameId) ? SetFrame(FrameKey{frameId, {}, {}}, std::move(value)) : kBadId;
}

uint8_t Tid3v2tag::GetComment(TCommentFrame& comment, const std::string& description, const std::string& language)
{
    comment.Text.clear();
    uint8_t result;
    findComment8Bit(FrameIndex(), m_inflateBudget, description, language, comment.Description, &comment, result);
    return result;
}

uint8_t Tid3v2tag::GetCommentUtf8(TCommentFrame& comment, const Utf8Text& description, const std::string& language)
{
    comment.Text.clear();
    FrameValue value;
    const uint8_t result = GetFrame(commentKey(description, language), value);
    if (value.kind != FrameKind::Comment)
        return result;
    comment.Encoding = value.encoding;
    comment.Language = std::move(value.language);
    comment.Description = std::move(value.description);
    comment.Text = std::move(value.texts.front());
    return result;
}

// The strings are written byte for byte whatever the comment's encoding says.
uint8_t Tid3v2tag::SetComment(const TCommentFrame& comment, const std::string& description,
                              const std::string& language)
{
    TFrameIndex& frames = FrameIndex();
    std::string decoded;
    uint8_t found;
    const uint32_t i = findComment8Bit(frames, m_inflateBudget, description, language, decoded, nullptr, found);
    if (i == 0 && comment.Text.empty())
        return textresult::kOk;
    const uint8_t checked = checkComment(comment);
    if (checked != textresult::kOk)
        return checked;
    if (i == 0) {
        frames.Data(frames.Add(kCommentId)) = commentData(comment);
    } else if (comment.Text.empty()) {
        frames.Delete(i);
        return kDeleted;
    } else {
        id3v2::replaceData(frames.Frame(i), commentData(comment));
    }
    return textresult::kOk;
}

// A value that fits ISO-8859-1 is stored in it, any other in the version's Unicode
// encoding; the comment's own Encoding is not used.
uint8_t Tid3v2tag::SetCommentUtf8(const TCommentFrame& comment, const Utf8Text& description,
                                  const std::string& language)
{
    FrameValue value;
    value.language = comment.Language;
    value.texts.push_back(comment.Text);
    return SetFrame(commentKey(description, language), std::move(value));
}
