// The save of the "ID3 Tags" tab: per file, the enabled fields into its ID3v1 and ID3v2 tags.
#include "batch_save.h"

#include "features/common/text.h"
#include "features/encoding/eight_bit_text.h"
#include "features/tagedit/convert_version.h"
#include "features/tagedit/damaged_tag.h"
#include "features/tagedit/save_checks.h"
#include "features/undo/save_recording.h"
#include "features/undo/undo.h"
#include "platform/file_system.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"
#include "tags/core/io_result.h"
#include "tags/file/move_record.h"
#include "tags/file/tag_file.h"

#include <exception>
#include <limits>
#include <tuple>
#include <utility>

namespace {

std::string unexpectedFailureText(const std::string& path, const std::exception& e)
{
    return "'" + path + "' could not be saved: " + e.what() + "; neither of its tags was changed.";
}

// The design's words stay first, for scripts that look for them; what the number means follows.
std::string couldNotSaveText(TagResult result, const std::string& meaning)
{
    return "Error #" + std::to_string(result) + "! Could not save Tag! (" + meaning + ")";
}

// The window's text, or with `explain` the same after the tag's name and with the system's reason.
std::string saveFailureText(const char* tags, TagResult result, const std::string& reason, bool explain,
                            const std::string& detail = {})
{
    std::string meaning = detail.empty() ? resultText(result) : detail;
    if (!explain)
        return couldNotSaveText(result, meaning);
    if (!reason.empty())
        meaning += ": " + reason;
    return std::string(tags) + ": " + couldNotSaveText(result, meaning);
}

std::string lockedText(const std::string& path)
{
    return "'" + path + "' is being written by another program; neither of its tags was saved.";
}

// Counts what passes through, so the walk can tell whether anything went wrong.
class CountingDialogs : public Dialogs {
public:
    explicit CountingDialogs(Dialogs& inner) : m_inner(inner) {}
    void message(const std::string& text) override { ++reported, m_inner.message(text); }
    void info(const std::string& text) override { m_inner.info(text); }
    void error(const std::string& text) override { ++reported, m_inner.error(text); }
    Answer confirm(const std::string& text) override { return m_inner.confirm(text); }
    int reported = 0;

private:
    Dialogs& m_inner;
};

// Applies the enabled ID3v1 fields, noting those that lost characters; false when the
// track text is not an integer.
bool applyV1Fields(const V1SaveFields& fields, Tid3tag& tag, Dialogs& dialogs, FieldFlags& lost)
{
    // The track first: whether the tag has one decides the comment's width.
    const SaveField& trackField = fields[TagField::Track];
    if (trackField.enabled && !trackField.text.empty()) {
        const std::optional<int32_t> track = parseTrack(trackField.text);
        if (!track) {
            dialogs.error(invalidIntegerText(trackField.text));
            return false;
        }
        // Only the low byte fits: 256 becomes 0 (no track), -1 becomes 255.
        tag.SetTrack(static_cast<uint8_t>(static_cast<uint32_t>(*track) & 0xFF));
    }
    for (TagField field : {TagField::Title, TagField::Artist, TagField::Album, TagField::Year, TagField::Comment})
        if (fields[field].enabled)
            lost[fieldIndex(field)] = !setV1FieldText(tag, field, fields[field].text);
    if (fields.genreEnabled) {
        const bool listed = fields.genreIndex > 0 && fields.genreIndex < static_cast<int>(kGenreCount);
        tag.Genre = listed ? IndexToGenre(static_cast<uint8_t>(fields.genreIndex)) : 255;
    }
    return true;
}

void applyV2Fields(const V2SaveFields& fields, Tid3v2tag& tag)
{
    for (TagField f : kAllFields)
        if (fields[f].enabled)
            setV2FieldText(tag, f, fields[f].text);
    for (const FieldEdit& edit : fields.edits)
        applyEdit(tag, edit);
    applyPictureChange(fields.picture, tag);
}

bool anyV1Field(const V1SaveFields& fields)
{
    for (TagField f : kAllFields)
        if (f != TagField::Genre && fields[f].enabled)
            return true;
    return fields.genreEnabled;
}

bool wrote(const TagSaveStep& step)
{
    return step.result && !failed(*step.result);
}

// A read or write failure part way through leaves the file as far as the save had come.
bool broke(const std::optional<TagResult>& result)
{
    return result && (*result == kErrRead || *result == kErrWrite || *result == kErrIo);
}

const char* tagsNamed(const BatchSaveRequest& request)
{
    return !request.saveV2 ? "ID3v1 tag" : !request.saveV1 ? "ID3v2 tag" : "ID3v1 and ID3v2 tags";
}

enum class KeptBoth { V1Failed, V1PutBack, V1Withheld };

std::string keptBothText(const std::string& path, KeptBoth why)
{
    return "'" + path + "' keeps both its old tags: " +
           (why == KeptBoth::V1Failed    ? "its ID3v2 tag was not saved, since its ID3v1 tag could not be."
            : why == KeptBoth::V1PutBack ? "its ID3v1 record was put back, since its ID3v2 tag could not be saved."
                                         : "its ID3v1 tag was not saved, since its ID3v2 tag could not be.");
}

std::string onlyV1SavedText(const std::string& path)
{
    return "'" + path + "': its ID3v1 tag was saved, but its ID3v2 tag could not be and the old ID3v1 record "
                        "could not be put back.";
}

std::string journalStoppedText(const std::string& why, const std::string& path)
{
    return journalUnwritableText(why) + ": the save stopped before '" + path +
           "'; the files saved before it can be undone.";
}

// The ID3v2 fields of the request and of each of its files.
std::vector<const V2SaveFields*> v2FieldsOf(const BatchSaveRequest& request)
{
    std::vector<const V2SaveFields*> all{&request.v2};
    for (const FileSaveFields& file : request.perFile)
        all.push_back(&file.v2);
    return all;
}

} // namespace

