#include "ui/FreeWebSpace.h"

#include "app/AppQueries.h"
#include "app/Desktop.h"
#include "app/Folders.h"
#include "app/StartUp.h"
#include "ui/editor/TextBoxes.h"
#include "ui/models/ProviderCatalogue.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>

namespace qle::ui {

namespace {

// The window was designed in twips; 12 to a pixel leaves room for today's larger fonts.
constexpr int Px(int twips)
{
    return twips / 12;
}

constexpr int kWidth = Px(4080);

} // namespace

FreeWebSpace::FreeWebSpace(const app::AppState& state, app::UserInterface& ui, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_state(state)
    , m_ui(ui)
{
    setObjectName(QStringLiteral("FreeWebSpace"));
    setWindowTitle(tr("Free Web Site space"));

    auto* intro = new QLabel(
        tr("Free Web Site space is available from a number of different providers. Select one and find out more ..."),
        this);
    intro->setObjectName(QStringLiteral("Label1"));
    intro->setWordWrap(true);
    intro->setGeometry(Px(120), Px(60), kWidth - Px(240), Px(600));
    auto* prompt = new QLabel(tr("Select a provider here"), this);
    prompt->setObjectName(QStringLiteral("lblLabels"));
    prompt->setGeometry(Px(120), Px(660), kWidth - Px(240), Px(255));

    cmbProvider = new QListWidget(this);
    cmbProvider->setObjectName(QStringLiteral("cmbProvider"));
    cmbProvider->setSortingEnabled(true);
    cmbProvider->setSelectionMode(QAbstractItemView::SingleSelection);
    cmbProvider->setGeometry(Px(120), Px(960), kWidth - Px(240), Px(840));

    Frame1 = new QGroupBox(tr("Further Information"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(Px(120), Px(1920), kWidth - Px(240), Px(2535));
    const int inner = Frame1->width() - Px(240);
    Text1 = new QPlainTextEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setGeometry(Px(120), Px(300), inner, Px(1000));
    auto* homepageLabel = new QLabel(tr("See their homepage for more information"), Frame1);
    homepageLabel->setObjectName(QStringLiteral("Label2"));
    homepageLabel->setGeometry(Px(120), Px(1380), inner, Px(255));
    Text2 = new LinkLineEdit(Frame1);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setReadOnly(true);
    Text2->setGeometry(Px(120), Px(1650), inner, Px(315));
    auto* joinLabel = new QLabel(tr("To sign up for free web space click here"), Frame1);
    joinLabel->setObjectName(QStringLiteral("Label3"));
    joinLabel->setGeometry(Px(120), Px(1980), inner, Px(255));
    Text3 = new LinkLineEdit(Frame1);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text3->setReadOnly(true);
    Text3->setGeometry(Px(120), Px(2160), inner, Px(315));
    Frame1->hide();

    setFixedSize(kWidth, kCollapsedHeight);

    auto names =
        app::FillListFromQuery(m_state.appDatabasePath, "select provider as field1 from providers where free=true;");
    if (names) {
        for (const auto& name : names.value())
            cmbProvider->addItem(QString::fromStdString(name));
    } else {
        m_ui.showMessage("The list of providers could not be read: " + names.status().message(), app::kProgramTitle,
                         app::MessageIcon::Warning);
    }

    connect(cmbProvider, &QListWidget::itemSelectionChanged, this, &FreeWebSpace::showProvider);
    connect(Text2, &LinkLineEdit::clicked, this, [this] { openLink(Text2->text()); });
    connect(Text3, &LinkLineEdit::clicked, this, [this] { openLink(Text3->text()); });
}

void FreeWebSpace::showProvider()
{
    const QListWidgetItem* item = cmbProvider->currentItem();
    if (!item || !item->isSelected())
        return;
    auto rows = FindProviders(m_state.appDatabasePath, item->text().toStdString());
    if (!rows) {
        m_ui.showMessage("The provider could not be read: " + rows.status().message(), app::kProgramTitle,
                         app::MessageIcon::Warning);
        return;
    }
    const ProviderRecord shown = rows->empty() ? ProviderRecord {} : rows->front();
    Text1->setPlainText(QString::fromStdString(shown.description));
    Text2->setText(QString::fromStdString(shown.homepage));
    Text3->setText(QString::fromStdString(shown.joiningPage));
    Frame1->show();
    setFixedSize(kWidth, kExpandedHeight);
}

void FreeWebSpace::openLink(const QString& address)
{
    app::AppOptions options = m_state.options; // read only here: the base folder is not written back
    const std::string baseFolder = app::BaseFolder(options);
    if (Status s = app::ShowPage(address.toStdString(), m_state.programFolder, baseFolder, m_ui); !s.ok())
        m_ui.showMessage(s.message(), app::kProgramTitle, app::MessageIcon::Warning);
}

} // namespace qle::ui
