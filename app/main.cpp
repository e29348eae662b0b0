// Program entry: no arguments are read; the window runs until it is closed.
#include "startup.h"

#include "features/common/interrupted_saves.h"

#include "ui/window_dialogs.h"
#include "ui/form1.h"
#include "ui/icons.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QStyle>

int main(int argc, char* argv[])
{
    tidyStateFolder();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnoli"));
    QApplication::setApplicationDisplayName(QStringLiteral("Varnoli"));
    QApplication::setDesktopFileName(QStringLiteral("varnoli"));
    QApplication::setWindowIcon(makeIcon(IconRole::Application));
    applySettingsLocation();

    QtDialogs dialogs;
    // The folder list is fixed to the working directory the program started in.
    const QString musicDirsPath = QDir::current().absoluteFilePath(QStringLiteral("musicdirs.xml"));
    std::unique_ptr<TForm1> window = startWindow(dialogs, musicDirsPath);
    if (!window)
        return 1;
    dialogs.setOwner(window.get());

    // The first time, centred and no larger than the screen; after that where it was left.
    if (!window->placeRestored()) {
        const QRect screen = window->screen()->availableGeometry();
        window->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter,
                                                window->size().boundedTo(screen.size()), screen));
    }
    window->PageControl1->setCurrentWidget(window->TabSheet1);
    window->show();
    return QApplication::exec();
}
