#include "ui/editor/TextBoxes.h"

#include <QMouseEvent>
#include <QTextCursor>

namespace qle::ui {

LimitedTextEdit::LimitedTextEdit(int maxLength, QWidget* parent)
    : QPlainTextEdit(parent)
    , m_maxLength(maxLength)
{
    if (m_maxLength > 0)
        connect(this, &QPlainTextEdit::textChanged, this, &LimitedTextEdit::enforceLimit);
}

void LimitedTextEdit::enforceLimit()
{
    const QString text = toPlainText();
    if (text.size() <= m_maxLength)
        return;
    // Typing or pasting past the limit keeps the first characters, like a one-line box does.
    QTextCursor cursor = textCursor();
    const int position = qMin(cursor.position(), m_maxLength);
    setPlainText(text.left(m_maxLength));
    cursor = textCursor();
    cursor.setPosition(position);
    setTextCursor(cursor);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

LinkLineEdit::LinkLineEdit(QWidget* parent)
    : QLineEdit(parent)
{
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setStyleSheet(QStringLiteral("QLineEdit { color: blue; }"));
    setCursor(Qt::PointingHandCursor);
}

void LinkLineEdit::mouseReleaseEvent(QMouseEvent* event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit clicked();
}

} // namespace qle::ui
