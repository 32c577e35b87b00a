// The console window of an upload: carries out the publisher's batch file on a worker thread and
// shows every line as it comes. "pause" waits for a key (or the close button); the window closes
// itself when the batch file ends. Started as `quillon-engine --console BATCHFILE`.
#pragma once

#include <QSemaphore>
#include <QWidget>
#include <atomic>
#include <functional>
#include <string>
#include <thread>

class QPlainTextEdit;

namespace qle::ui {

class ConsoleWindow : public QWidget
{
    Q_OBJECT

public:
    // What carries out the batch file: output receives each line, pause blocks until a key.
    // Returns the exit status to end with.
    using Runner =
        std::function<int(const std::function<void(const std::string&)>& output, const std::function<void()>& pause)>;

    explicit ConsoleWindow(QWidget* parent = nullptr);
    ~ConsoleWindow() override;

    // Starts the runner on its own thread. REQUIRES: called once.
    void start(Runner runner);

    bool isRunning() const { return m_running; }
    int exitStatus() const { return m_exitStatus; }
    QString text() const;

    // The runner for the publisher's batch file, with the upload client of the program folder.
    static Runner BatchFileRunner(const std::string& batchFile);

signals:
    void finished(int exitStatus);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void appendLine(const QString& line);
    void releasePause();

    QPlainTextEdit* m_output;
    std::thread m_worker;
    QSemaphore m_keyPressed;
    std::atomic<bool> m_waitingForKey {false};
    std::atomic<bool> m_running {false};
    int m_exitStatus = 0;
};

// Runs the console window for a batch file until it closes; the process's exit status.
int RunConsole(const std::string& batchFile);

} // namespace qle::ui
