// TForm1: the program's one window, its five tabs and the handlers every tab wires up.
#pragma once

#include "dialogs.h"
#include "features/tagedit/tag_view.h"
#include "music_folder_store.h"

#include "features/common/tag_fields.h"
#include "features/filename/batch_rename.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class FileListBox;
class PictureBox;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTextBrowser;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QWidget;
struct BatchSaveOutcome;
struct SearchRequest;

// One row of the help topic tree: its caption, its parent's caption (empty at the top) and
// its page relative to the installation folder.
struct HelpTopic {
    const char* caption;
    const char* parent;
    const char* page;
};
extern const std::array<HelpTopic, 8> HelpTopicTable;

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
    QString BrowseForFolder(const QString& title);
    enum class FolderTab { Id3Tags, FilenameEdit, Playlists };
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

    // ID3 Tags tab
    void ToolButton3Click();
    void ToolButton4Click();
    void ComboBoxMusicFoldersChange();
    void FileListBoxMP3FilesClick();
    void CheckBoxEnableV1Click();
    void CheckBoxEnableV2Click();
    void CheckBoxV1FieldClick(int field); // the seven CheckBoxV1ArtistClick ... TrackClick
    void CheckBoxV2FieldClick(int field); // the seven CheckBoxV2ArtistClick ... TrackClick
    void ClearTagView(bool reset);
    void ClearV2View(bool reset);
    void ShowV1Tag(const std::string& path);
    void ShowV2Tag(const std::string& path);
    // The thumbnail beside the ID3v2 group, for the selected files.
    void ShowPicture();
    void ToolButtonSetPictureClick();
    // Makes the image file the front cover of the selected files, after asking.
    void SetPictureFrom(const QString& imagePath);
    void ToolButtonRemovePicturesClick();
    void ToolButtonExportPictureClick();
    // "Fill from file name": fields read out of the selected files' names by the pattern box.
    void FillFromFileNameClick();

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

    // Undo of the last save ("ID3 Tags") and the last rename ("Filename Edit"), from the journal
    void UndoLastSaveClick();
    void UndoLastRenameClick();
    QToolButton *UndoLastSave = nullptr, *UndoLastRename = nullptr;

    // Window shell
    QTabWidget* PageControl1 = nullptr;
    QWidget *TabSheet1 = nullptr, *TabSheet2 = nullptr, *TabSheet3 = nullptr,
            *TabSheet4 = nullptr, *TabSheet5 = nullptr;
    FileDialogSpec SaveDialogPlaylist, OpenDialogPlaylist;

    // Playlists
    QToolButton *ToolButton14 = nullptr, *ToolButton5 = nullptr, *ToolButton7 = nullptr,
                *ToolButton6 = nullptr;
    QComboBox* ComboBoxMusicFoldersPlaylist = nullptr;
    FileListBox* FileListBoxMP3Playlist = nullptr;
    QPushButton *BitBtnToPlaylist = nullptr, *BitBtnMoveUp = nullptr, *BitBtnMoveDown = nullptr,
                *BitBtnRemoveFromPlaylist = nullptr;
    QLabel* Label36 = nullptr;
    QLineEdit* EditCurrentPlaylist = nullptr;
    QTreeWidget* ListViewPlaylist = nullptr;

    // ID3 Tags; the arrays run Artist, Title, Album, Year, Genre, Comment, Track
    QToolButton *ToolButton3 = nullptr, *ToolButton4 = nullptr, *FillFromFileName = nullptr;
    QLineEdit* EditNamePattern = nullptr;
    QComboBox* ComboBoxMusicFolders = nullptr;
    FileListBox* FileListBoxMP3Files = nullptr;
    QGroupBox *GroupBoxV1 = nullptr, *GroupBoxV2 = nullptr;
    QCheckBox *CheckBoxEnableV1 = nullptr, *CheckBoxEnableV2 = nullptr;
    QLineEdit *EditArtist = nullptr, *EditTitle = nullptr, *EditAlbum = nullptr,
              *EditYear = nullptr, *EditComment = nullptr, *EditTrack = nullptr;
    QComboBox* ComboBoxGenre = nullptr;
    QLineEdit *EditArtistV2 = nullptr, *EditTitleV2 = nullptr, *EditAlbumV2 = nullptr,
              *EditYearV2 = nullptr, *EditGenreV2 = nullptr, *EditCommentV2 = nullptr,
              *EditTrackV2 = nullptr;
    std::array<QCheckBox*, 7> CheckBoxV1{}; // CheckBoxV1Artist ... CheckBoxV1Track
    std::array<QCheckBox*, 7> CheckBoxV2{}; // CheckBoxV2Artist ... CheckBoxV2Track
    std::array<QWidget*, 7> FieldsV1{};     // EditArtist ... EditTrack, ComboBoxGenre 5th
    std::array<QLineEdit*, 7> FieldsV2{};   // EditArtistV2 ... EditTrackV2
    QGroupBox* GroupBoxPicture = nullptr;
    PictureBox* ImagePicture = nullptr;
    QLabel* LabelPictureSize = nullptr;
    QToolButton *ToolButtonSetPicture = nullptr, *ToolButtonRemovePictures = nullptr,
                *ToolButtonExportPicture = nullptr;

    // Filename Edit
    QToolButton *ToolButton1 = nullptr, *ToolButton2 = nullptr, *RenameSelected = nullptr;
    QCheckBox* CheckBoxTwoDigitTrack = nullptr;
    QComboBox* ComboBoxMusicFoldersFileEdit = nullptr;
    FileListBox* FileListBoxMP3FilesFileEdit = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel *Label23 = nullptr, *LabelCurrFile = nullptr, *Label22 = nullptr, *Label15 = nullptr;
    QLineEdit* EditPreview = nullptr;
    QTabWidget* PageControl2 = nullptr;
    QLineEdit *EditDelimiter = nullptr, *EditDelimiterV2 = nullptr;
    std::array<QComboBox*, 7> ComboBoxFile{};   // ComboBoxFile1 ... ComboBoxFile7
    std::array<QComboBox*, 7> ComboBoxFileV2{}; // ComboBoxFile1V2 ... ComboBoxFile7V2
    std::array<QLabel*, 7> LabelsV1{};          // LabelArtist ... LabelTrack
    std::array<QLabel*, 7> LabelsV2{};          // LabelArtistV2 ... LabelTrackV2

    // Search
    QToolButton *ToolButton8 = nullptr, *ToolButton13 = nullptr;
    QGroupBox *GroupBox6 = nullptr, *GroupBox5 = nullptr, *GroupBox7 = nullptr,
              *GroupBox4 = nullptr;
    QLineEdit *EditSearchFolder = nullptr, *EditFilename = nullptr;
    QCheckBox *CheckBoxSubfolders = nullptr, *CheckBoxExFilename = nullptr, *CheckBoxContainsFilename = nullptr;
    QPushButton *ButtonBrowseSearch = nullptr, *ButtonSearch = nullptr;
    std::array<QLineEdit*, 7> EditSearch{};    // EditSearchArtist ... EditSearchTrack
    std::array<QCheckBox*, 7> CheckBoxEx{};    // CheckBoxExArtist ... CheckBoxExTrack
    std::array<QCheckBox*, 7> CheckBoxContains{}; // CheckBoxContainsArtist ... CheckBoxContainsTrack
    QProgressBar* ProgressBarSearch = nullptr;
    QTreeWidget* ListViewSearchResults = nullptr;

    // Help
    QTreeWidget* TreeView1 = nullptr;
    QTextBrowser* WebBrowserHelp = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // An error escaping a handler is shown in an error box and the window goes on.
    void guarded(const std::function<void()>& handler);
    template <typename Sender, typename Signal>
    void wire(Sender* sender, Signal signal, std::function<void()> handler);
    void showUnexpectedError(const std::exception_ptr& error);

    QToolBar* makeToolBar(QWidget* tab);
    QToolButton* addToolButton(QToolBar* bar, const char* name, int image, const char* hint);
    QComboBox* makeFolderBox(QWidget* parent, const char* name);
    QToolButton* addUndoButton(QToolBar* bar, bool renames);
    void addNameFillControls(QToolBar* bar);
    // After a save: one box per kind of note (characters ID3v1 cannot hold, frames dropped).
    void showSaveNotes(const BatchSaveOutcome& outcome);

    void buildPlaylistsTab();
    void buildTagsTab();
    void buildFilenameTab();
    void buildSearchTab();
    void buildHelpTab();
    QWidget* buildFilenameSubTab(bool v2);
    SearchRequest searchRequestFromControls() const;
    bool filenameCurrentFileShown() const;
    // The sub-tab in front's version, positions and delimiter, and the track digits.
    NameSource filenameSource() const;

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
    ShownFile m_shownTagFile; // the one file the "ID3 Tags" fields were last filled from
    QString m_tagListFolder;  // the folder FileListBoxMP3Files showed at its last selection change
};

template <typename Sender, typename Signal>
void TForm1::wire(Sender* sender, Signal signal, std::function<void()> handler)
{
    connect(sender, signal, this, [this, handler] { guarded(handler); });
}
