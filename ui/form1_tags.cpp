// Builds the "ID3 Tags" tab and wires its controls.
#include "form1.h"

#include "file_list_box.h"
#include "icons.h"
#include "picture_box.h"
#include "qt_text.h"
#include "tags/id3v1/id3.h"
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

constexpr int kPictureSize = 128;

// One group of seven fields: label, field and its "Enable Save" box per row.
QGroupBox* fieldGroup(const char* name, const char* caption, QCheckBox* master,
                      const std::array<QWidget*, 7>& fields, const std::array<QCheckBox*, 7>& boxes,
                      QWidget* parent)
{
    auto* group = named(new QGroupBox(QString::fromLatin1(caption), parent), name);
    auto* grid = new QGridLayout(group);
    // Both groups and the tool bar fit in the height of an 800x600 screen.
    grid->setVerticalSpacing(2);
    grid->addWidget(master, 0, 0, 1, 3);
    for (int i = 0; i < 7; ++i) {
        grid->addWidget(bold(fieldLabel(i, group)), i + 1, 0);
        addFieldWidget(grid, i, i + 1, 1, fields[i]);
        grid->addWidget(boxes[i], i + 1, 2);
    }
    grid->setColumnStretch(1, 1);
    return group;
}

QComboBox* genreBox(QWidget* parent)
{
    auto* box = named(new QComboBox(parent), "ComboBoxGenre");
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (const char* genre : GenreList)
        box->addItem(toQString(genre));
    box->setCurrentIndex(0);
    return box;
}

struct PictureButton {
    QToolButton** button;
    const char *name, *caption, *hint;
    IconRole image;
};

// The picture group's buttons, one under the other, with their captions beside their images.
QVBoxLayout* pictureButtonColumn(const std::initializer_list<PictureButton>& buttons, QWidget* parent)
{
    auto* column = new QVBoxLayout;
    for (const auto& [button, name, caption, hint, image] : buttons) {
        *button = named(new QToolButton(parent), name);
        (*button)->setText(QString::fromLatin1(caption));
        (*button)->setToolTip(QString::fromLatin1(hint));
        (*button)->setIcon(makeIcon(image));
        (*button)->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        (*button)->setAutoRaise(true);
        column->addWidget(*button, 0, Qt::AlignLeft);
    }
    return column;
}

} // namespace

void TForm1::buildTagsTab()
{
    QWidget* tab = TabSheet2;
    QToolBar* bar = makeToolBar(tab);
    ToolButton3 = addToolButton(bar, "ToolButton3", 1, "Add/Open Folder");
    ToolButton4 = addToolButton(bar, "ToolButton4", 0, "Save current file(s) ID3 tags");
    UndoLastSave = addUndoButton(bar, false);
    addNameFillControls(bar);
    addActionsButton(bar);
    addTagToolsMenu(bar);
    addEncodingControls(bar);

    ComboBoxMusicFolders = makeFolderBox(tab, "ComboBoxMusicFolders");
    FileListBoxMP3Files = named(new FileListBox(tab), "FileListBoxMP3Files");
    FileListBoxMP3Files->setSelectionMode(QAbstractItemView::ExtendedSelection);
    CheckBoxTree = makeTreeBox(tab, "CheckBoxTree", FileListBoxMP3Files);
    buildTagFields(tab);
    buildTagGroups(tab);
    addEightBitCodePageBox(GroupBoxV1, CheckBoxEnableV1);
    buildPictureGroup(tab);

    // The seven fields of both tags first; the rest a click away, so the tab fits 800x600.
    auto* sevenPage = paneLayout<QVBoxLayout>(tab);
    sevenPage->setContentsMargins(2, 2, 2, 2);
    sevenPage->addWidget(GroupBoxV1);
    sevenPage->addWidget(GroupBoxV2, 1);
    PageControlTags = named(new QTabWidget(tab), "PageControlTags");
    PageControlTags->addTab(sevenPage->parentWidget(), QStringLiteral("ID3 v1 and v2"));
    PageControlTags->addTab(buildMoreFields(PageControlTags), QStringLiteral("More fields"));
    PageControlTags->addTab(buildFramesPage(PageControlTags), QStringLiteral("All frames"));
    PageControlTags->addTab(buildCheckPage(PageControlTags), QStringLiteral("Check"));
    auto* right = new QVBoxLayout;
    right->addWidget(PageControlTags, 1);
    // The front cover sits under the file list, level with the ID3v2 fields it travels with.
    auto* left = paneLayout<QVBoxLayout>(tab);
    left->addWidget(FileListBoxMP3Files, 1);
    // Under the list, whose height gives way to it, so the tab still fits 800x600.
    left->addWidget(buildDamagedTagLine(tab));
    left->addWidget(GroupBoxPicture);
    layOutFolderTab(tab, bar, ComboBoxMusicFolders, CheckBoxTree, left->parentWidget(), nullptr, right);
}

