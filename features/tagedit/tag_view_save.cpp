// The "ID3 Tags" tab's save as plain data: the fields the person changed, and what the
// view compares with after a save.
#include "tag_view.h"

#include <algorithm>

namespace {

// What the fields were shown with, when the save goes to the files shown.
struct Before {
    const TagViewState& state;
    const SelectionDiffers& differs;
};

// A checked field is written unless it still shows what the files hold: the text shown, or
// nothing typed into a field whose files differ. Typing there and erasing it empties them all.
bool changed(bool checked, const Utf8Text& text, bool edited, const Utf8Text* shownText, bool differs)
{
    if (!checked)
        return false;
    return !shownText || text != *shownText || (differs && edited);
}

void fillGroup(const ViewGroup& now, const ViewGroup* shown, const FieldFlags* differs, bool v1, SaveFields& out)
{
    for (TagField f : kAllFields) {
        const std::size_t i = fieldIndex(f);
        if (v1 && f == TagField::Genre)
            continue;
        if (changed(now.checked[i], now.texts[i], now.edited[i], shown ? &shown->texts[i] : nullptr,
                    differs && (*differs)[i]))
            out[f] = {true, now.texts[i]};
    }
}

void fillMore(const TagViewState& now, const Before* before, std::vector<FieldEdit>& edits)
{
    const std::vector<const NamedField*>& fields = moreFields();
    for (std::size_t i = 0; i < std::min(now.more.size(), fields.size()); ++i) {
        const ViewField& field = now.more[i];
        const bool known = before && i < before->state.more.size();
        if (changed(field.checked, field.text, field.edited, known ? &before->state.more[i].text : nullptr,
                    known && before->differs.more[i]))
            edits.push_back(FieldEdit{fields[i], {}, field.text});
    }
}

bool savedInAll(const BatchSaveOutcome& outcome, TagSaveStep FileSaveOutcome::*step)
{
    return std::all_of(outcome.files.begin(), outcome.files.end(), [step](const FileSaveOutcome& file) {
        return (file.*step).result && !failed(*(file.*step).result);
    });
}

} // namespace

BatchSaveRequest buildSaveRequest(const TagViewState& now, const ShownFiles& shown,
                                  const std::vector<std::string>& files)
{
    BatchSaveRequest request;
    request.files = files;
    request.saveV1 = now.v1.master;
    request.saveV2 = now.v2.master;
    const bool same = !files.empty() && files == shown.paths;
    const Before before{shown.state, shown.differs};
    const Before* b = same ? &before : nullptr;

    if (request.saveV1) {
        fillGroup(now.v1, b ? &b->state.v1 : nullptr, b ? &b->differs.v1 : nullptr, true, request.v1);
        const std::size_t genre = fieldIndex(TagField::Genre);
        request.v1.genreEnabled =
            now.v1.checked[genre] &&
            (!b || b->state.genreIndex != now.genreIndex || (b->differs.genre && now.genreEdited));
        request.v1.genreIndex = now.genreIndex;
    }
    if (request.saveV2) {
        fillGroup(now.v2, b ? &b->state.v2 : nullptr, b ? &b->differs.v2 : nullptr, false, request.v2);
        fillMore(now, b, request.v2.edits);
        request.v2.edits.insert(request.v2.edits.end(), now.frameEdits.begin(), now.frameEdits.end());
    }
    return request;
}

void noteSaved(ShownFiles& shown, const TagViewState& now, const BatchSaveRequest& request,
               const BatchSaveOutcome& outcome)
{
    if (shown.paths.empty() || outcome.files.size() != shown.paths.size())
        return;
    if (savedInAll(outcome, &FileSaveOutcome::v1)) {
        for (std::size_t i = 0; i < kFieldCount; ++i)
            if (request.v1[kAllFields[i]].enabled) {
                shown.state.v1.texts[i] = now.v1.texts[i];
                shown.differs.v1[i] = false;
            }
        if (request.v1.genreEnabled) {
            shown.state.genreIndex = now.genreIndex;
            shown.differs.genre = false;
        }
    }
    if (!savedInAll(outcome, &FileSaveOutcome::v2))
        return;
    for (std::size_t i = 0; i < kFieldCount; ++i)
        if (request.v2[kAllFields[i]].enabled) {
            shown.state.v2.texts[i] = now.v2.texts[i];
            shown.differs.v2[i] = false;
        }
    const std::vector<const NamedField*>& fields = moreFields();
    for (const FieldEdit& edit : request.v2.edits) {
        const auto at = std::find(fields.begin(), fields.end(), edit.field);
        const auto i = static_cast<std::size_t>(at - fields.begin());
        if (edit.field && at != fields.end() && i < shown.state.more.size() && i < shown.differs.more.size()) {
            shown.state.more[i].text = edit.text.value_or(Utf8Text());
            shown.differs.more[i] = false;
        }
    }
}
