// The product logo shown by the splash and About windows, and the program's icon, built into the program.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace qle::ui {

QPixmap LogoPixmap();

// The icon of the program's windows, the same picture as its menu entry's.
QIcon ProgramIcon();

} // namespace qle::ui
