// The "ID3 Tags" tab's handlers: showing the selected file's tags, the Enable Save boxes
// and the save of the selected files.
#include "form1.h"

#include "features/tagedit/batch_save.h"
#include "file_list_box.h"
#include "qt_text.h"
#include "shared_tags.h"
#include "window_progress.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

#include <exception>

namespace {

const QString kUndecodableMarker = QStringLiteral("(unreadable text)");

QString fieldText(const QWidget* field)
{
    if (const auto* edit = qobject_cast<const QLineEdit*>(field))
        return edit->text();
    return static_cast<const QComboBox*>(field)->currentText();
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
    }
    return group;
}

TagViewState viewState(const TForm1& w)
{
    TagViewState state;
    state.v1 = groupState(w.CheckBoxEnableV1, w.CheckBoxV1, w.FieldsV1);
    state.v2 = groupState(w.CheckBoxEnableV2, w.CheckBoxV2, w.FieldsV2);
    state.genreIndex = w.ComboBoxGenre->currentIndex();
    return state;
}

// Checking a box enables its field through the box's own handler; a box already checked
// does not fire, so its field is enabled here as well.
template <typename Fields>
void checkAll(const std::array<QCheckBox*, 7>& boxes, const Fields& fields)
{
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        boxes[i]->setChecked(true);
        fields[i]->setEnabled(true);
    }
}

template <typename Fields>
void uncheckAll(const std::array<QCheckBox*, 7>& boxes, const Fields& fields)
{
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        boxes[i]->setChecked(false);
        fields[i]->setEnabled(false);
    }
}

template <typename Fields>
void masterBoxChanged(TForm1& w, QCheckBox* master, QCheckBox* other, const std::array<QCheckBox*, 7>& boxes,
                      const Fields& fields)
{
    const bool on = master->isChecked();
    if (on)
        w.ToolButton4->setEnabled(true);
    else if (!other->isChecked())
        w.ToolButton4->setEnabled(false);
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        boxes[i]->setEnabled(on);
        fields[i]->setEnabled(on);
    }
    // Several files: the boxes stay unchecked until the person picks what to write.
    if (on && w.FileListBoxMP3Files->selectedItems().size() <= 1)
        checkAll(boxes, fields);
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
        if (auto* edit = qobject_cast<QLineEdit*>(field))
            edit->clear();
    showGenre(ComboBoxGenre, 0);
    if (reset)
        uncheckAll(CheckBoxV1, FieldsV1);
    ClearV2View(reset);
}

void TForm1::ClearV2View(bool reset)
{
    for (QLineEdit* edit : FieldsV2) {
        edit->clear();
        edit->setPlaceholderText(QString());
        edit->setToolTip(QString());
    }
    if (reset)
        uncheckAll(CheckBoxV2, FieldsV2);
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
    m_shownTagFile = ShownFile();
    if (names.size() != 1) {
        ShowPicture();
        ClearTagView(true);
        return;
    }
    if (CheckBoxEnableV1->isChecked())
        checkAll(CheckBoxV1, FieldsV1);
    if (CheckBoxEnableV2->isChecked())
        checkAll(CheckBoxV2, FieldsV2);
    const std::string path = FileListBoxMP3Files->folderBytes() + names.front();
    FileView view;
    try {
        // One open of the file for both tags and the picture.
        view = readFileView(path, SharedTagV1, SharedTagV2);
    } catch (...) {
        // The window reports it; the fields hold nothing of another file, and what they
        // hold is what a save compares with.
        ShowPictureView(PictureView(), true);
        ClearTagView(false);
        m_shownTagFile = {path, viewState(*this)};
        throw;
    }
    ShowPictureView(view.picture, true);
    ShowV1Tag(view.v1);
    ShowV2Tag(view.v2);
    m_shownTagFile = {path, viewState(*this)};
}

void TForm1::CheckBoxEnableV1Click()
{
    masterBoxChanged(*this, CheckBoxEnableV1, CheckBoxEnableV2, CheckBoxV1, FieldsV1);
}

void TForm1::CheckBoxEnableV2Click()
{
    masterBoxChanged(*this, CheckBoxEnableV2, CheckBoxEnableV1, CheckBoxV2, FieldsV2);
}

void TForm1::CheckBoxV1FieldClick(int field)
{
    FieldsV1[field]->setEnabled(CheckBoxV1[field]->isChecked());
}

void TForm1::CheckBoxV2FieldClick(int field)
{
    FieldsV2[field]->setEnabled(CheckBoxV2[field]->isChecked());
}

void TForm1::ToolButton4Click()
{
    const std::vector<std::string> files = FileListBoxMP3Files->selectedPaths();
    if (files.empty())
        return;

    const TagViewState now = viewState(*this);
    BatchSaveRequest request = buildSaveRequest(now, m_shownTagFile, files);
    if (m_dialogs.confirm(saveConfirmationText(files.size())) != Dialogs::Yes)
        return;
    WindowProgress progress(this, QStringLiteral("Saving"));
    request.recordForUndo = true; // "Undo last save" can take it back
    const BatchSaveOutcome outcome = runBatchSave(request, SharedTagV1, SharedTagV2, m_dialogs, progress);
    noteSaved(m_shownTagFile, now, request, outcome);
    showSaveNotes(outcome);
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
