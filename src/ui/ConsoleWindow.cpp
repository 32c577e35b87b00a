#include "ui/ConsoleWindow.h"

#include "publish/BatchRunner.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <csignal>

namespace qle::ui {

ConsoleWindow::ConsoleWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_output(new QPlainTextEdit(this))
    , m_stop(new QPushButton(tr("Stop"), this))
{
    setObjectName(QStringLiteral("ConsoleWindow"));
    setWindowTitle(tr("Publishing - Quillon Engine"));
    m_output->setObjectName(QStringLiteral("consoleOutput"));
    m_output->setReadOnly(true);
    m_output->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_output->setStyleSheet(QStringLiteral("QPlainTextEdit { background: black; color: #c0c0c0; }"));
    // Keys go to the window, where "pause" waits for them.
    m_output->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::StrongFocus);
    m_stop->setObjectName(QStringLiteral("btnStop"));
    m_stop->setEnabled(false);
    m_stop->setFocusPolicy(Qt::NoFocus);
    connect(m_stop, &QPushButton::clicked, this, [this] { stopUpload(); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_output);
    layout->addWidget(m_stop, 0, Qt::AlignRight);
    resize(720, 420);
}

ConsoleWindow::~ConsoleWindow()
{
    releasePause();
    if (m_worker.joinable())
        m_worker.join();
}

QString ConsoleWindow::text() const
{
    return m_output->toPlainText();
}

void ConsoleWindow::appendLine(const QString& line)
{
    m_output->appendPlainText(line);
}

void ConsoleWindow::releasePause()
{
    if (m_waitingForKey.exchange(false))
        m_keyPressed.release();
}

void ConsoleWindow::start(Runner runner)
{
    m_running = true;
    m_worker = std::thread([this, runner = std::move(runner)] {
        const auto output = [this](const std::string& line) {
            QMetaObject::invokeMethod(
                this, [this, text = QString::fromStdString(line)] { appendLine(text); }, Qt::QueuedConnection);
        };
        const auto pause = [this] {
            m_waitingForKey = true;
            m_keyPressed.acquire();
        };
        const auto clientRunning = [this](int pid) {
            m_clientPid = pid;
            QMetaObject::invokeMethod(
                this, [this, running = pid > 0] { m_stop->setEnabled(running); }, Qt::QueuedConnection);
        };
        const int status = runner(output, pause, clientRunning);
        QMetaObject::invokeMethod(
            this,
            [this, status] {
                m_running = false;
                m_exitStatus = status;
                emit finished(status);
            },
            Qt::QueuedConnection);
    });
}

bool ConsoleWindow::stopUpload()
{
    // The id is cleared before the client is waited for, so it always names the running client.
    const int pid = m_clientPid.load();
    if (pid <= 0)
        return false;
    ::kill(pid, SIGTERM);
    m_stop->setEnabled(false);
    appendLine(tr("Stopping the upload ..."));
    return true;
}

void ConsoleWindow::keyPressEvent(QKeyEvent* event)
{
    if (m_waitingForKey) {
        releasePause();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ConsoleWindow::closeEvent(QCloseEvent* event)
{
    // Closing at "pause" is the same as pressing a key; an upload still running keeps the window.
    if (m_running && !m_waitingForKey) {
        event->ignore();
        return;
    }
    releasePause();
    event->accept();
}

ConsoleWindow::Runner ConsoleWindow::BatchFileRunner(const std::string& batchFile, const std::string& secret)
{
    return [batchFile, secret](const std::function<void(const std::string&)>& output,
                               const std::function<void()>& pause, const std::function<void(int)>& clientRunning) {
        publish::BatchOptions options;
        options.ftpProgram = publish::DefaultFtpProgram();
        options.secret = secret;
        publish::BatchCallbacks callbacks;
        callbacks.output = output;
        callbacks.clientRunning = clientRunning;
        callbacks.pause = [output, pause] {
            output("Press any key to continue . . .");
            pause();
        };
        auto status = publish::RunBatchFile(batchFile, options, callbacks);
        if (!status) {
            output(status.status().message());
            output("Press any key to continue . . .");
            pause();
            return 2;
        }
        return status.value();
    };
}

int RunConsole(const std::string& batchFile, const std::string& secret)
{
    ConsoleWindow window;
    QObject::connect(&window, &ConsoleWindow::finished, &window, &QWidget::close);
    QObject::connect(&window, &ConsoleWindow::finished, qApp, &QCoreApplication::exit);
    window.show();
    window.start(ConsoleWindow::BatchFileRunner(batchFile, secret));
    return QApplication::exec();
}

} // namespace qle::ui
