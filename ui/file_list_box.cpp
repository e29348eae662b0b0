// Fills a file list from one folder through the platform layer.
#include "file_list_box.h"

#include "qt_text.h"

#include "background_task.h"

#include "features/common/mp3_folder.h"
#include "features/common/text.h"
#include "platform/file_system.h"

#include <set>

namespace {

// Changes are taken up once they have settled this long.
constexpr int kSettleMs = 300;
constexpr std::size_t kWatchedFiles = 200;


// A row that sorts as the listing does: its bytes, ignoring case.
class ListedItem : public QListWidgetItem {
public:
    ListedItem(const std::string& name, QListWidget* list) : QListWidgetItem(pathText(name), list), m_name(name)
    {
        setData(Qt::UserRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    }
    bool operator<(const QListWidgetItem& other) const override
    {
        return lessIgnoringCase(m_name, static_cast<const ListedItem&>(other).m_name);
    }

private:
    std::string m_name;
};

// Thrown from the walk's visitor to leave a cancelled walk at once.
struct ListingCancelled {};

// The folder's MP3 names, handed to the window in batches as each folder is read.
UnreadableFolders listInBatches(BackgroundTask& task, const std::string& folder, bool subfolders,
                                const std::function<void(std::vector<std::string>)>& add)
{
    if (!subfolders) {
        UnreadableFolders unreadable;
        add(listMp3Files(folder, unreadable));
        return unreadable;
    }
    const std::string root = withSeparator(folder);
    try {
        return walkFolders(root, true, [&](const std::string& at, const std::vector<platform::DirEntry>& entries) {
            if (task.progress().cancelled())
                throw ListingCancelled();
            std::vector<std::string> names = mp3Names(entries, false);
            for (std::string& name : names)
                name.insert(0, at.substr(root.size()));
            add(std::move(names));
        });
    } catch (const ListingCancelled&) {
        return {};
    }
}

} // namespace

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent)
{
    setUniformItemSizes(true);
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &FileListBox::rereadChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(this, &QListWidget::itemSelectionChanged, this, &FileListBox::watchSelection);
}

void FileListBox::rereadChanged()
{
    // Never while our own save or rename holds files of the folder: its end re-reads them.
    if (m_folder.isEmpty() || listing() || BackgroundTask::held({folderBytes()})) {
        m_settle.start();
        return;
    }
    m_keepSelected = selectedFileNames();
    const QString folder = m_folder;
    if (!platform::directoryExists(pathBytes(folder)))
        clearDirectory();
    else if (!listing())
        reread();
    emit changedOutside();
}

void FileListBox::watchSelection()
{
    const QStringList files = m_watcher.files();
    if (!files.isEmpty())
        m_watcher.removePaths(files);
    const std::vector<std::string> paths = selectedPaths();
    // Only a few files are watched one by one; changes to the rest show on the next read.
    for (std::size_t i = 0; i < paths.size() && i < kWatchedFiles; ++i)
        m_watcher.addPath(pathText(paths[i]));
}

void FileListBox::listingDone()
{
    sortItems();
    if (!m_keepSelected.empty()) {
        const std::set<std::string> keep(m_keepSelected.begin(), m_keepSelected.end());
        for (int row = 0; row < count(); ++row)
            if (keep.count(fileNameAt(row)))
                item(row)->setSelected(true);
        m_keepSelected.clear();
    }
    const QStringList folders = m_watcher.directories();
    if (!folders.isEmpty())
        m_watcher.removePaths(folders);
    if (!m_folder.isEmpty())
        m_watcher.addPath(m_folder);
}

FileListBox::~FileListBox() = default;

bool FileListBox::listing() const
{
    return m_listing && m_listing->running();
}

UnreadableFolders FileListBox::setDirectory(const QString& folder)
{
    if (folder == m_folder)
        return {};
    m_folder = folder;
    return reread();
}

UnreadableFolders FileListBox::reread()
{
    m_listing.reset(); // a listing of what was shown before ends here
    clear();
    if (m_folder.isEmpty())
        return {};
    m_listing = std::make_unique<BackgroundTask>();
    auto unreadable = std::make_shared<UnreadableFolders>();
    BackgroundTask* task = m_listing.get();
    task->start([this, unreadable, folder = pathBytes(m_folder), tree = m_subfolders](BackgroundTask& t) {
        *unreadable = listInBatches(t, folder, tree, [this, &t](std::vector<std::string> names) {
            if (!names.empty())
                t.post([this, names = std::move(names)] { addRows(names); });
        });
    });
    if (task->finishWithin(BackgroundTask::quietMs())) {
        listingDone();
        return *unreadable;
    }
    connect(task, &BackgroundTask::finished, this, [this, unreadable] {
        listingDone();
        emit listingEnded(*unreadable);
    });
    return {};
}

void FileListBox::addRows(const std::vector<std::string>& names)
{
    setUpdatesEnabled(false);
    for (const std::string& name : names)
        new ListedItem(name, this);
    setUpdatesEnabled(true);
}

UnreadableFolders FileListBox::setSubfolders(bool on)
{
    if (on == m_subfolders)
        return {};
    m_subfolders = on;
    return reread();
}

void FileListBox::clearDirectory()
{
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    m_listing.reset();
    m_folder.clear();
    clear();
}

std::string FileListBox::fileNameAt(int row) const
{
    const QListWidgetItem* it = item(row);
    return it ? it->data(Qt::UserRole).toByteArray().toStdString() : std::string();
}

std::vector<std::string> FileListBox::selectedFileNames() const
{
    std::vector<std::string> names;
    for (int row = 0; row < count(); ++row)
        if (item(row)->isSelected())
            names.push_back(fileNameAt(row));
    return names;
}

std::string FileListBox::folderBytes() const
{
    return m_folder.isEmpty() ? std::string() : withSeparator(pathBytes(m_folder));
}

std::vector<std::string> FileListBox::selectedPaths() const
{
    const std::string folder = folderBytes();
    std::vector<std::string> paths;
    for (const std::string& name : selectedFileNames())
        paths.push_back(folder + name);
    return paths;
}
