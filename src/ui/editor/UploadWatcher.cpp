#include "ui/editor/UploadWatcher.h"

#include "app/Paths.h"
#include "publish/client/UploadOutcome.h"

#include <QTimer>
#include <cstdio>

namespace qle::ui {

namespace {

// Often enough to feel immediate, rarely enough to cost nothing while an upload runs.
constexpr int kPollMs = 250;

} // namespace

UploadWatcher::UploadWatcher(QObject* parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(kPollMs);
    connect(m_timer, &QTimer::timeout, this, &UploadWatcher::poll);
}

void UploadWatcher::watch(const QString& folder)
{
    m_folder = folder;
    std::remove(app::JoinPath(folder.toStdString(), publish::kUploadOutcomeFileName).c_str());
    m_timer->start();
}

void UploadWatcher::stop()
{
    m_timer->stop();
}

bool UploadWatcher::isWatching() const
{
    return m_timer->isActive();
}

void UploadWatcher::poll()
{
    auto outcome = publish::ReadUploadOutcome(m_folder.toStdString());
    if (!outcome)
        return;
    m_timer->stop();
    emit finished(QString::fromStdString(outcome->outcome));
}

} // namespace qle::ui
