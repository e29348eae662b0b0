// A real TForm1 started the way the program starts, in a temporary working folder.
#pragma once

#include "app/startup.h"
#include "support/test_support.h"
#include "ui/form1.h"
#include "ui/scripted_dialogs.h"

#include <QFile>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

inline QString qs(const std::string& s) { return QFile::decodeName(s.c_str()); }

// A list's rows as shown, a selected one marked with a leading "*".
inline QStringList rows(const QTreeWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << (list->topLevelItem(i)->isSelected() ? "*" : "") + list->topLevelItem(i)->text(0);
    return out;
}

class WindowFixture : public ::testing::Test {
protected:
    // Settings with `installdir` and a musicdirs.xml holding `folders` (XML fragments).
    void writeSetup(const std::string& folderElements, const std::string& installDir = "")
    {
        writeSettings("[General]\ninstalldir=" + (installDir.empty() ? dir.path() : installDir) + "\n");
        writeMusicDirs("<?xml version=\"1.0\"?>\n<musicdirs>" + folderElements + "</musicdirs>\n");
    }
    void writeSettings(const std::string& ini)
    {
        std::filesystem::create_directories(dir.file("settings"));
        testsupport::writeFile(dir.file("settings/Varnoli.conf"), testsupport::bytesOf(ini));
        qputenv(kSettingsDirVariable, QFile::encodeName(qs(dir.file("settings"))));
        applySettingsLocation();
    }
    void writeMusicDirs(const std::string& xml)
    {
        testsupport::writeFile(musicDirsPath(), testsupport::bytesOf(xml));
    }
    std::string musicDirsPath() const { return dir.file("musicdirs.xml"); }
    std::string musicDirsText() const
    {
        const testsupport::Bytes b = testsupport::readFile(musicDirsPath());
        return std::string(b.begin(), b.end());
    }
    // Starts the window; false (with the window left null) when start-up failed.
    bool start()
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Varnoli")).clear();
        window = startWindow(dialogs, qs(musicDirsPath()));
        return window != nullptr;
    }
    std::string makeFolder(const std::string& name) const
    {
        const std::string path = dir.file(name) + "/";
        std::filesystem::create_directories(path);
        return path;
    }

    testsupport::TempDir dir;
    ScriptedWindowDialogs dialogs;
    std::unique_ptr<TForm1> window;
};
