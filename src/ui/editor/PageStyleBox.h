// The "Page style" choice: a list of the two styles, bound to the `Page_Style` field by meaning.
#pragma once

#include <QComboBox>

namespace qle::ui {

// Shows "Classic" or "Modern" and hands the field the name of the style chosen. A stored value
// is shown as the style it means (see app::PageStyleOf: "modern" or " MODERN " is Modern, empty
// or unknown text is Classic), so saving the record never changes a site's style.
class PageStyleBox : public QComboBox
{
    Q_OBJECT
    // The property a data widget mapper reads and writes.
    Q_PROPERTY(QString styleName READ styleName WRITE setStyleName USER true)

public:
    explicit PageStyleBox(QWidget* parent = nullptr);

    QString styleName() const;
    void setStyleName(const QString& stored);
};

} // namespace qle::ui
