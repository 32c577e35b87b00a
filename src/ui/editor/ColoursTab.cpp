#include "ui/editor/ColoursTab.h"

#include "generator/PageFrame.h"
#include "generator/PictureEncoder.h"
#include "ui/editor/ColourBox.h"
#include "ui/editor/PageStyleBox.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QGridLayout>
#include <QIcon>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>

namespace qle::ui {

namespace {

QComboBox* NamedColourBox(QWidget* parent, const char* name, int index)
{
    auto* box = new ColourBox(parent);
    box->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index));
    return box;
}

} // namespace

QIcon ColourSwatch(const QString& name)
{
    // The swatch shows the colour the pages will have, which for two names is not the name's own.
    const QColor colour(QString::fromStdString(generator::PanelColour(name.toStdString())));
    QPixmap swatch(16, 16);
    swatch.fill(colour.isValid() ? colour : QColor(Qt::transparent));
    QPainter painter(&swatch);
    painter.setPen(Qt::darkGray);
    painter.drawRect(0, 0, 15, 15);
    return QIcon(swatch);
}

void FillColourList(QComboBox* box)
{
    for (const char* name : kColourNames)
        box->addItem(ColourSwatch(QString::fromLatin1(name)), QString::fromLatin1(name));
}

ColoursTab::ColoursTab(QWidget* parent)
    : QWidget(parent)
{
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Left Panel"), this), 0, 1);
    grid->addWidget(new QLabel(tr("Middle Panel"), this), 0, 2);
    grid->addWidget(new QLabel(tr("Right Panel"), this), 0, 3);
    const QString rowLabels[3] = {
        tr("Main Section Pages (e.g. Sports)"),
        tr("Sub Section Pages (e.g. Football)"),
        tr("Detail Pages (e.g. World Cup Competition)"),
    };
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(new QLabel(rowLabels[i], this), i + 1, 0);
        cmbLeftPanelColour[i] = NamedColourBox(this, "cmbLeftPanelColour", i);
        cmbMiddlePanelColour[i] = NamedColourBox(this, "cmbMiddlePanelColour", i);
        cmbRightPanelColour[i] = NamedColourBox(this, "cmbRightPanelColour", i);
        grid->addWidget(cmbLeftPanelColour[i], i + 1, 1);
        grid->addWidget(cmbMiddlePanelColour[i], i + 1, 2);
        grid->addWidget(cmbRightPanelColour[i], i + 1, 3);
        FillColourList(cmbLeftPanelColour[i]);
        FillColourList(cmbMiddlePanelColour[i]);
        FillColourList(cmbRightPanelColour[i]);
    }

    cmbPageStyle = new PageStyleBox(this);
    cmbPageStyle->setObjectName(QStringLiteral("cmbPageStyle"));
    auto* styleLabel = new QLabel(tr("Page style"), this);
    styleLabel->setBuddy(cmbPageStyle);
    grid->addWidget(styleLabel, 4, 0);
    grid->addWidget(cmbPageStyle, 4, 1);

    // Pictures: the width they are scaled down to, and whether camera data stays in them.
    txtPictureWidth = new QLineEdit(this);
    txtPictureWidth->setObjectName(QStringLiteral("txtPictureWidth"));
    txtPictureWidth->setPlaceholderText(QString::number(generator::kDefaultMaxWidth));
    txtPictureWidth->setValidator(new QIntValidator(generator::kMinMaxWidth, generator::kMaxMaxWidth, txtPictureWidth));
    auto* widthLabel = new QLabel(tr("Largest picture &width (pixels)"), this);
    widthLabel->setBuddy(txtPictureWidth);
    grid->addWidget(widthLabel, 5, 0);
    grid->addWidget(txtPictureWidth, 5, 1);
    chkKeepMetadata = new QCheckBox(tr("&Keep picture metadata (camera, date and location)"), this);
    chkKeepMetadata->setObjectName(QStringLiteral("chkKeepMetadata"));
    grid->addWidget(chkKeepMetadata, 6, 1, 1, 3);
    grid->setRowStretch(7, 1);
    grid->setColumnStretch(4, 1);
}

QWidget* ColoursTab::focusControl() const
{
    return cmbLeftPanelColour[0];
}

} // namespace qle::ui
