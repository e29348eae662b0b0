// The save of the "ID3 Tags" tab: per file, the enabled fields into its ID3v1 and ID3v2 tags.
#include "batch_save.h"

#include "features/common/text.h"
#include "features/undo/save_recording.h"
#include "features/undo/undo.h"
#include "platform/file_system.h"
#include "tags/id3.h"
#include "tags/id3v2.h"
#include "tags/io_result.h"
#include "tags/move_record.h"
#include "tags/save_session.h"
#include "tags/tag_restore.h"

#include <exception>
#include <limits>
#include <tuple>
#include <utility>

namespace {

std::string doesNotExistText(const std::string& path)
{
    return "'" + path + "' does not exist.";
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
    using Setter = void (Tid3tag::*)(const std::string&);
    const std::pair<TagField, Setter> texts[] = {
        {TagField::Title, &Tid3tag::SetTitle}, {TagField::Artist, &Tid3tag::SetArtist},
        {TagField::Album, &Tid3tag::SetAlbum}, {TagField::Year, &Tid3tag::SetYear},
        {TagField::Comment, &Tid3tag::SetComment},
    };
    std::string latin1;
    for (const auto& [field, set] : texts) {
        if (!fields[field].enabled)
            continue;
        lost[fieldIndex(field)] = !latin1FromUtf8(fields[field].text, latin1);
        (tag.*set)(latin1);
    }
    if (fields.genreEnabled) {
        const bool listed = fields.genreIndex > 0 && fields.genreIndex < static_cast<int>(kGenreCount);
        tag.Genre = listed ? IndexToGenre(static_cast<uint8_t>(fields.genreIndex)) : 255;
    }
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
    return true;
}

void applyV2Fields(const V2SaveFields& fields, Tid3v2tag& tag)
{
    for (TagField f : kAllFields)
        if (fields[f].enabled)
            setV2FieldText(tag, f, fields[f].text);
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
bool broke(const TagSaveStep& step)
{
    return step.result && (*step.result == kErrRead || *step.result == kErrWrite || *step.result == kErrIo);
}

const char* tagsNamed(const BatchSaveRequest& request)
{
    return !request.saveV2 ? "ID3v1 tag" : !request.saveV1 ? "ID3v2 tag" : "ID3v1 and ID3v2 tags";
}

std::string claimsPastEndText(const std::string& path)
{
    return "'" + path + "' was not saved: its ID3v2 tag claims more bytes than the file holds, so a save "
                        "would take part of the audio for the tag. Neither of its tags was changed.";
}

std::string keptBothText(const std::string& path, bool v1Failed)
{
    return "'" + path + "' keeps both its old tags: " +
           (v1Failed ? "its ID3v2 tag was not saved, since its ID3v1 tag could not be."
                     : "its ID3v1 record was put back, since its ID3v2 tag could not be saved.");
}

std::string onlyV1SavedText(const std::string& path)
{
    return "'" + path + "': its ID3v1 tag was saved, but its ID3v2 tag could not be and the old ID3v1 record "
                        "could not be put back.";
}

// The end of a file before its ID3v1 save, to put back when the ID3v2 save then fails.
struct RecordBefore {
    uint64_t size = 0;
    bool had = false;
    uint8_t bytes[128] = {};
};

std::optional<RecordBefore> recordBefore(const platform::File& file)
{
    try {
        RecordBefore before;
        before.size = file.size();
        before.had = measureTailExtent(file, before.size) == sizeof before.bytes;
        if (before.had)
            file.readExactAt(before.size - sizeof before.bytes, before.bytes, sizeof before.bytes);
        return before;
    } catch (const platform::IoError&) {
        return std::nullopt;
    }
}

// False when the file is not as the ID3v1 save left it, or cannot be written.
bool putRecordBack(platform::File& file, const RecordBefore& before)
{
    try {
        // A move that could not be rolled back keeps the file's size in its record.
        if (moveInterrupted(file))
            return false;
        const uint64_t size = file.size();
        if (before.had && size == before.size)
            file.writeAt(size - sizeof before.bytes, before.bytes, sizeof before.bytes);
        else if (!before.had && size == before.size + sizeof before.bytes)
            file.truncate(before.size);
        else
            return false;
        return true;
    } catch (const platform::IoError&) {
        return false;
    }
}

// Whether the file's ID3v2 tag claims more bytes than it holds; a read failure is an answer too.
std::string journalStoppedText(const std::string& why, const std::string& path)
{
    return journalUnwritableText(why) + ": the save stopped before '" + path +
           "'; the files saved before it can be undone.";
}

// Reads the ID3v2 tag at the start once for the whole save of the file, its checks included.
std::optional<std::string> claimsPastEnd(SaveSession& session)
{
    try {
        session.keepHead(Tid3v2tag::kKeptHeadLimit);
        return session.headClaimsPastEnd() ? std::optional<std::string>(std::string()) : std::nullopt;
    } catch (const platform::IoError& e) {
        return std::string(e.what());
    }
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
                                " field holds ISO-8859-1 only; characters beyond it were saved as \"?\".");
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

TagSaveStep SaveV1Tag(const std::string& path, const V1SaveFields& fields, Tid3tag& tag, Dialogs& dialogs,
                      bool explainFailures, SaveSession* session)
{
    TagSaveStep step;
    TagResult loaded;
    try {
        loaded = session ? tag.LoadFrom(*session) : tag.LoadFromFile(path);
    } catch (const std::exception&) {
        dialogs.error(doesNotExistText(path));
        return step;
    }
    // Nothing to write into a file without a record: adding an empty one is not asked for.
    if (failed(loaded) && !anyV1Field(fields))
        return step;
    if (failed(loaded))
        tag.Clear();
    if (!applyV1Fields(fields, tag, dialogs, step.lostCharacters)) {
        step.stopWalk = true;
        return step;
    }
    // The attribute reset of other platforms is left out: it would strip a read-only
    // protection the user chose.
    step.result = session ? tag.SaveTo(*session) : tag.SaveToFile(path);
    if (failed(*step.result))
        dialogs.message(saveFailureText("ID3v1 tag", *step.result, tag.FailureReason(), explainFailures));
    return step;
}

TagSaveStep SaveV2Tag(const std::string& path, const V2SaveFields& fields, Tid3v2tag& tag, Dialogs& dialogs,
                      bool explainFailures, SaveSession* session)
{
    TagSaveStep step;
    // Start each file from a fresh tag: a load that finds no tag leaves the object as the
    // previous file had it, and that file's version or broken load must not carry over.
    tag.Reset();
    TagResult loaded;
    try {
        loaded = session ? tag.LoadFrom(*session) : tag.LoadFromFile(path, 0);
    } catch (const std::exception&) {
        dialogs.error(doesNotExistText(path));
        return step;
    }
    if (failed(loaded))
        tag.FrameIndex().Clear();
    else
        step.droppedFrames = tag.DroppedFrames();
    applyV2Fields(fields, tag);
    step.result = session ? tag.SaveTo(*session) : tag.SaveToFile(path, 255, -1, 255);
    if (failed(*step.result))
        dialogs.message(
            saveFailureText("ID3v2 tag", *step.result, tag.FailureReason(), explainFailures, tag.ErrorDetail()));
    return step;
}

BatchSaveOutcome runBatchSave(const BatchSaveRequest& request, Tid3tag& v1, Tid3v2tag& v2, Dialogs& dialogs,
                              Progress& progress)
{
    CountingDialogs counting(dialogs);
    BatchSaveOutcome outcome;
    if (const std::optional<std::string> refusal = refusedValue(request)) {
        counting.error(*refusal);
        outcome.stopped = outcome.failures = true;
        return outcome;
    }
    const JournalStore journal(undoJournalFolder());
    std::optional<SaveRecording> recording;
    std::string why;
    const bool record = request.recordForUndo && !request.files.empty();
    if (record)
        recording = SaveRecording::start(journal, request.files, request.saveV1, request.saveV2, why);
    if (record && !recording) {
        counting.error(journalUnwritableText(why) + ": nothing was saved.");
        outcome.stopped = outcome.failures = true;
        return outcome;
    }
    bool journalStopped = false;
    progress.begin(request.files.size());
    for (const std::string& path : request.files) {
        const std::size_t index = outcome.files.size();
        progress.advance(index, path);
        FileSaveOutcome& file = outcome.files.emplace_back();
        file.path = path;
        if (!isMp3Name(path)) {
            counting.error(notMp3Text(path));
            continue;
        }
        // One open held across both tags, loads included, so that no other program's save of
        // the file comes between them or the record taken for undo. A file that cannot be
        // had for writing goes through the tags' own loads and saves, which say why.
        SaveRefusal refused;
        std::optional<SaveSession> session = SaveSession::open(path, refused);
        const platform::File* lock = session ? &session->file() : nullptr;
        if (refused.locked) {
            counting.message(lockedText(path));
            continue;
        }
        if (!session && request.explainFailures && refused.result == kErrOpen &&
            platform::saveTarget(path) == platform::SaveTarget::Missing) {
            counting.message(saveFailureText(tagsNamed(request), kErrOpen, refused.reason, true));
            continue;
        }
        if (const std::optional<std::string> refusal = session && request.saveV2 ? claimsPastEnd(*session) : std::nullopt) {
            counting.message(refusal->empty() ? claimsPastEndText(path)
                                              : saveFailureText(tagsNamed(request), kErrRead, *refusal,
                                                                request.explainFailures));
            continue;
        }
        const SaveRecording::Before kept =
            recording && session ? recording->beforeFile(index, *session, why) : SaveRecording::Before::Kept;
        if (kept == SaveRecording::Before::FileUnreadable) {
            counting.message(saveFailureText(tagsNamed(request), kErrRead, why, request.explainFailures));
            continue;
        }
        if (kept == SaveRecording::Before::JournalRefused) {
            counting.error(journalStoppedText(why, path));
            outcome.stopped = journalStopped = true;
            break;
        }
        // Both tags or neither: the ID3v1 record goes first, and back when the ID3v2 tag fails.
        const std::optional<RecordBefore> v1Before =
            lock && request.saveV1 && request.saveV2 ? recordBefore(*lock) : std::nullopt;
        const bool own = index < request.perFile.size();
        const V1SaveFields& v1Fields = own ? request.perFile[index].v1 : request.v1;
        const V2SaveFields& v2Fields = own ? request.perFile[index].v2 : request.v2;
        SaveSession* through = session ? &*session : nullptr;
        if (request.saveV1)
            file.v1 = SaveV1Tag(path, v1Fields, v1, counting, request.explainFailures, through);
        if (request.saveV2 && !file.v1.stopWalk && broke(file.v1)) {
            counting.message(keptBothText(path, true));
        } else if (request.saveV2 && !file.v1.stopWalk) {
            file.v2 = SaveV2Tag(path, v2Fields, v2, counting, request.explainFailures, through);
            // A tag without frames is not written at all: the ID3v1 record stands alone then.
            const bool v2Failed = file.v2.result && failed(*file.v2.result) && *file.v2.result != kErrNoFrames;
            if (v2Failed && wrote(file.v1)) {
                if (session)
                    session->forgetWritten();
                if (v1Before && session && putRecordBack(session->file(), *v1Before)) {
                    file.v1.result = file.v2.result;
                    counting.message(keptBothText(path, false));
                } else {
                    counting.message(onlyV1SavedText(path));
                }
            }
        }
        if (recording && session)
            recording->afterFile(index, *session);
        if (recording && recording->refusedHeadChange()) {
            counting.error(journalStoppedText(*recording->refusedHeadChange(), path));
            outcome.stopped = journalStopped = true;
            break;
        }
        if (file.v1.stopWalk) {
            outcome.stopped = true;
            break;
        }
    }
    // After a journal failure already told, the entry stays as that of an interrupted save.
    if (recording && !recording->finish(why) && !journalStopped)
        counting.error(journalUnwritableText(why) + ": the save is done, but its undo may be incomplete.");
    progress.advance(outcome.files.size(), std::string());
    progress.end();
    outcome.failures = counting.reported > 0;
    return outcome;
}