void TForm1::buildTagFields(QWidget* tab)
{
    QLineEdit** v1[] = {&EditArtist, &EditTitle, &EditAlbum, &EditYear, nullptr, &EditComment,
                        &EditTrack};
    QLineEdit** v2[] = {&EditArtistV2, &EditTitleV2, &EditAlbumV2, &EditYearV2, &EditGenreV2,
                        &EditCommentV2, &EditTrackV2};
    ComboBoxGenre = genreBox(tab);
    for (int i = 0; i < 7; ++i) {
        const QString field = fieldText(i);
        if (v1[i]) {
            *v1[i] = named(new QLineEdit(tab), QStringLiteral("Edit") + field);
            FieldsV1[i] = *v1[i];
        } else {
            FieldsV1[i] = ComboBoxGenre;
        }
        *v2[i] = named(new QLineEdit(tab), QStringLiteral("Edit%1V2").arg(field));
        FieldsV2[i] = *v2[i];
        const QString caption = QStringLiteral("Enable Save (%1)").arg(field);
        CheckBoxV1[i] = checkBox(QStringLiteral("CheckBoxV1") + field, caption, true, tab);
        CheckBoxV2[i] = checkBox(QStringLiteral("CheckBoxV2") + field, caption, true, tab);
    }
}

void TForm1::buildTagGroups(QWidget* tab)
{
    CheckBoxEnableV1 = bold(checkBox("CheckBoxEnableV1", "Enable Save (ID3 version 1)", true, tab));
    CheckBoxEnableV2 = bold(checkBox("CheckBoxEnableV2", "Enable Save (ID3 version 2)", true, tab));
    std::array<QWidget*, 7> fieldsV2{};
    std::copy(FieldsV2.begin(), FieldsV2.end(), fieldsV2.begin());
    GroupBoxV1 = fieldGroup("GroupBoxV1", "ID3 version 1", CheckBoxEnableV1, FieldsV1,
                            CheckBoxV1, tab);
    GroupBoxV2 = fieldGroup("GroupBoxV2", "ID3 version 2", CheckBoxEnableV2, fieldsV2,
                            CheckBoxV2, tab);
    // The lower group takes the extra height; its rows stay at the top.
    static_cast<QGridLayout*>(GroupBoxV2->layout())->setRowStretch(8, 1);
}

void TForm1::buildPictureGroup(QWidget* tab)
{
    GroupBoxPicture = named(new QGroupBox(QStringLiteral("Picture"), tab), "GroupBoxPicture");
    ImagePicture = named(new PictureBox(GroupBoxPicture), "ImagePicture");
    ImagePicture->setFixedSize(kPictureSize, kPictureSize);
    ImagePicture->setToolTip(QStringLiteral("Front cover; drop a JPEG or PNG file here to set it"));
    LabelPictureSize = named(new QLabel(GroupBoxPicture), "LabelPictureSize");
    LabelPictureSize->setWordWrap(true);
    QVBoxLayout* pictureBar = pictureButtonColumn(
        {{&ToolButtonSetPicture, "ToolButtonSetPicture", "Set...", "Set the front cover of the selected file(s)",
          IconRole::Open},
         {&ToolButtonRemovePictures, "ToolButtonRemovePictures", "Remove",
          "Remove every picture from the selected file(s)", IconRole::Remove},
         {&ToolButtonExportPicture, "ToolButtonExportPicture", "Export...", "Save the front cover to a file",
          IconRole::Export}},
        GroupBoxPicture);
    pictureBar->insertWidget(0, LabelPictureSize);
    pictureBar->addStretch(1);
    LabelAudio = named(new QLabel(GroupBoxPicture), "LabelAudio");
    LabelAudio->setWordWrap(true);
    pictureBar->addWidget(LabelAudio);
    auto* pictureRow = new QHBoxLayout(GroupBoxPicture);
    pictureRow->addWidget(ImagePicture, 0, Qt::AlignTop);
    pictureRow->addLayout(pictureBar, 1);
}

void TForm1::wireTagsTab()
{
    wire(ToolButton3, &QToolButton::clicked, [this] { ToolButton3Click(); });
    wire(ToolButton4, &QToolButton::clicked, [this] { ToolButton4Click(); });
    wire(ComboBoxMusicFolders, &QComboBox::editTextChanged, [this] { ComboBoxMusicFoldersChange(); });
    wire(FileListBoxMP3Files, &QListWidget::itemSelectionChanged,
         [this] { FileListBoxMP3FilesClick(); });
    wire(ToolButtonSetPicture, &QToolButton::clicked, [this] { ToolButtonSetPictureClick(); });
    wire(ToolButtonRemovePictures, &QToolButton::clicked, [this] { ToolButtonRemovePicturesClick(); });
    wire(ToolButtonExportPicture, &QToolButton::clicked, [this] { ToolButtonExportPictureClick(); });
    ImagePicture->onFileDropped = [this](const QString& path) { guarded([this, path] { SetPictureFrom(path); }); };
    ShowPicture();
    wire(CheckBoxEnableV1, &QCheckBox::toggled, [this] { CheckBoxEnableV1Click(); });
    wire(CheckBoxEnableV2, &QCheckBox::toggled, [this] { CheckBoxEnableV2Click(); });
    for (int i = 0; i < 7; ++i) {
        if (auto* edit = qobject_cast<QLineEdit*>(FieldsV1[i]))
            wire(edit, &QLineEdit::textEdited, [this, i] { FieldEdited(CheckBoxV1[i]); });
        wire(FieldsV2[i], &QLineEdit::textEdited, [this, i] { FieldEdited(CheckBoxV2[i]); });
    }
    // Only a picked entry counts as the genre; typing alone picks none.
    QCheckBox* genreBox = CheckBoxV1[fieldIndex(TagField::Genre)];
    wire(ComboBoxGenre, &QComboBox::activated, [this, genreBox] {
        m_genreEdited = true;
        FieldEdited(genreBox);
    });
    wire(ComboBoxGenre->lineEdit(), &QLineEdit::textEdited, [this, genreBox] { FieldEdited(genreBox); });
    wireMoreFields();
}
