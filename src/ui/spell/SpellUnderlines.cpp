#include "ui/spell/SpellUnderlines.h"

#include "ui/spell/SpellService.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <memory>

namespace qle::ui {

namespace {

constexpr int kSuggestionsShown = 6;

// A wavy line from x1 to x2 along y, as the misspelt format draws it in the several-line boxes.
void DrawWave(QPainter& painter, qreal x1, qreal x2, qreal y)
{
    QPainterPath path;
    constexpr qreal kStep = 2.0;
    path.moveTo(x1, y);
    bool up = true;
    for (qreal x = x1 + kStep; x <= x2; x += kStep, up = !up)
        path.lineTo(x, up ? y - kStep : y);
    painter.drawPath(path);
}

} // namespace

QTextCharFormat MisspeltFormat()
{
    QTextCharFormat format;
    format.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    format.setUnderlineColor(Qt::red);
    return format;
}

bool AddSpellingEntries(QMenu* menu, SpellService& spell, const QString& text, int position,
                        const std::function<void(int start, int length, const QString& with)>& replace)
{
    const WordSpan span = WordAt(text, position);
    const QString word = text.mid(span.start, span.length);
    if (span.length == 0 || !spell.isMisspelt(word))
        return false;
    QAction* first = menu->actions().isEmpty() ? nullptr : menu->actions().constFirst();
    const QStringList suggestions = spell.suggestions(word).mid(0, kSuggestionsShown);
    QList<QAction*> added;
    for (const QString& suggestion : suggestions) {
        auto* action = new QAction(suggestion, menu);
        QFont bold = action->font();
        bold.setBold(true);
        action->setFont(bold);
        QObject::connect(action, &QAction::triggered, menu,
                         [replace, span, suggestion] { replace(span.start, span.length, suggestion); });
        added << action;
    }
    if (suggestions.isEmpty()) {
        auto* none = new QAction(QObject::tr("(no suggestions)"), menu);
        none->setEnabled(false);
        added << none;
    }
    auto* add = new QAction(QObject::tr("Add \"%1\" to dictionary").arg(word), menu);
    add->setObjectName(QStringLiteral("actAddToDictionary"));
    SpellService* service = &spell;
    QObject::connect(add, &QAction::triggered, menu, [service, word] { service->addWord(word); });
    added << add;
    menu->insertActions(first, added);
    if (first)
        menu->insertSeparator(first);
    return true;
}

SpellHighlighter::SpellHighlighter(QPlainTextEdit* box, SpellService& spell)
    : QSyntaxHighlighter(box->document())
    , m_box(box)
    , m_spell(spell)
{
    setParent(box);
    box->viewport()->installEventFilter(this);
    connect(&spell, &SpellService::changed, this, &QSyntaxHighlighter::rehighlight);
}

void SpellHighlighter::highlightBlock(const QString& text)
{
    if (!m_spell.isActive())
        return;
    const QTextCharFormat misspelt = MisspeltFormat();
    for (const WordSpan& word : WordsToCheck(text))
        if (m_spell.isMisspelt(text.mid(word.start, word.length)))
            setFormat(word.start, word.length, misspelt);
}

bool SpellHighlighter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_box->viewport() && event->type() == QEvent::ContextMenu) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        const QTextCursor at = m_box->cursorForPosition(menuEvent->pos());
        const QTextBlock block = at.block();
        std::unique_ptr<QMenu> menu(m_box->createStandardContextMenu(menuEvent->pos()));
        QPlainTextEdit* box = m_box;
        const int blockStart = block.position();
        AddSpellingEntries(menu.get(), m_spell, block.text(), at.positionInBlock(),
                           [box, blockStart](int start, int length, const QString& with) {
                               QTextCursor cursor = box->textCursor();
                               cursor.setPosition(blockStart + start);
                               cursor.setPosition(blockStart + start + length, QTextCursor::KeepAnchor);
                               cursor.insertText(with);
                           });
        menu->setObjectName(QStringLiteral("spellingMenu"));
        menu->exec(menuEvent->globalPos());
        return true;
    }
    return QSyntaxHighlighter::eventFilter(watched, event);
}

SpellLineEdit::SpellLineEdit(int maxLength, QWidget* parent)
    : BoundLineEdit(maxLength, parent)
{
}

void SpellLineEdit::setSpellService(SpellService* spell)
{
    m_spell = spell;
    if (spell)
        connect(spell, &SpellService::changed, this, qOverload<>(&QWidget::update));
}

QList<WordSpan> SpellLineEdit::misspeltWords() const
{
    QList<WordSpan> words;
    if (!m_spell || !m_spell->isActive() || echoMode() != Normal)
        return words;
    const QString shown = text();
    for (const WordSpan& word : WordsToCheck(shown))
        if (m_spell->isMisspelt(shown.mid(word.start, word.length)))
            words << word;
    return words;
}

void SpellLineEdit::paintEvent(QPaintEvent* event)
{
    BoundLineEdit::paintEvent(event);
    const QList<WordSpan> words = misspeltWords();
    if (words.isEmpty())
        return;
    // Where the text lies: the caret's place tells the scroll offset of the line.
    const QString shown = text();
    const QFontMetricsF metrics(font());
    const QRect caret = cursorRect();
    const qreal origin = caret.center().x() - metrics.horizontalAdvance(shown.left(cursorPosition()));
    const qreal baseline = caret.center().y() + metrics.ascent() / 2.0 + 2.0;
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    painter.setPen(QPen(Qt::red, 1));
    for (const WordSpan& word : words) {
        const qreal x1 = origin + metrics.horizontalAdvance(shown.left(word.start));
        const qreal x2 = origin + metrics.horizontalAdvance(shown.left(word.start + word.length));
        DrawWave(painter, x1, x2, baseline);
    }
}

void SpellLineEdit::contextMenuEvent(QContextMenuEvent* event)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    menu->setObjectName(QStringLiteral("spellingMenu"));
    if (m_spell) {
        AddSpellingEntries(menu.get(), *m_spell, text(), cursorPositionAt(event->pos()),
                           [this](int start, int length, const QString& with) {
                               setSelection(start, length);
                               insert(with);
                           });
    }
    menu->exec(event->globalPos());
}

} // namespace qle::ui
