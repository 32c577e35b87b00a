#include "ui/windows/WindowFonts.h"

#include <QStringList>

namespace qle::ui {

namespace {

QFont BoldFont(const QStringList& families, QFont::StyleHint hint, qreal pointSize)
{
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

} // namespace

QFont HandwritingFont(qreal pointSize)
{
    // Z003 and URW Chancery L come with the common free PostScript font sets; TeX Gyre Chorus with TeX.
    return BoldFont({"Lucida Handwriting", "Z003", "URW Chancery L", "TeX Gyre Chorus", "Comic Neue"}, QFont::Cursive,
                    pointSize);
}

QFont PlainSansFont(qreal pointSize)
{
    return BoldFont({"Arial", "Liberation Sans", "Nimbus Sans", "DejaVu Sans"}, QFont::SansSerif, pointSize);
}

} // namespace qle::ui
