#include "ui/windows/frmOptions.h"

#include "app/StartUp.h"
#include "app/UserInterface.h"
#include "ui/BusyPointer.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qle::ui {

namespace {

// The form's rows, top to bottom, with their label captions.
struct Row
{
    int index;
    const char* caption;
};
constexpr Row kRows[] = {
    {frmOptions::Company, "Company:"},     {frmOptions::Username, "Username:"},
    {frmOptions::FirstUsed, "FirstUsed:"}, {frmOptions::LastSite, "LastSite:"},
    {frmOptions::AutoLoad, "AutoLoad:"},   {frmOptions::LocalBaseDir, "LocalBaseDir:"},
};

std::string* TextField(app::AppOptions& options, int index)
{
    switch (index) {
    case frmOptions::LocalBaseDir:
        return &options.LocalBaseDir;
    case frmOptions::LastSite:
        return &options.LastSite;
    case frmOptions::FirstUsed:
        return &options.FirstUsed;
    case frmOptions::Username:
        return &options.Username;
    case frmOptions::Company:
        return &options.Company;
    default:
        return nullptr;
    }
}

} // namespace

frmOptions::frmOptions(app::AppState& state, app::UserInterface& ui, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_ui(ui)
    , m_chkAutoLoad(new QCheckBox(this))
    , datPrimaryRS(new QLabel(this))
    , picButtons(new QWidget(this))
    , cmdUpdate(new QPushButton(tr("&Update"), picButtons))
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(tr("Options"));

    auto* fields = new QFormLayout;
    for (const Row& row : kRows) {
        auto* label = new QLabel(tr(row.caption), this);
        label->setObjectName(QStringLiteral("lblLabels_%1").arg(row.index));
        m_lblLabels[static_cast<std::size_t>(row.index)] = label;
        if (row.index == AutoLoad) {
            m_chkAutoLoad->setObjectName(QStringLiteral("chkFields_1"));
            connect(m_chkAutoLoad, &QCheckBox::toggled, this, [this](bool on) { m_state.options.AutoLoad = on; });
            fields->addRow(label, m_chkAutoLoad);
            continue;
        }
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("txtFields_%1").arg(row.index));
        m_txtFields[static_cast<std::size_t>(row.index)] = box;
        // Typing changes the in-memory copy at once, as `BaseFolder` reads the box's text.
        connect(box, &QLineEdit::textEdited, this, [this, index = row.index](const QString& text) {
            *TextField(m_state.options, index) = text.toStdString();
        });
        fields->addRow(label, box);
    }

    datPrimaryRS->setObjectName(QStringLiteral("datPrimaryRS"));
    datPrimaryRS->setFrameShape(QFrame::Panel);
    datPrimaryRS->setFrameShadow(QFrame::Sunken);
    picButtons->setObjectName(QStringLiteral("picButtons"));
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    auto* buttonBar = new QHBoxLayout(picButtons);
    buttonBar->setContentsMargins(0, 0, 0, 0);
    buttonBar->addWidget(cmdUpdate);
    buttonBar->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picButtons);
    layout->addLayout(fields);
    layout->addStretch();
    layout->addWidget(datPrimaryRS);
    resize(480, sizeHint().height());

    connect(cmdUpdate, &QPushButton::clicked, this, &frmOptions::cmdUpdate_Click);
    refresh();
    datPrimaryRS_Reposition();
}

QLineEdit* frmOptions::txtFields(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_txtFields.size()))
        return nullptr;
    return m_txtFields[static_cast<std::size_t>(index)];
}

void frmOptions::Form_Load()
{
    BusyPointer busy;
    auto loaded = app::LoadAppOptions(m_state.appDatabasePath);
    if (!loaded) {
        // The boxes keep what they showed.
        datPrimaryRS_Error(loaded.status().message());
        return;
    }
    m_state.options = loaded.value();
    refresh();
    datPrimaryRS_Reposition();
}

void frmOptions::refresh()
{
    for (const Row& row : kRows) {
        if (QLineEdit* box = txtFields(row.index))
            box->setText(QString::fromStdString(*TextField(m_state.options, row.index)));
    }
    const QSignalBlocker quiet(m_chkAutoLoad);
    m_chkAutoLoad->setChecked(m_state.options.AutoLoad);
}

void frmOptions::cmdUpdate_Click()
{
    BusyPointer busy;
    if (Status s = app::SaveAppOptions(m_state.appDatabasePath, m_state.options); !s.ok()) {
        datPrimaryRS_Error(s.message());
        return;
    }
    // Show the record as saved, so that what the form shows is what the database holds.
    auto saved = app::LoadAppOptions(m_state.appDatabasePath);
    if (!saved) {
        datPrimaryRS_Error(saved.status().message());
        return;
    }
    m_state.options = saved.value();
    refresh();
    datPrimaryRS_Reposition();
}

void frmOptions::showEvent(QShowEvent* event)
{
    refresh();
    QWidget::showEvent(event);
}

void frmOptions::datPrimaryRS_Error(const std::string& description)
{
    m_ui.showMessage("Data error event hit err:" + description, app::kProgramTitle, app::MessageIcon::None);
}

void frmOptions::datPrimaryRS_Reposition()
{
    // The form only ever edits the first record.
    datPrimaryRS->setText(tr("Record: ") + QString::number(1));
}

} // namespace qle::ui
