// Every modal question the window asks: message boxes, the folder picker, file dialogs.
#pragma once

#include <QString>

class QWidget;

// What the playlist open and save dialogs are set up with.
struct FileDialogSpec {
    QString filter;           // "Name (*.ext)|*.ext|..." pairs
    QString defaultExtension; // added when the typed name has none
    bool confirmOverwrite = false;
};

class Dialogs {
public:
    enum Answer { Yes, No, Cancel };

    virtual ~Dialogs() = default;
    virtual void message(const QString& text) = 0;
    virtual void info(const QString& text) = 0;
    virtual void error(const QString& text) = 0;
    virtual Answer confirm(const QString& text) = 0; // warning box, Yes / No / Cancel
    // A folder path ending with "/", or empty text when cancelled.
    virtual QString browseForFolder(const QString& title) = 0;
    // A file path, or empty text when cancelled.
    virtual QString openFile(const FileDialogSpec& spec) = 0;
    virtual QString saveFile(const FileDialogSpec& spec, const QString& suggestedName) = 0;
};

// Real dialogs, owned by the given window.
class QtDialogs : public Dialogs {
public:
    void setOwner(QWidget* owner) { m_owner = owner; }

    void message(const QString& text) override;
    void info(const QString& text) override;
    void error(const QString& text) override;
    Answer confirm(const QString& text) override;
    QString browseForFolder(const QString& title) override;
    QString openFile(const FileDialogSpec& spec) override;
    QString saveFile(const FileDialogSpec& spec, const QString& suggestedName) override;

private:
    QWidget* m_owner = nullptr;
};

// Separates a "|" filter into the "Name (*.ext);;..." form of the Qt dialogs.
QString qtFilterOf(const QString& pipeFilter);
