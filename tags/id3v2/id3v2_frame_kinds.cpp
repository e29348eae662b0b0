// The table of frame kinds: for each, how a frame's data parse into a value and render back.
#include "tags/id3v2/id3v2_frame_kinds.h"

#include "tags/id3v2/id3v2_layout.h"

#include <algorithm>
#include <cstring>

using namespace textencoding;
using namespace textresult;
using Bytes = std::vector<uint8_t>;

namespace {

// A cursor over a frame's data for the parsers: each read moves past what it took.
struct Reader {
    const Bytes& data;
    std::size_t pos = 0;
    uint8_t result = textresult::kOk;

    bool atEnd() const { return pos >= data.size(); }
    // A text up to its terminator (or the end) in the encoding; false when it cannot be decoded.
    bool text(uint8_t encoding, Utf8Text& out)
    {
        out.clear();
        if (atEnd())
            return true;
        std::size_t consumed = 0;
        const uint8_t r = DecodeTextUtf8(data, pos, encoding, out, consumed);
        pos += consumed;
        if (r != textresult::kOk)
            result = r;
        return r == textresult::kOk;
    }
    // A text that must end with its terminator, as a field followed by others does.
    bool terminated(uint8_t encoding, Utf8Text& out)
    {
        const std::size_t start = pos;
        if (!text(encoding, out))
            return false;
        const std::size_t term = terminatorSize(encoding);
        const bool ended = pos - start >= term && std::all_of(data.begin() + static_cast<std::ptrdiff_t>(pos - term),
                                                              data.begin() + static_cast<std::ptrdiff_t>(pos),
                                                              [](uint8_t b) { return b == 0; });
        if (!ended)
            result = kControlCharacter;
        return ended;
    }
    bool byte(uint8_t& out)
    {
        if (atEnd()) {
            result = kEmpty;
            return false;
        }
        out = data[pos++];
        return true;
    }
    // The encoding byte: one a decoder knows.
    bool encoding(uint8_t& out)
    {
        if (!byte(out))
            return false;
        if (out == kLatin1 || out == kUtf16Bom || out == kUtf16BE || out == kUtf8)
            return true;
        result = kUnknownEncoding;
        return false;
    }
    void rest(Bytes& out) { out.assign(data.begin() + static_cast<std::ptrdiff_t>(std::min(pos, data.size())), data.end()); }
};

// Every text to the end: values after the first are separated by terminators; terminators
// at the very end (some writers pad with them) add no empty values. Bytes after a value that
// do not decode are taken for junk behind the text, as single-value readers never see them.
bool textList(Reader& in, uint8_t encoding, std::vector<Utf8Text>& texts)
{
    texts.clear();
    while (!in.atEnd()) {
        if (!in.text(encoding, texts.emplace_back())) {
            texts.pop_back();
            if (texts.empty())
                return false;
            in.result = textresult::kOk;
            break;
        }
    }
    while (!texts.empty() && texts.back().empty())
        texts.pop_back();
    return true;
}

// A text frame without text, not even its encoding byte, is still a text frame.
bool parseText(Reader& in, FrameValue& v)
{
    if (in.atEnd() || (in.encoding(v.encoding) && in.atEnd())) {
        in.result = in.result == textresult::kOk ? kEmpty : in.result;
        return in.result == kEmpty;
    }
    return in.result == textresult::kOk && textList(in, v.encoding, v.texts);
}

bool parseUserText(Reader& in, FrameValue& v)
{
    return in.encoding(v.encoding) && in.terminated(v.encoding, v.description) && textList(in, v.encoding, v.texts);
}

bool parseComment(Reader& in, FrameValue& v)
{
    using namespace id3v2::comment;
    if (!in.encoding(v.encoding))
        return false;
    if (in.data.size() < kDescription) {
        in.result = kEmpty;
        return false;
    }
    v.language.assign(in.data.begin() + kLanguage, in.data.begin() + kDescription);
    in.pos = kDescription;
    v.texts.resize(1);
    return in.terminated(v.encoding, v.description) && in.text(v.encoding, v.texts[0]);
}

bool parseUrl(Reader& in, FrameValue& v)
{
    v.texts.resize(1);
    return in.text(kLatin1, v.texts[0]);
}

bool parseUserUrl(Reader& in, FrameValue& v)
{
    v.texts.resize(1);
    return in.encoding(v.encoding) && in.terminated(v.encoding, v.description) && in.text(kLatin1, v.texts[0]);
}

bool parsePicture(Reader& in, FrameValue& v)
{
    in.pos = parsePictureHeader(in.data, v);
    if (in.pos == 0)
        in.result = kControlCharacter;
    in.rest(v.data);
    return in.pos > 0;
}

bool parsePopularimeter(Reader& in, FrameValue& v)
{
    constexpr std::size_t kLongestCount = 8;
    if (!in.terminated(kLatin1, v.description) || !in.byte(v.rating))
        return false;
    const std::size_t width = in.data.size() - in.pos;
    if (width > kLongestCount) {
        in.result = kControlCharacter;
        return false;
    }
    if (width > 0) {
        uint64_t count = 0;
        for (; !in.atEnd(); ++in.pos)
            count = count << 8 | in.data[in.pos];
        v.playCount = count;
    }
    return true;
}

bool parseOwnedData(Reader& in, FrameValue& v)
{
    if (!in.terminated(kLatin1, v.description))
        return false;
    in.rest(v.data);
    return true;
}

bool parseBinary(Reader& in, FrameValue& v)
{
    in.rest(v.data);
    return true;
}

bool writableIn(uint8_t encoding, uint8_t version)
{
    return encoding == kLatin1 || encoding == kUtf16Bom || (version >= 4 && (encoding == kUtf16BE || encoding == kUtf8));
}

// The encoding the value was found in where the version allows it and every text fits;
// else ISO-8859-1 when they fit, else UTF-16 in version 2.3 and UTF-8 in version 2.4.
uint8_t chooseEncoding(const FrameValue& v, std::initializer_list<const Utf8Text*> texts, uint8_t version)
{
    const auto allFit = [&](uint8_t encoding) {
        return std::all_of(texts.begin(), texts.end(), [&](const Utf8Text* t) { return fitsEncoding(*t, encoding); }) &&
               std::all_of(v.texts.begin(), v.texts.end(), [&](const Utf8Text& t) { return fitsEncoding(t, encoding); });
    };
    if (v.encoding != kAny && writableIn(v.encoding, version) && allFit(v.encoding))
        return v.encoding;
    if (allFit(kLatin1))
        return kLatin1;
    return version >= 4 ? kUtf8 : kUtf16Bom;
}

// Values of a list: version 2.4 separates them by terminators, version 2.3 by "/".
void renderList(const std::vector<Utf8Text>& texts, uint8_t encoding, uint8_t version, Bytes& out)
{
    if (version < 4 && texts.size() > 1) {
        Utf8Text joined;
        for (const Utf8Text& t : texts) {
            if (&t != &texts.front())
                joined += '/';
            joined += t;
        }
        encodeText(out, joined, encoding, false);
        return;
    }
    for (const Utf8Text& t : texts)
        encodeText(out, t, encoding, &t != &texts.back());
}

const Utf8Text& firstText(const FrameValue& v)
{
    static const Utf8Text kNone;
    return v.texts.empty() ? kNone : v.texts.front();
}

// A field that is ISO-8859-1 in every encoding; false when it does not fit.
bool latin1Field(const Utf8Text& text, bool terminate, Bytes& out, uint8_t& result)
{
    if (!fitsEncoding(text, kLatin1)) {
        result = kAboveLatin1;
        return false;
    }
    encodeText(out, text, kLatin1, terminate);
    return true;
}

uint8_t renderText(const FrameValue& v, uint8_t version, Bytes& out)
{
    const uint8_t encoding = chooseEncoding(v, {}, version);
    out.push_back(encoding);
    renderList(v.texts, encoding, version, out);
    return textresult::kOk;
}

// The encoding byte and the terminated description that open TXXX and WXXX; the encoding.
uint8_t renderDescription(const FrameValue& v, uint8_t version, Bytes& out)
{
    const uint8_t encoding = chooseEncoding(v, {&v.description}, version);
    out.push_back(encoding);
    encodeText(out, v.description, encoding, true);
    return encoding;
}

uint8_t renderUserText(const FrameValue& v, uint8_t version, Bytes& out)
{
    renderList(v.texts, renderDescription(v, version, out), version, out);
    return textresult::kOk;
}

uint8_t renderComment(const FrameValue& v, uint8_t version, Bytes& out)
{
    if (v.language.size() != id3v2::comment::kLanguageSize ||
        std::any_of(v.language.begin(), v.language.end(), [](char c) { return static_cast<uint8_t>(c) < 0x20; }))
        return kBadLanguage;
    const uint8_t encoding = chooseEncoding(v, {&v.description}, version);
    out.push_back(encoding);
    out.insert(out.end(), v.language.begin(), v.language.end());
    encodeText(out, v.description, encoding, true);
    encodeText(out, firstText(v), encoding, false);
    return textresult::kOk;
}

uint8_t renderUrl(const FrameValue& v, uint8_t, Bytes& out)
{
    uint8_t result = textresult::kOk;
    latin1Field(firstText(v), false, out, result);
    return result;
}

uint8_t renderUserUrl(const FrameValue& v, uint8_t version, Bytes& out)
{
    renderDescription(v, version, out);
    return renderUrl(v, version, out);
}

uint8_t renderPicture(const FrameValue& v, uint8_t version, Bytes& out)
{
    const uint8_t encoding = chooseEncoding(v, {&v.description}, version);
    out.push_back(encoding);
    uint8_t result = textresult::kOk;
    if (!latin1Field(v.mimeType, true, out, result))
        return result;
    out.push_back(v.pictureType);
    encodeText(out, v.description, encoding, true);
    out.insert(out.end(), v.data.begin(), v.data.end());
    return textresult::kOk;
}

// The play count takes four bytes, more only when it needs them.
uint8_t renderPopularimeter(const FrameValue& v, uint8_t, Bytes& out)
{
    uint8_t result = textresult::kOk;
    if (!latin1Field(v.description, true, out, result))
        return result;
    out.push_back(v.rating);
    if (!v.playCount)
        return textresult::kOk;
    std::size_t width = 4;
    while (width < 8 && (*v.playCount >> (8 * width)) != 0)
        ++width;
    for (std::size_t k = width; k-- > 0;)
        out.push_back(static_cast<uint8_t>(*v.playCount >> (8 * k)));
    return textresult::kOk;
}

uint8_t renderOwnedData(const FrameValue& v, uint8_t, Bytes& out)
{
    uint8_t result = textresult::kOk;
    if (!latin1Field(v.description, true, out, result))
        return result;
    out.insert(out.end(), v.data.begin(), v.data.end());
    return textresult::kOk;
}

uint8_t renderBinary(const FrameValue& v, uint8_t, Bytes& out)
{
    out = v.data;
    return textresult::kOk;
}

struct KindRow {
    FrameKind kind;
    const char* name;
    bool described, withLanguage;
    bool (*parse)(Reader& in, FrameValue& value);
    uint8_t (*render)(const FrameValue& value, uint8_t version, Bytes& out);
};

// In the order of FrameKind.
constexpr KindRow kKinds[] = {
    {FrameKind::Text, "text", false, false, parseText, renderText},
    {FrameKind::UserText, "user text", true, false, parseUserText, renderUserText},
    {FrameKind::Comment, "comment", true, true, parseComment, renderComment},
    {FrameKind::Url, "url", false, false, parseUrl, renderUrl},
    {FrameKind::UserUrl, "user url", true, false, parseUserUrl, renderUserUrl},
    {FrameKind::Picture, "picture", true, false, parsePicture, renderPicture},
    {FrameKind::Popularimeter, "rating", true, false, parsePopularimeter, renderPopularimeter},
    {FrameKind::OwnedData, "owned data", true, false, parseOwnedData, renderOwnedData},
    {FrameKind::Binary, "binary", false, false, parseBinary, renderBinary},
};

const KindRow& rowOf(FrameKind kind)
{
    return kKinds[static_cast<std::size_t>(kind)];
}

} // namespace

