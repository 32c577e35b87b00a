#include "ui/editor/TextBoxes.h"

#include <QMouseEvent>
#include <QTextCursor>

namespace qle::ui {

BoundLineEdit::BoundLineEdit(int maxLength, QWidget* parent)
    : QLineEdit(parent)
    , m_limit(maxLength)
{
    setMaxLength(maxLength);
}

void BoundLineEdit::setBoundText(const QString& text)
{
    setMaxLength(qMax(m_limit, static_cast<int>(text.size())));
    setText(text);
}

LimitedTextEdit::LimitedTextEdit(int maxLength, QWidget* parent)
    : QPlainTextEdit(parent)
    , m_maxLength(maxLength)
    , m_limit(maxLength)
{
    if (m_maxLength > 0)
        connect(this, &QPlainTextEdit::textChanged, this, &LimitedTextEdit::enforceLimit);
}

void LimitedTextEdit::setBoundText(const QString& text)
{
    m_limit = m_maxLength > 0 ? qMax(m_maxLength, static_cast<int>(text.size())) : 0;
    setPlainText(text);
}

void LimitedTextEdit::enforceLimit()
{
    const QString text = toPlainText();
    if (text.size() <= m_limit)
        return;
    // Typing or pasting past the limit keeps the first characters, like a one-line box does.
    QTextCursor cursor = textCursor();
    const int position = qMin(cursor.position(), m_limit);
    setPlainText(text.left(m_limit));
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
