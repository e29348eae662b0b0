// Asking and telling, for feature logic that must not open a window: the window shows
// message boxes, varnoli-cli prints lines, tests answer from a script.
#pragma once

#include <string>

// Every text is UTF-8: tag text as it is, paths as the file system's bytes.
class Dialogs {
public:
    enum Answer { Yes, No, Cancel };

    virtual ~Dialogs() = default;
    virtual void message(const std::string& text) = 0; // plain box with OK
    virtual void info(const std::string& text) = 0;    // information box with OK
    virtual void error(const std::string& text) = 0;   // error box with OK
    virtual Answer confirm(const std::string& text) = 0; // warning box, Yes / No / Cancel
};
