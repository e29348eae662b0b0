// Builds the "Filename Edit" tab and wires its controls.
#include "form1.h"

#include "eliding_label.h"
#include "file_list_box.h"
#include "qt_text.h"
#include "shared_tags.h"
#include "widget_helpers.h"

#include "features/common/mp3_folder.h"
#include "features/filename/file_rename.h"
#include "features/filename/filename_builder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kDelimiterWidth = 60;
constexpr int kPositionBoxWidth = 150;

QLabel* wrappingLabel(const char* text, bool isBold, QWidget* parent)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setWordWrap(true);
    return isBold ? bold(label) : label;
}

FilenameLayout layoutOf(const std::array<QComboBox*, 7>& positions, const QLineEdit* delimiter,
                        const QCheckBox* twoDigits)
{
    FilenameLayout layout;
    layout.trackDigits = twoDigits->isChecked() ? 2 : 0;
    for (std::size_t i = 0; i < positions.size(); ++i)
        layout.positions[i] = positions[i]->currentText().toStdString();
    layout.delimiter = delimiter->text().toStdString();
    return layout;
}

// The seven boxes that pick the fields of the name, first to last; an ID3v2 tag offers every
// named field after the seven.
QVBoxLayout* positionColumn(std::array<QComboBox*, 7>& positions, bool v2, const QString& suffix, QWidget* page)
{
    auto* column = new QVBoxLayout;
    column->addWidget(wrappingLabel("Build filename from tag options below:", false, page));
    QStringList fields;
    for (const NamedField& field : namedFields())
        if (field.seven || v2)
            fields << QString::fromLatin1(field.caption);
    for (int i = 0; i < 7; ++i) {
        auto* box = named(new QComboBox(page), QStringLiteral("ComboBoxFile%1%2").arg(i + 1).arg(suffix));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->addItems(fields);
        box->setCurrentIndex(-1);
        box->setEditText(QString());
        box->setFixedWidth(kPositionBoxWidth);
        positions[i] = box;
        column->addWidget(box);
    }
    column->addStretch(1);
    return column;
}

