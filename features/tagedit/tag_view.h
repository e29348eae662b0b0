// The "ID3 Tags" tab as plain data: what its fields show of a file, and what its save writes.
#pragma once

#include "features/common/progress.h"
#include "features/common/tag_fields.h"
#include "features/tagedit/batch_save.h"
#include "features/tagedit/frame_table.h"
#include "features/tagedit/pictures.h"
#include "tags/mpeg/audio_properties.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

class Tid3tag;
class Tid3v2tag;

// The named fields beyond the seven, in table order: the tab's "More fields".
const std::vector<const NamedField*>& moreFields();

// One group of the tab: its master box, its per-field boxes and its fields.
struct ViewGroup {
    bool master = true;
    std::array<bool, kFieldCount> checked{};
    FieldTexts texts; // as the fields hold them; the ID3v1 genre slot is unused
    FieldFlags edited{}; // typed into since the selection was shown
};

// A field of "More fields": its "Enable Save" box, its text, whether it was typed into.
struct ViewField {
    bool checked = false;
    Utf8Text text;
    bool edited = false;
};

struct TagViewState {
    ViewGroup v1, v2;
    int genreIndex = 0; // the GenreList entry selected in the ID3v1 genre box, -1 for none
    bool genreEdited = false;
    std::vector<ViewField> more; // one per moreFields() entry, saved with the ID3v2 group
    std::vector<FieldEdit> frameEdits; // the "All frames" table's, made after the fields
};

// What the ID3v1 group shows of a file: `shown` is false when the load failed, and the
// whole view is then emptied. The genre as a GenreList entry.
struct V1View {
    bool shown = false;
    FieldTexts texts;
    int genreIndex = 0;
};
// What the ID3v2 group shows: empty texts when the load failed or a frame is absent;
// `undecodable` marks a frame whose text could not be read. A damaged tag shows the frames
// that could be read, and says how many.
struct V2View {
    bool shown = false;
    FieldTexts texts;
    FieldFlags undecodable{};
    std::string failure; // why a tag that is there could not be read, in words; empty otherwise
    std::vector<Utf8Text> more; // one per moreFields() entry, several values joined
    std::vector<FrameRow> frames;
    std::optional<uint32_t> damagedFrames;
};

// Everything the tab shows of one file, from one open of it and one load of each tag.
// Failures the loads do not turn into a result word pass through.
struct FileView {
    V1View v1;
    V2View v2;
    PictureView picture;
    std::optional<AudioProperties> audio;
};
// The frame table and the audio's properties are read only `withFrames` (one file shown).
FileView readFileView(const std::string& path, Tid3tag& v1, Tid3v2tag& v2, bool withFrames = true);

// Which fields hold different values in the selected files; a field shows the value all
// of them share, or nothing.
struct SelectionDiffers {
    FieldFlags v1{}, v2{};
    bool genre = false;
    std::vector<bool> more;
};

// What the tab shows of the selected files, each read once: the first file's view, with
// the fields they do not share emptied; the frame table only for one file.
struct SelectionView {
    FileView view;
    SelectionDiffers differs;
};
// A cancel ends it between files, with the view of those read.
SelectionView readSelectionView(const std::vector<std::string>& paths, Tid3tag& v1, Tid3v2tag& v2,
                                Progress& progress = noProgress());

// What the view held when it last showed the selection, so that a save writes only the
// fields the person changed: a frame the view cannot show whole (a second value, text
// that cannot be decoded, values that differ between files) then stays as it was.
struct ShownFiles {
    std::vector<std::string> paths; // empty when the view shows no file
    TagViewState state;
    SelectionDiffers differs;
};

// The save of `files` (full paths in list order) from the controls. When they are those
// `shown` shows, a checked field left as it was shown is left out: one still holding the
// text shown, unless its files differ and it was typed into (and perhaps emptied).
BatchSaveRequest buildSaveRequest(const TagViewState& now, const ShownFiles& shown,
                                  const std::vector<std::string>& files);

// After the save of `shown`'s files, the fields that reached all of them become the new
// comparison point, so editing one back to its old text is a change again.
void noteSaved(ShownFiles& shown, const TagViewState& now, const BatchSaveRequest& request,
               const BatchSaveOutcome& outcome);
