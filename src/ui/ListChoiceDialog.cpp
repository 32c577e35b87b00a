#include "ui/ListChoiceDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace qle::ui {

ListChoiceDialog::ListChoiceDialog(const QString& title, const QString& prompt, const std::vector<std::string>& items,
                                   QWidget* parent)
    : QDialog(parent)
    , m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("ListChoiceDialog"));
    setWindowTitle(title);
    m_list->setObjectName(QStringLiteral("lstChoices"));
    for (const std::string& item : items)
        m_list->addItem(QString::fromStdString(item));
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(m_list->count() > 0);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(prompt, this);
    label->setWordWrap(true);
    layout->addWidget(label);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(460, 320);
}

int ListChoiceDialog::chosen() const
{
    return m_list->currentRow();
}

} // namespace qle::ui