// The current file's texts of one tag, a caption and a label per field.
QGroupBox* tagValueGroup(std::array<QLabel*, 7>& values, bool v2, const QString& suffix, QWidget* page)
{
    auto* group = new QGroupBox(v2 ? QStringLiteral("Current File's ID3 version 2 tags")
                                   : QStringLiteral("Current File's ID3 version 1 tags"),
                                page);
    auto* grid = new QGridLayout(group);
    for (int i = 0; i < 7; ++i) {
        QLabel* label = bold(fieldLabel(i, group));
        values[i] = named(new ElidingLabel(group), QStringLiteral("Label%1%2").arg(fieldText(i), suffix));
        grid->addWidget(label, i, 0);
        grid->addWidget(values[i], i, 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(7, 1);
    return group;
}

} // namespace

QWidget* TForm1::buildFilenameSubTab(bool v2)
{
    auto* page = new QWidget(PageControl2);
    const QString suffix = v2 ? QStringLiteral("V2") : QString();
    QLineEdit*& delimiter = v2 ? EditDelimiterV2 : EditDelimiter;
    delimiter = named(new QLineEdit(page), QStringLiteral("EditDelimiter") + suffix);
    delimiter->setFixedWidth(kDelimiterWidth);
    auto* delimiterRow = new QHBoxLayout;
    delimiterRow->addWidget(new QLabel(QStringLiteral("Delimiter:"), page));
    delimiterRow->addWidget(delimiter);
    delimiterRow->addStretch(1);

    auto* columns = new QHBoxLayout;
    columns->addLayout(positionColumn(v2 ? ComboBoxFileV2 : ComboBoxFile, v2, suffix, page));
    columns->addWidget(tagValueGroup(v2 ? LabelsV2 : LabelsV1, v2, suffix, page), 1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(delimiterRow);
    layout->addLayout(columns, 1);
    return page;
}

void TForm1::buildFilenameTab()
{
    QWidget* tab = TabSheet3;
    QToolBar* bar = makeToolBar(tab);
    ToolButton1 = addToolButton(bar, "ToolButton1", 1, "Add/Open Folder");
    ToolButton2 = addToolButton(bar, "ToolButton2", 0, "Save current file");
    RenameSelected = addTextButton(bar, "RenameSelected", QStringLiteral("Rename selected"),
        QStringLiteral("Rename every selected file from its own tags, after a look at the new names"));
    UndoLastRename = addUndoButton(bar, true);
    addRenamePatternBox(bar);

    ComboBoxMusicFoldersFileEdit = makeFolderBox(tab, "ComboBoxMusicFoldersFileEdit");
    ComboBoxMusicFoldersFileEdit->setCompleter(nullptr);
    FileListBoxMP3FilesFileEdit = named(new FileListBox(tab), "FileListBoxMP3FilesFileEdit");
    FileListBoxMP3FilesFileEdit->setSelectionMode(QAbstractItemView::ExtendedSelection);
    CheckBoxTreeFileEdit = makeTreeBox(tab, "CheckBoxTreeFileEdit", FileListBoxMP3FilesFileEdit);
    buildFilenameInfoGroup(tab);

    Label15 = named(wrappingLabel(
        "Select a tab below to build the current file's new filename from its ID3 tags.", true, tab),
        "Label15");
    PageControl2 = named(new QTabWidget(tab), "PageControl2");
    PageControl2->addTab(buildFilenameSubTab(false), QStringLiteral("ID3 version 1"));
    PageControl2->addTab(buildFilenameSubTab(true), QStringLiteral("ID3 version 2"));
    PageControl2->setCurrentIndex(0);
    m_fileEditFieldsV1 = emptyFieldsV1();

    auto* right = new QVBoxLayout;
    right->addWidget(GroupBox1);
    right->addWidget(Label15);
    right->addWidget(PageControl2, 1);
    layOutFolderTab(tab, bar, ComboBoxMusicFoldersFileEdit, CheckBoxTreeFileEdit, FileListBoxMP3FilesFileEdit, nullptr,
                    right);
}

void TForm1::buildFilenameInfoGroup(QWidget* tab)
{
    GroupBox1 = named(new QGroupBox(QStringLiteral("Current File Information"), tab), "GroupBox1");
    Label23 = named(boldLabel(QStringLiteral("Current File:"), GroupBox1), "Label23");
    LabelCurrFile = named(new ElidingLabel(GroupBox1), "LabelCurrFile");
    Label22 = named(boldLabel(QStringLiteral("Filename Preview:"), GroupBox1), "Label22");
    EditPreview = named(new QLineEdit(GroupBox1), "EditPreview");
    CheckBoxTwoDigitTrack = checkBox("CheckBoxTwoDigitTrack", "Two-digit track", false, GroupBox1);
    auto* info = new QGridLayout(GroupBox1);
    info->addWidget(Label23, 0, 0);
    info->addWidget(LabelCurrFile, 0, 1);
    info->addWidget(Label22, 1, 0);
    info->addWidget(EditPreview, 1, 1);
    info->addWidget(CheckBoxTwoDigitTrack, 2, 1);
    info->setColumnStretch(1, 1);
}

void TForm1::wireFilenameTab()
{
    wire(ToolButton1, &QToolButton::clicked, [this] { ToolButton1Click(); });
    wire(ToolButton2, &QToolButton::clicked, [this] { ToolButton2Click(); });
    wire(RenameSelected, &QToolButton::clicked, [this] { RenameSelectedClick(); });
    wire(CheckBoxTwoDigitTrack, &QCheckBox::toggled, [this] { CheckBoxTwoDigitTrackClick(); });
    wire(ComboBoxMusicFoldersFileEdit, &QComboBox::editTextChanged,
         [this] { ComboBoxMusicFoldersFileEditChange(); });
    wire(FileListBoxMP3FilesFileEdit, &QListWidget::itemSelectionChanged,
         [this] { FileListBoxMP3FilesFileEditChange(); });
    wire(PageControl2, &QTabWidget::currentChanged, [this] { PageControl2Change(); });
    wire(EditDelimiter, &QLineEdit::textChanged, [this] { EditDelimiterChange(); });
    wire(EditDelimiterV2, &QLineEdit::textChanged, [this] { EditDelimiterV2Change(); });
    for (int i = 0; i < 7; ++i) {
        wire(ComboBoxFile[i], &QComboBox::editTextChanged, [this, i] { ComboBoxFileChange(i); });
        wire(ComboBoxFileV2[i], &QComboBox::editTextChanged, [this, i] { ComboBoxFileV2Change(i); });
    }
}

void TForm1::ToolButton1Click() { AddOpenFolder(FolderTab::FilenameEdit); }

void TForm1::ComboBoxMusicFoldersFileEditExit()
{
    if (isExistingDirectory(ComboBoxMusicFoldersFileEdit->currentText()))
        return;
    setBoxText(ComboBoxMusicFoldersFileEdit, QString());
    FileListBoxMP3FilesFileEdit->clearDirectory();
}

void TForm1::ComboBoxMusicFoldersFileEditChange()
{
    ResetFilenameEdit();
    OpenMusicFolder(FileListBoxMP3FilesFileEdit, ComboBoxMusicFoldersFileEdit->currentText());
}

void TForm1::FileListBoxMP3FilesFileEditChange()
{
    ClearFileTagLabels();
    LoadCurrentFile();
}

void TForm1::PageControl2Change() { LoadCurrentFile(); }
void TForm1::ComboBoxFileChange(int)
{
    BuildPreviewV1();
    showPositionsPattern();
}
void TForm1::ComboBoxFileV2Change(int)
{
    BuildPreviewV2();
    showPositionsPattern();
}
void TForm1::EditDelimiterChange()
{
    BuildPreviewV1();
    showPositionsPattern();
}
void TForm1::EditDelimiterV2Change()
{
    BuildPreviewV2();
    showPositionsPattern();
}

void TForm1::LoadCurrentFile()
{
    const std::vector<std::string> selected = FileListBoxMP3FilesFileEdit->selectedFileNames();
    if (selected.empty())
        return;
    const std::string& name = selected.front();
    // The folder the list shows, which the folder box's text may no longer be.
    const QString folder = FileListBoxMP3FilesFileEdit->directory();
    const std::string path = FileListBoxMP3FilesFileEdit->folderBytes() + name;
    m_fileEditFolder = folder;
    m_fileEditName = name;
    try {
        EditPreview->setText(pathText(fileNameOf(name)));
        LabelCurrFile->setText(pathText(name));
        if (PageControl2->currentIndex() == 0) {
            const TagRead read = readFilenameFieldsV1(path, FileEditTagV1);
            m_fileEditFieldsV1 = read.fields;
            if (!failed(read.result)) {
                BuildPreviewV1();
                ShowFileTagsV1();
            }
        } else {
            const TagRead read = readFilenameFieldsV2(path, FileEditTagV2);
            m_fileEditFieldsV2 = read.fields;
            m_fileEditMoreV2 = failed(read.result) ? NamedTexts() : presentTexts(FileEditTagV2);
            if (!failed(read.result)) {
                BuildPreviewV2();
                ShowFileTagsV2();
            }
        }
    } catch (const std::exception&) {
        m_dialogs.message(pathText(path) + QStringLiteral(" does not exist."));
    }
}

void TForm1::BuildPreviewV1()
{
    const FilenameLayout layout = layoutOf(ComboBoxFile, EditDelimiter, CheckBoxTwoDigitTrack);
    EditPreview->setText(QString::fromStdString(::BuildPreviewV1(m_fileEditFieldsV1, layout)));
}

void TForm1::BuildPreviewV2()
{
    const FilenameLayout layout = layoutOf(ComboBoxFileV2, EditDelimiterV2, CheckBoxTwoDigitTrack);
    EditPreview->setText(QString::fromStdString(::BuildPreviewV2(m_fileEditFieldsV2, layout, m_fileEditMoreV2)));
}

void TForm1::CheckBoxTwoDigitTrackClick()
{
    if (PageControl2->currentIndex() == 0)
        BuildPreviewV1();
    else
        BuildPreviewV2();
}

NameSource TForm1::filenameSource() const
{
    NameSource source;
    source.v2 = PageControl2->currentIndex() == 1;
    source.layout = source.v2 ? layoutOf(ComboBoxFileV2, EditDelimiterV2, CheckBoxTwoDigitTrack)
                              : layoutOf(ComboBoxFile, EditDelimiter, CheckBoxTwoDigitTrack);
    return source;
}

void TForm1::ShowFileTagsV1()
{
    for (TagField f : kAllFields) {
        const std::string& text = m_fileEditFieldsV1[fieldIndex(f)];
        // Without a genre the label keeps what it showed.
        if (f != TagField::Genre || !text.empty())
            LabelsV1[fieldIndex(f)]->setText(toQString(text));
    }
}

void TForm1::ShowFileTagsV2()
{
    for (TagField f : kAllFields)
        LabelsV2[fieldIndex(f)]->setText(toQString(m_fileEditFieldsV2[fieldIndex(f)]));
}

void TForm1::ClearFileTagLabels()
{
    for (QLabel* label : LabelsV1)
        label->clear();
    for (QLabel* label : LabelsV2)
        label->clear();
}

void TForm1::ResetFilenameEdit()
{
    const QSignalBlocker previewBlocker(EditPreview);
    EditPreview->clear();
    for (QComboBox* box : ComboBoxFile) {
        const QSignalBlocker blocker(box);
        box->setCurrentIndex(-1);
        box->setEditText(QString());
    }
}

void TForm1::setCurrentFileName(const std::string& name)
{
    m_fileEditName = subfolderOf(m_fileEditName) + name;
    LabelCurrFile->setText(pathText(m_fileEditName));
}

// The label names the file picked (or just renamed) in the folder the list shows; after
// another folder was opened it may name a file that is not there.
bool TForm1::filenameCurrentFileShown() const
{
    return !m_fileEditName.empty() && m_fileEditFolder == FileListBoxMP3FilesFileEdit->directory();
}

void TForm1::ToolButton2Click()
{
    if (!filenameCurrentFileShown()) {
        m_dialogs.info(QStringLiteral("Please select the file to rename in the list first."));
        return;
    }
    // A file listed from a subfolder is renamed where it lies.
    const std::string subfolder = subfolderOf(m_fileEditName);
    RenameRequest request;
    request.folder = FileListBoxMP3FilesFileEdit->folderBytes() + subfolder; // checked just above
    request.oldName = fileNameOf(m_fileEditName);
    request.requestedName = pathBytes(EditPreview->text());
    const RenameResult result = renameCurrentFile(request, m_dialogs);
    if (result.status == RenameStatus::InvalidName || result.status == RenameStatus::Declined)
        return;
    // A refused rename leaves the file, and the label, under the old name.
    if (result.status == RenameStatus::Renamed)
        setCurrentFileName(result.newName);
    OpenMusicFolder(FileListBoxMP3FilesFileEdit, ComboBoxMusicFoldersFileEdit->currentText());
    FileListBoxMP3FilesFileEdit->reread();
    ClearFileTagLabels();
}
