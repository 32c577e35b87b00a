#include "ui/editor/FormatToolbar.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>

namespace qle::ui {

namespace {

// The keys the commands answer to inside the boxes (Ctrl+K would otherwise cut to the line's end).
QAction* ActionForKey(const QKeyEvent* key, QAction* bold, QAction* italic, QAction* link)
{
    if (key->modifiers() != Qt::ControlModifier)
        return nullptr;
    switch (key->key()) {
    case Qt::Key_B:
        return bold;
    case Qt::Key_I:
        return italic;
    case Qt::Key_K:
        return link;
    default:
        return nullptr;
    }
}

} // namespace

FormatToolbar::FormatToolbar(std::initializer_list<QPlainTextEdit*> boxes, QWidget* parent)
    : QToolBar(parent)
    , m_boxes(boxes)
    , m_target(m_boxes.back())
{
    setObjectName(QStringLiteral("formatToolbar"));
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setIconSize(QSize(16, 16));
    actBold = addCommand(tr("B"), tr("Bold (Ctrl+B)"), "actBold");
    QFont bold = font();
    bold.setBold(true);
    actBold->setFont(bold);
    actItalic = addCommand(tr("I"), tr("Italic (Ctrl+I)"), "actItalic");
    QFont italic = font();
    italic.setItalic(true);
    actItalic->setFont(italic);
    actHeading = addCommand(tr("Heading"), tr("A heading within the text"), "actHeading");
    addSeparator();
    actBulleted = addCommand(tr("\u2022 List"), tr("A bulleted list: one item per line selected"), "actBulleted");
    actNumbered = addCommand(tr("1. List"), tr("A numbered list: one item per line selected"), "actNumbered");
    addSeparator();
    actLink = addCommand(tr("Link..."), tr("A link to one of your pages or to a web address (Ctrl+K)"), "actLink");
    actPicture = addCommand(tr("Picture..."), tr("A picture in the text"), "actPicture");

    connect(actBold, &QAction::triggered, this, [this] { format(generator::TextFormat::Bold); });
    connect(actItalic, &QAction::triggered, this, [this] { format(generator::TextFormat::Italic); });
    connect(actHeading, &QAction::triggered, this, [this] { format(generator::TextFormat::Heading); });
    connect(actBulleted, &QAction::triggered, this, [this] { format(generator::TextFormat::BulletedList); });
    connect(actNumbered, &QAction::triggered, this, [this] { format(generator::TextFormat::NumberedList); });
    connect(actLink, &QAction::triggered, this, &FormatToolbar::linkRequested);
    connect(actPicture, &QAction::triggered, this, &FormatToolbar::pictureRequested);
    for (QPlainTextEdit* box : m_boxes)
        box->installEventFilter(this);
}

QAction* FormatToolbar::addCommand(const QString& text, const QString& tip, const char* name)
{
    QAction* action = addAction(text);
    action->setObjectName(QLatin1String(name));
    action->setToolTip(tip);
    // The buttons never take the focus: the caret stays in the box they write into.
    if (auto* button = qobject_cast<QToolButton*>(widgetForAction(action)))
        button->setFocusPolicy(Qt::NoFocus);
    return action;
}

QString FormatToolbar::selectedText() const
{
    // Qt gives paragraph separators between the lines of a selection.
    return m_target->textCursor().selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

void FormatToolbar::format(generator::TextFormat format)
{
    const bool nothingSelected = !m_target->textCursor().hasSelection();
    const generator::FormattedText result = generator::Formatted(format, selectedText().toStdString());
    QTextCursor cursor = m_target->textCursor();
    const int start = cursor.selectionStart();
    cursor.insertText(QString::fromStdString(result.text));
    if (nothingSelected) {
        cursor.setPosition(start + static_cast<int>(result.caret));
        m_target->setTextCursor(cursor);
    }
    m_target->setFocus(Qt::OtherFocusReason);
}

void FormatToolbar::insertHtml(const QString& html)
{
    m_target->textCursor().insertText(html);
    m_target->setFocus(Qt::OtherFocusReason);
}

bool FormatToolbar::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QPlainTextEdit*>(watched);
    if (!box)
        return QToolBar::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn) {
        m_target = box;
    } else if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        if (QAction* action = ActionForKey(static_cast<QKeyEvent*>(event), actBold, actItalic, actLink)) {
            event->accept();
            if (event->type() == QEvent::KeyPress) {
                m_target = box;
                action->trigger();
            }
            return true;
        }
    }
    return QToolBar::eventFilter(watched, event);
}

} // namespace qle::ui
