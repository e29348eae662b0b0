// The "ID3 Tags" tab as plain data: what its fields show of a file, and what its save writes.
#include "tag_view.h"

#include "features/show/show_files.h"
#include "tags/file/tag_file.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

namespace {

// Fills one tag's fields of the request.
void fillGroup(const ViewGroup& now, const ViewGroup* shown, bool v1, SaveFields& out)
{
    for (TagField f : kAllFields) {
        const std::size_t i = fieldIndex(f);
        if ((v1 && f == TagField::Genre) || !now.checked[i] || (shown && now.texts[i] == shown->texts[i]))
            continue;
        out[f] = {true, now.texts[i]};
    }
}

} // namespace

FileView readFileView(const std::string& path, Tid3tag& v1, Tid3v2tag& v2)
{
    TagFile file = TagFile::openForReading(path);
    FileView view;
    const TagRead v1Read = readV1Fields(file, v1);
    view.v1.shown = !failed(v1Read.result);
    if (view.v1.shown) {
        view.v1.texts = v1Read.fields;
        view.v1.genreIndex = GenreToIndex(v1.Genre);
    }
    // A fresh tag: a load that finds none leaves the object as the previous file had it.
    v2.Reset();
    const TagRead v2Read = readV2Fields(file, v2);
    view.v2 = {!failed(v2Read.result), v2Read.fields, v2Read.undecodable,
               unreadable(v2Read.result) ? errorText(v2Read.result, v2.ErrorDetail()) : std::string()};
    if (view.v2.shown)
        view.picture = pictureViewOf(v2);
    return view;
}

BatchSaveRequest buildSaveRequest(const TagViewState& now, const ShownFile& shown,
                                  const std::vector<std::string>& files)
{
    BatchSaveRequest request;
    request.files = files;
    request.saveV1 = now.v1.master;
    request.saveV2 = now.v2.master;
    const bool sameFile = files.size() == 1 && !shown.path.empty() && shown.path == files.front();
    const TagViewState* before = sameFile ? &shown.state : nullptr;

    if (request.saveV1) {
        fillGroup(now.v1, before ? &before->v1 : nullptr, true, request.v1);
        const std::size_t genre = fieldIndex(TagField::Genre);
        request.v1.genreEnabled = now.v1.checked[genre] && !(before && before->genreIndex == now.genreIndex);
        request.v1.genreIndex = now.genreIndex;
    }
    if (request.saveV2)
        fillGroup(now.v2, before ? &before->v2 : nullptr, false, request.v2);
    return request;
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
            if (request.v1[f].enabled)
                shown.state.v1.texts[fieldIndex(f)] = now.v1.texts[fieldIndex(f)];
        if (request.v1.genreEnabled)
            shown.state.genreIndex = now.genreIndex;
    }
    if (saved(file.v2)) {
        for (TagField f : kAllFields)
            if (request.v2[f].enabled)
                shown.state.v2.texts[fieldIndex(f)] = now.v2.texts[fieldIndex(f)];
    }
}
