// The hourglass while the window waits on work; the default pointer again on every way out.
#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace qle::ui {

class BusyPointer
{
public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

} // namespace qle::ui
