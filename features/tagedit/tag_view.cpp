// The "ID3 Tags" tab as plain data: what its fields show of a file, and what its save writes.
#include "tag_view.h"

#include "features/common/text.h"
#include "tags/id3.h"
#include "tags/id3v2.h"

namespace {

// The request's slot of a field; the ID3v1 genre has none, being a list entry.
template <typename Fields>
auto v1Slot(Fields& fields, TagField f) -> decltype(&fields.title)
{
    switch (f) {
    case TagField::Artist: return &fields.artist;
    case TagField::Title: return &fields.title;
    case TagField::Album: return &fields.album;
    case TagField::Year: return &fields.year;
    case TagField::Genre: return nullptr;
    case TagField::Comment: return &fields.comment;
    case TagField::Track: return &fields.track;
    }
    return nullptr;
}

template <typename Fields>
auto v2Slot(Fields& fields, TagField f) -> decltype((fields.title))
{
    switch (f) {
    case TagField::Artist: return fields.artist;
    case TagField::Title: return fields.title;
    case TagField::Album: return fields.album;
    case TagField::Year: return fields.year;
    case TagField::Genre: return fields.genre;
    case TagField::Comment: return fields.comment;
    case TagField::Track: break;
    }
    return fields.track;
}

// The first character of UTF-8 text that lies above U+00FF, as UTF-8; empty when none does.
std::string firstBeyondLatin1(const std::string& utf8)
{
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0xC4)
            continue;
        std::size_t end = i + 1;
        while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
            ++end;
        return utf8.substr(i, end - i);
    }
    return {};
}

std::string refusalText(TagField f, const char* group, const std::string& text)
{
    std::string shown = firstBeyondLatin1(text);
    if (shown.empty())
        shown = "?";
    return std::string("The ") + fieldName(f) + " field of " + group + " holds \"" + shown +
           "\", a character a tag cannot hold: tag texts are Latin-1 only. Nothing was saved.";
}

// Fills one tag's fields of the request; false, with `refusal` set, when a field to be
// written cannot be stored.
bool fillGroup(const ViewGroup& now, const ViewGroup* shown, const char* group, bool v1, BatchSaveRequest& out,
               std::string& refusal)
{
    for (TagField f : kAllFields) {
        const std::size_t i = fieldIndex(f);
        if (v1 && f == TagField::Genre)
            continue;
        if (!now.checked[i] || (shown && now.texts[i] == shown->texts[i]))
            continue;
        SaveField& slot = v1 ? *v1Slot(out.v1, f) : v2Slot(out.v2, f);
        if (!latin1FromUtf8(now.texts[i], slot.text)) {
            refusal = refusalText(f, group, now.texts[i]);
            return false;
        }
        slot.enabled = true;
    }
    return true;
}

} // namespace

V1View readV1View(const std::string& path, Tid3tag& tag)
{
    V1View view;
    const TagRead read = readV1Fields(path, tag);
    view.shown = !failed(read.result);
    if (view.shown) {
        view.texts = read.fields;
        view.genreIndex = GenreToIndex(tag.Genre);
    }
    return view;
}

V2View readV2View(const std::string& path, Tid3v2tag& tag)
{
    const TagRead read = readV2Fields(path, tag);
    return {!failed(read.result), read.fields};
}

SaveRequestBuild buildSaveRequest(const TagViewState& now, const ShownFile& shown,
                                  const std::vector<std::string>& files)
{
    SaveRequestBuild build;
    BatchSaveRequest& request = build.request;
    request.files = files;
    request.saveV1 = now.v1.master;
    request.saveV2 = now.v2.master;
    const bool sameFile = files.size() == 1 && !shown.path.empty() && shown.path == files.front();
    const TagViewState* before = sameFile ? &shown.state : nullptr;

    if (request.saveV1) {
        if (!fillGroup(now.v1, before ? &before->v1 : nullptr, "ID3 version 1", true, request, build.refusal))
            return build;
        const std::size_t genre = fieldIndex(TagField::Genre);
        request.v1.genreEnabled = now.v1.checked[genre] && !(before && before->genreIndex == now.genreIndex);
        request.v1.genreIndex = now.genreIndex;
    }
    if (request.saveV2)
        fillGroup(now.v2, before ? &before->v2 : nullptr, "ID3 version 2", false, request, build.refusal);
    return build;
}

void noteSaved(ShownFile& shown, const TagViewState& now, const BatchSaveRequest& request,
               const BatchSaveOutcome& outcome)
{
    if (outcome.files.size() != 1 || outcome.files.front().path != shown.path)
        return;
    const FileSaveOutcome& file = outcome.files.front();
    const auto saved = [](const TagSaveStep& step) { return step.result && !failed(*step.result); };
    if (saved(file.v1)) {
        for (TagField f : kAllFields)
            if (const SaveField* slot = v1Slot(request.v1, f); slot && slot->enabled)
                shown.state.v1.texts[fieldIndex(f)] = now.v1.texts[fieldIndex(f)];
        if (request.v1.genreEnabled)
            shown.state.genreIndex = now.genreIndex;
    }
    if (saved(file.v2)) {
        for (TagField f : kAllFields)
            if (v2Slot(request.v2, f).enabled)
                shown.state.v2.texts[fieldIndex(f)] = now.v2.texts[fieldIndex(f)];
    }
}
