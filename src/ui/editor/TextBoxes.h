// Small text and picture controls the editor's tabs share.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVariant>
#include <initializer_list>

namespace qle::ui {

// A one-line box bound to a field: the person may type at most `maxLength` characters, but a
// longer value stored in the field is shown whole, so that saving the record never shortens it.
// Typing at the limit emits limitReached() instead of dropping keys without a word.
class BoundLineEdit : public QLineEdit
{
    Q_OBJECT
    // The property the data binding reads and writes.
    Q_PROPERTY(QString boundText READ text WRITE setBoundText USER true)

public:
    explicit BoundLineEdit(int maxLength, QWidget* parent = nullptr);
    void setBoundText(const QString& text);

signals:
    void limitReached(int maxLength);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_limit;
};

// A several-line text box that holds at most `maxLength` characters (0: no limit) of its stored
// form; like BoundLineEdit, a longer stored value is shown whole. The stored form ends each line
// with CR LF, the line break the pages are built from; a stored value with bare line feeds (or
// bare carriage returns) is shown line by line all the same, and stored with CR LF when saved.
class LimitedTextEdit : public QPlainTextEdit
{
    Q_OBJECT
    // The property the data binding reads and writes: the stored form, NULL included.
    Q_PROPERTY(QVariant boundValue READ boundValue WRITE setBoundValue USER true)

public:
    explicit LimitedTextEdit(int maxLength, QWidget* parent = nullptr);
    QString boundText() const;
    void setBoundText(const QString& text);
    QVariant boundValue() const;
    void setBoundValue(const QVariant& value);
    // For a field where nothing means "none" (the picture's path): an empty box stands for NULL
    // when the field was NULL when shown, or was cleared to NULL since, so that a page without a
    // picture is stored as one that never had one. A field stored empty stays empty.
    void setEmptyIsNull(bool emptyIsNull) { m_emptyIsNull = emptyIsNull; }

signals:
    void limitReached(int maxLength);

private:
    void enforceLimit();
    int m_maxLength;
    int m_limit;
    bool m_showingStored = false;
    bool m_emptyIsNull = false;
    bool m_shownNull = true; // the value last shown was NULL
};

// A line under a tab's boxes that tells the author, as a box fills up, that it can take no more:
// "This box holds at most N characters." It goes when the focus moves to another box.
class LimitNote : public QLabel
{
    Q_OBJECT

public:
    // Watches every BoundLineEdit and LimitedTextEdit inside `tab`.
    explicit LimitNote(QWidget* tab);
};

// Tab goes through the widgets in this order (their order on screen), then on as before.
void SetTabOrder(std::initializer_list<QWidget*> widgets);

// The text with every line break (CR LF, LF or a lone CR) as CR LF.
QString WithCrLf(const QString& text);
// The text with every line break (CR LF, LF or a lone CR) as LF.
QString WithLf(const QString& text);

// A picture box or text that reports clicks. A click it reports goes no further, so a clickable
// label inside another reports once.
class ClickableLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A one-line box drawn as a link (blue, underlined) that reports clicks.
class LinkLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit LinkLineEdit(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace qle::ui
