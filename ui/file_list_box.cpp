// Fills a file list from one folder through the platform layer.
#include "file_list_box.h"

#include "qt_text.h"

#include "background_task.h"

#include "features/common/mp3_folder.h"
#include "features/common/text.h"

namespace {


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
        sortItems();
        return *unreadable;
    }
    connect(task, &BackgroundTask::finished, this, [this, unreadable] {
        sortItems();
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
