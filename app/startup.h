// Start-up and the state several tabs share: the four tag objects and the install folder.
#pragma once

#include "ui/shared_tags.h"

#include <QSettings>
#include <QString>

#include <memory>
#include <stdexcept>

class WindowDialogs;
class TForm1;

// The installation folder as read from the setting, expected to end with "/".
extern QString InstallDir;

// The environment variable that moves the machine-wide settings folder (default /etc/xdg),
// for installs without root and for tests.
constexpr const char* kSettingsDirVariable = "VARNOLI_SETTINGS_DIR";
void applySettingsLocation();

// One value of the machine-wide store of `organisation`. Text comes back as stored, a number
// as its decimal text, bytes one character each; throws std::runtime_error when the store
// cannot be opened or the value is missing or of another kind. Never returns a default.
QString ReadSetting(QSettings::Scope scope, const QString& organisation, const QString& valueName);

// Start-up after the application exists: the window (which loads `musicDirsPath`), the
// install folder and the folder boxes. A failure is shown in an error box and gives null.
std::unique_ptr<TForm1> startWindow(WindowDialogs& dialogs, const QString& musicDirsPath);
