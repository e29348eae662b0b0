// The "ID3 Tags" tab as plain data: what its fields show of the selected files.
#include "tag_view.h"

#include "features/show/show_files.h"
#include "tags/file/tag_file.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

namespace {

std::vector<Utf8Text> moreTexts(Tid3v2tag& tag)
{
    std::vector<Utf8Text> texts;
    for (const NamedField* field : moreFields())
        texts.push_back(joinedValues(readField(tag, *field)));
    return texts;
}

// Notes where `file` differs from the first file's view.
void compareWith(const FileView& first, const FileView& file, SelectionDiffers& differs)
{
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        differs.v1[i] = differs.v1[i] || first.v1.texts[i] != file.v1.texts[i];
        differs.v2[i] = differs.v2[i] || first.v2.texts[i] != file.v2.texts[i] ||
                        first.v2.undecodable[i] != file.v2.undecodable[i];
    }
    differs.genre = differs.genre || first.v1.genreIndex != file.v1.genreIndex;
    for (std::size_t i = 0; i < differs.more.size(); ++i)
        differs.more[i] = differs.more[i] || first.v2.more[i] != file.v2.more[i];
}

// The fields the files do not share show nothing.
void emptyDiffering(const SelectionDiffers& differs, FileView& view)
{
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (differs.v1[i])
            view.v1.texts[i].clear();
        if (differs.v2[i]) {
            view.v2.texts[i].clear();
            view.v2.undecodable[i] = false;
        }
    }
    if (differs.genre)
        view.v1.genreIndex = 0;
    for (std::size_t i = 0; i < differs.more.size(); ++i)
        if (differs.more[i])
            view.v2.more[i].clear();
}

} // namespace

const std::vector<const NamedField*>& moreFields()
{
    static const std::vector<const NamedField*> fields = [] {
        std::vector<const NamedField*> more;
        for (const NamedField& field : namedFields())
            if (!field.seven)
                more.push_back(&field);
        return more;
    }();
    return fields;
}

FileView readFileView(const std::string& path, Tid3tag& v1, Tid3v2tag& v2, bool withFrames)
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
    TagRead v2Read = readV2Fields(file, v2);
    if (v2.Damaged())
        v2Read.fields = v2FieldTexts(v2, &v2Read.undecodable);
    view.v2 = {!failed(v2Read.result) || v2.Damaged(), v2Read.fields, v2Read.undecodable,
               unreadable(v2Read.result) ? errorText(v2Read.result, v2.ErrorDetail()) : std::string(), {}, {}, {}};
    if (v2.Damaged())
        view.v2.damagedFrames = v2.FrameIndex().Count();
    view.v2.more.resize(moreFields().size());
    if (withFrames)
        view.audio = file.audioProperties();
    if (!view.v2.shown)
        return view;
    view.picture = pictureViewOf(v2);
    view.v2.more = moreTexts(v2);
    if (withFrames)
        view.v2.frames = frameRows(v2);
    return view;
}

SelectionView readSelectionView(const std::vector<std::string>& paths, Tid3tag& v1, Tid3v2tag& v2,
                                Progress& progress)
{
    SelectionView selection;
    selection.differs.more.assign(moreFields().size(), false);
    if (paths.empty())
        return selection;
    const bool one = paths.size() == 1;
    progress.begin(paths.size());
    progress.advance(0, paths.front());
    selection.view = readFileView(paths.front(), v1, v2, one);
    if (one)
        return selection;
    // Several files: what one of them failed to show is not said for all.
    selection.view.v2.failure.clear();
    selection.view.v2.damagedFrames.reset();
    // The picture box is answered from the same reads.
    PictureView picture = selection.view.picture;
    for (std::size_t i = 1; i < paths.size(); ++i) {
        if (progress.cancelled())
            break;
        progress.advance(i, paths[i]);
        const FileView view = readFileView(paths[i], v1, v2, false);
        compareWith(selection.view, view, selection.differs);
        joinPictureViews(picture, view.picture);
    }
    selection.view.picture = std::move(picture);
    emptyDiffering(selection.differs, selection.view);
    return selection;
}
