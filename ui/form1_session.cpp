// What the window keeps between runs (its place on the screen, each tab's last folder), its
// keys, and the question about unsaved work before it closes.
#include "form1.h"

#include "file_list_box.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeySequence>
#include <QLineEdit>
#include <QSettings>
#include <QShortcut>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>
#include <optional>

namespace {

// The person's own settings file, apart from the machine-wide one that names the install folder.
std::unique_ptr<QSettings> userSettings()
{
    auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                QStringLiteral("Varnoli"));
    settings->setFallbacksEnabled(false);
    return settings;
}

QString folderKey(const FileListBox* list) { return QStringLiteral("folders/") + list->objectName(); }
QString treeKey(const FileListBox* list) { return QStringLiteral("subfolders/") + list->objectName(); }

void addKeyToHint(QWidget* widget, const QKeySequence& keys)
{
    widget->setToolTip(widget->toolTip() + QStringLiteral(" (%1)").arg(keys.toString(QKeySequence::NativeText)));
}

} // namespace

void TForm1::wireKeys()
{
    const auto key = [this](const QKeySequence& keys, std::function<void()> handler) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        wire(shortcut, &QShortcut::activated, std::move(handler));
    };
    key(QKeySequence::Save, [this] { SaveKey(); });
    key(QKeySequence::Undo, [this] { UndoKey(); });
    key(QKeySequence(Qt::Key_F5), [this] { RereadKey(); });
    key(QKeySequence::Open, [this] { OpenFolderKey(); });
    key(QKeySequence::Find, [this] { SearchKey(); });

    for (QWidget* w : {ToolButton4, ToolButton6, ToolButtonTableSave})
        addKeyToHint(w, QKeySequence::Save);
    for (QWidget* w : {UndoLastSave, UndoLastRename})
        addKeyToHint(w, QKeySequence::Undo);
    for (QWidget* w : {ToolButton3, ToolButton1, ToolButton14})
        addKeyToHint(w, QKeySequence::Open);
    addKeyToHint(ToolButton8, QKeySequence::Find);

    // The ID3v1 group top to bottom, then the ID3v2 group; each field before its box.
    QWidget* previous = CheckBoxEnableV1;
    const auto then = [this, &previous](QWidget* next) {
        setTabOrder(previous, next);
        previous = next;
    };
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        then(FieldsV1[i]);
        then(CheckBoxV1[i]);
    }
    then(CheckBoxEnableV2);
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        then(FieldsV2[i]);
        then(CheckBoxV2[i]);
    }
}

void TForm1::SaveKey()
{
    if (PageControl1->currentWidget() == TabSheet2 && ToolButton4->isEnabled())
        ToolButton4Click();
    else if (PageControl1->currentWidget() == TabSheet1)
        ToolButton6Click();
    else if (PageControl1->currentWidget() == TabSheetTable)
        ToolButtonTableSaveClick();
}

void TForm1::UndoKey()
{
    if (PageControl1->currentWidget() == TabSheet2 || PageControl1->currentWidget() == TabSheetTable)
        UndoLastSaveClick();
    else if (PageControl1->currentWidget() == TabSheet3)
        UndoLastRenameClick();
}

void TForm1::RereadKey()
{
    if (PageControl1->currentWidget() == TabSheetTable) {
        RereadTable();
        return;
    }
    const std::optional<FolderTab> tab = folderTabInFront();
    if (!tab)
        return;
    const UnreadableFolders unreadable = folderList(*tab)->reread();
    if (!unreadable.empty())
        m_dialogs.error(unreadableFoldersText(unreadable));
}

std::optional<TForm1::FolderTab> TForm1::folderTabInFront() const
{
    QWidget* tab = PageControl1->currentWidget();
    if (tab == TabSheet1)
        return FolderTab::Playlists;
    if (tab == TabSheet2)
        return FolderTab::Id3Tags;
    if (tab == TabSheet3)
        return FolderTab::FilenameEdit;
    return std::nullopt;
}

void TForm1::OpenFolderKey()
{
    QWidget* tab = PageControl1->currentWidget();
    if (tab == TabSheet1)
        ToolButton14Click();
    else if (tab == TabSheet2)
        ToolButton3Click();
    else if (tab == TabSheet3)
        ToolButton1Click();
    else if (tab == TabSheet4)
        ButtonBrowseSearchClick();
}

void TForm1::SearchKey()
{
    PageControl1->setCurrentWidget(TabSheet4);
    EditFilename->setFocus(Qt::ShortcutFocusReason);
}

void TForm1::rememberFolder(const FileListBox* list)
{
    userSettings()->setValue(folderKey(list), list->directory());
}

void TForm1::restoreSession()
{
    const std::unique_ptr<QSettings> settings = userSettings();
    const QByteArray geometry = settings->value(QStringLiteral("window/geometry")).toByteArray();
    m_placeRestored = !geometry.isEmpty() && restoreGeometry(geometry);
    for (const FolderTab tab : kFolderTabs) {
        const FolderControls controls = folderControls(tab);
        controls.tree->setChecked(settings->value(treeKey(controls.list), false).toBool());
        // A folder gone since is not brought back, nor dropped from the list, on its own.
        const QString folder = settings->value(folderKey(controls.list)).toString();
        if (isExistingDirectory(folder))
            controls.box->setEditText(folder);
    }
    restoreNamingSettings(*settings);
    restoreTableSettings(*settings);
    restoreSearchSettings(*settings);
    restoreEightBitCodePage();
    ShowHelpMainPage();
}

void TForm1::saveSession()
{
    const std::unique_ptr<QSettings> settings = userSettings();
    settings->setValue(QStringLiteral("window/geometry"), saveGeometry());
    for (const FolderTab tab : kFolderTabs)
        settings->setValue(treeKey(folderList(tab)), folderControls(tab).tree->isChecked());
    saveNamingSettings(*settings);
    saveTableSettings(*settings);
    saveSearchSettings(*settings);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    bool mayClose = false;
    guarded([this, &mayClose] { mayClose = PlaylistMayBeDropped() && TableMayBeDropped(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    saveSession();
    event->accept();
}
