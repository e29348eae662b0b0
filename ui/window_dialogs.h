// Every modal question the window asks: message boxes, the folder picker, file dialogs.
#pragma once

#include "features/common/dialogs.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <functional>
#include <vector>

class QWidget;

// What the playlist open and save dialogs are set up with.
struct FileDialogSpec {
    QString filter;           // "Name (*.ext)|*.ext|..." pairs
    QString defaultExtension; // added when the typed name has none
    bool confirmOverwrite = false;
    QString folder;           // where the dialog opens; empty for the dialog's own choice
};

// A question over a table of what a command is about to do; a marked row is one it will
// leave alone, and says why in its last cell.
struct TableQuestion {
    QString text;
    QStringList headers;
    std::vector<QStringList> rows;
    std::vector<bool> marked; // one per row
};

// The preview of a text-encoding fix: a row per text (file, field, now, after, code page)
// for the code page chosen in its box, whose first entry is the guess.
struct CodePageQuestion {
    QStringList headers;
    QStringList codePages;
    std::function<std::vector<QStringList>(const QString& codePage)> rowsFor;
    QString chosen; // the box's entry when answered
};

// The window's dialogs: the questions feature logic asks, plus the pickers only a window has.
class WindowDialogs : public Dialogs {
public:
    using Dialogs::error;
    using Dialogs::info;
    using Dialogs::message;
    using Dialogs::confirm;
    void message(const QString& text) { message(text.toStdString()); }
    void info(const QString& text) { info(text.toStdString()); }
    void error(const QString& text) { error(text.toStdString()); }
    Answer confirm(const QString& text) { return confirm(text.toStdString()); }

    // A folder path ending with "/", or empty text when cancelled; opens at `start` when given.
    virtual QString browseForFolder(const QString& title, const QString& start) = 0;
    // A file path, or empty text when cancelled.
    virtual QString openFile(const FileDialogSpec& spec) = 0;
    virtual QString saveFile(const FileDialogSpec& spec, const QString& suggestedName) = 0;
    // The table with the question under it: Yes, or No when declined.
    virtual Answer confirmTable(const TableQuestion& question) = 0;
    // The fix preview: Yes to save the rows shown, No when declined.
    virtual Answer askCodePageFix(CodePageQuestion& question) = 0;
    // Unsaved work about to be dropped: Yes to save it, No to drop it, Cancel to go back.
    virtual Answer askSaveChanges(const QString& text) = 0;
    // A line of text typed in answer to `question`, or nothing when cancelled.
    virtual std::optional<QString> askText(const QString& question) = 0;
};

// Real dialogs, owned by the given window.
class QtDialogs : public WindowDialogs {
public:
    void setOwner(QWidget* owner) { m_owner = owner; }

    using WindowDialogs::confirm;
    using WindowDialogs::error;
    using WindowDialogs::info;
    using WindowDialogs::message;
    void message(const std::string& text) override;
    void info(const std::string& text) override;
    void error(const std::string& text) override;
    Answer confirm(const std::string& text) override;
    QString browseForFolder(const QString& title, const QString& start) override;
    QString openFile(const FileDialogSpec& spec) override;
    QString saveFile(const FileDialogSpec& spec, const QString& suggestedName) override;
    Answer confirmTable(const TableQuestion& question) override;
    Answer askCodePageFix(CodePageQuestion& question) override;
    Answer askSaveChanges(const QString& text) override;
    std::optional<QString> askText(const QString& question) override;

private:
    QWidget* m_owner = nullptr;
};

// Separates a "|" filter into the "Name (*.ext);;..." form of the Qt dialogs.
QString qtFilterOf(const QString& pipeFilter);
