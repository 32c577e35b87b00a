#include "ui/editor/PageContentTab.h"

#include "ui/editor/FormatToolbar.h"
#include "ui/editor/TextBoxes.h"
#include "ui/spell/LanguageBox.h"
#include "ui/spell/SpellUnderlines.h"

#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace qle::ui {

namespace {

constexpr QSize kPictureFrame(200, 150);

template <class Box>
Box* LineBox(QWidget* parent, int index, int maxLength, bool bold)
{
    auto* box = new Box(maxLength, parent);
    box->setObjectName(QStringLiteral("txtFields_%1").arg(index));
    if (bold) {
        QFont font = box->font();
        font.setBold(true);
        box->setFont(font);
    }
    return box;
}

// An editable list over a bound box: it offers the names already used and completes as one types.
QComboBox* NameList(QWidget* parent, const char* name, QLineEdit* box)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->setEditable(true);
    list->setLineEdit(box);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setMaxVisibleItems(15);
    list->completer()->setCompletionMode(QCompleter::PopupCompletion);
    list->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    list->completer()->setFilterMode(Qt::MatchStartsWith);
    return list;
}

QToolButton* NavigatorButton(QWidget* parent, const char* name, const QString& text, const QString& tip)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(text);
    button->setToolTip(tip);
    button->setAutoRaise(false);
    return button;
}

} // namespace

void PageContentTab::setNames(QComboBox* box, const QStringList& names)
{
    QStringList current;
    for (int i = 0; i < box->count(); ++i)
        current << box->itemText(i);
    if (current == names)
        return;
    // Filling a list replaces what its box shows; the box is the page's value and stays as it is.
    QLineEdit* edit = box->lineEdit();
    const QString text = edit->text();
    const int cursor = edit->cursorPosition();
    const QSignalBlocker quietBox(edit);
    const QSignalBlocker quietList(box);
    box->clear();
    box->addItems(names);
    box->setCurrentIndex(-1);
    edit->setText(text);
    edit->setCursorPosition(cursor);
}

