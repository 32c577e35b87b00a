#include "ui/editor/ColourBox.h"

#include "ui/editor/ColoursTab.h"

#include <QAction>
#include <QLineEdit>

namespace qle::ui {

ColourBox::ColourBox(QWidget* parent)
    : QComboBox(parent)
{
    // A colour that is not in the list may be typed; it is stored as typed.
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    m_swatch = lineEdit()->addAction(QIcon(), QLineEdit::LeadingPosition);
    m_swatch->setObjectName(QStringLiteral("typedColourSwatch"));
    m_swatch->setVisible(false);
    connect(this, &QComboBox::editTextChanged, this, &ColourBox::follow);
}

void ColourBox::setColourName(const QString& stored)
{
    follow(stored);
    if (currentText() != stored)
        setEditText(stored);
}

void ColourBox::follow(const QString& text)
{
    if (m_following)
        return;
    m_following = true;
    const int wanted = text.isEmpty() ? -1 : findText(text, Qt::MatchFixedString);
    if (wanted != currentIndex()) {
        const int cursor = lineEdit()->cursorPosition();
        setCurrentIndex(wanted); // writes the entry's text, or none
        setEditText(text);
        lineEdit()->setCursorPosition(cursor);
    }
    // A listed colour shows the entry's swatch; another the box draws itself, when it names one.
    const QIcon typed = wanted < 0 && !text.isEmpty() ? ColourSwatch(text) : QIcon();
    m_swatch->setIcon(typed);
    m_swatch->setVisible(!typed.isNull());
    m_following = false;
}

} // namespace qle::ui
