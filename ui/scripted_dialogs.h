// Dialogs for tests: answers are queued in advance, every box shown is recorded.
#pragma once

#include "dialogs.h"

#include <QStringList>

#include <deque>
#include <vector>

class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString kind; // "message", "info", "error", "confirm", "folder", "open", "save"
        QString text;
    };

    std::deque<Answer> answers;  // confirm() pops these; Cancel when none is left
    std::deque<QString> paths;   // browseForFolder/openFile/saveFile pop these; "" when none
    std::vector<Shown> shown;

    void message(const QString& text) override { shown.push_back({"message", text}); }
    void info(const QString& text) override { shown.push_back({"info", text}); }
    void error(const QString& text) override { shown.push_back({"error", text}); }
    Answer confirm(const QString& text) override
    {
        shown.push_back({"confirm", text});
        return next(answers, Cancel);
    }
    QString browseForFolder(const QString& title) override
    {
        shown.push_back({"folder", title});
        return next(paths, QString());
    }
    QString openFile(const FileDialogSpec& spec) override
    {
        shown.push_back({"open", spec.filter});
        return next(paths, QString());
    }
    QString saveFile(const FileDialogSpec& spec, const QString& suggestedName) override
    {
        shown.push_back({"save", suggestedName.isEmpty() ? spec.filter : suggestedName});
        return next(paths, QString());
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
