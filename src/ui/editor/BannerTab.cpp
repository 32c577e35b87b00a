#include "ui/editor/BannerTab.h"

#include "app/Banner.h"
#include "app/Desktop.h"
#include "app/Folders.h"
#include "app/Paths.h"
#include "app/StartUp.h"
#include "ui/editor/TextBoxes.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qle::ui {

namespace {

QLineEdit* GreyBox(QWidget* parent, const char* name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setStyleSheet(QStringLiteral("QLineEdit { background: #d4d0c8; }"));
    return box;
}

QComboBox* HighlightBox(QWidget* parent, const char* name)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    // Editable, so that a stored value outside the list is shown and carried unchanged.
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

} // namespace

BannerTab::BannerTab(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);

    auto* bannerLabel = new QLabel(tr("Banner graphic"), this);
    QFont bold = bannerLabel->font();
    bold.setBold(true);
    bannerLabel->setFont(bold);
    layout->addWidget(bannerLabel);
    txtBanner = GreyBox(this, "txtBanner");
    layout->addWidget(txtBanner);
    auto* bannerButtons = new QHBoxLayout;
    btnChooseBanner = new QPushButton(tr("Choose &Banner ..."), this);
    btnChooseBanner->setObjectName(QStringLiteral("btnChooseBanner"));
    btnCreateBanner = new QPushButton(tr("Create &New Banner ..."), this);
    btnCreateBanner->setObjectName(QStringLiteral("btnCreateBanner"));
    bannerButtons->addWidget(btnChooseBanner);
    bannerButtons->addWidget(btnCreateBanner);
    bannerButtons->addStretch(1);
    layout->addLayout(bannerButtons);
    txtBannerImage = new ClickableLabel(this);
    txtBannerImage->setObjectName(QStringLiteral("txtBannerImage"));
    txtBannerImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The picture keeps its natural size; a banner wider than the tab is cut off at its edge
    // rather than widening the window.
    txtBannerImage->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    txtBannerImage->setFixedHeight(0);
    layout->addWidget(txtBannerImage);
    connect(txtBanner, &QLineEdit::textChanged, this, &BannerTab::showBanner);

    auto* homepageLabel = new QLabel(tr("Homepage"), this);
    homepageLabel->setFont(bold);
    layout->addSpacing(12);
    layout->addWidget(homepageLabel);
    txtHomepage_Title = GreyBox(this, "txtHomepage_Title");
    layout->addWidget(txtHomepage_Title);
    txtHomepage = new QLineEdit(this);
    txtHomepage->setObjectName(QStringLiteral("txtHomepage"));
    txtHomepage->hide();
    layout->addWidget(
        new QLabel(tr("GO TO THE 'PAGE CONTENT' SECTION TO SELECT WHICH PAGE WILL BE YOUR HOMEPAGE"), this));

    grpHighlights = new QGroupBox(this);
    grpHighlights->setObjectName(QStringLiteral("grpHighlights"));
    auto* grid = new QGridLayout(grpHighlights);
    cmbCatArtLmt = HighlightBox(grpHighlights, "cmbCatArtLmt");
    cmbCatArtMaj = HighlightBox(grpHighlights, "cmbCatArtMaj");
    cmbSectArtLmt = HighlightBox(grpHighlights, "cmbSectArtLmt");
    cmbSectArtMaj = HighlightBox(grpHighlights, "cmbSectArtMaj");
    grid->addWidget(new QLabel(tr("Category layout"), grpHighlights), 0, 0, 1, 2);
    grid->addWidget(new QLabel(tr("Highlight limit"), grpHighlights), 1, 0);
    grid->addWidget(cmbCatArtLmt, 1, 1);
    grid->addWidget(new QLabel(tr("Highlight majors"), grpHighlights), 2, 0);
    grid->addWidget(cmbCatArtMaj, 2, 1);
    grid->addWidget(new QLabel(tr("Section layout"), grpHighlights), 3, 0, 1, 2);
    grid->addWidget(new QLabel(tr("Highlight limit"), grpHighlights), 4, 0);
    grid->addWidget(cmbSectArtLmt, 4, 1);
    grid->addWidget(new QLabel(tr("Highlight majors"), grpHighlights), 5, 0);
    grid->addWidget(cmbSectArtMaj, 5, 1);
    for (int n = 1; n <= 10; ++n) {
        const QString value = QString::number(n * 5);
        cmbCatArtLmt->addItem(value);
        cmbCatArtMaj->addItem(value);
        cmbSectArtLmt->addItem(value);
        cmbSectArtMaj->addItem(value);
    }
    grpHighlights->hide();
    layout->addWidget(grpHighlights);
    layout->addStretch(1);
}

QWidget* BannerTab::focusControl() const
{
    return btnChooseBanner;
}

void BannerTab::attach(app::AppState& state, app::UserInterface& ui)
{
    m_state = &state;
    m_ui = &ui;
    connect(btnChooseBanner, &QPushButton::clicked, this, &BannerTab::btnChooseBanner_Click);
    connect(btnCreateBanner, &QPushButton::clicked, this, &BannerTab::btnCreateBanner_Click);
    connect(txtBannerImage, &ClickableLabel::clicked, this, &BannerTab::txtBannerImage_Click);
}

void BannerTab::btnChooseBanner_Click()
{
    if (!m_state)
        return;
    if (auto banner = app::ChooseBanner(app::BaseFolder(m_state->options), *m_ui))
        txtBanner->setText(QString::fromStdString(*banner));
}

void BannerTab::btnCreateBanner_Click()
{
    if (!m_state)
        return;
    if (auto banner = app::CreateBanner(app::BaseFolder(m_state->options), m_state->programFolder, *m_ui,
                                        app::SiteName(m_state->currentSitePath)))
        txtBanner->setText(QString::fromStdString(*banner));
}

void BannerTab::txtBannerImage_Click()
{
    if (m_ui && !txtBanner->text().isEmpty())
        app::OpenDocument(txtBanner->text().toStdString(), *m_ui);
}

void BannerTab::btnHompage_Click(const QString& artId, const QString& title)
{
    txtHomepage->setText(artId);
    txtHomepage_Title->setText(title);
}

void BannerTab::showBanner(const QString& path)
{
    if (path.isEmpty()) {
        txtBannerImage->clear();
        txtBannerImage->setFixedHeight(0);
        return;
    }
    const QPixmap picture(path);
    if (picture.isNull()) {
        // With no earlier picture to keep, a line stands in for it, so that a click can say what is wrong.
        if (txtBannerImage->pixmap().isNull()) {
            txtBannerImage->setText(tr("The banner picture cannot be shown."));
            txtBannerImage->setFixedHeight(txtBannerImage->sizeHint().height());
        }
        return;
    }
    txtBannerImage->setPixmap(picture);
    txtBannerImage->setFixedHeight(picture.height());
}

} // namespace qle::ui
