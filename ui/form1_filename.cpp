// Builds the "Filename Edit" tab and wires its controls.
#include "form1.h"

#include "file_list_box.h"
#include "widget_helpers.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kDelimiterWidth = 60;
constexpr int kPositionBoxWidth = 150;

QLabel* wrappingLabel(const char* text, bool bold, QWidget* parent)
{
    QLabel* label = bold ? boldLabel(text, parent) : new QLabel(QString::fromLatin1(text), parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

QWidget* TForm1::buildFilenameSubTab(bool v2)
{
    auto* page = new QWidget(PageControl2);
    const QString suffix = v2 ? QStringLiteral("V2") : QString();
    QLineEdit*& delimiter = v2 ? EditDelimiterV2 : EditDelimiter;
    std::array<QComboBox*, 7>& positions = v2 ? ComboBoxFileV2 : ComboBoxFile;
    std::array<QLabel*, 7>& values = v2 ? LabelsV2 : LabelsV1;

    delimiter = new QLineEdit(page);
    delimiter->setObjectName(QStringLiteral("EditDelimiter") + suffix);
    delimiter->setFixedWidth(kDelimiterWidth);
    auto* delimiterRow = new QHBoxLayout;
    delimiterRow->addWidget(new QLabel(QStringLiteral("Delimiter:"), page));
    delimiterRow->addWidget(delimiter);
    delimiterRow->addStretch(1);

    auto* positionColumn = new QVBoxLayout;
    positionColumn->addWidget(wrappingLabel("Build filename from tag options below:", false, page));
    QStringList fields;
    for (const char* name : kFieldNames)
        fields << QString::fromLatin1(name);
    for (int i = 0; i < 7; ++i) {
        auto* box = new QComboBox(page);
        box->setObjectName(QStringLiteral("ComboBoxFile%1%2").arg(i + 1).arg(suffix));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->addItems(fields);
        box->setCurrentIndex(-1);
        box->setEditText(QString());
        box->setFixedWidth(kPositionBoxWidth);
        positions[i] = box;
        positionColumn->addWidget(box);
    }
    positionColumn->addStretch(1);

    auto* group = new QGroupBox(v2 ? QStringLiteral("Current File's ID3 version 2 tags")
                                   : QStringLiteral("Current File's ID3 version 1 tags"),
                                page);
    auto* grid = new QGridLayout(group);
    for (int i = 0; i < 7; ++i) {
        QLabel* label = boldLabel(kFieldNames[i], group);
        label->setText(label->text() + QLatin1Char(':'));
        values[i] = new QLabel(group);
        values[i]->setObjectName(QStringLiteral("Label%1%2").arg(QString::fromLatin1(kFieldNames[i]), suffix));
        values[i]->setTextFormat(Qt::PlainText);
        grid->addWidget(label, i, 0);
        grid->addWidget(values[i], i, 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(7, 1);

    auto* columns = new QHBoxLayout;
    columns->addLayout(positionColumn);
    columns->addWidget(group, 1);
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

    ComboBoxMusicFoldersFileEdit = makeFolderBox(tab, "ComboBoxMusicFoldersFileEdit");
    ComboBoxMusicFoldersFileEdit->setCompleter(nullptr);
    FileListBoxMP3FilesFileEdit = named(new FileListBox(tab), "FileListBoxMP3FilesFileEdit");
    FileListBoxMP3FilesFileEdit->setSelectionMode(QAbstractItemView::SingleSelection);
    FileListBoxMP3FilesFileEdit->setFixedWidth(ComboBoxMusicFoldersFileEdit->width());

    GroupBox1 = named(new QGroupBox(QStringLiteral("Current File Information"), tab), "GroupBox1");
    Label23 = named(boldLabel("Current File:", GroupBox1), "Label23");
    LabelCurrFile = named(new QLabel(GroupBox1), "LabelCurrFile");
    LabelCurrFile->setTextFormat(Qt::PlainText);
    Label22 = named(boldLabel("Filename Preview:", GroupBox1), "Label22");
    EditPreview = named(new QLineEdit(GroupBox1), "EditPreview");
    auto* info = new QGridLayout(GroupBox1);
    info->addWidget(Label23, 0, 0);
    info->addWidget(LabelCurrFile, 0, 1);
    info->addWidget(Label22, 1, 0);
    info->addWidget(EditPreview, 1, 1);
    info->setColumnStretch(1, 1);

    Label15 = named(wrappingLabel(
        "Select a tab below to build the current file's new filename from its ID3 tags.", true, tab),
        "Label15");
    PageControl2 = named(new QTabWidget(tab), "PageControl2");
    PageControl2->addTab(buildFilenameSubTab(false), QStringLiteral("ID3 version 1"));
    PageControl2->addTab(buildFilenameSubTab(true), QStringLiteral("ID3 version 2"));
    PageControl2->setCurrentIndex(0);

    auto* right = new QVBoxLayout;
    right->addWidget(GroupBox1);
    right->addWidget(Label15);
    right->addWidget(PageControl2, 1);
    layOutFolderTab(tab, bar, ComboBoxMusicFoldersFileEdit, FileListBoxMP3FilesFileEdit, nullptr, right);
}

void TForm1::wireFilenameTab()
{
    wire(ToolButton1, &QToolButton::clicked, [this] { ToolButton1Click(); });
    wire(ToolButton2, &QToolButton::clicked, [this] { ToolButton2Click(); });
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

void TForm1::ComboBoxMusicFoldersFileEditChange()
{
    // Resetting the tab's current file comes first, once the filename builder exists.
    OpenMusicFolder(FileListBoxMP3FilesFileEdit, ComboBoxMusicFoldersFileEdit->currentText());
}

void TForm1::ToolButton2Click() {}
void TForm1::FileListBoxMP3FilesFileEditChange() {}
void TForm1::PageControl2Change() {}
void TForm1::ComboBoxFileChange(int) {}
void TForm1::ComboBoxFileV2Change(int) {}
void TForm1::EditDelimiterChange() {}
void TForm1::EditDelimiterV2Change() {}
