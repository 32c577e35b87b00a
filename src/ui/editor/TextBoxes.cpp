#include "ui/editor/TextBoxes.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTextCursor>

namespace qle::ui {

namespace {

// Characters of the stored form: each line break is stored as two (CR LF).
int StoredLength(QStringView shown)
{
    return static_cast<int>(shown.size() + shown.count(QLatin1Char('\n')));
}

} // namespace

QString WithLf(const QString& text)
{
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

QString WithCrLf(const QString& text)
{
    return WithLf(text).replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

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

void BoundLineEdit::keyPressEvent(QKeyEvent* event)
{
    const bool adds =
        event->matches(QKeySequence::Paste) || (!event->text().isEmpty() && event->text().at(0).isPrint());
    QLineEdit::keyPressEvent(event);
    if (adds && text().size() >= maxLength())
        emit limitReached(maxLength());
}

LimitedTextEdit::LimitedTextEdit(int maxLength, QWidget* parent)
    : QPlainTextEdit(parent)
    , m_maxLength(maxLength)
    , m_limit(maxLength)
{
    // Tab moves on to the next box, as in every other box of the editor.
    setTabChangesFocus(true);
    if (m_maxLength > 0)
        connect(this, &QPlainTextEdit::textChanged, this, &LimitedTextEdit::enforceLimit);
}

QString LimitedTextEdit::boundText() const
{
    return WithCrLf(toPlainText());
}

QVariant LimitedTextEdit::boundValue() const
{
    // A null of the text type reads as equal to the NULL the model holds: nothing to save.
    if (m_emptyIsNull && m_shownNull && toPlainText().isEmpty())
        return QVariant(QMetaType::fromType<QString>());
    return boundText();
}

void LimitedTextEdit::setBoundValue(const QVariant& value)
{
    m_shownNull = value.isNull();
    setBoundText(value.toString());
}

void LimitedTextEdit::setBoundText(const QString& text)
{
    const QString shown = WithLf(text);
    m_limit = m_maxLength > 0 ? qMax(m_maxLength, StoredLength(shown)) : 0;
    // A stored value is shown as it is; only typing reaches the limit.
    m_showingStored = true;
    setPlainText(shown);
    m_showingStored = false;
}

void LimitedTextEdit::enforceLimit()
{
    const QString text = toPlainText();
    if (m_showingStored || StoredLength(text) < m_limit)
        return;
    if (StoredLength(text) > m_limit) {
        // Typing or pasting past the limit keeps the first characters, like a one-line box does.
        int keep = 0;
        for (int stored = 0; keep < text.size(); ++keep) {
            stored += text.at(keep) == QLatin1Char('\n') ? 2 : 1;
            if (stored > m_limit)
                break;
        }
        QTextCursor cursor = textCursor();
        const int position = qMin(cursor.position(), keep);
        const QSignalBlocker quiet(this);
        setPlainText(text.left(keep));
        cursor = textCursor();
        cursor.setPosition(position);
        setTextCursor(cursor);
    }
    emit limitReached(m_limit);
}

LimitNote::LimitNote(QWidget* tab)
    : QLabel(tab)
{
    setObjectName(QStringLiteral("lblLimitNote"));
    setStyleSheet(QStringLiteral("QLabel { color: #a00000; }"));
    hide();
    const auto say = [this](int limit) {
        setText(tr("This box holds at most %1 characters.").arg(limit));
        show();
    };
    for (auto* box : tab->findChildren<BoundLineEdit*>())
        connect(box, &BoundLineEdit::limitReached, this, say);
    for (auto* box : tab->findChildren<LimitedTextEdit*>())
        connect(box, &LimitedTextEdit::limitReached, this, say);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (old != now)
            hide();
    });
}

void SetTabOrder(std::initializer_list<QWidget*> widgets)
{
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        event->accept();
        emit clicked();
        return;
    }
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
