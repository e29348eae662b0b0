// Program entry: the window, opened on the files, folder or playlist it is given.
#include "start_request.h"
#include "startup.h"
#include "window_usage.h"

#include "features/common/interrupted_saves.h"

#include "ui/window_dialogs.h"
#include "ui/form1.h"
#include "ui/icons.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QStyle>

#include <cstring>
#include <iostream>

int main(int argc, char* argv[])
{
    // Answered before Qt looks for a display.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printWindowHelp(std::cout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "varnoli " VARNOLI_VERSION "\n";
        return 0;
    }
    tidyStateFolder();
    QApplication application(argc, argv);
    // Qt has taken its own options out of the arguments by now.
    const StartRequest request = startRequest(QApplication::arguments().mid(1));
    if (!request.badOption.isEmpty()) {
        std::cerr << "varnoli: unknown option '" << request.badOption.toStdString() << "'\nusage: varnoli "
                  << kWindowSynopsis << '\n';
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("Varnoli"));
    QApplication::setApplicationDisplayName(QStringLiteral("Varnoli"));
    QApplication::setDesktopFileName(QStringLiteral("org.varnoli.Varnoli"));
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
    openStartRequest(*window, request, dialogs);
    return QApplication::exec();
}