std::string saveConfirmationText(std::size_t fileCount)
{
    return "Do you wish to modify the selected " + std::to_string(fileCount) + " file(s)?";
}

std::optional<int32_t> parseInteger(const std::string& text)
{
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        i = 1;
    if (i == text.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return std::nullopt;
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(value);
}

std::string invalidIntegerText(const std::string& text)
{
    return "'" + text + "' is not a valid integer value";
}

std::optional<int32_t> parseTrack(const std::string& text)
{
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos)
        return parseInteger(text);
    const std::optional<int32_t> total = parseInteger(text.substr(slash + 1));
    return total && *total >= 0 ? parseInteger(text.substr(0, slash)) : std::nullopt;
}

std::optional<std::string> refusedValue(const BatchSaveRequest& request)
{
    for (const V2SaveFields* fields : v2FieldsOf(request))
        for (const FieldEdit& edit : fields->edits)
            if (std::optional<std::string> refusal = refusedEdit(edit))
                return refusal;
    if (!request.saveV1)
        return std::nullopt;
    const SaveField& year = request.v1[TagField::Year];
    if (year.enabled && utf8Length(year.text) > kYearSize)
        return "The year '" + year.text + "' has more than " + std::to_string(kYearSize) +
               " characters, which the ID3v1 tag cannot hold: no file was saved.";
    const SaveField& track = request.v1[TagField::Track];
    if (track.enabled && !track.text.empty() && !parseTrack(track.text))
        return invalidIntegerText(track.text);
    return std::nullopt;
}

std::vector<std::string> lostCharacterTexts(const BatchSaveOutcome& outcome)
{
    std::vector<std::string> texts;
    for (const FileSaveOutcome& file : outcome.files) {
        if (!wrote(file.v1))
            continue;
        for (TagField f : kAllFields)
            if (file.v1.lostCharacters[fieldIndex(f)])
                texts.push_back("'" + file.path + "': the ID3v1 " + fieldName(f) +
                                " field holds " + (eightBitCodePage().empty() ? "ISO-8859-1" : eightBitCodePage()) +
                                " only; characters beyond it were saved as \"?\".");
    }
    return texts;
}

