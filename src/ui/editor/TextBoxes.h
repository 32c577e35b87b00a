// Small text and picture controls the editor's tabs share.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace qle::ui {

// A one-line box bound to a field: the person may type at most `maxLength` characters, but a
// longer value stored in the field is shown whole, so that saving the record never shortens it.
class BoundLineEdit : public QLineEdit
{
    Q_OBJECT
    // The property the data binding reads and writes.
    Q_PROPERTY(QString boundText READ text WRITE setBoundText USER true)

public:
    explicit BoundLineEdit(int maxLength, QWidget* parent = nullptr);
    void setBoundText(const QString& text);

private:
    int m_limit;
};

// A several-line text box that accepts at most `maxLength` characters (0: no limit); like
// BoundLineEdit, a longer stored value is shown whole.
class LimitedTextEdit : public QPlainTextEdit
{
    Q_OBJECT
    Q_PROPERTY(QString boundText READ toPlainText WRITE setBoundText USER true)

public:
    explicit LimitedTextEdit(int maxLength, QWidget* parent = nullptr);
    void setBoundText(const QString& text);

private:
    void enforceLimit();
    int m_maxLength;
    int m_limit;
};

// A picture box or text that reports clicks.
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
