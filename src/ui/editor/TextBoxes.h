// Small text and picture controls the editor's tabs share.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace qle::ui {

// A several-line text box that accepts at most `maxLength` characters (0: no limit).
class LimitedTextEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit LimitedTextEdit(int maxLength, QWidget* parent = nullptr);

private:
    void enforceLimit();
    int m_maxLength;
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
