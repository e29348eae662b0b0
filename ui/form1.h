// TForm1: the program's one window, its five tabs and the handlers every tab wires up.
#pragma once

#include "window_dialogs.h"
#include "features/tagedit/tag_view.h"
#include "music_folder_store.h"

#include "features/check/check_kinds.h"
#include "features/common/tag_fields.h"
#include "features/filename/batch_rename.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class BackgroundTask;
class Progress;
class Tid3tag;
class Tid3v2tag;
class FileListBox;
class PictureBox;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QFileSystemWatcher;
class QGridLayout;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QScrollArea;
class QTableWidget;
class QPushButton;
class QTabWidget;
class QTextBrowser;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QVBoxLayout;
class QWidget;
class TagTableModel;
class TagTableView;
struct BatchSaveOutcome;
enum class TagTool;
struct SearchRequest;
struct SearchShown;
struct AudioCriteria;

// One row of the help topic tree: its caption, its parent's caption (empty at the top) and
// its page relative to the installation folder.
struct HelpTopic {
    const char* caption;
    const char* parent;
    const char* page;
};
extern const std::array<HelpTopic, 8> HelpTopicTable;

class QSettings;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // The window keeps the loaded music folder list for its lifetime.
    TForm1(WindowDialogs& dialogs, std::unique_ptr<MusicFolderStore> musicFolders, QWidget* parent = nullptr);
    ~TForm1() override;

    WindowDialogs& dialogs() { return m_dialogs; }
    MusicFolderStore& XMLDocumentMusicFiles() { return *m_musicFolders; }
    // The installation folder, ending with "/", that the help pages live under.
    void setInstallDir(const QString& folder) { m_installDir = folder; }
    const QString& installDir() const { return m_installDir; }

    // Music folder list
    void ReloadFolderBoxes();
    bool IsMusicFolderListed(const QString& path) const;
    void AddMusicFolder(const QString& path);
    void RemoveMusicFolder(const QString& path);
    void OpenMusicFolder(FileListBox* fileList, const QString& path);
    QString BrowseForFolder(const QString& title, const QString& start);
    enum class FolderTab { Id3Tags, FilenameEdit, Playlists };
    static constexpr FolderTab kFolderTabs[] = {FolderTab::Playlists, FolderTab::Id3Tags, FolderTab::FilenameEdit};
    // The folder box, the file list and the "Include subfolders" box of a tab that lists files.
    struct FolderControls {
        QComboBox* box;
        FileListBox* list;
        QCheckBox* tree;
    };
    FolderControls folderControls(FolderTab tab) const;
    QComboBox* folderBox(FolderTab tab) const { return folderControls(tab).box; }
    FileListBox* folderList(FolderTab tab) const { return folderControls(tab).list; }
    void AddOpenFolder(FolderTab tab);

    // Playlists tab
    void ToolButton14Click();
    void ToolButton5Click();
    void ToolButton7Click();
    void ToolButton6Click();
    void ComboBoxMusicFoldersPlaylistChange();
    void BitBtnToPlaylistClick();
    void BitBtnMoveUpClick();
    void BitBtnMoveDownClick();
    void BitBtnRemoveFromPlaylistClick();
    // Serves the playlist and the search results alike.
    void ListViewPlaylistKeyDown(QTreeWidget* sender, QKeyEvent* event);
    // Asks for a new file name (".m3u" added unless given), writes the playlist there and
    // makes it the current playlist; nothing when cancelled. A failed write raises the
    // platform's file error and leaves the current playlist as it was.
    void SaveAsNewPlaylist();
    // Appends full paths (the file system's bytes) to the playlist, one row each, in order.
    void AppendPlaylistEntries(const std::vector<std::string>& paths);
    // Where the playlist dialogs open: the playlist's own folder, else the folder listed.
    QString playlistDialogFolder() const;
    // Reads the playlist into the list and makes it the file the next save writes.
    void OpenPlaylistFile(const QString& path);

    // ID3 Tags tab
    // Lists the folder and selects the files of it named (names as the list holds them);
    // gives the names it does not list.
    std::vector<std::string> ShowFilesOnTagsTab(const QString& folder, const std::vector<std::string>& names);
    void ToolButton3Click();
    void ToolButton4Click();
    void ComboBoxMusicFoldersChange();
    void FileListBoxMP3FilesClick();
    void CheckBoxEnableV1Click();
    void CheckBoxEnableV2Click();
    void ClearTagView(bool reset);
    void ClearV2View(bool reset);
    void ShowV1Tag(const V1View& view);
    void ShowV2Tag(const V2View& view);
    // "(different values)" in the fields whose selected files differ.
    void ShowDiffers(const SelectionDiffers& differs);
    // "More fields": the named fields beyond the seven, one text per moreFields() entry.
    void ShowMoreFields(const std::vector<Utf8Text>& texts, const std::vector<bool>& differs);
    // Typing into a field checks its "Enable Save" box.
    void FieldEdited(QCheckBox* box);
    // "All frames": the one selected file's frames; `one` is false for any other selection.
    void ShowFrameTable(const std::vector<FrameRow>& rows, bool one);
    void TableAllFramesCellChanged(int row, int column);
    void ButtonAddFrameClick();
    void ButtonDeleteFrameClick();
    // The thumbnail beside the ID3v2 group, for the selected files.
    void ShowPicture();
    void ShowPictureView(const PictureView& view, bool anySelected);
    void ToolButtonSetPictureClick();
    // Makes the image file the front cover of the selected files, after asking.
    void SetPictureFrom(const QString& imagePath);
    void ToolButtonRemovePicturesClick();
    void ToolButtonExportPictureClick();
    // "Fill from file name": fields read out of the selected files' names by the pattern box.
    void FillFromFileNameClick();
    // "Actions…": the box of actions over the selected files' fields.
    void ActionsClick();

    // Tag tools of the ID3 Tags tab: convert, copy, remove or repair the selected files' tags
    // as one batch that "Undo last save" takes back, then show them afresh.
    void TagToolClick(TagTool tool);
    // "Export table…": the selected files (else all listed) as a CSV or TSV table.
    void ExportTableClick();
    // "Import table…": a table's changes, previewed, saved as one batch.
    void ImportTableClick();
    QToolButton* TagToolsButton = nullptr;  // its menu of tools
    QToolButton* RepairTagButton = nullptr; // shown beside LabelDamagedTag: repairs the selected files
    QLabel* LabelDamagedTag = nullptr;          // says the ID3v2 fields come from a damaged tag

    // Filename Edit tab
    void ToolButton1Click();
    void ToolButton2Click();
    void ComboBoxMusicFoldersFileEditChange();
    void ComboBoxMusicFoldersFileEditExit();
    void FileListBoxMP3FilesFileEditChange();
    void PageControl2Change();
    void ComboBoxFileChange(int position);   // ComboBoxFile1Change ... ComboBoxFile7Change
    void ComboBoxFileV2Change(int position); // ComboBoxFile1V2Change ... ComboBoxFile7V2Change
    void EditDelimiterChange();
    void EditDelimiterV2Change();
    void LoadCurrentFile();
    void BuildPreviewV1();
    void BuildPreviewV2();
    void ShowFileTagsV1();
    void ShowFileTagsV2();
    void ClearFileTagLabels();
    void ResetFilenameEdit();
    // "Rename selected": each selected file renamed from its own tags, after a table of the names.
    void RenameSelectedClick();
    void CheckBoxTwoDigitTrackClick();

    // Search tab
    void StartSearch();
    void ToolButton8Click();
    void ToolButton13Click();
    void ButtonBrowseSearchClick();
    void ButtonSearchClick();

    // Help tab
    void TreeView1Click();
    void ShowHelpMainPage();

    // Keys: each does what its tab's button does, on the tab in front.
    void SaveKey();       // Ctrl+S
    void UndoKey();       // Ctrl+Z
    void RereadKey();     // F5
    void OpenFolderKey(); // Ctrl+O
    void SearchKey();     // Ctrl+F

    // Each tab's last folder, its "Include subfolders" box and the window's place, from the
    // person's settings; then the help's main page.
    void restoreSession();
    // Whether restoreSession found the window's last size and place.
    bool placeRestored() const { return m_placeRestored; }
    // True when the playlist has no unsaved changes, or they were saved or dropped on asking.
    bool PlaylistMayBeDropped();
    bool playlistChanged() const { return m_playlistChanged; }

    // A batch save on a worker, its failures told in one summary; stopped, with no files,
    // when another task held them.
    BatchSaveOutcome saveInBackground(const BatchSaveRequest& request, const QString& verb);
    // A read of files on a worker behind the same progress box, with tag objects of its own;
    // false when another task held the files (said) or the person cancelled it.
    using FileRead = std::function<void(Progress& progress, Tid3tag& v1, Tid3v2tag& v2)>;
    bool readInBackground(const QString& verb, std::vector<std::string> files, const FileRead& read);

    // Undo of the last save ("ID3 Tags") and the last rename ("Filename Edit"), from the journal
    void UndoLastSaveClick();
    void UndoLastRenameClick();
    QToolButton* UndoLastSave = nullptr;   // puts back the tags the last save replaced
    QToolButton* UndoLastRename = nullptr; // gives the last rename's files their old names

    // Texts written in a legacy code page ("ID3 Tags"): the fix of the selection, and the
    // code page 8-bit tags are read and written in, kept in the person's settings
    void FixTextEncodingClick();
    void ComboBoxEightBitCodePageChange();
    QToolButton* FixTextEncoding = nullptr;
    QComboBox* ComboBoxEightBitCodePage = nullptr; // "ISO-8859-1" or a code page

    // Window shell
    QTabWidget* PageControl1 = nullptr; // the five tabs
    QWidget *TabSheet1 = nullptr, *TabSheet2 = nullptr, *TabSheet3 = nullptr, // their pages, in tab order
            *TabSheet4 = nullptr, *TabSheet5 = nullptr;
    FileDialogSpec SaveDialogPlaylist, OpenDialogPlaylist;

    // Playlists
    QToolButton* ToolButton14 = nullptr; // adds a music folder and lists its files
    QToolButton* ToolButton5 = nullptr;  // opens a playlist file
    QToolButton* ToolButton7 = nullptr;  // closes the playlist
    QToolButton* ToolButton6 = nullptr;  // saves the playlist, asking for a name the first time
    QComboBox* ComboBoxMusicFoldersPlaylist = nullptr; // the folder whose files are listed
    FileListBox* FileListBoxMP3Playlist = nullptr;     // the folder's MP3 files to pick from
    QPushButton* BitBtnToPlaylist = nullptr;         // appends the picked files to the playlist
    QPushButton* BitBtnMoveUp = nullptr;             // moves the selected entries up a row
    QPushButton* BitBtnMoveDown = nullptr;           // moves the selected entries down a row
    QPushButton* BitBtnRemoveFromPlaylist = nullptr; // drops the selected entries
    QLabel* Label36 = nullptr;                       // captions the playlist's file name
    QLineEdit* EditCurrentPlaylist = nullptr;        // the playlist file the next save writes
    QTreeWidget* ListViewPlaylist = nullptr;         // the playlist's entries, in order

    // ID3 Tags; the arrays run Artist, Title, Album, Year, Genre, Comment, Track
    QToolButton* ToolButton3 = nullptr;      // adds a music folder and lists its files
    QToolButton* ToolButton4 = nullptr;      // saves the selected files' tags
    QToolButton* FillFromFileName = nullptr; // fills the fields from the selected files' names
    QLineEdit* EditNamePattern = nullptr;    // the pattern those names are read by
    QToolButton* ActionsButton = nullptr;    // opens the box of actions over the selected files
    QComboBox* ComboBoxMusicFolders = nullptr;   // the folder whose files are listed
    FileListBox* FileListBoxMP3Files = nullptr;  // the files a save writes to
    QGroupBox* GroupBoxV1 = nullptr;             // the ID3v1 fields
    QGroupBox* GroupBoxV2 = nullptr;             // the ID3v2 fields
    QCheckBox* CheckBoxEnableV1 = nullptr;       // whether a save writes ID3v1 at all
    QCheckBox* CheckBoxEnableV2 = nullptr;       // whether a save writes ID3v2 at all
    QLineEdit *EditArtist = nullptr, *EditTitle = nullptr, *EditAlbum = nullptr, // ID3v1 texts
              *EditYear = nullptr, *EditComment = nullptr, *EditTrack = nullptr;
    QComboBox* ComboBoxGenre = nullptr; // the ID3v1 genre, from the fixed list
    QLineEdit *EditArtistV2 = nullptr, *EditTitleV2 = nullptr, *EditAlbumV2 = nullptr, // ID3v2 texts
              *EditYearV2 = nullptr, *EditGenreV2 = nullptr, *EditCommentV2 = nullptr,
              *EditTrackV2 = nullptr;
    std::array<QCheckBox*, 7> CheckBoxV1{}; // CheckBoxV1Artist ... Track: which ID3v1 fields a save writes
    std::array<QCheckBox*, 7> CheckBoxV2{}; // CheckBoxV2Artist ... Track: which ID3v2 fields a save writes
    std::array<QWidget*, 7> FieldsV1{};     // EditArtist ... EditTrack, ComboBoxGenre 5th
    std::array<QLineEdit*, 7> FieldsV2{};   // EditArtistV2 ... EditTrackV2
    QTabWidget* PageControlTags = nullptr;  // the seven fields of both tags, more fields, all frames
    QScrollArea* ScrollBoxMoreFields = nullptr; // the named fields beyond the seven
    std::vector<QWidget*> FieldsMore;       // one per moreFields() entry; lyrics in a QPlainTextEdit
    std::vector<QCheckBox*> CheckBoxMore;   // which of them a save writes
    QTableWidget* TableAllFrames = nullptr; // key, name, kind and value of every frame of one file
    QLineEdit* EditFrameKey = nullptr;      // the key of a frame to add: TPE2, TXXX:description
    QLineEdit* EditFrameValue = nullptr;    // its value
    QPushButton* ButtonAddFrame = nullptr;    // adds the frame, or sets it when the file has it
    QPushButton* ButtonDeleteFrame = nullptr; // removes the selected frames
    QGroupBox* GroupBoxPicture = nullptr;   // the front cover of the selected files
    PictureBox* ImagePicture = nullptr;     // its thumbnail; takes a dropped image file
    QLabel* LabelPictureSize = nullptr;     // its size and kind
    QLabel* LabelAudio = nullptr;           // the one selected file's length, bitrate and format
    QToolButton* ToolButtonSetPicture = nullptr;     // sets the front cover from an image file
    QToolButton* ToolButtonRemovePictures = nullptr; // removes every picture
    QToolButton* ToolButtonExportPicture = nullptr;  // saves the front cover to a file

    // Filename Edit
    QToolButton* ToolButton1 = nullptr;    // adds a music folder and lists its files
    QToolButton* ToolButton2 = nullptr;    // renames the current file to the preview
    QToolButton* RenameSelected = nullptr; // renames each selected file from its own tags
    QLineEdit* EditRenamePattern = nullptr; // "Rename selected" by this pattern when not empty
    QCheckBox* CheckBoxTwoDigitTrack = nullptr; // pads one-digit tracks in built names
    QComboBox* ComboBoxMusicFoldersFileEdit = nullptr;  // the folder whose files are listed
    FileListBox* FileListBoxMP3FilesFileEdit = nullptr; // picks the current file
    QGroupBox* GroupBox1 = nullptr;     // the current file and its new name
    QLabel* Label23 = nullptr;          // captions the current file
    QLabel* LabelCurrFile = nullptr;    // the current file's name, elided when long
    QLabel* Label22 = nullptr;          // captions the preview
    QLabel* Label15 = nullptr;          // tells what the sub-tabs are for
    QLineEdit* EditPreview = nullptr;   // the new name; editable before the rename
    QTabWidget* PageControl2 = nullptr; // builds the name from ID3v1 or from ID3v2
    QLineEdit* EditDelimiter = nullptr;   // put between the ID3v1 fields of the name
    QLineEdit* EditDelimiterV2 = nullptr; // put between the ID3v2 fields of the name
    std::array<QComboBox*, 7> ComboBoxFile{};   // ComboBoxFile1 ... 7: the fields of the name, in order
    std::array<QComboBox*, 7> ComboBoxFileV2{}; // ComboBoxFile1V2 ... 7V2: the same for ID3v2
    std::array<QLabel*, 7> LabelsV1{};          // LabelArtist ... LabelTrack: the file's ID3v1 texts
    std::array<QLabel*, 7> LabelsV2{};          // LabelArtistV2 ... LabelTrackV2: its ID3v2 texts

    // Search
    QToolButton* ToolButton8 = nullptr;  // runs the search
    QToolButton* ToolButton13 = nullptr; // hands the results to the playlist
    QGroupBox* GroupBox6 = nullptr;      // where to search
    QGroupBox* GroupBox5 = nullptr;      // what to search for
    QGroupBox* GroupBox7 = nullptr;      // the file name criterion
    QGroupBox* GroupBox4 = nullptr;      // the tag criteria
    QLineEdit* EditSearchFolder = nullptr; // the folder searched
    QLineEdit* EditFilename = nullptr;     // the file name sought
    QCheckBox* CheckBoxSubfolders = nullptr;       // searches the folders below too
    QCheckBox* CheckBoxIgnoreAccents = nullptr;    // letters match whatever accents they carry
    QCheckBox* CheckBoxExFilename = nullptr;       // the whole name must match
    QCheckBox* CheckBoxContainsFilename = nullptr; // the name need only contain the text
    QPushButton* ButtonBrowseSearch = nullptr;     // picks the folder searched
    QPushButton* ButtonSearch = nullptr;           // runs the search
    std::array<QLineEdit*, 7> EditSearch{};       // EditSearchArtist ... Track: the texts sought
    std::array<QCheckBox*, 7> CheckBoxEx{};       // CheckBoxExArtist ... Track: whole text must match
    std::array<QCheckBox*, 7> CheckBoxContains{}; // CheckBoxContainsArtist ... Track: text need only be in it
    QComboBox* ComboBoxSearchField = nullptr;      // a named field beyond the seven to search too
    QLineEdit* EditSearchField = nullptr;          // the text sought in it
    QCheckBox* CheckBoxExField = nullptr;          // its whole text must match
    QCheckBox* CheckBoxContainsField = nullptr;    // its text need only be in it
    QProgressBar* ProgressBarSearch = nullptr;    // how far the search has come
    QTreeWidget* ListViewSearchResults = nullptr; // the files found
    QLabel* LabelSearchCount = nullptr;           // how many were found
    QLineEdit *EditMinDuration = nullptr, *EditMaxDuration = nullptr; // the audio's length in seconds, from and to
    QLineEdit *EditMinBitrate = nullptr, *EditMaxBitrate = nullptr;   // its bitrate in kbit/s, from and to

    // Tag Table: one row per file of a folder, one column per field, edited in place
    void ComboBoxMusicFoldersTableChange();
    void CheckBoxTreeTableClick();
    void EditTableColumnsExit();   // takes the columns typed
    void ToolButtonTableSaveClick(); // saves every changed cell as one batch
    void FillTableSelectionClick();  // asks a value for every selected cell
    void TableHeaderClick(int column); // sorts by the column, the other way round when sorted by it
    // True when the table has no unsaved cells, or they were saved or dropped on asking.
    bool TableMayBeDropped();
    void RereadTable(); // F5: the folder listed again, asking first about unsaved cells
    QWidget* TabSheetTable = nullptr;
    QToolButton* ToolButtonTableSave = nullptr;
    QToolButton* TableColumnsButton = nullptr; // its menu adds and takes away named fields
    QComboBox* ComboBoxMusicFoldersTable = nullptr;
    QCheckBox* CheckBoxTreeTable = nullptr;
    QLineEdit* EditTableColumns = nullptr; // the columns after the file name and folder, in order
    QLineEdit* EditTableFilter = nullptr;  // shows the rows holding this text
    TagTableView* TableViewTags = nullptr;
    QLabel* LabelTableCount = nullptr; // files, changed cells, how far the loading has come

    // Help
    QTreeWidget* TreeView1 = nullptr;       // the help topics
    QTextBrowser* WebBrowserHelp = nullptr; // the chosen topic's page

    // "Include subfolders" of the tabs that list files: the whole tree below the folder.
    QCheckBox* CheckBoxTreePlaylist = nullptr;
    QCheckBox* CheckBoxTree = nullptr;
    QCheckBox* CheckBoxTreeFileEdit = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // An error escaping a handler is shown in an error box and the window goes on.
    void guarded(const std::function<void()>& handler);
    template <typename Sender, typename Signal>
    void wire(Sender* sender, Signal signal, std::function<void()> handler);
    void showUnexpectedError(const std::exception_ptr& error);

    QToolBar* makeToolBar(QWidget* tab);
    QToolButton* addToolButton(QToolBar* bar, const char* name, int image, const char* hint);
    QComboBox* makeFolderBox(QWidget* parent, const char* name);
    // An "Include subfolders" box that lists the tree below the folder in `list`.
    QCheckBox* makeTreeBox(QWidget* parent, const char* name, FileListBox* list);
    QToolButton* addUndoButton(QToolBar* bar, bool renames);
    void addNameFillControls(QToolBar* bar);
    void addActionsButton(QToolBar* bar);
    // A batch save of the "ID3 Tags" tab's files, its notes shown and the fields on show read again.
    BatchSaveOutcome saveOnTagsTab(const BatchSaveRequest& request);
    void addRenamePatternBox(QToolBar* bar);
    // The pattern the position boxes make, shown in the empty rename pattern box.
    void showPositionsPattern();
    // filenameSource, or the rename pattern box's pattern when it has one; nothing after
    // saying why the pattern cannot be used.
    std::optional<NameSource> renameSource();
    // The rename and fill-from-name patterns, positions, delimiters and digits, kept between runs.
    void saveNamingSettings(QSettings& settings) const;
    void restoreNamingSettings(const QSettings& settings);
    void addTagToolsMenu(QToolBar* bar);
    void addTableEntries(QMenu* menu);
    // The damaged-tag line above the tag pages.
    QWidget* buildDamagedTagLine(QWidget* parent);
    void showDamagedTag(const std::optional<uint32_t>& frames);
    void addEncodingControls(QToolBar* bar);
    void addEightBitCodePageBox(QGroupBox* v1Group, QCheckBox* enableV1);
    void restoreEightBitCodePage();
    // After a save: one box per kind of note (characters ID3v1 cannot hold, frames dropped).
    void showSaveNotes(const BatchSaveOutcome& outcome);
    static bool isExistingDirectory(const QString& path);
    // Changes what a folder box shows without it counting as the person's change.
    static void setBoxText(QComboBox* box, const QString& text);

    void buildTabSheets();
    void buildPlaylistsTab();
    QVBoxLayout* buildPlaylistButtons(QWidget* tab);
    void buildTagsTab();
    void buildTagFields(QWidget* tab);
    void buildTagGroups(QWidget* tab);
    void buildPictureGroup(QWidget* tab);
    QWidget* buildMoreFields(QWidget* parent);
    QWidget* buildFramesPage(QWidget* parent);

    // "Check": what is wrong with the files listed, their fixes, and the list narrowed by check.
    QWidget* buildCheckPage(QWidget* parent);
    void ButtonCheckRunClick();
    void ButtonCheckFixClick();
    void ComboBoxCheckFilterChange();
    void showCheckReports();
    QPushButton* ButtonCheckRun = nullptr;
    QPushButton* ButtonCheckFix = nullptr;     // applies the fixes of the problems shown
    QComboBox* ComboBoxCheckFilter = nullptr;  // all files, or those one check names
    QTableWidget* TableCheck = nullptr;        // file, severity, check and problem
    std::vector<FileReport> m_checkReports;    // of the last run, in list order

    void wireMoreFields();
    // Reads the selected files into the fields and the frame table.
    void showTagSelection(const std::vector<std::string>& paths);
    // The frame table's row shown as changed, and its edit kept for the save.
    void noteFrameEdit(FieldEdit edit);
    // The frame table takes changes for one file shown, while ID3v2 is saved.
    void enableFrameTable();
    void buildFilenameTab();
    void buildFilenameInfoGroup(QWidget* tab);
    QWidget* buildFilenameSubTab(bool v2);
    void buildSearchTab();
    void buildSearchFolderGroup(QWidget* tab);
    void buildSearchCriteria(QWidget* tab);
    void addSearchFieldRow(QGridLayout* grid, int row);
    // One row: the audio's length and bitrate, each from and to.
    QWidget* buildAudioCriteria(QWidget* parent);
    // The duration and bitrate bounds typed; false, after saying which text is no number.
    bool audioCriteriaFromControls(AudioCriteria& audio);
    void buildHelpTab();
    SearchRequest searchRequestFromControls() const;
    bool filenameCurrentFileShown() const;
    // The Filename Edit tab's current file renamed to `name`, in the subfolder it lies in.
    void setCurrentFileName(const std::string& name);
    // After a batch rename the current file goes by its new name when it was among them.
    void followCurrentFile(const RenamePlan& plan);
    // The sub-tab in front's version, positions and delimiter, and the track digits.
    NameSource filenameSource() const;

    void buildTagTableTab();
    QWidget* buildTableControls(QWidget* tab);
    // "Columns": a menu of the named fields, each adding or taking away its column.
    void addTableColumnsMenu(QToolBar* bar);
    void wireTagTableTab();
    // Lists the table's folder, when its tab is in front, unless it shows it already.
    void showTableFolder(bool again = false);
    void tableFolderChanged(); // the watcher saw files added, removed or renamed
    QFileSystemWatcher* m_tableWatcher = nullptr;
    void showTableCount();
    void saveTableSettings(QSettings& settings) const;
    void restoreTableSettings(const QSettings& settings);
    TagTableModel* m_tableModel = nullptr;
    QString m_tableFolder;       // the folder the table lists
    bool m_tableTree = false;    // with the folders below it
    bool m_tableShown = false;   // its rows are those of m_tableFolder and m_tableTree

    void wireKeys();
    // The tab in front when it lists files.
    std::optional<FolderTab> folderTabInFront() const;
    void rememberFolder(const FileListBox* list);
    void saveSession();
    // Marks the playlist as matching its file (or as empty and nameless).
    void playlistSaved() { m_playlistChanged = false; }
    void wirePlaylistsTab();
    void wireTagsTab();
    void wireFilenameTab();
    void wireSearchTab();
    void wireHelpTab();

    WindowDialogs& m_dialogs;
    std::unique_ptr<MusicFolderStore> m_musicFolders;
    QString m_installDir;
    // The Filename Edit tab's file: the folder it was picked in and its name's bytes, and
    // the fields each version's builder uses (empty after a failed load).
    QString m_fileEditFolder;
    std::string m_fileEditName;
    FieldTexts m_fileEditFieldsV1, m_fileEditFieldsV2;
    NamedTexts m_fileEditMoreV2; // the named fields beyond the seven of the version 2 tag
    ShownFiles m_shownTags; // the files the "ID3 Tags" fields were last filled from
    std::vector<FieldEdit> m_frameEdits; // the "All frames" table's changes since then
    bool m_genreEdited = false; // the ID3v1 genre was picked since then
    bool m_fillingFrames = false; // the frame table is being filled, not edited
    bool m_fillingMore = false;   // "More fields" are being filled, not typed into
    QString m_tagListFolder;  // the folder FileListBoxMP3Files showed at its last selection change
    bool m_placeRestored = false;
    bool m_playlistChanged = false; // rows added, moved or removed since the last open, save or close

    // The search running on a worker, if any, and what the tab keeps between runs.
    void showSearchOutcome(SearchShown& shown);
    void saveSearchSettings(QSettings& settings) const;
    void restoreSearchSettings(const QSettings& settings);
    std::unique_ptr<BackgroundTask> m_search;
};

template <typename Sender, typename Signal>
void TForm1::wire(Sender* sender, Signal signal, std::function<void()> handler)
{
    connect(sender, signal, this, [this, handler] { guarded(handler); });
}
