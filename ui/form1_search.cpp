// Builds the "Search" tab and wires its controls.
#include "form1.h"

#include "qt_text.h"
#include "widget_helpers.h"

#include "features/search/search.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>


namespace {

constexpr int kCriteriaWidth = 330;
constexpr int kSearchFieldChars = 8;

QLabel* plainLabel(const QString& text, QWidget* parent) { return new QLabel(text, parent); }

} // namespace

void TForm1::buildSearchTab()
{
    QWidget* tab = TabSheet4;
    QToolBar* bar = makeToolBar(tab);
    ToolButton8 = addToolButton(bar, "ToolButton8", 4, "Search");
    ToolButton13 = addToolButton(bar, "ToolButton13", 5, "Export search results to playlist editor");
    buildSearchFolderGroup(tab);
    buildSearchCriteria(tab);

    ProgressBarSearch = named(new QProgressBar(tab), "ProgressBarSearch");
    ProgressBarSearch->setRange(0, 100);
    ProgressBarSearch->setValue(0);
    ProgressBarSearch->setTextVisible(false);
    ButtonSearch = named(new QPushButton(QStringLiteral("Search"), tab), "ButtonSearch");
    ListViewSearchResults = fileReportList("ListViewSearchResults", tab);

    auto* left = new QVBoxLayout;
    left->addWidget(GroupBox6);
    left->addWidget(GroupBox5);
    left->addWidget(plainLabel(QStringLiteral("Search Progress:"), tab));
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(ProgressBarSearch, 1);
    searchRow->addWidget(ButtonSearch);
    left->addLayout(searchRow);
    left->addStretch(1);
    auto* leftPane = new QWidget(tab);
    leftPane->setLayout(left);
    left->setContentsMargins(0, 0, 0, 0);
    LabelSearchCount = named(new QLabel(tab), "LabelSearchCount");
    auto* results = paneLayout<QVBoxLayout>(tab);
    results->addWidget(LabelSearchCount);
    results->addWidget(ListViewSearchResults, 1);
    layOutSplitPage(tab, bar, leftPane, results->parentWidget(), {kCriteriaWidth, kCriteriaWidth});
}

void TForm1::buildSearchFolderGroup(QWidget* tab)
{
    GroupBox6 = named(new QGroupBox(QStringLiteral("Folder to Search"), tab), "GroupBox6");
    EditSearchFolder = named(new QLineEdit(GroupBox6), "EditSearchFolder");
    ButtonBrowseSearch = named(new QPushButton(QStringLiteral("Browse..."), GroupBox6),
                               "ButtonBrowseSearch");
    CheckBoxSubfolders = checkBox("CheckBoxSubfolders", "Include subfolders", false, GroupBox6);
    CheckBoxIgnoreAccents = checkBox("CheckBoxIgnoreAccents", "Ignore accents", true, GroupBox6);
    CheckBoxIgnoreAccents->setToolTip(QStringLiteral("Letters match whatever accents they carry: \"cafe\" finds \"Caf\u00e9\""));
    auto* folderGrid = new QGridLayout(GroupBox6);
    folderGrid->addWidget(plainLabel(QStringLiteral("Search Folder:"), GroupBox6), 0, 0);
    folderGrid->addWidget(EditSearchFolder, 0, 1);
    folderGrid->addWidget(ButtonBrowseSearch, 0, 2);
    folderGrid->addWidget(CheckBoxSubfolders, 1, 1);
    folderGrid->addWidget(CheckBoxIgnoreAccents, 1, 2);
}

