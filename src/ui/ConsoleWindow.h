// The console window of an upload: carries out the publisher's batch file on a worker thread and
// shows every line as it comes. "pause" waits for a key (or the close button); the window closes
// itself when the batch file ends. "Stop" ends a running upload cleanly: the upload client is asked
// to stop, finishes the exchange in hand and reports what was sent. Started as
// `quillon-engine --console BATCHFILE [--secret-fd N] [OPTIONS]`. The upload client's progress
// lines drive a progress bar instead of filling the text.
#pragma once

#include <QRect>
#include <QSemaphore>
#include <QWidget>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace qle::ui {

class ConsoleWindow : public QWidget
{
    Q_OBJECT

public:
    // What carries out the batch file: output receives each line, pause blocks until a key,
    // clientRunning is told the upload client's process id while it runs (0 after). Returns the
    // exit status to end with.
    using Runner =
        std::function<int(const std::function<void(const std::string&)>& output, const std::function<void()>& pause,
                          const std::function<void(int pid)>& clientRunning)>;

    explicit ConsoleWindow(QWidget* parent = nullptr);
    ~ConsoleWindow() override;

    // Starts the runner on its own thread. REQUIRES: no runner is running.
    void start(Runner runner);

    bool isRunning() const { return m_running; }
    int exitStatus() const { return m_exitStatus; }
    QString text() const;
    // True when the last run held back deletions that need the author's consent.
    bool deletionsHeld() const { return m_deletionsHeld; }

    // The runner for the publisher's batch file, with the upload client of the program folder,
    // which is handed `secret` by descriptor when it is not empty, and these options.
    static Runner BatchFileRunner(const std::string& batchFile, const std::string& secret = {},
                                  const std::vector<std::string>& clientOptions = {});

    // "Stop": asks a running upload client to stop; false when none runs.
    bool stopUpload();
    QPushButton* stopButton() const { return m_stop; }

signals:
    void finished(int exitStatus);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void appendLine(const QString& line);
    void releasePause();

    QPlainTextEdit* m_output;
    QProgressBar* m_progress;
    QLabel* m_progressText;
    bool m_deletionsHeld = false;
    QPushButton* m_stop;
    std::atomic<int> m_clientPid {0};
    std::thread m_worker;
    QSemaphore m_keyPressed;
    std::atomic<bool> m_waitingForKey {false};
    std::atomic<bool> m_running {false};
    int m_exitStatus = 0;
};

// Runs the console window for a batch file until it closes; the process's exit status. When the
// upload held back deletions, asks the author and, on consent, runs it again allowing them.
// The window opens centred over `over` when it is given (the main window's place).
int RunConsole(const std::string& batchFile, const std::string& secret = {},
               const std::vector<std::string>& clientOptions = {}, const QRect& over = {});

} // namespace qle::ui
