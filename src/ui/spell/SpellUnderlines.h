// Wavy underlines under misspelt words, with suggestions and "Add to dictionary" on the context
// menu: for the editor's several-line boxes (a highlighter on the box's text) and its one-line
// boxes (SpellLineEdit draws them itself).
#pragma once

#include "ui/editor/TextBoxes.h"
#include "ui/spell/SpellService.h"

#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <functional>

class QMenu;
class QPlainTextEdit;

namespace qle::ui {

class SpellService;

// Puts the spelling entries for the word at `position` of `text` at the top of `menu`: up to six
// suggestions (choosing one calls `replace` with the word's span and the suggestion), then "Add to
// dictionary". Nothing is added for a word spelt right. True when entries were added.
bool AddSpellingEntries(QMenu* menu, SpellService& spell, const QString& text, int position,
                        const std::function<void(int start, int length, const QString& with)>& replace);

// Underlines a several-line box's misspelt words and gives its context menu the spelling entries.
class SpellHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    // Owned by the box; follows `spell`, which must outlive it.
    SpellHighlighter(QPlainTextEdit* box, SpellService& spell);

protected:
    void highlightBlock(const QString& text) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPlainTextEdit* m_box;
    SpellService& m_spell;
};

// A one-line bound box that underlines its misspelt words.
class SpellLineEdit : public BoundLineEdit
{
    Q_OBJECT

public:
    SpellLineEdit(int maxLength, QWidget* parent = nullptr);
    // `spell` must outlive the box.
    void setSpellService(SpellService* spell);

    // The spans underlined now (for tests and drawing).
    QList<WordSpan> misspeltWords() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    SpellService* m_spell = nullptr;
};

// The format of a misspelt word: a red wavy underline.
QTextCharFormat MisspeltFormat();

} // namespace qle::ui