bool operator==(const FrameKey& a, const FrameKey& b)
{
    return a.id == b.id && a.description == b.description && a.language == b.language;
}

bool operator==(const FrameValue& a, const FrameValue& b)
{
    return a.kind == b.kind && a.encoding == b.encoding && a.description == b.description &&
           a.language == b.language && a.texts == b.texts && a.mimeType == b.mimeType &&
           a.pictureType == b.pictureType && a.rating == b.rating && a.playCount == b.playCount && a.data == b.data;
}

// Every text read asks, so the IDs are told apart by their first letter and one compare.
FrameKind frameKindOf(const std::string& id)
{
    if (id.size() != id3v2::kFrameIdSize)
        return FrameKind::Binary;
    const auto is = [&id](const char (&other)[5]) { return std::memcmp(id.data(), other, 4) == 0; };
    switch (id[0]) {
    case 'T': return is("TXXX") ? FrameKind::UserText : FrameKind::Text;
    case 'W': return is("WXXX") ? FrameKind::UserUrl : FrameKind::Url;
    case 'C': return is("COMM") ? FrameKind::Comment : FrameKind::Binary;
    case 'U': return is("USLT") ? FrameKind::Comment : is("UFID") ? FrameKind::OwnedData : FrameKind::Binary;
    case 'A': return is("APIC") ? FrameKind::Picture : FrameKind::Binary;
    case 'P': return is("POPM") ? FrameKind::Popularimeter : is("PRIV") ? FrameKind::OwnedData : FrameKind::Binary;
    default: return FrameKind::Binary;
    }
}

