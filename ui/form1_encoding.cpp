// "Fix text encoding…" on the "ID3 Tags" tab, and the code page 8-bit tags are read in.
#include "form1.h"

#include "features/encoding/code_page_guess.h"
#include "features/encoding/eight_bit_text.h"
#include "features/encoding/misread_texts.h"
#include "file_list_box.h"
#include "qt_text.h"
#include "shared_tags.h"
#include "widget_helpers.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QToolBar>
#include <QToolButton>

namespace {

const QString kLatin1 = QStringLiteral("ISO-8859-1");
const QString kGuess = QStringLiteral("guessed");
const QString kSettingKey = QStringLiteral("tags/eightBitCodePage");

QStringList codePageNames()
{
    QStringList names;
    for (const std::string& page : knownCodePages())
        names << toQString(page);
    return names;
}

std::vector<QStringList> previewRows(const std::vector<FileSuspects>& files)
{
    std::vector<QStringList> rows;
    for (const FileSuspects& file : files)
        for (const SuspectText& text : file.texts)
            rows.push_back({QFile::decodeName(file.path.c_str()),
                            QString(text.v1 ? "ID3v1 " : "") + toQString(text.field->caption), toQString(text.now),
                            text.writable ? toQString(text.after) : QStringLiteral("(ID3v1 keeps its bytes)"),
                            toQString(file.codePage)});
    return rows;
}

} // namespace

void TForm1::addEncodingControls(QToolBar* bar)
{
    bar->addSeparator();
    FixTextEncoding = addTextButton(bar, "FixTextEncoding", QStringLiteral("Fix text encoding…"),
                                    QStringLiteral("Show the selected files' texts written in a legacy code page "
                                                   "as they should read, and save them so"));
    wire(FixTextEncoding, &QToolButton::clicked, [this] { FixTextEncodingClick(); });
}

// Beside "Enable Save (ID3 version 1)": the code page belongs to that tag, and the tool bar is full.
void TForm1::addEightBitCodePageBox(QGroupBox* v1Group, QCheckBox* enableV1)
{
    ComboBoxEightBitCodePage = named(new QComboBox(v1Group), "ComboBoxEightBitCodePage");
    ComboBoxEightBitCodePage->addItem(kLatin1);
    ComboBoxEightBitCodePage->addItems(codePageNames());
    ComboBoxEightBitCodePage->setToolTip(QStringLiteral("The code page ID3v1 tags are read and written in"));
    auto* grid = static_cast<QGridLayout*>(v1Group->layout());
    grid->removeWidget(enableV1);
    grid->addWidget(enableV1, 0, 0, 1, 2);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Code page:"), v1Group));
    row->addWidget(ComboBoxEightBitCodePage, 1);
    grid->addLayout(row, 0, 2);
    wire(ComboBoxEightBitCodePage, &QComboBox::currentTextChanged, [this] { ComboBoxEightBitCodePageChange(); });
}

void TForm1::restoreEightBitCodePage()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Varnoli"));
    settings.setFallbacksEnabled(false);
    const int index = ComboBoxEightBitCodePage->findText(settings.value(kSettingKey, kLatin1).toString());
    ComboBoxEightBitCodePage->setCurrentIndex(index < 0 ? 0 : index);
}

void TForm1::ComboBoxEightBitCodePageChange()
{
    const QString chosen = ComboBoxEightBitCodePage->currentText();
    setEightBitCodePage(chosen == kLatin1 ? std::string() : toUtf8(chosen));
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Varnoli"));
    settings.setValue(kSettingKey, chosen);
    if (!FileListBoxMP3Files->selectedItems().isEmpty())
        FileListBoxMP3FilesClick();
}

void TForm1::FixTextEncodingClick()
{
    const std::vector<std::string> paths = FileListBoxMP3Files->selectedPaths();
    if (paths.empty()) {
        m_dialogs.info(QStringLiteral("Please select the files whose texts to fix in the list first."));
        return;
    }
    std::vector<FileSuspects> files;
    CodePageQuestion question;
    question.headers = {QStringLiteral("File"), QStringLiteral("Field"), QStringLiteral("Now"),
                        QStringLiteral("After"), QStringLiteral("Code page")};
    question.codePages = QStringList{kGuess} + codePageNames();
    question.rowsFor = [&](const QString& codePage) {
        const std::optional<std::string> from =
            codePage == kGuess ? std::nullopt : std::optional<std::string>(toUtf8(codePage));
        files.clear();
        for (const std::string& path : paths)
            files.push_back(findSuspectTexts(path, from, SharedTagV1, SharedTagV2));
        return previewRows(files);
    };
    if (m_dialogs.askCodePageFix(question) != Dialogs::Yes)
        return;
    const BatchSaveRequest request = encodingFixRequest(files);
    if (request.files.empty()) {
        m_dialogs.info(QStringLiteral("The selected files hold no text to fix."));
        return;
    }
    saveOnTagsTab(request);
}
