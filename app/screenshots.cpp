// Starts the real window and saves a picture of each tab, for the README.
// Usage: varnoli-screenshots OUTPUT_FOLDER (run where musicdirs.xml is, like the program).
#include "startup.h"

#include "features/tagedit/batch_save.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"
#include "ui/window_dialogs.h"
#include "ui/file_list_box.h"
#include "ui/form1.h"
#include "ui/icons.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QDir>
#include <QTabWidget>
#include <QThread>
#include <QTreeWidget>

#include <cstdio>
#include <utility>

namespace {

void settle()
{
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(25);
    }
}

// A small cover made here, so no image file needs keeping: a gradient with the album's initials.
std::vector<uint8_t> demoCover()
{
    QImage image(240, 240, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 240, 240);
    gradient.setColorAt(0, QColor(0x1f, 0x4e, 0x79));
    gradient.setColorAt(1, QColor(0xe0, 0x8a, 0x3c));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(72);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("DA"));
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return std::vector<uint8_t>(png.begin(), png.end());
}

// The first file of the "ID3 Tags" list gets the cover, as the tab's Set button gives it.
void giveFirstFileACover(TForm1& window, Dialogs& dialogs)
{
    if (window.FileListBoxMP3Files->count() == 0)
        return;
    BatchSaveRequest request;
    request.saveV1 = false;
    request.files = {window.FileListBoxMP3Files->folderBytes() + window.FileListBoxMP3Files->fileNameAt(0)};
    request.v2.picture = {PictureChange::Kind::SetFrontCover, "image/png", demoCover()};
    Tid3tag v1;
    Tid3v2tag v2;
    runBatchSave(request, v1, v2, dialogs);
}

// Show the first listed folder in each box, the way a user would pick it; then a playlist
// of the whole folder, one file's tags, a name built from tags, a search, the tag table and a
// help page.
void fillTabs(TForm1& window, Dialogs& dialogs)
{
    for (QComboBox* box : {window.ComboBoxMusicFoldersPlaylist, window.ComboBoxMusicFolders,
                           window.ComboBoxMusicFoldersFileEdit})
        if (box->count() > 0)
            box->setCurrentIndex(0);
    window.FileListBoxMP3Playlist->selectAll();
    window.BitBtnToPlaylistClick();
    giveFirstFileACover(window, dialogs);
    window.FileListBoxMP3Files->setCurrentRow(0);
    // The name from the ID3v2 tag, whose title holds the whole text in any script.
    window.PageControl2->setCurrentIndex(1);
    window.FileListBoxMP3FilesFileEdit->setCurrentRow(0);
    window.EditDelimiterV2->setText(QStringLiteral(" - "));
    window.ComboBoxFileV2[0]->setCurrentText(QStringLiteral("Track"));
    window.ComboBoxFileV2[1]->setCurrentText(QStringLiteral("Title"));
    const QString music = window.ComboBoxMusicFolders->currentText();
    window.EditSearchFolder->setText(QDir::cleanPath(music + QStringLiteral("/..")) + QLatin1Char('/'));
    window.CheckBoxSubfolders->setChecked(true);
    // Lower case finds the Greek title: letter case is folded in every script.
    window.EditSearch[1]->setText(QString::fromUtf8("καλημέρα"));
    window.ButtonSearchClick();
    // The tag table of the same folder, with a column beyond the seven.
    window.EditTableColumns->setText(QStringLiteral("track, title, artist, album, year, genre, albumartist"));
    window.EditTableColumnsExit();
    window.ComboBoxMusicFoldersTable->setEditText(music);
    window.TreeView1->setCurrentItem(window.TreeView1->topLevelItem(0));
    window.TreeView1->expandAll();
    window.TreeView1Click();
}

bool saveTabPictures(TForm1& window, const QDir& out)
{
    // Numbered in the order the README shows them; the tag table came last.
    const std::pair<QWidget*, const char*> pages[] = {
        {window.TabSheet1, "1-playlists"}, {window.TabSheet2, "2-id3-tags"}, {window.TabSheet3, "3-filename-edit"},
        {window.TabSheet4, "4-search"}, {window.TabSheet5, "5-help"}, {window.TabSheetTable, "6-tag-table"}};
    for (const auto& [page, name] : pages) {
        window.PageControl1->setCurrentWidget(page);
        settle();
        const QString file = out.filePath(QStringLiteral("%1.png").arg(QString::fromLatin1(name)));
        if (!window.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: varnoli-screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnoli"));
    QApplication::setWindowIcon(makeIcon(IconRole::Application));
    applySettingsLocation();

    QtDialogs dialogs;
    std::unique_ptr<TForm1> window =
        startWindow(dialogs, QDir::current().absoluteFilePath(QStringLiteral("musicdirs.xml")));
    if (!window)
        return 1;
    window->show();
    fillTabs(*window, dialogs);
    return saveTabPictures(*window, QDir(QString::fromLocal8Bit(argv[1]))) ? 0 : 1;
}
