// The "ID3 Tags" tab's handlers: showing the selected file's tags, the Enable Save boxes
// and the save of the selected files.
#include "form1.h"

#include "features/show/show_files.h"
#include "features/tagedit/batch_save.h"
#include "file_list_box.h"
#include "qt_text.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <QCheckBox>
#include <QLabel>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

#include <exception>

namespace {

const QString kUndecodableMarker = QStringLiteral("(unreadable text)");

QString fieldText(const QWidget* field)
{
    if (const auto* edit = qobject_cast<const QLineEdit*>(field))
        return edit->text();
    if (const auto* lines = qobject_cast<const QPlainTextEdit*>(field))
        return lines->toPlainText();
    return static_cast<const QComboBox*>(field)->currentText();
}

// Typed into since the field was filled; the genre box has its own flag.
bool fieldEdited(const QWidget* field)
{
    if (const auto* edit = qobject_cast<const QLineEdit*>(field))
        return edit->isModified();
    if (const auto* lines = qobject_cast<const QPlainTextEdit*>(field))
        return lines->document()->isModified();
    return false;
}

void setUnedited(QWidget* field)
{
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->setModified(false);
    else if (auto* lines = qobject_cast<QPlainTextEdit*>(field))
        lines->document()->setModified(false);
}

// The tab's controls as plain data; field texts are kept in full, whatever they hold.
template <typename Fields>
ViewGroup groupState(const QCheckBox* master, const std::array<QCheckBox*, 7>& boxes, const Fields& fields)
{
    ViewGroup group;
    group.master = master->isChecked();
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        group.checked[i] = boxes[i]->isChecked();
        group.texts[i] = toUtf8(fieldText(fields[i]));
        group.edited[i] = fieldEdited(fields[i]);
    }
    return group;
}

TagViewState viewState(const TForm1& w, bool genreEdited, const std::vector<FieldEdit>& frameEdits)
{
    TagViewState state;
    state.v1 = groupState(w.CheckBoxEnableV1, w.CheckBoxV1, w.FieldsV1);
    state.v2 = groupState(w.CheckBoxEnableV2, w.CheckBoxV2, w.FieldsV2);
    state.genreIndex = w.ComboBoxGenre->currentIndex();
    state.genreEdited = genreEdited;
    for (std::size_t i = 0; i < w.FieldsMore.size(); ++i)
        state.more.push_back({w.CheckBoxMore[i]->isChecked(), toUtf8(fieldText(w.FieldsMore[i])),
                              fieldEdited(w.FieldsMore[i])});
    state.frameEdits = frameEdits;
    return state;
}

// A field stays open to typing whatever its box says: typing checks the box.
template <typename Boxes>
void setAllChecked(const Boxes& boxes, bool checked)
{
    for (QCheckBox* box : boxes)
        box->setChecked(checked);
}

template <typename Boxes, typename Fields>
void enableAll(const Boxes& boxes, const Fields& fields, bool on)
{
    for (QCheckBox* box : boxes)
        box->setEnabled(on);
    for (QWidget* field : fields)
        field->setEnabled(on);
}

void masterBoxChanged(TForm1& w, QCheckBox* master, QCheckBox* other, const std::array<QCheckBox*, 7>& boxes)
{
    const bool on = master->isChecked();
    if (on)
        w.ToolButton4->setEnabled(true);
    else if (!other->isChecked())
        w.ToolButton4->setEnabled(false);
    // Several files: the boxes stay unchecked until the person picks what to write.
    if (on && w.FileListBoxMP3Files->selectedItems().size() <= 1)
        setAllChecked(boxes, true);
}

// Also when the entry is already selected: the box is editable and may hold typed text.
void showGenre(QComboBox* box, int index)
{
    box->setCurrentIndex(index);
    box->setEditText(box->itemText(index));
}

} // namespace

void TForm1::ToolButton3Click() { AddOpenFolder(FolderTab::Id3Tags); }

void TForm1::ComboBoxMusicFoldersChange()
{
    OpenMusicFolder(FileListBoxMP3Files, ComboBoxMusicFolders->currentText());
}

void TForm1::ClearTagView(bool reset)
{
    for (QWidget* field : FieldsV1)
        if (auto* edit = qobject_cast<QLineEdit*>(field)) {
            edit->clear();
            edit->setPlaceholderText(QString());
        }
    showGenre(ComboBoxGenre, 0);
    ComboBoxGenre->lineEdit()->setPlaceholderText(QString());
    if (reset)
        setAllChecked(CheckBoxV1, false);
    ClearV2View(reset);
}

void TForm1::ClearV2View(bool reset)
{
    for (QLineEdit* edit : FieldsV2) {
        edit->clear();
        edit->setPlaceholderText(QString());
        edit->setToolTip(QString());
    }
    ShowMoreFields({}, {});
    showDamagedTag(std::nullopt);
    if (reset) {
        setAllChecked(CheckBoxV2, false);
        setAllChecked(CheckBoxMore, false);
    }
}

void TForm1::ShowV1Tag(const V1View& view)
{
    if (!view.shown) {
        ClearTagView(false);
        return;
    }
    for (std::size_t i = 0; i < kFieldCount; ++i)
        if (auto* edit = qobject_cast<QLineEdit*>(FieldsV1[i]))
            edit->setText(toQString(view.texts[i]));
    showGenre(ComboBoxGenre, view.genreIndex);
}

void TForm1::ShowV2Tag(const V2View& view)
{
    ClearV2View(false);
    showDamagedTag(view.damagedFrames);
    // The fields stay empty; the first says why.
    FieldsV2[0]->setPlaceholderText(toQString(view.failure));
    for (QLineEdit* edit : FieldsV2)
        edit->setToolTip(toQString(view.failure));
    if (!view.shown)
        return;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        FieldsV2[i]->setText(toQString(view.texts[i]));
        if (view.undecodable[i]) {
            FieldsV2[i]->setPlaceholderText(kUndecodableMarker);
            FieldsV2[i]->setToolTip(QStringLiteral("The text of this frame could not be decoded. It stays as it "
                                                   "is unless you type a new text here and save."));
        }
    }
}

