#include "ui/windows/frmAbout.h"

#include "app/DesktopPrograms.h"
#include "app/UserInterface.h"
#include "app/Version.h"
#include "ui/windows/Logo.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qle::ui {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text = {})
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

} // namespace

frmAbout::frmAbout(app::UserInterface& ui, QWidget* parent)
    : QDialog(parent)
    , m_ui(ui)
    , imgLogo(MakeLabel(this, "imgLogo"))
    , lblTitle(MakeLabel(this, "lblTitle"))
    , lblVersion(MakeLabel(this, "lblVersion"))
    , lblDescription(MakeLabel(this, "lblDescription",
                               tr("Build and maintain large and complex web sites with complete ease with Brightlane "
                                  "Quillon Engine.")))
    , lblDisclaimer(MakeLabel(this, "lblDisclaimer", tr("Warning: ...")))
    , cmdOK(MakeButton(this, "cmdOK", tr("OK")))
    , cmdSysInfo(MakeButton(this, "cmdSysInfo", tr("&System Info...")))
{
    setObjectName(QStringLiteral("frmAbout"));
    setModal(false);

    imgLogo->setPixmap(LogoPixmap());
    imgLogo->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblDescription->setWordWrap(true);
    lblDisclaimer->setWordWrap(true);
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addSpacing(8);
    text->addWidget(lblDescription);
    text->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(imgLogo, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblDisclaimer, 1, Qt::AlignTop);
    bottom->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(line);
    layout->addLayout(bottom);
    setMinimumWidth(480);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    Form_Load();
}

void frmAbout::Form_Load()
{
    const QString title = QString::fromUtf8(app::kProgramTitle);
    setWindowTitle(tr("About ") + title);
    lblVersion->setText(QString::fromUtf8(app::kVersionText));
    lblTitle->setText(title);
}

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::cmdSysInfo_Click()
{
    app::StartSysInfo(m_ui);
}

} // namespace qle::ui
