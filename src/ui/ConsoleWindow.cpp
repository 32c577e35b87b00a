#include "ui/ConsoleWindow.h"

#include "publish/client/BatchRunner.h"
#include "publish/sync/SyncText.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <csignal>

namespace qle::ui {

ConsoleWindow::ConsoleWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_output(new QPlainTextEdit(this))
    , m_progress(new QProgressBar(this))
    , m_progressText(new QLabel(this))
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
    m_progress->setObjectName(QStringLiteral("uploadProgress"));
    m_progress->setRange(0, 1000);
    m_progressText->setObjectName(QStringLiteral("uploadProgressText"));
    m_progress->hide();
    m_progressText->hide();
    layout->addWidget(m_progress);
    layout->addWidget(m_progressText);
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
    const std::string text = line.toStdString();
    if (const auto progress = publish::ParseProgressLine(text)) {
        // Bytes measure the work better than files: one picture can weigh as much as fifty pages.
        const double done = progress->bytesToSend == 0
                                ? 1.0
                                : static_cast<double>(progress->bytesDone) / static_cast<double>(progress->bytesToSend);
        m_progress->setValue(static_cast<int>(done * 1000));
        m_progress->setFormat(tr("%1 of %2 files").arg(progress->filesDone).arg(progress->filesToSend));
        m_progressText->setText(line);
        m_progress->show();
        m_progressText->show();
        return;
    }
    if (publish::IsDeletionsHeldLine(text))
        m_deletionsHeld = true;
    m_output->appendPlainText(line);
}

void ConsoleWindow::releasePause()
{
    if (m_waitingForKey.exchange(false))
        m_keyPressed.release();
}

void ConsoleWindow::start(Runner runner)
{
    if (m_worker.joinable())
        m_worker.join(); // the last run ended: its thread only has to be collected
    m_deletionsHeld = false;
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

ConsoleWindow::Runner ConsoleWindow::BatchFileRunner(const std::string& batchFile, const std::string& secret,
                                                     const std::vector<std::string>& clientOptions)
{
    return [batchFile, secret, clientOptions](const std::function<void(const std::string&)>& output,
                                              const std::function<void()>& pause,
                                              const std::function<void(int)>& clientRunning) {
        publish::BatchOptions options;
        options.ftpProgram = publish::DefaultFtpProgram();
        options.secret = secret;
        options.ftpArguments = clientOptions;
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

int RunConsole(const std::string& batchFile, const std::string& secret, const std::vector<std::string>& clientOptions,
               const QRect& over)
{
    ConsoleWindow window;
    std::vector<std::string> options = clientOptions;
    QObject::connect(&window, &ConsoleWindow::finished, &window, [&window, &options, &batchFile, &secret](int status) {
        const bool allowed = std::find(options.begin(), options.end(), "--allow-deletes") != options.end();
        if (window.deletionsHeld() && !allowed &&
            QMessageBox::question(&window, QObject::tr("Quillon Engine"),
                                  QObject::tr("Many published pages are no longer part of your site (see the "
                                              "console). Delete them from the web space now?")) == QMessageBox::Yes) {
            options.push_back("--allow-deletes");
            window.start(ConsoleWindow::BatchFileRunner(batchFile, secret, options));
            return;
        }
        window.close();
        QCoreApplication::exit(status);
    });
    if (over.isValid())
        window.move(over.center() - window.rect().center());
    window.show();
    window.start(ConsoleWindow::BatchFileRunner(batchFile, secret, options));
    return QApplication::exec();
}

} // namespace qle::ui
