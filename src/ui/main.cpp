// quillon-engine: the desktop program.
#include "app/Paths.h"
#include "ui/ConsoleWindow.h"
#include "ui/MainWindow.h"
#include "ui/QtUserInterface.h"

#include <QApplication>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv)
{
    // The embedded browser's engine refuses to start as root with its sandbox on.
    if (::geteuid() == 0)
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon Engine"));

    // quillon-engine --console BATCHFILE: the console window of an upload, started by the publisher.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() == 3 && arguments[1] == QLatin1String("--console"))
        return qle::ui::RunConsole(arguments[2].toStdString());

    qle::ui::QtUserInterface ui;
    qle::ui::MainWindow mainWindow(ui, qle::app::ProgramFolder());
    ui.setParent(&mainWindow);
    // Closing the main window ends the program, whatever other windows are open.
    QObject::connect(&mainWindow, &qle::ui::MainWindow::closed, &app, &QApplication::quit, Qt::QueuedConnection);
    QApplication::setQuitOnLastWindowClosed(false);

    mainWindow.showMainWindow();
    return QApplication::exec();
}
