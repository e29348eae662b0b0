// Fills a file list from one folder through the platform layer.
#include "file_list_box.h"

#include "qt_text.h"

#include "background_task.h"

#include "features/common/mp3_folder.h"
#include "features/common/text.h"
#include "platform/file_system.h"

#include <QElapsedTimer>
#include <QItemSelection>

#include <algorithm>
#include <set>

namespace {

// Changes are taken up once they have settled this long.
constexpr int kSettleMs = 300;
constexpr std::size_t kWatchedFiles = 200;


// A row that sorts as the listing does: its bytes, ignoring case.
class ListedItem : public QListWidgetItem {
public:
    // Made outside the list: an item's every change inside it looks up its row, one by one.
    explicit ListedItem(const std::string& name) : QListWidgetItem(pathText(name)), m_name(name)
    {
        setData(Qt::UserRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    }
    bool operator<(const QListWidgetItem& other) const override
    {
        return lessIgnoringCase(m_name, static_cast<const ListedItem&>(other).m_name);
    }
    const std::string& name() const { return m_name; }

private:
    std::string m_name;
};

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
    UnreadableFolders unreadable =
        walkFolders(root, true, [&](const std::string& at, const std::vector<platform::DirEntry>& entries) {
            std::vector<std::string> names = mp3Names(entries, false);
            for (std::string& name : names)
                name.insert(0, at.substr(root.size()));
            add(std::move(names));
        }, task.progress());
    return task.progress().cancelled() ? UnreadableFolders() : unreadable;
}

} // namespace

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent)
{
    setUniformItemSizes(true);
    m_settle.setSingleShot(true);
    m_feed.setSingleShot(true);
    m_feed.setInterval(0);
    connect(&m_feed, &QTimer::timeout, this, [this] { feedRows(false); });
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &FileListBox::rereadChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        m_folderChanged = true;
        m_settle.start();
    });
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
    const QString folder = m_folder;
    // A file changed in place leaves the rows as they are: only its tags are read again.
    if (!platform::directoryExists(pathBytes(folder))) {
        clearDirectory();
    } else if (m_folderChanged) {
        m_keepSelected = selectedFileNames();
        reread();
    }
    m_folderChanged = false;
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
    if (!m_keepSelected.empty()) {
        const std::set<std::string> keep(m_keepSelected.begin(), m_keepSelected.end());
        std::vector<int> rows;
        for (int row = 0; row < count(); ++row)
            if (keep.count(fileNameAt(row)))
                rows.push_back(row);
        m_keepSelected.clear();
        selectRows(rows);
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
    return (m_listing && m_listing->running()) || !m_queued.empty() || m_ended;
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
    dropQueued();
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
        feedRows(true);
        listingDone();
        return *unreadable;
    }
    connect(task, &BackgroundTask::finished, this, [this, unreadable] {
        m_ended = std::make_unique<UnreadableFolders>(*unreadable);
        feedRows(false);
    });
    return {};
}

void FileListBox::addRows(std::vector<std::string> names)
{
    if (names.empty())
        return;
    m_queued.push_back(std::move(names));
    if (!m_feed.isActive())
        m_feed.start();
}

void FileListBox::feedRows(bool all)
{
    constexpr qint64 kSliceMs = 20;
    QElapsedTimer clock;
    clock.start();
    std::size_t added = 0;
    setUpdatesEnabled(false);
    while (!m_queued.empty() && (all || (added % 64 != 0 || clock.elapsed() < kSliceMs))) {
        std::vector<std::string>& batch = m_queued.front();
        std::string& name = batch[m_queuedAt];
        // The walk meets folders in the file system's order: each row goes where it sorts.
        int low = 0, high = count();
        while (low < high) {
            const int mid = (low + high) / 2;
            if (lessIgnoringCase(name, static_cast<const ListedItem*>(item(mid))->name()))
                high = mid;
            else
                low = mid + 1;
        }
        insertItem(low, new ListedItem(name));
        ++added;
        if (++m_queuedAt == batch.size()) {
            m_queued.erase(m_queued.begin());
            m_queuedAt = 0;
        }
    }
    setUpdatesEnabled(true);
    if (!m_queued.empty()) {
        m_feed.start();
        return;
    }
    if (m_ended) {
        const UnreadableFolders unreadable = std::move(*m_ended);
        m_ended.reset();
        listingDone();
        emit listingEnded(unreadable);
    }
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
    dropQueued();
    m_folder.clear();
    clear();
}

void FileListBox::dropQueued()
{
    m_feed.stop();
    m_queued.clear();
    m_queuedAt = 0;
    m_ended.reset();
}

std::string FileListBox::fileNameAt(int row) const
{
    const QListWidgetItem* it = item(row);
    return it ? it->data(Qt::UserRole).toByteArray().toStdString() : std::string();
}

void FileListBox::selectRows(const std::vector<int>& rows)
{
    QItemSelection selection;
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t last = i;
        while (last + 1 < rows.size() && rows[last + 1] == rows[last] + 1)
            ++last;
        selection.select(model()->index(rows[i], 0), model()->index(rows[last], 0));
        i = last + 1;
    }
    selectionModel()->select(selection, QItemSelectionModel::Select);
}

// From the selection model: an item's own isSelected() looks its row up, so asking each of
// 100,000 rows blocked the window for seconds.
std::vector<std::string> FileListBox::selectedFileNames() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    std::vector<std::string> names;
    names.reserve(rows.size());
    for (int row : rows)
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