std::vector<std::string> droppedFrameTexts(const BatchSaveOutcome& outcome)
{
    std::vector<std::string> texts;
    for (const FileSaveOutcome& file : outcome.files) {
        if (!wrote(file.v2) || file.v2.droppedFrames.empty())
            continue;
        std::string ids;
        for (const std::string& id : file.v2.droppedFrames)
            ids += (ids.empty() ? "" : ", ") + id;
        texts.push_back("'" + file.path + "': its ID3v2.2 tag was saved as version 2.3 without the frames " + ids +
                        ", which version 2.3 has no place for; undoing the save brings them back.");
    }
    return texts;
}


namespace {

// What the walk shares across its files.
struct Walk {
    const BatchSaveRequest& request;
    Tid3tag& v1;
    Tid3v2tag& v2;
    CountingDialogs& dialogs;
    SaveRecording* recording;
    std::string why;
    bool stopped = false, journalStopped = false;
};

// Loads the ID3v1 tag and applies the fields; false when there is nothing to write (no record
// and no field asked for) or the track is no number (`stopWalk`).
bool prepareV1(TagFile& file, const V1SaveFields& fields, Walk& w, TagSaveStep& step)
{
    const TagResult loaded = file.loadV1(w.v1);
    // Nothing to write into a file without a record: adding an empty one is not asked for.
    if (failed(loaded) && !anyV1Field(fields))
        return false;
    if (failed(loaded))
        w.v1.Clear();
    step.stopWalk = !applyV1Fields(fields, w.v1, w.dialogs, step.lostCharacters);
    return !step.stopWalk;
}

// Start each file from a fresh tag: a load that finds no tag leaves the object as the
// previous file had it, and that file's version or broken load must not carry over.
void prepareV2(TagFile& file, const V2SaveFields& fields, Tid3v2tag& tag, TagSaveStep& step)
{
    tag.Reset();
    if (failed(file.loadV2(tag)))
        tag.FrameIndex().Clear();
    else
        step.droppedFrames = tag.DroppedFrames();
    applyV2Fields(fields, tag);
}

// The messages for one file's save, in the order the tags were written.
void tellOutcome(const Walk& w, const std::string& path, const SaveReport& report)
{
    const bool explain = w.request.explainFailures;
    if (report.v1 && failed(*report.v1) && !report.v1PutBack && !report.v1Withheld)
        w.dialogs.message(saveFailureText("ID3v1 tag", *report.v1, w.v1.FailureReason(), explain));
    if (w.request.saveV2 && !report.v2 && broke(report.v1))
        w.dialogs.message(keptBothText(path, KeptBoth::V1Failed));
    if (report.v2 && failed(*report.v2))
        w.dialogs.message(
            saveFailureText("ID3v2 tag", *report.v2, w.v2.FailureReason(), explain, w.v2.ErrorDetail()));
    if (report.v1PutBack)
        w.dialogs.message(keptBothText(path, KeptBoth::V1PutBack));
    else if (report.v1Withheld)
        w.dialogs.message(keptBothText(path, KeptBoth::V1Withheld));
    else if (report.v1LeftAlone)
        w.dialogs.message(onlyV1SavedText(path));
}

void settleFile(TagFile& file, std::size_t index, Walk& w, FileSaveOutcome& out, const SaveReport& report)
{
    out.v1.result = report.v1;
    out.v2.result = report.v2;
    tellOutcome(w, out.path, report);
    if (w.recording)
        w.recording->afterFile(index, file, report);
}

// Loads both tags for the request's own adjustment and saves those it changed.
void adjustThrough(TagFile& file, std::size_t index, Walk& w, FileSaveOutcome& out)
{
    out.reached = true;
    const bool hasV1 = !failed(file.loadV1(w.v1));
    if (!hasV1)
        w.v1.Clear();
    w.v2.Reset();
    const bool hasV2 = !failed(file.loadV2(w.v2));
    TagAdjustment tags{w.v1, hasV1, w.v2, hasV2, false, false, {}};
    w.request.adjust(index, tags);
    out.changes = std::move(tags.changes);
    if (!tags.writeV1 && !(tags.writeV2 && hasV2)) {
        settleFile(file, index, w, out, SaveReport());
        return;
    }
    settleFile(file, index, w, out,
               file.save(tags.writeV1 ? &w.v1 : nullptr, tags.writeV2 && hasV2 ? &w.v2 : nullptr, w.recording));
}

// Loads, edits and saves both tags of a file opened for saving.
void saveThrough(TagFile& file, std::size_t index, Walk& w, FileSaveOutcome& out)
{
    const BatchSaveRequest& request = w.request;
    if (request.strip) {
        out.reached = true;
        settleFile(file, index, w, out, stripFile(file, *request.strip, w.v1, w.v2, w.recording, out.changes));
        return;
    }
    if (request.repairDamaged) {
        out.reached = true;
        const SaveReport repaired = repairOpenFile(file, w.v2, w.recording, out.changes);
        // A sound tag is left to the batch's other changes, when it has some.
        if (!out.changes.empty() || repaired.v2 || !request.adjust) {
            settleFile(file, index, w, out, repaired);
            return;
        }
    }
    if (request.adjust) {
        adjustThrough(file, index, w, out);
        return;
    }
    const bool own = index < request.perFile.size();
    bool writeV1 = false;
    if (request.saveV1) {
        writeV1 = prepareV1(file, own ? request.perFile[index].v1 : request.v1, w, out.v1);
        if (out.v1.stopWalk)
            return;
    }
    if (request.saveV2)
        prepareV2(file, own ? request.perFile[index].v2 : request.v2, w.v2, out.v2);
    if (request.convertTo) {
        out.reached = true;
        // A tag that could not be read is refused, never taken for one with nothing to convert.
        if (failed(w.v2.LoadResult) && w.v2.LoadResult != kErrNoTag) {
            SaveReport refused;
            refused.v2 = w.v2.LoadResult;
            settleFile(file, index, w, out, refused);
            return;
        }
        out.changes = convertTagVersion(w.v2, *request.convertTo);
        if (out.changes.empty()) {
            settleFile(file, index, w, out, SaveReport());
            return;
        }
    }
    if (!writeV1 && !request.saveV2)
        return;
    settleFile(file, index, w, out, file.save(writeV1 ? &w.v1 : nullptr, request.saveV2 ? &w.v2 : nullptr, w.recording));
}

// A file that cannot be had for writing: its loads and both saves say why, as each tag's own
// save by name would.
void saveRefused(const SaveRefusal& refused, std::size_t index, Walk& w, FileSaveOutcome& out)
{
    const BatchSaveRequest& request = w.request;
    if (refused.locked) {
        w.dialogs.message(lockedText(out.path));
        return;
    }
    if (request.explainFailures && refused.result == kErrOpen &&
        platform::saveTarget(out.path) == platform::SaveTarget::Missing) {
        w.dialogs.message(saveFailureText(tagsNamed(request), kErrOpen, refused.reason, true));
        return;
    }
    if (request.strip || request.repairDamaged) {
        return;
    }
    if (request.strip || request.adjust) {
        w.dialogs.message(saveFailureText(tagsNamed(request), refused.result, refused.reason, request.explainFailures));
        return;
    }
    TagFile file = TagFile::openForReading(out.path);
    const bool own = index < request.perFile.size();
    SaveReport report;
    if (request.saveV1 && prepareV1(file, own ? request.perFile[index].v1 : request.v1, w, out.v1))
        report.v1 = refused.result;
    if (out.v1.stopWalk)
        return;
    if (request.saveV2 && !broke(report.v1)) {
        prepareV2(file, own ? request.perFile[index].v2 : request.v2, w.v2, out.v2);
        report.v2 = failed(w.v2.LoadResult) ? kErrCorrupt : refused.result;
    }
    out.v1.result = report.v1;
    out.v2.result = report.v2;
    const bool explain = request.explainFailures;
    if (report.v1)
        w.dialogs.message(saveFailureText("ID3v1 tag", *report.v1, refused.reason, explain));
    if (request.saveV2 && !report.v2 && broke(report.v1))
        w.dialogs.message(keptBothText(out.path, KeptBoth::V1Failed));
    if (report.v2)
        w.dialogs.message(saveFailureText("ID3v2 tag", *report.v2,
                                          *report.v2 == refused.result ? refused.reason : std::string(), explain));
}

// One file of the walk; false when the walk stops there.
bool saveFile(std::size_t index, Walk& w, FileSaveOutcome& out)
{
    const std::string& path = out.path;
    const BatchSaveRequest& request = w.request;
    if (!isMp3Name(path)) {
        w.dialogs.error(notMp3Text(path));
        return true;
    }
    // One open held across both tags, loads included, so that no other program's save of
    // the file comes between them or the record taken for undo.
    SaveRefusal refused;
    std::optional<TagFile> file = TagFile::openForSaving(path, refused);
    if (!file) {
        saveRefused(refused, index, w, out);
        return !out.v1.stopWalk;
    }
    if (const std::optional<SaveCheck> refusal =
            checkBeforeSave(*file, path, request.saveV2 && !request.repairDamaged, request.saveNonAudio, request.explainFailures)) {
        w.dialogs.message(refusal->readFailed
                              ? saveFailureText(tagsNamed(request), kErrRead, refusal->text, request.explainFailures)
                              : refusal->text);
        return true;
    }
    const SaveRecording::Before kept =
        w.recording ? w.recording->beforeFile(index, *file, w.why) : SaveRecording::Before::Kept;
    if (kept == SaveRecording::Before::FileUnreadable) {
        w.dialogs.message(saveFailureText(tagsNamed(request), kErrRead, w.why, request.explainFailures));
        return true;
    }
    if (kept == SaveRecording::Before::JournalRefused) {
        w.dialogs.error(journalStoppedText(w.why, path));
        w.journalStopped = true;
        return false;
    }
    try {
        saveThrough(*file, index, w, out);
    } catch (const std::exception& e) {
        w.dialogs.error(unexpectedFailureText(path, e));
    }
    if (w.recording && w.recording->refusedHeadChange()) {
        w.dialogs.error(journalStoppedText(*w.recording->refusedHeadChange(), path));
        w.journalStopped = true;
        return false;
    }
    return !out.v1.stopWalk;
}

// The journal entry of the save, opened before any file is touched; false when it cannot be.
bool startRecording(const BatchSaveRequest& request, const JournalStore& journal,
                    std::optional<SaveRecording>& recording, Dialogs& dialogs)
{
    if (!request.recordForUndo || request.files.empty())
        return true;
    std::string why;
    recording = SaveRecording::start(journal, request.files, request.saveV1, request.saveV2, why);
    if (!recording)
        dialogs.error(journalUnwritableText(why) + ": nothing was saved.");
    return recording.has_value();
}

} // namespace

