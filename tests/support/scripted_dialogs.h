// Dialogs for feature tests: answers are queued in advance, every box shown is recorded.
#pragma once

#include "features/common/dialogs.h"

#include <deque>
#include <string>
#include <vector>

class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        std::string kind; // "message", "info", "error", "confirm"
        std::string text;
    };

    std::deque<Answer> answers; // confirm() pops these; Cancel when none is left
    std::vector<Shown> shown;

    void message(const std::string& text) override { shown.push_back({"message", text}); }
    void info(const std::string& text) override { shown.push_back({"info", text}); }
    void error(const std::string& text) override { shown.push_back({"error", text}); }
    Answer confirm(const std::string& text) override
    {
        shown.push_back({"confirm", text});
        if (answers.empty())
            return Cancel;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }

    std::vector<std::string> texts(const std::string& kind) const
    {
        std::vector<std::string> out;
        for (const Shown& s : shown)
            if (s.kind == kind)
                out.push_back(s.text);
        return out;
    }
};
