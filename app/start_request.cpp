// The window's arguments sorted into a folder with files to select and a playlist.
#include "start_request.h"

#include "ui/form1.h"
#include "ui/window_dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTabWidget>

namespace {

void addFile(StartRequest& request, const QFileInfo& file, const QString& given)
{
    const QString folder = file.absolutePath();
    if (request.folder.isEmpty())
        request.folder = folder;
    if (QDir(request.folder) == QDir(folder))
        request.names.push_back(QFile::encodeName(file.fileName()).toStdString());
    else
        request.problems << QStringLiteral("'%1' is not in the folder '%2': one folder is listed at a time.")
                                .arg(given, request.folder);
}

void addArgument(StartRequest& request, const QString& given)
{
    const QFileInfo info(given);
    if (!info.exists()) {
        request.problems << QStringLiteral("'%1' does not exist.").arg(given);
    } else if (info.isDir()) {
        if (request.folder.isEmpty())
            request.folder = QDir::cleanPath(info.absoluteFilePath());
        else
            request.problems << QStringLiteral("'%1' is left aside: one folder is listed at a time.").arg(given);
    } else if (info.suffix().compare(QStringLiteral("m3u"), Qt::CaseInsensitive) == 0) {
        if (request.playlist.isEmpty())
            request.playlist = info.absoluteFilePath();
        else
            request.problems << QStringLiteral("'%1' is left aside: one playlist is opened at a time.").arg(given);
    } else {
        addFile(request, info, given);
    }
}

} // namespace

StartRequest startRequest(const QStringList& arguments)
{
    StartRequest request;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (!optionsEnded && argument == QStringLiteral("--"))
            optionsEnded = true;
        else if (!optionsEnded && argument.size() > 1 && argument.startsWith(QLatin1Char('-')))
            request.badOption = request.badOption.isEmpty() ? argument : request.badOption;
        else
            addArgument(request, argument);
    }
    return request;
}

void openStartRequest(TForm1& window, const StartRequest& request, WindowDialogs& dialogs)
{
    QStringList problems = request.problems;
    if (!request.playlist.isEmpty()) {
        window.PageControl1->setCurrentWidget(window.TabSheet1);
        window.OpenPlaylistFile(request.playlist);
    }
    // The files' tab is shown when both were given: it is the one with a selection to act on.
    if (!request.folder.isEmpty())
        for (const std::string& name : window.ShowFilesOnTagsTab(request.folder, request.names))
            problems << QStringLiteral("'%1' is not among the MP3 files of '%2'.")
                            .arg(QFile::decodeName(name.c_str()), request.folder);
    if (!problems.isEmpty())
        dialogs.error(problems.join(QLatin1Char('\n')));
}
