// The "ID3 Tags" tab as plain data: what its fields show of a file, and what its save writes.
#pragma once

#include "features/common/tag_fields.h"
#include "features/tagedit/batch_save.h"
#include "features/tagedit/pictures.h"

#include <array>
#include <string>
#include <vector>

class Tid3tag;
class Tid3v2tag;

// One group of the tab: its master box, its per-field boxes and its fields.
struct ViewGroup {
    bool master = true;
    std::array<bool, kFieldCount> checked{};
    FieldTexts texts; // as the fields hold them; the ID3v1 genre slot is unused
};

struct TagViewState {
    ViewGroup v1, v2;
    int genreIndex = 0; // the GenreList entry selected in the ID3v1 genre box, -1 for none
};

// What the ID3v1 group shows of a file: `shown` is false when the load failed, and the
// whole view is then emptied. The genre as a GenreList entry.
struct V1View {
    bool shown = false;
    FieldTexts texts;
    int genreIndex = 0;
};
// What the ID3v2 group shows: empty texts when the load failed or a frame is absent;
// `undecodable` marks a frame whose text could not be read.
struct V2View {
    bool shown = false;
    FieldTexts texts;
    FieldFlags undecodable{};
    std::string failure; // why a tag that is there could not be read, in words; empty otherwise
};

// Everything the tab shows of one file, from one open of it and one load of each tag.
// Failures the loads do not turn into a result word pass through.
struct FileView {
    V1View v1;
    V2View v2;
    PictureView picture;
};
FileView readFileView(const std::string& path, Tid3tag& v1, Tid3v2tag& v2);

// What the view held when it last showed one file, so that a save of that file writes
// only the fields the person changed: a frame the view cannot show whole (a second value,
// text that cannot be decoded) then stays as it was.
struct ShownFile {
    std::string path; // empty when the view shows no single file
    TagViewState state;
};

// The save of `files` (full paths in list order) from the controls. With one file that is
// `shown`'s, a checked field still holding the text it was shown with is left out.
BatchSaveRequest buildSaveRequest(const TagViewState& now, const ShownFile& shown,
                                  const std::vector<std::string>& files);

// After the save of `shown`'s file, the fields that reached the disk become the new
// comparison point, so editing one back to its old text is a change again.
void noteSaved(ShownFile& shown, const TagViewState& now, const BatchSaveRequest& request,
               const BatchSaveOutcome& outcome);