const char* frameKindName(FrameKind kind) { return rowOf(kind).name; }
bool hasDescription(FrameKind kind) { return rowOf(kind).described; }
bool hasLanguage(FrameKind kind) { return rowOf(kind).withLanguage; }

bool isFrameId(const std::string& id)
{
    return id.size() == id3v2::kFrameIdSize && std::all_of(id.begin(), id.end(), id3v2::isFrameIdChar);
}

bool parseFrameKey(const std::string& text, FrameKey& key)
{
    const std::size_t colon = text.find(':');
    key = FrameKey{text.substr(0, colon), {}, {}};
    for (char& c : key.id)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    if (key.id.size() == id3v2::v22::kFrameIdSize)
        key.id = id3v2::v22::frameIdV23(key.id);
    if (!isFrameId(key.id))
        return false;
    const FrameKind kind = frameKindOf(key.id);
    if (colon == std::string::npos)
        return true;
    if (!hasDescription(kind))
        return false;
    key.description = text.substr(colon + 1);
    const std::size_t last = key.description.rfind(':');
    if (hasLanguage(kind) && last != std::string::npos) {
        key.language = key.description.substr(last + 1);
        key.description.erase(last);
    }
    return key.language.empty() || key.language.size() == id3v2::comment::kLanguageSize;
}

