// The formatting toolbar above First Paragraph and Main Text: Bold, Italic, Heading, the two
// lists, Link and Picture, writing ordinary HTML tags around the selection of the box the author
// is in (Main Text until another was used). Ctrl+B, Ctrl+I and Ctrl+K in either box do the same.
#pragma once

#include "generator/AuthorHtml.h"

#include <QToolBar>
#include <initializer_list>
#include <vector>

class QPlainTextEdit;

namespace qle::ui {

class FormatToolbar : public QToolBar
{
    Q_OBJECT

public:
    // `boxes` are the boxes the commands write into; the last is the one used first.
    FormatToolbar(std::initializer_list<QPlainTextEdit*> boxes, QWidget* parent = nullptr);

    // The box the commands write into now.
    QPlainTextEdit* target() const { return m_target; }

    // Formats the selection of the target box (see generator::Formatted); with nothing selected
    // the caret is left between the tags.
    void format(generator::TextFormat format);
    // Puts HTML in place of the target box's selection.
    void insertHtml(const QString& html);
    // The target box's selected text, with its line breaks as LF.
    QString selectedText() const;

    QAction* actBold;
    QAction* actItalic;
    QAction* actHeading;
    QAction* actBulleted;
    QAction* actNumbered;
    QAction* actLink;
    QAction* actPicture;

signals:
    // "Link" and "Picture" need the person and the site: the editor answers with insertHtml().
    void linkRequested();
    void pictureRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addCommand(const QString& text, const QString& tip, const char* name);

    std::vector<QPlainTextEdit*> m_boxes;
    QPlainTextEdit* m_target;
};

} // namespace qle::ui
