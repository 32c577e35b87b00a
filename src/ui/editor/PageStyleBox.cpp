#include "ui/editor/PageStyleBox.h"

#include "app/PageStyle.h"

namespace qle::ui {

PageStyleBox::PageStyleBox(QWidget* parent)
    : QComboBox(parent)
{
    // The item texts are the stored values, in the order of app::PageStyle.
    addItem(QString::fromLatin1(app::kClassicStyleName));
    setItemData(0, tr("Fixed-width pages, as the program has always made them"), Qt::ToolTipRole);
    addItem(QString::fromLatin1(app::kModernStyleName));
    setItemData(1, tr("Pages that fit any screen, with titles, a sitemap and a feed"), Qt::ToolTipRole);
}

QString PageStyleBox::styleName() const
{
    return currentText();
}

void PageStyleBox::setStyleName(const QString& stored)
{
    setCurrentIndex(app::PageStyleOf(stored.toStdString()) == app::PageStyle::Modern ? 1 : 0);
}

} // namespace qle::ui