std::string formatFrameKey(const FrameKey& key)
{
    std::string text = key.id;
    const FrameKind kind = frameKindOf(key.id);
    if (hasDescription(kind) && (!key.description.empty() || !key.language.empty()))
        text += ":" + key.description;
    if (hasLanguage(kind) && !key.language.empty())
        text += ":" + key.language;
    return text;
}

FrameKey frameKeyOf(const std::string& id, const FrameValue& value)
{
    FrameKey key{id, {}, {}};
    if (hasDescription(value.kind))
        key.description = value.description;
    if (hasLanguage(value.kind))
        key.language = value.language;
    return key;
}

bool isEmptyValue(const FrameValue& value)
{
    switch (value.kind) {
    case FrameKind::Text:
    case FrameKind::UserText:
    case FrameKind::Comment:
    case FrameKind::Url:
    case FrameKind::UserUrl:
        return std::all_of(value.texts.begin(), value.texts.end(), [](const Utf8Text& t) { return t.empty(); });
    default: return false;
    }
}

uint8_t parseFrame(const std::string& id, const Bytes& data, FrameValue& value)
{
    value = FrameValue();
    value.kind = frameKindOf(id);
    Reader in{data};
    if (rowOf(value.kind).parse(in, value))
        return in.result;
    value = FrameValue();
    value.data = data;
    return in.result;
}

uint8_t parseFirstText(const Bytes& data, Utf8Text& text)
{
    text.clear();
    Reader in{data};
    uint8_t encoding;
    if (in.encoding(encoding) && in.atEnd())
        return kEmpty;
    if (in.result == textresult::kOk)
        in.text(encoding, text);
    return in.result;
}

uint8_t renderFrame(const FrameValue& value, uint8_t version, Bytes& data)
{
    data.clear();
    return rowOf(value.kind).render(value, version, data);
}

std::size_t parsePictureHeader(const Bytes& data, FrameValue& value)
{
    using namespace id3v2::picture;
    Reader in{data};
    if (!in.encoding(value.encoding) || !in.terminated(kLatin1, value.mimeType) || !in.byte(value.pictureType) ||
        !in.terminated(value.encoding, value.description))
        return 0;
    return in.pos;
}
