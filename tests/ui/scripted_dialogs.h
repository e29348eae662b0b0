// Window dialogs for tests: answers are queued in advance, every box shown is recorded.
#pragma once

#include "ui/window_dialogs.h"

#include <QStringList>

#include <deque>
#include <vector>

class ScriptedWindowDialogs : public WindowDialogs {
public:
    struct Shown {
        QString kind; // "message", "info", "error", "confirm", "folder", "open", "save", "table", "unsaved"
        QString text;
    };

    std::deque<Answer> answers;  // confirm() pops these; Cancel when none is left
    std::deque<QString> paths;   // browseForFolder/openFile/saveFile pop these; "" when none
    std::deque<QString> typed;   // askText pops these; cancelled when none is left
    std::vector<Shown> shown;
    QStringList starts; // the folders the folder, open and save dialogs opened at
    std::vector<TableQuestion> tables; // every table asked about, in order

    using WindowDialogs::confirm;
    using WindowDialogs::error;
    using WindowDialogs::info;
    using WindowDialogs::message;
    void message(const std::string& text) override { shown.push_back({"message", QString::fromStdString(text)}); }
    void info(const std::string& text) override { shown.push_back({"info", QString::fromStdString(text)}); }
    void error(const std::string& text) override { shown.push_back({"error", QString::fromStdString(text)}); }
    Answer confirm(const std::string& text) override
    {
        shown.push_back({"confirm", QString::fromStdString(text)});
        return next(answers, Cancel);
    }
    QString browseForFolder(const QString& title, const QString& start) override
    {
        shown.push_back({"folder", title});
        starts.push_back(start);
        return next(paths, QString());
    }
    QString openFile(const FileDialogSpec& spec) override
    {
        shown.push_back({"open", spec.filter});
        starts.push_back(spec.folder);
        return next(paths, QString());
    }
    QString saveFile(const FileDialogSpec& spec, const QString& suggestedName) override
    {
        shown.push_back({"save", suggestedName.isEmpty() ? spec.filter : suggestedName});
        starts.push_back(spec.folder);
        return next(paths, QString());
    }

    Answer confirmTable(const TableQuestion& question) override
    {
        shown.push_back({"table", question.text});
        tables.push_back(question);
        return next(answers, Cancel);
    }

    std::optional<QString> askText(const QString& question) override
    {
        shown.push_back({"text", question});
        if (typed.empty())
            return std::nullopt;
        QString text = typed.front();
        typed.pop_front();
        return text;
    }
    // The fix preview takes the next of `codePages` (the guess when none is left) and keeps the rows it shows.
    Answer askCodePageFix(CodePageQuestion& question) override
    {
        question.chosen = next(codePages, question.codePages.value(0));
        shown.push_back({"codepage", question.chosen});
        fixRows.push_back(question.rowsFor(question.chosen));
        return next(answers, Cancel);
    }
    std::deque<QString> codePages;
    std::vector<std::vector<QStringList>> fixRows;

    Answer askSaveChanges(const QString& text) override
    {
        shown.push_back({"unsaved", text});
        return next(answers, Cancel);
    }

    // The boxes of one kind, in the order shown.
    QStringList texts(const QString& kind) const
    {
        QStringList out;
        for (const Shown& s : shown)
            if (s.kind == kind)
                out << s.text;
        return out;
    }

private:
    template <typename T>
    static T next(std::deque<T>& queue, T fallback)
    {
        if (queue.empty())
            return fallback;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};