PageContentTab::PageContentTab(QWidget* parent)
    : QWidget(parent)
{
    auto* category = LineBox<BoundLineEdit>(this, 1, 50, true);
    auto* section = LineBox<BoundLineEdit>(this, 2, 50, true);
    txtFields[1] = category;
    txtFields[2] = section;
    cmbCategory = NameList(this, "cmbCategory", category);
    cmbSection = NameList(this, "cmbSection", section);
    txtFields[3] = LineBox<SpellLineEdit>(this, 3, 50, true);
    auto* para = new LimitedTextEdit(255, this);
    para->setObjectName(QStringLiteral("txtFields_4"));
    para->setFixedHeight(60);
    txtFields[4] = para;
    auto* body = new LimitedTextEdit(0, this);
    body->setObjectName(QStringLiteral("txtFields_5"));
    body->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtFields[5] = body;
    // The picture's path is set by the two buttons beside it, so it reads as a label does.
    auto* image = new LimitedTextEdit(255, this);
    image->setObjectName(QStringLiteral("txtFields_6"));
    image->setReadOnly(true);
    // No path is no picture: stored as NULL, as a page that never had one.
    image->setEmptyIsNull(true);
    image->setFocusPolicy(Qt::ClickFocus);
    image->setFrameShape(QFrame::NoFrame);
    image->setStyleSheet(QStringLiteral("QPlainTextEdit { background: palette(window); color: #555; }"));
    image->setToolTip(tr("The copy of the page's picture; choose or remove it with the buttons"));
    image->setFixedHeight(kPictureFrame.height());
    txtFields[6] = image;
    txtFields[7] = LineBox<SpellLineEdit>(this, 7, 255, false);

    txtArtID = new QLineEdit(this);
    txtArtID->setObjectName(QStringLiteral("txtArtID"));
    txtArtID->setReadOnly(true);
    txtArtID->hide();

    Shape1 = new ClickableLabel(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::NoFrame);
    Shape1->setStyleSheet(QStringLiteral("#Shape1 { border: 1px solid black; }"));
    Shape1->setFixedSize(kPictureFrame);
    imgImage = new ClickableLabel(Shape1);
    imgImage->setObjectName(QStringLiteral("imgImage"));
    imgImage->setCursor(Qt::PointingHandCursor);
    imgImage->hide();

    Command1 = new QPushButton(tr("Choose &Picture ..."), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    btnRemovePicture = new QPushButton(tr("Remo&ve Picture"), this);
    btnRemovePicture->setObjectName(QStringLiteral("btnRemovePicture"));

    formatToolbar = new FormatToolbar({para, body}, this);

    auto* pages = new QGroupBox(tr("Web Pages"), this);
    cmdAdd = new QPushButton(tr("&Add New Page"), pages);
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    cmdDelete = new QPushButton(tr("&Delete this Page"), pages);
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    cmdUndoDelete = new QPushButton(tr("&Undo Delete"), pages);
    cmdUndoDelete->setObjectName(QStringLiteral("cmdUndoDelete"));
    cmdUndoDelete->setEnabled(false);
    // Ctrl+Z anywhere on the tab but in a box, where it undoes typing.
    auto* undo = new QShortcut(QKeySequence::Undo, this, cmdUndoDelete, &QPushButton::animateClick,
                               Qt::WidgetWithChildrenShortcut);
    undo->setObjectName(QStringLiteral("undoDeleteShortcut"));
    btnFirst = NavigatorButton(pages, "btnFirst", QStringLiteral("|<"), tr("First page"));
    btnPrevious = NavigatorButton(pages, "btnPrevious", QStringLiteral("<"), tr("Previous page"));
    btnNext = NavigatorButton(pages, "btnNext", QStringLiteral(">"), tr("Next page"));
    btnLast = NavigatorButton(pages, "btnLast", QStringLiteral(">|"), tr("Last page"));
    btnHompage = new QPushButton(tr("Make this my &Hompage"), pages);
    btnHompage->setObjectName(QStringLiteral("btnHompage"));
    auto* navigator = new QHBoxLayout;
    navigator->setSpacing(0);
    navigator->addWidget(btnFirst);
    navigator->addWidget(btnPrevious);
    // The navigator's caption says where the author is.
    lblPosition = new QLabel(QStringLiteral(" "), pages);
    lblPosition->setObjectName(QStringLiteral("lblPosition"));
    lblPosition->setFrameShape(QFrame::Panel);
    lblPosition->setFrameShadow(QFrame::Sunken);
    lblPosition->setAlignment(Qt::AlignCenter);
    lblPosition->setMinimumWidth(
        lblPosition->fontMetrics().horizontalAdvance(QStringLiteral("New page (9999 stored)")));
    navigator->addWidget(lblPosition, 1);
    navigator->addWidget(btnNext);
    navigator->addWidget(btnLast);
    auto* pagesLayout = new QVBoxLayout(pages);
    pagesLayout->addWidget(cmdAdd);
    pagesLayout->addWidget(cmdDelete);
    pagesLayout->addWidget(cmdUndoDelete);
    pagesLayout->addWidget(new QLabel(tr("Next/Previous"), pages));
    pagesLayout->addLayout(navigator);
    pagesLayout->addWidget(btnHompage);
    pagesLayout->addStretch(1);

    // The labels wrap rather than push the boxes beside the preview out of sight.
    const auto label = [this](const QString& text) {
        auto* caption = new QLabel(text, this);
        caption->setWordWrap(true);
        return caption;
    };
    auto* grid = new QGridLayout;
    grid->addWidget(label(tr("Category (e.g TV)")), 0, 0);
    grid->addWidget(cmbCategory, 0, 1, 1, 2);
    grid->addWidget(label(tr("Section (e.g Sport):")), 1, 0);
    grid->addWidget(cmbSection, 1, 1, 1, 2);
    grid->addWidget(label(tr("Title of page: (e.g. Sport live this weekend)")), 2, 0);
    grid->addWidget(txtFields[3], 2, 1, 1, 2);
    auto* pictureColumn = new QVBoxLayout;
    pictureColumn->addWidget(label(tr("Picture: (e.g. Horse Riding picture)")));
    pictureColumn->addWidget(Command1);
    pictureColumn->addWidget(btnRemovePicture);
    pictureColumn->addStretch(1);
    grid->addLayout(pictureColumn, 3, 0);
    grid->addWidget(Shape1, 3, 1);
    grid->addWidget(txtFields[6], 3, 2);
    grid->setColumnStretch(2, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(grid, 1);
    top->addWidget(pages);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    auto* strap = new QHBoxLayout;
    strap->addWidget(new QLabel(tr("Text under picture:"), this));
    strap->addWidget(txtFields[7], 1);
    layout->addLayout(strap);
    layout->addWidget(formatToolbar);
    layout->addWidget(new QLabel(tr("First Paragraph: (used by other pages to summarise this page)"), this));
    layout->addWidget(txtFields[4]);
    layout->addWidget(new QLabel(tr("Main Text for this page:"), this));
    layout->addWidget(txtFields[5], 1);

    cmbSpellLanguage = new LanguageBox(this);
    cmbSpellLanguage->setObjectName(QStringLiteral("cmbSpellLanguage"));
    auto* languageLabel = new QLabel(tr("&Spelling:"), this);
    languageLabel->setBuddy(cmbSpellLanguage);
    lblSpelling = new QLabel(this);
    lblSpelling->setObjectName(QStringLiteral("lblSpelling"));
    lblSpelling->setStyleSheet(QStringLiteral("QLabel { color: #555; }"));
    lblSpelling->hide();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new LimitNote(this));
    bottom->addWidget(lblSpelling);
    bottom->addStretch(1);
    bottom->addWidget(languageLabel);
    bottom->addWidget(cmbSpellLanguage);
    layout->addLayout(bottom);

    // The page's own boxes top to bottom, then the buttons of the "Web Pages" frame.
    SetTabOrder({cmbCategory, cmbSection, txtFields[3], Command1, btnRemovePicture, txtFields[7], txtFields[4],
                 txtFields[5], cmdAdd, cmdDelete, cmdUndoDelete, btnFirst, btnPrevious, btnNext, btnLast, btnHompage,
                 cmbSpellLanguage});
}

QWidget* PageContentTab::focusControl() const
{
    return txtFields[1];
}

void PageContentTab::showPicture(const QString& path)
{
    imgImage->clear();
    if (path.isEmpty()) {
        imgImage->hide();
        return;
    }
    imgImage->hide();
    imgImage->move(0, 0);
    imgImage->setScaledContents(false);
    const QPixmap picture(path);
    if (picture.isNull())
        return;
    if (picture.width() > Shape1->width() || picture.height() > Shape1->height()) {
        // Squeezed to the frame exactly; proportions are not kept.
        imgImage->resize(Shape1->size());
        imgImage->setScaledContents(true);
    } else {
        imgImage->resize(picture.size());
    }
    imgImage->setPixmap(picture);
    imgImage->show();
}

} // namespace qle::ui
