// The window, offscreen, on a generated tree: time to the first row and to the last, the
// longest time its event loop was blocked, and the peak memory, for listing, search, the tag
// table (open, scroll to the end, sort by artist), and reading, saving and undoing a selection
// of up to 10,000 files.
// window_bench FOLDER [FILES] [index|no-index]: FOLDER is made and filled (100 files a folder)
// unless it exists; the tag index is the one in $XDG_CACHE_HOME, or none with "no-index".
#include "bench_util.h"

#include "app/startup.h"
#include "ui/background_task.h"
#include "ui/file_list_box.h"
#include "ui/form1.h"
#include "ui/tag_table_model.h"
#include "ui/tag_table_view.h"
#include "ui/window_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

// A small MP3: an ID3v2.3 tag with a title and an artist, and a little audio.
std::string songBytes(int n)
{
    const auto frame = [](const char* id, const std::string& text) {
        const std::size_t size = text.size() + 1;
        return std::string(id) + std::string{0, 0, char(size >> 8), char(size & 0xFF), 0, 0, 0} + text;
    };
    const std::string frames = frame("TIT2", "Song " + std::to_string(n)) + frame("TPE1", n % 10 ? "Band" : "Beat");
    const std::size_t size = frames.size() + 64;
    std::string tag = std::string("ID3\3\0\0", 6) + char(0) + char(0) + char((size >> 7) & 0x7F) + char(size & 0x7F);
    return tag + frames + std::string(64, '\0') + std::string(400, '\x55');
}

void makeTree(const std::string& root, int files)
{
    for (int i = 0; i < files; ++i) {
        const std::string folder = root + "/Disc " + std::to_string(i / 100);
        std::filesystem::create_directories(folder);
        std::ofstream(folder + "/" + std::to_string(i % 100) + ".mp3", std::ios::binary) << songBytes(i);
    }
}

// Runs `start`, then the event loop until `done`; reports the first and last moments and the
// longest gap between ticks of a 10 ms timer.
void measure(const char* what, const std::function<void()>& start, const std::function<bool()>& shown,
             const std::function<bool()>& done)
{
    QElapsedTimer clock, gap;
    qint64 longest = 0, first = -1;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, gap.restart());
        if (first < 0 && shown())
            first = clock.elapsed();
    });
    clock.start();
    gap.start();
    tick.start();
    start();
    while (!done())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    longest = std::max(longest, gap.elapsed());
    std::printf("%-8s first %6lld ms  last %6lld ms  longest block %5lld ms  VmHWM %ld KiB\n", what,
                static_cast<long long>(first < 0 ? clock.elapsed() : first), static_cast<long long>(clock.elapsed()),
                static_cast<long long>(longest), bench::peakResidentKiB());
}

// Says yes to every question and prints every message, so that nothing waits for a person.
class YesDialogs : public QtDialogs {
public:
    using QtDialogs::confirm;
    using QtDialogs::error;
    using QtDialogs::info;
    using QtDialogs::message;
    void message(const std::string& text) override { std::fprintf(stderr, "message: %s\n", text.c_str()); }
    void info(const std::string& text) override { std::fprintf(stderr, "info: %s\n", text.c_str()); }
    void error(const std::string& text) override { std::fprintf(stderr, "error: %s\n", text.c_str()); }
    Answer confirm(const std::string&) override { return Yes; }
    Answer askSaveChanges(const QString&) override { return No; }
};

constexpr int kSelected = 10000;

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_bench FOLDER [FILES]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool withIndex = !(argc > 3 && std::string(argv[3]) == "no-index");
    if (!withIndex)
        qputenv("XDG_CACHE_HOME", "/dev/null/none"); // no cache folder, so no index
    QApplication app(argc, argv);
    const std::string root = std::filesystem::absolute(argv[1]).string() + "/";
    const int files = argc > 2 ? std::atoi(argv[2]) : 10000;
    if (!std::filesystem::exists(root))
        makeTree(root, files);
    const std::string setup = root + ".bench-setup/";
    std::filesystem::create_directories(setup);
    std::ofstream(setup + "Varnoli.conf") << "[General]\ninstalldir=" << setup << "\n";
    std::ofstream(setup + "musicdirs.xml") << "<?xml version=\"1.0\"?>\n<musicdirs><folder>" << root
                                           << "</folder></musicdirs>\n";
    qputenv(kSettingsDirVariable, QByteArray::fromStdString(setup));
    // The undo journal and the person's own settings stay beside the tree; every run starts
    // from the same settings.
    std::filesystem::remove_all(setup + "config");
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(setup + "state"));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(setup + "config"));
    applySettingsLocation();
    YesDialogs dialogs;
    std::unique_ptr<TForm1> window = startWindow(dialogs, QString::fromStdString(setup + "musicdirs.xml"));
    if (!window)
        return 1;
    std::printf("%s\n", withIndex ? "through the tag index" : "without the tag index");
    BackgroundTask::setQuietMs(50);
    FileListBox* list = window->FileListBoxMP3Files;
    measure("listing", [&] {
        window->CheckBoxTree->setChecked(true);
        window->ComboBoxMusicFolders->setCurrentIndex(0);
    }, [&] { return list->count() > 0; }, [&] { return list->count() > 0 && !list->listing(); });
    measure("search", [&] {
        window->EditSearchFolder->setText(QString::fromStdString(root));
        window->CheckBoxSubfolders->setChecked(true);
        window->EditSearch[0]->setText(QStringLiteral("beat"));
        window->ButtonSearch->click();
    }, [&] { return window->ListViewSearchResults->topLevelItemCount() > 0; },
            [&] { return !window->LabelSearchCount->text().isEmpty(); });
    std::printf("%d rows listed, %d found\n", list->count(), window->ListViewSearchResults->topLevelItemCount());

    TagTableModel* table = window->TableViewTags->tableModel();
    measure("table", [&] {
        window->CheckBoxTreeTable->setChecked(true);
        window->ComboBoxMusicFoldersTable->setEditText(QString::fromStdString(root));
        window->PageControl1->setCurrentWidget(window->TabSheetTable);
    }, [&] { return table->rowCount() > 0; }, [&] { return table->rowCount() > 0 && !table->loading(); });
    measure("scroll", [&] { window->TableViewTags->scrollToBottom(); }, [] { return true; }, [] { return true; });
    measure("sort", [&] { window->TableHeaderClick(2); }, [] { return true; }, [] { return true; }); // by artist
    const int selected = std::min(kSelected, list->count());
    window->PageControl1->setCurrentWidget(window->TabSheet2);
    measure("select", [&] {
        list->selectionModel()->select(QItemSelection(list->model()->index(0, 0), list->model()->index(selected - 1, 0)),
                                       QItemSelectionModel::ClearAndSelect);
    }, [] { return true; }, [] { return true; });
    measure("save", [&] {
        window->EditTitleV2->setText(QStringLiteral("Bench title"));
        window->EditTitleV2->setModified(true);
        window->ToolButton4->click();
    }, [] { return true; }, [] { return true; });
    measure("undo", [&] { window->UndoLastSave->click(); }, [] { return true; }, [] { return true; });
    std::printf("%d files selected, saved and undone\n", selected);
    return 0;
}