void TForm1::buildSearchCriteria(QWidget* tab)
{
    GroupBox5 = named(new QGroupBox(QStringLiteral("Search Criteria"), tab), "GroupBox5");
    GroupBox7 = named(new QGroupBox(QStringLiteral("Filename"), GroupBox5), "GroupBox7");
    EditFilename = named(new QLineEdit(GroupBox7), "EditFilename");
    CheckBoxExFilename = checkBox("CheckBoxExFilename", "Exact", false, GroupBox7);
    CheckBoxContainsFilename = checkBox("CheckBoxContainsFilename", "Contains", false, GroupBox7);
    auto* nameRow = new QHBoxLayout(GroupBox7);
    nameRow->addWidget(plainLabel(QStringLiteral("Filename:"), GroupBox7));
    nameRow->addWidget(EditFilename, 1);
    nameRow->addWidget(CheckBoxExFilename);
    nameRow->addWidget(CheckBoxContainsFilename);

    GroupBox4 = named(new QGroupBox(QStringLiteral("ID3 tags"), GroupBox5), "GroupBox4");
    auto* tagGrid = new QGridLayout(GroupBox4);
    tagGrid->setVerticalSpacing(2); // the tab fits in the height of an 800x600 screen
    for (int i = 0; i < 7; ++i) {
        const QString field = fieldText(i);
        EditSearch[i] = named(new QLineEdit(GroupBox4), QStringLiteral("EditSearch") + field);
        CheckBoxEx[i] = checkBox(QStringLiteral("CheckBoxEx") + field, QStringLiteral("Exact"), false, GroupBox4);
        CheckBoxContains[i] =
            checkBox(QStringLiteral("CheckBoxContains") + field, QStringLiteral("Contains"), false, GroupBox4);
        tagGrid->addWidget(fieldLabel(i, GroupBox4), i, 0);
        addFieldWidget(tagGrid, i, i, 1, EditSearch[i]);
        tagGrid->addWidget(CheckBoxEx[i], i, 2);
        tagGrid->addWidget(CheckBoxContains[i], i, 3);
    }
    addSearchFieldRow(tagGrid, static_cast<int>(kFieldCount));
    tagGrid->addWidget(buildAudioCriteria(GroupBox4), static_cast<int>(kFieldCount) + 1, 0, 1, 4);
    tagGrid->setColumnStretch(1, 1);
    auto* criteria = new QVBoxLayout(GroupBox5);
    criteria->addWidget(GroupBox7);
    criteria->addWidget(GroupBox4);
}

// One more row for any named field beyond the seven, picked in the box where the others have their caption.
void TForm1::addSearchFieldRow(QGridLayout* grid, int row)
{
    ComboBoxSearchField = named(new QComboBox(GroupBox4), "ComboBoxSearchField");
    for (const NamedField& field : namedFields())
        if (!field.seven)
            ComboBoxSearchField->addItem(QString::fromLatin1(field.caption), QString::fromLatin1(field.name));
    // The box keeps to the captions' width; its list shows the long names whole.
    ComboBoxSearchField->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboBoxSearchField->setMinimumContentsLength(kSearchFieldChars);
    ComboBoxSearchField->setToolTip(QStringLiteral("Search a field beyond the seven too"));
    EditSearchField = named(new QLineEdit(GroupBox4), "EditSearchField");
    CheckBoxExField = checkBox("CheckBoxExField", "Exact", false, GroupBox4);
    CheckBoxContainsField = checkBox("CheckBoxContainsField", "Contains", false, GroupBox4);
    grid->addWidget(ComboBoxSearchField, row, 0);
    grid->addWidget(EditSearchField, row, 1);
    grid->addWidget(CheckBoxExField, row, 2);
    grid->addWidget(CheckBoxContainsField, row, 3);
}

void TForm1::wireSearchTab()
{
    wire(ToolButton8, &QToolButton::clicked, [this] { ToolButton8Click(); });
    wire(ToolButton13, &QToolButton::clicked, [this] { ToolButton13Click(); });
    wire(ButtonBrowseSearch, &QPushButton::clicked, [this] { ButtonBrowseSearchClick(); });
    wire(ButtonSearch, &QPushButton::clicked, [this] { ButtonSearchClick(); });
}

SearchRequest TForm1::searchRequestFromControls() const
{
    SearchRequest request;
    request.folder = pathBytes(EditSearchFolder->text());
    request.subfolders = CheckBoxSubfolders->isChecked();
    request.ignoreAccents = CheckBoxIgnoreAccents->isChecked();
    request.filename = {pathBytes(EditFilename->text()), CheckBoxExFilename->isChecked(),
                        CheckBoxContainsFilename->isChecked()};
    for (TagField field : kAllFields) {
        const std::size_t i = fieldIndex(field);
        request.fields[i] = {toUtf8(EditSearch[i]->text()), CheckBoxEx[i]->isChecked(), CheckBoxContains[i]->isChecked()};
    }
    if (!EditSearchField->text().isEmpty())
        request.more.push_back({namedField(toUtf8(ComboBoxSearchField->currentData().toString())),
                                {toUtf8(EditSearchField->text()), CheckBoxExField->isChecked(),
                                 CheckBoxContainsField->isChecked()}});
    return request;
}

void TForm1::ToolButton8Click() { StartSearch(); }

void TForm1::ButtonBrowseSearchClick()
{
    const QString folder = BrowseForFolder(QStringLiteral("Choose a folder with mp3 files"), EditSearchFolder->text());
    if (!folder.isEmpty())
        EditSearchFolder->setText(folder);
}

void TForm1::ButtonSearchClick() { StartSearch(); }
