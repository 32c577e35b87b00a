// Watches for the end of an upload that runs in its console window, a process of its own that
// may outlive the editor: the console records the outcome beside the batch file when it ends.
#pragma once

#include <QObject>
#include <QString>

class QTimer;

namespace qle::ui {

class UploadWatcher : public QObject
{
    Q_OBJECT

public:
    explicit UploadWatcher(QObject* parent = nullptr);

    // Forgets any earlier outcome in `folder` and waits for the next one.
    void watch(const QString& folder);
    // Stops waiting: no upload was started after all.
    void stop();
    bool isWatching() const;

signals:
    // "Published: ..." or "Upload failed: ...".
    void finished(const QString& outcome);

private:
    void poll();

    QTimer* m_timer;
    QString m_folder;
};

} // namespace qle::ui
