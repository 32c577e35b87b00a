#include "ui/windows/Logo.h"

// Resources of a static library are only linked in when something refers to them, and the macro
// may not be used inside a namespace.
static void InitWindowsResources()
{
    Q_INIT_RESOURCE(windows);
}

namespace qle::ui {

namespace {

void EnsureResources()
{
    static const bool initialised = (InitWindowsResources(), true);
    (void)initialised;
}

} // namespace

QPixmap LogoPixmap()
{
    EnsureResources();
    return QPixmap(QStringLiteral(":/windows/qle_logo.bmp"));
}

QIcon ProgramIcon()
{
    EnsureResources();
    return QIcon(QStringLiteral(":/windows/quillon-engine.png"));
}

} // namespace qle::ui
