#include "ui/FindDialog.h"

#include "ui/editor/SiteEditorWindow.h"
#include "ui/models/PagesSource.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace qle::ui {

namespace {

QString FieldName(const QString& field)
{
    if (field == QLatin1String("Title"))
        return FindDialog::tr("title");
    if (field == QLatin1String("Para"))
        return FindDialog::tr("first paragraph");
    if (field == QLatin1String("Body"))
        return FindDialog::tr("main text");
    return FindDialog::tr("text under picture");
}

} // namespace

FindDialog::FindDialog(SiteEditorWindow& editor, QWidget* parent)
    : QDialog(parent)
    , m_editor(editor)
{
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(tr("Find and Replace"));
    setModal(false);
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtReplace = new QLineEdit(this);
    txtReplace->setObjectName(QStringLiteral("txtReplace"));
    chkMatchCase = new QCheckBox(tr("&Match case"), this);
    chkMatchCase->setObjectName(QStringLiteral("chkMatchCase"));
    btnFind = new QPushButton(tr("&Find"), this);
    btnFind->setObjectName(QStringLiteral("btnFind"));
    btnFind->setDefault(true);
    btnReplaceAll = new QPushButton(tr("&Replace All..."), this);
    btnReplaceAll->setObjectName(QStringLiteral("btnReplaceAll"));
    lstHits = new QListWidget(this);
    lstHits->setObjectName(QStringLiteral("lstHits"));
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));

    auto* form = new QFormLayout;
    form->addRow(tr("F&ind:"), txtFind);
    form->addRow(tr("Replace &with:"), txtReplace);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkMatchCase);
    buttons->addStretch(1);
    buttons->addWidget(btnFind);
    buttons->addWidget(btnReplaceAll);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(lblSummary);
    layout->addWidget(lstHits, 1);
    layout->addWidget(close);
    resize(560, 420);

    connect(btnFind, &QPushButton::clicked, this, &FindDialog::findAll);
    connect(txtFind, &QLineEdit::returnPressed, this, &FindDialog::findAll);
    connect(btnReplaceAll, &QPushButton::clicked, this, &FindDialog::replaceAll);
    connect(lstHits, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { goTo(lstHits->row(item)); });
    connect(lstHits, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { goTo(lstHits->row(item)); });
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void FindDialog::findAll()
{
    lstHits->clear();
    m_hits = m_editor.findInPages(txtFind->text(), chkMatchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive);
    QList<QVariant> pages;
    for (const PageHit& hit : m_hits) {
        const QString title = hit.title.trimmed().isEmpty() ? tr("(a page without a title)") : hit.title;
        lstHits->addItem(tr("%1 \u2014 %2: %3").arg(title, FieldName(hit.field), hit.excerpt));
        if (!pages.contains(hit.artId))
            pages << hit.artId;
    }
    if (txtFind->text().isEmpty())
        lblSummary->setText(tr("Type the text to find."));
    else if (m_hits.isEmpty())
        lblSummary->setText(tr("\"%1\" is on no page.").arg(txtFind->text()));
    else
        lblSummary->setText(tr("Found %1 on %2. Click a line to go there.")
                                .arg(m_hits.size() == 1 ? tr("once") : tr("%1 times").arg(m_hits.size()),
                                     pages.size() == 1 ? tr("1 page") : tr("%1 pages").arg(pages.size())));
}

void FindDialog::replaceAll()
{
    if (txtFind->text().isEmpty())
        return;
    m_editor.replaceInPages(txtFind->text(), txtReplace->text(),
                            chkMatchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive);
    findAll();
}

void FindDialog::goTo(int row)
{
    if (row >= 0 && row < m_hits.size())
        m_editor.goToHit(m_hits.at(row));
}

} // namespace qle::ui
