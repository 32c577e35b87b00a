// quillon-engine: the desktop program.
#include "app/Desktop.h"
#include "app/Paths.h"
#include "ui/ConsoleWindow.h"
#include "ui/MainWindow.h"
#include "ui/QtUserInterface.h"
#include "ui/preview/LivePreview.h"
#include "ui/windows/Logo.h"
#include "ui/windows/frmAbout.h"
#include "ui/windows/frmSplash.h"

#include <QAction>
#include <QApplication>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv)
{
    // The embedded browser's engine refuses to start as root with its sandbox on.
    if (::geteuid() == 0)
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The live preview's addresses are known to the web engine only when told before it starts.
    qle::ui::RegisterPreviewScheme();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon Engine"));
    // Ties the windows to the menu entry, whose icon they share.
    QGuiApplication::setDesktopFileName(QStringLiteral("quillon-engine"));
    QApplication::setWindowIcon(qle::ui::ProgramIcon());

    // quillon-engine --console BATCHFILE [--secret-fd N] [OPTIONS]: the console window of an upload,
    // started by the publisher, which may hand it a password or passphrase on descriptor N; the
    // other options go to the upload client.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() >= 3 && arguments[1] == QLatin1String("--console")) {
        std::string secret;
        std::vector<std::string> clientOptions;
        QRect over;
        for (qsizetype i = 3; i < arguments.size(); ++i) {
            if (arguments[i] == QLatin1String("--secret-fd") && i + 1 < arguments.size()) {
                secret = qle::app::ReadSecretFrom(arguments[++i].toInt());
            } else if (arguments[i] == QLatin1String("--over") && i + 1 < arguments.size()) {
                const QStringList place = arguments[++i].split(QLatin1Char(','));
                if (place.size() == 4)
                    over = QRect(place[0].toInt(), place[1].toInt(), place[2].toInt(), place[3].toInt());
            } else {
                clientOptions.push_back(arguments[i].toStdString());
            }
        }
        return qle::ui::RunConsole(arguments[2].toStdString(), secret, clientOptions, over);
    }

    qle::ui::QtUserInterface ui;
    qle::ui::MainWindow mainWindow(ui, qle::app::ProgramFolder());
    ui.setParent(&mainWindow);
    // Closing the main window ends the program, whatever other windows are open.
    QObject::connect(&mainWindow, &qle::ui::MainWindow::closed, &app, &QApplication::quit, Qt::QueuedConnection);
    QApplication::setQuitOnLastWindowClosed(false);

    // "&About": a fresh window on every showing, beside the main window without blocking it.
    QObject::connect(mainWindow.mnuAbout(), &QAction::triggered, &mainWindow, [&ui, &mainWindow] {
        auto* about = new qle::ui::frmAbout(ui, &mainWindow);
        about->setAttribute(Qt::WA_DeleteOnClose);
        about->show();
    });

    // The splash comes first and shows the main window when it closes.
    auto* splash = new qle::ui::frmSplash([&mainWindow] { mainWindow.showMainWindow(); });
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    return QApplication::exec();
}