void TForm1::FileListBoxMP3FilesClick()
{
    const std::vector<std::string> names = FileListBoxMP3Files->selectedFileNames();
    // Showing another folder drops the selection on its own; that is no choice of the
    // person's, and the fields keep what they show until a file is selected again.
    const bool refilled = FileListBoxMP3Files->directory() != m_tagListFolder;
    m_tagListFolder = FileListBoxMP3Files->directory();
    if (refilled && names.empty())
        return;
    // One file: every field of a group whose master box is checked will be written;
    // several: only those the person types into.
    const bool one = names.size() == 1;
    setAllChecked(CheckBoxV1, one && CheckBoxEnableV1->isChecked());
    setAllChecked(CheckBoxV2, one && CheckBoxEnableV2->isChecked());
    setAllChecked(CheckBoxMore, one && CheckBoxEnableV2->isChecked());
    showTagSelection(FileListBoxMP3Files->selectedPaths());
}

void TForm1::showTagSelection(const std::vector<std::string>& paths)
{
    m_shownTags = ShownFiles();
    m_shownTags.paths = paths;
    m_frameEdits.clear();
    m_genreEdited = false;
    SelectionView selection;
    // The fields hold nothing of another file, and what they hold is what a save compares with.
    const auto showNothing = [this](const std::vector<std::string>& shown) {
        ShowPictureView(PictureView(), !shown.empty());
        LabelAudio->clear();
        ClearTagView(false);
        ShowFrameTable({}, false);
        m_shownTags = {shown, viewState(*this, false, {}), {}};
    };
    try {
        // One open of each file for both tags and the picture.
        const bool read = readInBackground(QStringLiteral("Reading"), paths,
                                           [&](Progress& progress, Tid3tag& v1, Tid3v2tag& v2) {
                                               selection = readSelectionView(paths, v1, v2, progress);
                                           });
        if (!read) {
            // Cancelled, or the files are busy: nothing is selected rather than a part shown as all.
            FileListBoxMP3Files->clearSelection();
            showNothing({});
            return;
        }
    } catch (...) {
        showNothing(paths); // the window reports it
        throw;
    }
    ShowPictureView(selection.view.picture, !paths.empty());
    const std::optional<AudioProperties>& audio = selection.view.audio;
    LabelAudio->setText(audio ? toQString(audioSummary(*audio))
                              : paths.size() == 1 ? QStringLiteral("(no MPEG audio found)") : QString());
    ShowV1Tag(selection.view.v1);
    ShowV2Tag(selection.view.v2);
    ShowMoreFields(selection.view.v2.more, selection.differs.more);
    ShowDiffers(selection.differs);
    ShowFrameTable(selection.view.v2.frames, paths.size() == 1);
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        setUnedited(FieldsV1[i]);
        setUnedited(FieldsV2[i]);
    }
    m_shownTags = {paths, viewState(*this, false, {}), selection.differs};
}

void TForm1::CheckBoxEnableV1Click()
{
    enableAll(CheckBoxV1, FieldsV1, CheckBoxEnableV1->isChecked());
    masterBoxChanged(*this, CheckBoxEnableV1, CheckBoxEnableV2, CheckBoxV1);
}

void TForm1::CheckBoxEnableV2Click()
{
    const bool on = CheckBoxEnableV2->isChecked();
    enableAll(CheckBoxV2, FieldsV2, on);
    enableAll(CheckBoxMore, FieldsMore, on);
    masterBoxChanged(*this, CheckBoxEnableV2, CheckBoxEnableV1, CheckBoxV2);
    if (on && FileListBoxMP3Files->selectedItems().size() <= 1)
        setAllChecked(CheckBoxMore, true);
    enableFrameTable();
}

void TForm1::ToolButton4Click()
{
    const std::vector<std::string> files = FileListBoxMP3Files->selectedPaths();
    if (files.empty())
        return;

    const TagViewState now = viewState(*this, m_genreEdited, m_frameEdits);
    BatchSaveRequest request = buildSaveRequest(now, m_shownTags, files);
    // A value no file can take is refused before anything is asked or written.
    if (const std::optional<std::string> refusal = refusedValue(request)) {
        m_dialogs.error(*refusal);
        return;
    }
    if (m_dialogs.confirm(saveConfirmationText(files.size())) != Dialogs::Yes)
        return;
    request.recordForUndo = true; // "Undo last save" can take it back
    const BatchSaveOutcome outcome = saveInBackground(request, QStringLiteral("Saving"));
    noteSaved(m_shownTags, now, request, outcome);
    showSaveNotes(outcome);
    // The frame table shows what the file now holds, and its changes are not made twice.
    if (!now.frameEdits.empty() && request.saveV2 && files == m_shownTags.paths)
        showTagSelection(files);
}

void TForm1::showSaveNotes(const BatchSaveOutcome& outcome)
{
    // One box per kind of note, listing the files it concerns.
    const auto tell = [this](const char* heading, const std::vector<std::string>& lines) {
        if (lines.empty())
            return;
        std::string text = heading;
        for (const std::string& line : lines)
            text += "\n" + line;
        m_dialogs.info(text);
    };
    tell("ID3 version 1 holds ISO-8859-1 only. Characters it cannot hold were saved as \"?\":",
         lostCharacterTexts(outcome));
    tell("Version 2.2 tags are saved as version 2.3, which has no place for some of their frames:",
         droppedFrameTexts(outcome));
}
