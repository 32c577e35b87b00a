// Fonts of the splash window, with stand-ins where the designed faces are not installed.
#pragma once

#include <QFont>

namespace qle::ui {

// Bold handwriting-style face; falls back to a chancery or script face, then any cursive one.
QFont HandwritingFont(qreal pointSize);

// Bold plain sans-serif face.
QFont PlainSansFont(qreal pointSize);

} // namespace qle::ui
