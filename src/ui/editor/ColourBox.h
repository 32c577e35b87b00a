// A colour box of the Colours tab: the colour names with their swatches, and any colour typed.
// The stored text is shown as it is, and the box shows the swatch of that colour from its first
// paint: the listed name it matches is the current entry (whose swatch the box draws), and a
// colour typed that the list lacks gets its swatch drawn in the box.
#pragma once

#include <QComboBox>

class QAction;

namespace qle::ui {

class ColourBox : public QComboBox
{
    Q_OBJECT
    // The property a data widget mapper reads and writes.
    Q_PROPERTY(QString colourName READ colourName WRITE setColourName USER true)

public:
    explicit ColourBox(QWidget* parent = nullptr);

    QString colourName() const { return currentText(); }
    void setColourName(const QString& stored);

private:
    // Makes the current entry the one the text names (any letter case), keeping the text.
    void follow(const QString& text);

    QAction* m_swatch;
    bool m_following = false;
};

} // namespace qle::ui
