// The process-wide objects, the one setting, and the order the program comes up in.
#include "startup.h"

#include "music_folders.h"
#include "features/common/interrupted_saves.h"
#include "features/index/written_files.h"
#include "ui/window_dialogs.h"
#include "ui/form1.h"

#include <QFileInfo>
#include <QVariant>

// Created before main() runs, in this order, and kept until the process ends.
Tid3tag SharedTagV1;
Tid3tag FileEditTagV1;
Tid3v2tag SharedTagV2;
Tid3v2tag FileEditTagV2;

QString InstallDir;

namespace {

[[noreturn]] void fail(const QString& text)
{
    throw std::runtime_error(text.toStdString());
}

} // namespace

void applySettingsLocation()
{
    const QByteArray dir = qgetenv(kSettingsDirVariable);
    if (!dir.isEmpty())
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, QFile::decodeName(dir));
}

QString ReadSetting(QSettings::Scope scope, const QString& organisation, const QString& valueName)
{
    QSettings settings(QSettings::NativeFormat, scope, organisation);
    const QFileInfo store(settings.fileName());
    if (!store.exists())
        fail(QStringLiteral("The settings file %1 does not exist.").arg(settings.fileName()));
    if (!store.isReadable())
        fail(QStringLiteral("The settings file %1 cannot be read: access denied.").arg(settings.fileName()));
    if (settings.status() != QSettings::NoError)
        fail(QStringLiteral("The settings file %1 is not in a readable format.").arg(settings.fileName()));

    const QVariant value = settings.value(valueName);
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return QString::number(value.toLongLong());
    case QMetaType::QByteArray:
        return QString::fromLatin1(value.toByteArray());
    default:
        fail(QStringLiteral("The setting '%1' could not be read from %2.")
                 .arg(valueName, settings.fileName()));
    }
}

std::unique_ptr<TForm1> startWindow(WindowDialogs& dialogs, const QString& musicDirsPath)
{
    try {
        auto folders = std::make_unique<MusicFolderDocument>();
        folders->load(musicDirsPath);
        auto window = std::make_unique<TForm1>(dialogs, std::move(folders));
        InstallDir = ReadSetting(QSettings::SystemScope, QStringLiteral("Varnoli"),
                                 QStringLiteral("installdir"));
        window->setInstallDir(InstallDir);
        // The window's saves and renames keep the tag index true.
        keepWrittenFiles();
        window->ReloadFolderBoxes();
        window->restoreSession();
        // A save the last run did not finish left a damaged file: say so before anything else.
        const std::string interrupted = interruptedSavesMessage();
        if (!interrupted.empty())
            dialogs.error(interrupted);
        return window;
    } catch (const std::exception& e) {
        dialogs.error(QString::fromUtf8(e.what()));
        return nullptr;
    }
}
