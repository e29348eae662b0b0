// The window shell: the tab pages, the shared tool bar and folder box builders, and the
// error guard every handler runs under.
#include "form1.h"

#include "background_task.h"

#include "file_list_box.h"
#include "icons.h"
#include "qt_text.h"
#include "widget_helpers.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

namespace {

constexpr int kWindowWidth = 808, kWindowHeight = 570;
constexpr int kPageMargin = 7;
constexpr int kTabWidth = 90;
constexpr int kToolBarHeight = 33;
constexpr int kFolderBoxChars = 16;

class FixedWidthTabBar : public QTabBar {
public:
    using QTabBar::QTabBar;

protected:
    QSize tabSizeHint(int index) const override
    {
        // A caption wider than the fixed width would be cut off, so it gets what it needs.
        const QSize natural = QTabBar::tabSizeHint(index);
        return QSize(std::max(kTabWidth, natural.width()), natural.height());
    }
};

class FixedWidthTabs : public QTabWidget {
public:
    explicit FixedWidthTabs(QWidget* parent) : QTabWidget(parent)
    {
        setTabBar(new FixedWidthTabBar(this));
    }
};

IconRole imageOf(int index)
{
    switch (index) {
    case 0: return IconRole::Save;
    case 1: return IconRole::AddFolder;
    case 3: return IconRole::Close;
    case 4: return IconRole::Search;
    case 5: return IconRole::Export;
    default: return IconRole::Open;
    }
}

} // namespace

TForm1::TForm1(WindowDialogs& dialogs, std::unique_ptr<MusicFolderStore> musicFolders, QWidget* parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_musicFolders(std::move(musicFolders))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Varnoli"));
    setWindowIcon(makeIcon(IconRole::Application));
    resize(kWindowWidth, kWindowHeight);

    buildTabSheets();
    const QString filter =
        QStringLiteral("Playlists (*.m3u)|*.m3u|All Files (*.*)|*.*");
    OpenDialogPlaylist = {filter, QStringLiteral("m3u"), false, QString()};
    SaveDialogPlaylist = {filter, QStringLiteral("m3u"), true, QString()};

    buildPlaylistsTab();
    buildTagsTab();
    buildFilenameTab();
    buildSearchTab();
    buildHelpTab();
    buildTagTableTab();
    PageControl1->setCurrentWidget(TabSheet1);

    wirePlaylistsTab();
    wireTagsTab();
    wireFilenameTab();
    wireSearchTab();
    wireHelpTab();
    wireTagTableTab();
    wireKeys();
    // Leaving a box, a key in a list and a click on a help topic reach eventFilter.
    ComboBoxMusicFoldersFileEdit->installEventFilter(this);
    ListViewPlaylist->installEventFilter(this);
    ListViewSearchResults->installEventFilter(this);
    TreeView1->viewport()->installEventFilter(this);
}

void TForm1::buildTabSheets()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
    PageControl1 = named(new FixedWidthTabs(central), "PageControl1");
    layout->addWidget(PageControl1);
    setCentralWidget(central);

    const char* const captions[] = {"Playlists", "ID3 Tags", "Filename Edit", "Search", "Help"};
    QWidget** sheets[] = {&TabSheet1, &TabSheet2, &TabSheet3, &TabSheet4, &TabSheet5};
    for (int i = 0; i < 5; ++i) {
        *sheets[i] = named(new QWidget(PageControl1), QStringLiteral("TabSheet%1").arg(i + 1));
        PageControl1->addTab(*sheets[i], QString::fromLatin1(captions[i]));
    }
}

TForm1::~TForm1() = default;

void TForm1::guarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (...) {
        showUnexpectedError(std::current_exception());
    }
}

void TForm1::showUnexpectedError(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        m_dialogs.error(QString::fromUtf8(e.what()));
    } catch (...) {
        m_dialogs.error(QStringLiteral("An unexpected error occurred."));
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ComboBoxMusicFoldersFileEdit && event->type() == QEvent::FocusOut) {
        // Opening the box's own drop-down, or switching to another program, is not leaving it.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            guarded([this] { ComboBoxMusicFoldersFileEditExit(); });
    } else if ((watched == ListViewPlaylist || watched == ListViewSearchResults) &&
               event->type() == QEvent::KeyPress) {
        auto* list = static_cast<QTreeWidget*>(watched);
        guarded([this, list, event] { ListViewPlaylistKeyDown(list, static_cast<QKeyEvent*>(event)); });
    } else if (watched == TreeView1->viewport() && event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        guarded([this] { TreeView1Click(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

QToolBar* TForm1::makeToolBar(QWidget* tab)
{
    auto* bar = new QToolBar(tab);
    bar->setFixedHeight(kToolBarHeight);
    bar->setIconSize(QSize(25, 25));
    bar->setMovable(false);
    bar->addSeparator();
    return bar;
}

QToolButton* TForm1::addToolButton(QToolBar* bar, const char* name, int image, const char* hint)
{
    auto* button = named(new QToolButton(bar), name);
    button->setIcon(makeIcon(imageOf(image)));
    button->setIconSize(QSize(25, 25));
    button->setFixedSize(32, 31);
    button->setAutoRaise(true);
    button->setToolTip(QString::fromLatin1(hint));
    bar->addWidget(button);
    return button;
}

QCheckBox* TForm1::makeTreeBox(QWidget* parent, const char* name, FileListBox* list)
{
    auto* box = checkBox(name, "Include subfolders", false, parent);
    box->setToolTip(QStringLiteral("List the MP3 files of every folder below this one too"));
    wire(box, &QCheckBox::toggled, [this, box, list] {
        const UnreadableFolders unreadable = list->setSubfolders(box->isChecked());
        if (!unreadable.empty())
            m_dialogs.error(unreadableFoldersText(unreadable));
    });
    connect(list, &FileListBox::listingEnded, this, [this](const UnreadableFolders& unreadable) {
        if (!unreadable.empty())
            m_dialogs.error(unreadableFoldersText(unreadable));
    });
    // The fields show what the files hold now.
    connect(list, &FileListBox::changedOutside, this, [this, list] {
        if (list == FileListBoxMP3Files)
            guarded([this] { showTagSelection(FileListBoxMP3Files->selectedPaths()); });
    });
    return box;
}

QComboBox* TForm1::makeFolderBox(QWidget* parent, const char* name)
{
    auto* box = named(new QComboBox(parent), name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    // A long folder name must not widen the window; the splitter gives the box its width.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(kFolderBoxChars);
    box->setEditText(QStringLiteral("--Music Folders--"));
    return box;
}
