// Writes chosen tag fields into one or many files, as the "ID3 Tags" tab's save button does.
#pragma once

#include "features/common/dialogs.h"
#include "features/common/progress.h"
#include "features/common/named_fields.h"
#include "features/common/tag_fields.h"
#include "features/tagedit/pictures.h"
#include "features/tagedit/strip_tags.h"
#include "tags/core/tag_result.h"

#include <cstddef>
#include <array>
#include <functional>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class Tid3tag;
class Tid3v2tag;

// One field of the form: whether its "Enable Save" box is checked, and its text.
struct SaveField {
    bool enabled = false;
    Utf8Text text;
};

// The seven fields of one tag, by field.
struct SaveFields {
    std::array<SaveField, kFieldCount> byField;
    SaveField& operator[](TagField f) { return byField[fieldIndex(f)]; }
    const SaveField& operator[](TagField f) const { return byField[fieldIndex(f)]; }
};

// The genre slot is unused: an ID3v1 tag takes its genre from the list.
struct V1SaveFields : SaveFields {
    bool genreEnabled = false;
    int genreIndex = -1; // the GenreList entry selected in the genre box; -1 when none is
};

struct V2SaveFields : SaveFields {
    PictureChange picture;
    std::vector<FieldEdit> edits; // beyond the seven, made after them in order
};

// The fields of both tags for one file of a batch whose files each get their own.
struct FileSaveFields {
    V1SaveFields v1;
    V2SaveFields v2;
};

// One file's tags as loaded for an adjustment, which marks the tags it changed and says how.
struct TagAdjustment {
    Tid3tag& v1;
    bool hasV1;
    Tid3v2tag& v2;
    bool hasV2; // loaded without error
    bool writeV1 = false, writeV2 = false;
    std::vector<std::string> changes;
};

struct BatchSaveRequest {
    bool saveV1 = true; // "Enable Save (ID3 version 1)"
    bool saveV2 = true; // "Enable Save (ID3 version 2)"
    V1SaveFields v1;
    V2SaveFields v2;
    std::vector<std::string> files; // full paths, in the order of the file list
    std::vector<FileSaveFields> perFile; // when not empty, one per file, used in place of v1 and v2
    // Keep what the save replaces in the undo journal first; a journal that cannot be
    // written stops the save before any file is touched.
    bool recordForUndo = false;
    // Save a file with no tag whose first bytes are not MPEG audio (varnoli-cli set --force).
    bool saveNonAudio = false;
    // varnoli-cli's lines: a failure names its tag and the system's reason, and a file that
    // cannot be opened is one line. The window keeps its own texts.
    bool explainFailures = false;
    // Takes out what it names instead of saving fields; saveV1 and saveV2 name the tags it touches.
    std::optional<StripRequest> strip;
    // Converts each ID3v2 tag to this version (3 or 4) instead of saving fields.
    std::optional<uint8_t> convertTo;
    // Writes each damaged ID3v2 tag anew from the frames that could be read, instead of
    // saving fields; a tag claiming more bytes than the file holds is no refusal then.
    bool repairDamaged = false;
    // Changes each file's loaded tags itself instead of saving fields (check --fix).
    std::function<void(std::size_t index, TagAdjustment& tags)> adjust;
};

// What one tag's save came to: the writer's result, or nothing when no write was tried.
struct TagSaveStep {
    std::optional<TagResult> result;
    bool stopWalk = false; // the track text is not an integer: no further tag is written
    FieldFlags lostCharacters{}; // ID3v1 fields written with "?" for characters it cannot hold
    std::vector<std::string> droppedFrames; // version 2.2 frames the saved version 2.3 tag has no place for
};

struct FileSaveOutcome {
    std::string path;
    TagSaveStep v1, v2;
    bool reached = false; // a strip or conversion had the file open for saving
    std::vector<std::string> changes{}; // what a strip removed or a conversion changed, as phrases
};

struct BatchSaveOutcome {
    std::vector<FileSaveOutcome> files; // every file visited, in order
    bool stopped = false;
    bool cancelled = false; // stopped between files when asked; the files before were saved
    bool failures = false; // at least one message was reported
};

// The question asked before a save of `fileCount` files.
std::string saveConfirmationText(std::size_t fileCount);

// Decimal digits with an optional sign, within 32 bits; empty for anything else.
std::optional<int32_t> parseInteger(const std::string& text);
std::string invalidIntegerText(const std::string& text);
// An ID3v1 track as the window and varnoli-cli take it: an integer, or "3/12" for track 3 of 12.
std::optional<int32_t> parseTrack(const std::string& text);

// The most characters an ID3v1 year holds.
constexpr std::size_t kYearSize = 4;
// Why the request's values cannot be saved into any file (an ID3v1 year longer than the tag
// holds, a track that is no number, an edit refusedEdit refuses), found before a file is
// touched; nothing when they can.
std::optional<std::string> refusedValue(const BatchSaveRequest& request);

// One line per file and ID3v1 field saved with "?" for characters it cannot hold, in order.
std::vector<std::string> lostCharacterTexts(const BatchSaveOutcome& outcome);

// One line per file whose version 2.2 tag was saved without frames version 2.3 cannot hold.
std::vector<std::string> droppedFrameTexts(const BatchSaveOutcome& outcome);

// Visits the files in order: each file's tags are loaded, the enabled fields applied, and both
// saved together, both or neither. A file whose name does not end in ".mp3" is refused by name
// and left alone. Each file is opened and locked once for both tags; one that another program
// keeps locked is refused for both with one message.
// Failures go to `dialogs` as the tab shows them; `progress` hears of each file as it starts.
BatchSaveOutcome runBatchSave(const BatchSaveRequest& request, Tid3tag& v1, Tid3v2tag& v2, Dialogs& dialogs,
                              Progress& progress = noProgress());