BatchSaveOutcome runBatchSave(const BatchSaveRequest& request, Tid3tag& v1, Tid3v2tag& v2, Dialogs& dialogs,
                              Progress& progress)
{
    CountingDialogs counting(dialogs);
    BatchSaveOutcome outcome;
    const JournalStore journal(undoJournalFolder());
    std::optional<SaveRecording> recording;
    const std::optional<std::string> refusal = refusedValue(request);
    if (refusal)
        counting.error(*refusal);
    if (refusal || !startRecording(request, journal, recording, counting)) {
        outcome.stopped = outcome.failures = true;
        return outcome;
    }
    Walk walk{request, v1, v2, counting, recording ? &*recording : nullptr, {}};
    progress.begin(request.files.size());
    for (const std::string& path : request.files) {
        const std::size_t index = outcome.files.size();
        if (progress.cancelled()) {
            outcome.stopped = outcome.cancelled = true;
            break;
        }
        progress.advance(index, path);
        FileSaveOutcome& file = outcome.files.emplace_back();
        file.path = path;
        if (!saveFile(index, walk, file)) {
            outcome.stopped = true;
            break;
        }
    }
    // After a journal failure already told, the entry stays as that of an interrupted save.
    if (recording && !recording->finish(walk.why) && !walk.journalStopped)
        counting.error(journalUnwritableText(walk.why) + ": the save is done, but its undo may be incomplete.");
    progress.advance(outcome.files.size(), std::string());
    progress.end();
    outcome.failures = counting.reported > 0;
    return outcome;
}
