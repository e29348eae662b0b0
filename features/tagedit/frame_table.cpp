// The "All frames" table: rows from a tag's frame list, and the edits its changes make.
#include "frame_table.h"

#include "frame_names.h"
#include "tags/id3v2/id3v2.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace {

std::string sizeText(std::size_t bytes)
{
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

bool textFills(FrameKind kind)
{
    return kind != FrameKind::Picture && kind != FrameKind::Binary;
}

// Each frame is parsed once: a picture's image is copied only here.
FrameRow rowOf(Tid3v2tag& tag, uint32_t index)
{
    FrameValue value;
    const bool readable = tag.GetFrame(index, value) == textresult::kOk;
    const FrameKey key = frameKeyOf(tag.FrameIndex().FrameID(index), value);
    FrameRow row;
    row.key = formatFrameKey(key);
    row.name = std::string(frameIdName(key.id));
    row.kind = readable ? frameKindName(value.kind) : "unreadable";
    if (!readable)
        row.value = sizeText(tag.FrameIndex().DataSize(index));
    else if (value.kind == FrameKind::Picture)
        row.value = value.mimeType + ", " + sizeText(value.data.size());
    else if (value.kind == FrameKind::Binary)
        row.value = sizeText(value.data.size());
    else
        row.value = frameText(value);
    // An owner's data that do not read as text are shown by size and kept whole.
    if (readable && value.kind == FrameKind::OwnedData && row.value.empty() && !value.data.empty())
        row.value = sizeText(value.data.size());
    else
        row.editable = readable && textFills(value.kind);
    return row;
}

} // namespace

std::vector<FrameRow> frameRows(Tid3v2tag& tag)
{
    std::vector<FrameRow> rows;
    std::set<std::string> seen;
    for (uint32_t i = 1; i <= tag.FrameIndex().Count(); ++i) {
        FrameRow row = rowOf(tag, i);
        // A text sets the first frame its key names; a second of the same key can only go.
        if (!seen.insert(row.key).second)
            row.editable = false;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::optional<std::string> frameEditOf(const std::string& key, const Utf8Text& text, FieldEdit& edit)
{
    edit = FieldEdit();
    if (!parseFrameKey(key, edit.key))
        return "'" + key + "' names no frame: a key is an ID such as TPE2, or TXXX:description, or "
                           "COMM:description:language";
    edit.text = text;
    // Emptying a text removes its frame; a picture or binary frame is never set from text.
    FrameValue value;
    if (text.empty() && !textFills(frameKindOf(edit.key.id)))
        return frameValueOf(edit.key, text, value);
    // Kept by its key, so that a named field's rule checks it as the field's own value would be.
    for (const NamedField& field : namedFields())
        if (!field.seven && (fieldKey(field, 4) == edit.key || fieldKey(field, 3) == edit.key))
            if (std::optional<std::string> refusal = refusedFieldText(field, text))
                return refusal;
    return refusedEdit(edit);
}

FieldEdit frameRemoval(const std::string& key)
{
    FieldEdit edit;
    std::ignore = parseFrameKey(key, edit.key);
    return edit;
}

void addFrameEdit(std::vector<FieldEdit>& edits, FieldEdit edit)
{
    edits.erase(std::remove_if(edits.begin(), edits.end(), [&](const FieldEdit& e) { return e.key == edit.key; }),
                edits.end());
    edits.push_back(std::move(edit));
}
