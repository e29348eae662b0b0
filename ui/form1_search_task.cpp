// The "Search" tab's search on a worker, with Cancel, and its results handed to the playlist.
#include "form1.h"

#include "background_task.h"
#include "qt_text.h"
#include "widget_helpers.h"

#include "features/common/text.h"
#include "features/index/indexed_files.h"
#include "features/search/search.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTreeWidget>

#include <algorithm>
#include <climits>
#include <memory>
#include <set>

namespace {

const QString kIgnoreAccentsKey = QStringLiteral("search/ignoreAccents");

// The found files not yet among `entries`, each once, in order.
std::vector<std::string> newEntries(const std::vector<std::string>& entries, const std::vector<std::string>& found)
{
    std::set<std::string> seen(entries.begin(), entries.end());
    std::vector<std::string> added;
    for (const std::string& path : found)
        if (seen.insert(path).second)
            added.push_back(path);
    return added;
}

} // namespace

// What a search found, its rows made on the worker in the file lists' order, so that tens of
// thousands of results cost the window's thread one insertion.
struct SearchShown {
    SearchOutcome outcome;
    QList<QTreeWidgetItem*> rows;
    ~SearchShown() { qDeleteAll(rows); }
};

void TForm1::StartSearch()
{
    if (m_search && m_search->running()) {
        m_search->cancel(); // the button reads "Cancel" while a search runs
        return;
    }
    if (EditSearchFolder->text().isEmpty()) {
        m_dialogs.error(QStringLiteral("Please select a folder to search."));
        return;
    }
    ProgressBarSearch->setValue(0);
    ListViewSearchResults->clear();
    LabelSearchCount->clear();
    SearchRequest request = searchRequestFromControls();
    if (!audioCriteriaFromControls(request.audio))
        return;
    m_search = std::make_unique<BackgroundTask>();
    auto outcome = std::make_shared<SearchShown>();
    connect(m_search.get(), &BackgroundTask::progressed, ProgressBarSearch, [this](qulonglong done, qulonglong total) {
        // A maximum of 0 would turn the bar into a busy indicator.
        ProgressBarSearch->setMaximum(static_cast<int>(std::clamp<qulonglong>(total, 1, INT_MAX)));
        ProgressBarSearch->setValue(static_cast<int>(std::min<qulonglong>(done, INT_MAX)));
    });
    connect(m_search.get(), &BackgroundTask::finished, this, [this, outcome] {
        ButtonSearch->setText(QStringLiteral("Search"));
        guarded([this, outcome] { showSearchOutcome(*outcome); });
    });
    const bool started = m_search->start([request, outcome](BackgroundTask& task) {
        Tid3tag v1;
        Tid3v2tag v2;
        const std::unique_ptr<TagIndex> index = indexForReading();
        outcome->outcome = runSearch(request, v1, v2, task.progress(), index.get());
        std::vector<std::string>& found = outcome->outcome.results;
        std::sort(found.begin(), found.end(), lessIgnoringCase);
        outcome->rows.reserve(static_cast<qsizetype>(found.size()));
        for (const std::string& path : found) {
            auto* row = new QTreeWidgetItem;
            setEntry(row, path);
            outcome->rows.append(row);
        }
    }, {withSeparator(request.folder)}, true);
    if (!started) {
        m_dialogs.error(QStringLiteral("Files of this folder are being saved or renamed; search again when that ends."));
        return;
    }
    ButtonSearch->setText(QStringLiteral("Cancel"));
    // A quick search shows its results at once.
    m_search->finishWithin(BackgroundTask::quietMs());
}

void TForm1::showSearchOutcome(SearchShown& shown)
{
    const qsizetype count = shown.rows.size();
    ListViewSearchResults->addTopLevelItems(shown.rows);
    shown.rows.clear(); // the list owns them now
    const bool cancelled = m_search && m_search->cancelRequested();
    LabelSearchCount->setText(QStringLiteral("%1 file(s) found").arg(count) +
                              (cancelled ? QStringLiteral(" before the search was cancelled") : QString()));
    if (!shown.outcome.unreadable.empty())
        m_dialogs.error(unreadableFoldersText(shown.outcome.unreadable));
}

void TForm1::ToolButton13Click()
{
    const std::vector<std::string> found = entriesOf(ListViewSearchResults);
    const Dialogs::Answer answer = m_dialogs.confirm(QStringLiteral(
        "Add these search results to the current playlist?\n\nYes appends them to the playlist, "
        "No replaces the playlist's entries with them, Cancel leaves the playlist as it is."));
    if (answer == Dialogs::Cancel)
        return;
    if (answer == Dialogs::No)
        ListViewPlaylist->clear();
    AppendPlaylistEntries(newEntries(entriesOf(ListViewPlaylist), found));
    PageControl1->setCurrentWidget(TabSheet1);
    if (EditCurrentPlaylist->text().isEmpty())
        SaveAsNewPlaylist();
}

void TForm1::saveSearchSettings(QSettings& settings) const
{
    settings.setValue(kIgnoreAccentsKey, CheckBoxIgnoreAccents->isChecked());
}

void TForm1::restoreSearchSettings(const QSettings& settings)
{
    CheckBoxIgnoreAccents->setChecked(settings.value(kIgnoreAccentsKey, true).toBool());
}
