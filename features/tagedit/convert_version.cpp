// Frame mappings between ID3v2.3 and ID3v2.4; nothing is dropped without a word.
#include "convert_version.h"

#include "tags/core/text_encoding.h"
#include "tags/id3v2/id3v2.h"
#include "tags/id3v2/id3v2_frame_data.h"

#include <algorithm>
#include <optional>
#include <tuple>

namespace {

// Text frames version 2.3 has no form of; a version 2.3 tag keeps them as TXXX:<ID>.
constexpr const char* kOnlyV24[] = {"TDRL", "TDTG", "TDEN", "TMOO", "TPRO", "TSST", "TMCL"};
// Version 2.3 lists of people, separated by "/".
constexpr const char* kSlashLists[] = {"TPE1", "TCOM", "TEXT", "TOLY", "TOPE"};

template <std::size_t N>
bool among(const char* const (&ids)[N], const std::string& id)
{
    return std::find_if(std::begin(ids), std::end(ids), [&](const char* s) { return id == s; }) != std::end(ids);
}

Utf8Text joinedBySlash(const std::vector<Utf8Text>& texts)
{
    Utf8Text text;
    for (const Utf8Text& t : texts)
        text += (text.empty() ? "" : "/") + t;
    return text;
}

std::optional<Utf8Text> takeText(Tid3v2tag& tag, const FrameKey& key)
{
    FrameValue value;
    if (tag.GetFrame(key, value) != textresult::kOk || value.texts.empty())
        return std::nullopt;
    tag.RemoveFrames(key);
    return joinedBySlash(value.texts);
}

void setText(Tid3v2tag& tag, const FrameKey& key, const Utf8Text& text)
{
    FrameValue value;
    value.texts = {text};
    std::ignore = tag.SetFrame(key, value);
}

// "2001-05-03T10:20" into TYER 2001, TDAT 0305, TIME 1020; what they cannot hold stays in TXXX:TDRC.
void splitTimestamp(Tid3v2tag& tag, std::vector<std::string>& changes)
{
    const std::optional<Utf8Text> t = takeText(tag, {"TDRC", {}, {}});
    if (!t)
        return;
    const std::size_t n = t->size();
    const bool plain = (n == 4 || n == 10 || n == 16) && (n < 10 || ((*t)[4] == '-' && (*t)[7] == '-')) &&
                       (n < 16 || ((*t)[10] == 'T' && (*t)[13] == ':'));
    std::string change = "TDRC to TYER";
    setText(tag, {"TYER", {}, {}}, t->substr(0, 4));
    if (plain && n >= 10) {
        setText(tag, {"TDAT", {}, {}}, t->substr(8, 2) + t->substr(5, 2));
        change += ", TDAT";
    }
    if (plain && n >= 16) {
        setText(tag, {"TIME", {}, {}}, t->substr(11, 2) + t->substr(14, 2));
        change += ", TIME";
    }
    if (!plain) {
        setText(tag, {"TXXX", "TDRC", {}}, *t);
        change += " and TXXX:TDRC";
    }
    changes.push_back(change);
}

void joinTimestamp(Tid3v2tag& tag, std::vector<std::string>& changes)
{
    const std::optional<Utf8Text> year = takeText(tag, {"TYER", {}, {}});
    const std::optional<Utf8Text> date = takeText(tag, {"TDAT", {}, {}});
    const std::optional<Utf8Text> time = takeText(tag, {"TIME", {}, {}});
    const std::optional<Utf8Text> whole = takeText(tag, {"TXXX", "TDRC", {}});
    if (!year && !whole)
        return;
    Utf8Text t = whole ? *whole : *year;
    if (!whole && date && date->size() == 4) {
        t += "-" + date->substr(2, 2) + "-" + date->substr(0, 2);
        if (time && time->size() == 4)
            t += "T" + time->substr(0, 2) + ":" + time->substr(2, 2);
    }
    setText(tag, {"TDRC", {}, {}}, t);
    changes.push_back(std::string(whole ? "TXXX:TDRC" : "TYER") + (date ? ", TDAT" : "") + (time ? ", TIME" : "") +
                      " to TDRC");
}

void originalYear(Tid3v2tag& tag, uint8_t version, std::vector<std::string>& changes)
{
    if (version == 3) {
        if (const std::optional<Utf8Text> t = takeText(tag, {"TDOR", {}, {}})) {
            setText(tag, {"TORY", {}, {}}, t->substr(0, 4));
            if (t->size() > 4)
                setText(tag, {"TXXX", "TDOR", {}}, *t);
            changes.push_back(t->size() > 4 ? "TDOR to TORY and TXXX:TDOR" : "TDOR to TORY");
        }
        return;
    }
    const std::optional<Utf8Text> year = takeText(tag, {"TORY", {}, {}});
    const std::optional<Utf8Text> whole = takeText(tag, {"TXXX", "TDOR", {}});
    if (year || whole) {
        setText(tag, {"TDOR", {}, {}}, whole ? *whole : *year);
        changes.push_back(whole ? "TXXX:TDOR to TDOR" : "TORY to TDOR");
    }
}

// Frames of version 2.4 alone to TXXX:<ID> and back.
void onlyV24Frames(Tid3v2tag& tag, uint8_t version, std::vector<std::string>& changes)
{
    for (const char* id : kOnlyV24) {
        const FrameKey plain{id, {}, {}}, kept{"TXXX", id, {}};
        if (const std::optional<Utf8Text> t = takeText(tag, version == 3 ? plain : kept)) {
            setText(tag, version == 3 ? kept : plain, *t);
            changes.push_back(version == 3 ? std::string(id) + " kept as TXXX:" + id
                                           : std::string("TXXX:") + id + " to " + id);
        }
    }
}

// Version 2.3 keeps the people involved (TIPL) in IPLS, the same role/name pairs.
std::vector<uint8_t> iplsData(const std::vector<Utf8Text>& texts)
{
    using namespace textencoding;
    const bool latin1 = std::all_of(texts.begin(), texts.end(), [](const Utf8Text& t) {
        return fitsEncoding(t, kLatin1);
    });
    std::vector<uint8_t> data{latin1 ? kLatin1 : kUtf16Bom};
    for (const Utf8Text& t : texts)
        encodeText(data, t, data[0], true);
    return data;
}

std::vector<Utf8Text> iplsTexts(const std::vector<uint8_t>& data)
{
    std::vector<Utf8Text> texts;
    for (std::size_t at = 1, used = 0; !data.empty() && at < data.size(); at += used) {
        Utf8Text text;
        if (DecodeTextUtf8(data, at, data[0], text, used) != textresult::kOk || used == 0)
            break;
        texts.push_back(std::move(text));
    }
    return texts;
}

void involvedPeople(Tid3v2tag& tag, uint8_t version, std::vector<std::string>& changes)
{
    const FrameKey tipl{"TIPL", {}, {}}, ipls{"IPLS", {}, {}};
    FrameValue value;
    if (tag.GetFrame(version == 3 ? tipl : ipls, value) != textresult::kOk)
        return;
    std::vector<Utf8Text> texts = version == 3 ? value.texts : iplsTexts(value.data);
    if (texts.empty())
        return;
    FrameValue moved;
    if (version == 3) {
        moved.kind = FrameKind::Binary;
        moved.data = iplsData(texts);
    } else {
        moved.texts = std::move(texts);
    }
    tag.RemoveFrames(version == 3 ? tipl : ipls);
    std::ignore = tag.SetFrame(version == 3 ? ipls : tipl, moved);
    changes.push_back(version == 3 ? "TIPL to IPLS" : "IPLS to TIPL");
}

std::vector<Utf8Text> splitAtSlash(const Utf8Text& text)
{
    std::vector<Utf8Text> parts;
    for (std::size_t at = 0, slash = 0; at <= text.size(); at = slash + 1) {
        slash = std::min(text.find('/', at), text.size());
        parts.push_back(text.substr(at, slash - at));
    }
    return parts;
}

struct Rewrites {
    uint32_t joined = 0, split = 0, reencoded = 0;
};

// A frame's value as the version holds it: several values joined by "/" or a version 2.3
// list split, and an encoding the version lacks or the other version prefers left to the render.
// False when nothing of it needs writing again.
bool rewrite(const TFrameEntry& entry, FrameValue& value, uint8_t version, Rewrites& counts)
{
    using namespace textencoding;
    const bool text = value.kind == FrameKind::Text || value.kind == FrameKind::UserText;
    const bool encoding = version == 3 ? value.encoding == kUtf8 || value.encoding == kUtf16BE
                                       : value.encoding == kUtf16Bom || value.encoding == kUtf16BE;
    // Texts are written again whatever they hold: a trailing NUL, harmless before 2.4,
    // reads there as an empty second value.
    if (!text && value.kind != FrameKind::Comment && !encoding)
        return false;
    if (text && version == 3 && value.texts.size() > 1) {
        value.texts = {joinedBySlash(value.texts)};
        ++counts.joined;
    }
    if (text && version == 4 && value.texts.size() == 1 && among(kSlashLists, entry.Key.id) &&
        value.texts[0].find('/') != std::string::npos) {
        value.texts = splitAtSlash(value.texts[0]);
        ++counts.split;
    }
    counts.reencoded += encoding;
    value.encoding = kAny;
    return true;
}

void reencodeTexts(Tid3v2tag& tag, uint8_t version, std::vector<std::string>& changes)
{
    Rewrites counts;
    for (const TFrameEntry& entry : tag.FrameList()) {
        FrameValue value;
        std::vector<uint8_t> data;
        if (entry.Result == textresult::kOk && tag.GetFrame(entry.Index, value) == textresult::kOk &&
            rewrite(entry, value, version, counts) && renderFrame(value, version, data) == textresult::kOk)
            id3v2::replaceData(tag.FrameIndex().Frame(entry.Index), std::move(data));
    }
    if (counts.joined)
        changes.push_back(std::to_string(counts.joined) + " text(s) of several values joined by \"/\"");
    if (counts.split)
        changes.push_back(std::to_string(counts.split) + " list(s) split at \"/\"");
    if (counts.reencoded)
        changes.push_back(std::to_string(counts.reencoded) +
                          (version == 3 ? " UTF-8 text(s) to UTF-16" : " UTF-16 text(s) to UTF-8"));
}

} // namespace

std::vector<std::string> convertTagVersion(Tid3v2tag& tag, uint8_t version)
{
    std::vector<std::string> changes;
    if (tag.Version == version || tag.FrameIndex().Count() == 0)
        return changes;
    tag.Version = version;
    if (version == 3)
        splitTimestamp(tag, changes);
    else
        joinTimestamp(tag, changes);
    originalYear(tag, version, changes);
    onlyV24Frames(tag, version, changes);
    involvedPeople(tag, version, changes);
    reencodeTexts(tag, version, changes);
    if (changes.empty())
        changes.push_back("no frame needed mapping");
    changes.insert(changes.begin(), std::string("to ID3v2.") + char('0' + version));
    return changes;
}
