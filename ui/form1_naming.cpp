// The patterns of names: the "Filename Edit" tab's rename pattern, the "ID3 Tags" tab's
// "Actions…" box, and the naming choices the window keeps between runs.
#include "form1.h"

#include "actions_dialog.h"
#include "file_list_box.h"
#include "qt_text.h"
#include "widget_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSettings>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

namespace {

constexpr int kRenamePatternWidth = 260;

QString positionsKey(bool v2) { return v2 ? QStringLiteral("naming/positionsV2") : QStringLiteral("naming/positions"); }

} // namespace

void TForm1::addRenamePatternBox(QToolBar* bar)
{
    EditRenamePattern = named(new QLineEdit(bar), "EditRenamePattern");
    EditRenamePattern->setFixedWidth(kRenamePatternWidth);
    EditRenamePattern->setToolTip(QStringLiteral(
        "\"Rename selected\" by a pattern: {artist}/{album}/[{disc}-]{track:02} {title}; a \"/\" makes folders "
        "below the folder shown. Empty: the fields and the delimiter below"));
    bar->addWidget(EditRenamePattern);
}

void TForm1::showPositionsPattern()
{
    const bool v2 = PageControl2->currentIndex() == 1;
    std::vector<const NamedField*> positions;
    for (const QComboBox* box : v2 ? ComboBoxFileV2 : ComboBoxFile)
        positions.push_back(positionNamedField(box->currentText().toStdString()));
    const QLineEdit* delimiter = v2 ? EditDelimiterV2 : EditDelimiter;
    EditRenamePattern->setPlaceholderText(toQString(
        positionsPattern(positions, toUtf8(delimiter->text()), CheckBoxTwoDigitTrack->isChecked() ? 2 : 0)));
}

std::optional<NameSource> TForm1::renameSource()
{
    NameSource source = filenameSource();
    if (EditRenamePattern->text().isEmpty())
        return source;
    std::string problem;
    source.pattern = parsePattern(toUtf8(EditRenamePattern->text()), problem);
    if (!source.pattern) {
        m_dialogs.error("The pattern cannot be used: " + problem + ".");
        return std::nullopt;
    }
    source.base = FileListBoxMP3FilesFileEdit->folderBytes();
    return source;
}

BatchSaveOutcome TForm1::saveOnTagsTab(const BatchSaveRequest& request)
{
    const BatchSaveOutcome outcome = saveInBackground(request, QStringLiteral("Saving"));
    showSaveNotes(outcome);
    // The fields on show may be those of files just saved.
    if (!FileListBoxMP3Files->selectedItems().isEmpty())
        FileListBoxMP3FilesClick();
    return outcome;
}

void TForm1::addActionsButton(QToolBar* bar)
{
    ActionsButton = addTextButton(bar, "ActionsButton", QStringLiteral("Actions…"),
                                  QStringLiteral("Change chosen fields of the selected files at once, or run a recipe"));
    wire(ActionsButton, &QToolButton::clicked, [this] { ActionsClick(); });
}

void TForm1::ActionsClick()
{
    const std::vector<std::string> files = FileListBoxMP3Files->selectedPaths();
    if (files.empty()) {
        m_dialogs.info(QStringLiteral("Please select the files to change in the list first."));
        return;
    }
    auto* box = new ActionsDialog(files, m_dialogs, [this](const BatchSaveRequest& request) {
        return !saveOnTagsTab(request).failures;
    }, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->show();
}

void TForm1::saveNamingSettings(QSettings& settings) const
{
    for (const bool v2 : {false, true}) {
        QStringList positions;
        for (const QComboBox* box : v2 ? ComboBoxFileV2 : ComboBoxFile)
            positions << box->currentText();
        settings.setValue(positionsKey(v2), positions);
    }
    settings.setValue(QStringLiteral("naming/delimiter"), EditDelimiter->text());
    settings.setValue(QStringLiteral("naming/delimiterV2"), EditDelimiterV2->text());
    settings.setValue(QStringLiteral("naming/twoDigits"), CheckBoxTwoDigitTrack->isChecked());
    settings.setValue(QStringLiteral("naming/fromV2"), PageControl2->currentIndex() == 1);
    settings.setValue(QStringLiteral("naming/renamePattern"), EditRenamePattern->text());
    settings.setValue(QStringLiteral("naming/fillPattern"), EditNamePattern->text());
}

void TForm1::restoreNamingSettings(const QSettings& settings)
{
    for (const bool v2 : {false, true}) {
        const QStringList positions = settings.value(positionsKey(v2)).toStringList();
        const auto& boxes = v2 ? ComboBoxFileV2 : ComboBoxFile;
        for (std::size_t i = 0; i < boxes.size() && i < static_cast<std::size_t>(positions.size()); ++i)
            boxes[i]->setEditText(positions[static_cast<int>(i)]);
    }
    const auto text = [&](const char* key, QLineEdit* edit) {
        if (settings.contains(QString::fromLatin1(key)))
            edit->setText(settings.value(QString::fromLatin1(key)).toString());
    };
    text("naming/delimiter", EditDelimiter);
    text("naming/delimiterV2", EditDelimiterV2);
    text("naming/renamePattern", EditRenamePattern);
    text("naming/fillPattern", EditNamePattern);
    CheckBoxTwoDigitTrack->setChecked(settings.value(QStringLiteral("naming/twoDigits"), false).toBool());
    PageControl2->setCurrentIndex(settings.value(QStringLiteral("naming/fromV2"), false).toBool() ? 1 : 0);
    showPositionsPattern();
}
