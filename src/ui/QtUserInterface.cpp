#include "ui/QtUserInterface.h"

#include "app/Desktop.h"
#include "ui/ListChoiceDialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QUrl>

namespace qle::ui {

namespace {

// One line of text, typed in the clear or hidden; nullopt when cancelled.
std::optional<std::string> AskLine(QWidget* parent, const std::string& prompt, const std::string& title,
                                   QLineEdit::EchoMode echo)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(parent, QString::fromStdString(title), QString::fromStdString(prompt),
                                                 echo, QString(), &ok);
    if (!ok)
        return std::nullopt;
    return answer.toStdString();
}

} // namespace

QString QtNameFilter(const std::string& filter)
{
    const auto bar = filter.find('|');
    if (bar == std::string::npos)
        return QString::fromStdString(filter);
    const QString description = QString::fromStdString(filter.substr(0, bar)).trimmed();
    QString patterns = QString::fromStdString(filter.substr(bar + 1));
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    const QString tail = QStringLiteral("(%1)").arg(patterns.simplified());
    if (description.endsWith(tail))
        return description;
    return description + QLatin1Char(' ') + tail;
}

void QtUserInterface::showMessage(const std::string& text, const std::string& title, app::MessageIcon icon)
{
    QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
    switch (icon) {
    case app::MessageIcon::None:
        break;
    case app::MessageIcon::Information:
        qtIcon = QMessageBox::Information;
        break;
    case app::MessageIcon::Warning:
        qtIcon = QMessageBox::Warning;
        break;
    case app::MessageIcon::Critical:
        qtIcon = QMessageBox::Critical;
        break;
    }
    QMessageBox box(qtIcon, QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok, m_parent);
    box.exec();
}

std::optional<std::string> QtUserInterface::askText(const std::string& prompt, const std::string& title)
{
    return AskLine(m_parent, prompt, title, QLineEdit::Normal);
}

bool QtUserInterface::askYesNo(const std::string& question, const std::string& title)
{
    return QMessageBox::question(m_parent, QString::fromStdString(title), QString::fromStdString(question),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

std::optional<std::size_t> QtUserInterface::chooseItem(const std::string& prompt, const std::string& title,
                                                       const std::vector<std::string>& items)
{
    ListChoiceDialog dialog(QString::fromStdString(title), QString::fromStdString(prompt), items, m_parent);
    if (dialog.exec() != QDialog::Accepted || dialog.chosen() < 0)
        return std::nullopt;
    return static_cast<std::size_t>(dialog.chosen());
}

std::string QtUserInterface::chooseFile(const app::FileChoice& choice)
{
    QFileDialog dialog(m_parent, QString::fromStdString(choice.title), QString::fromStdString(choice.initialFolder),
                       QtNameFilter(choice.filter));
    dialog.setAcceptMode(choice.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (!choice.defaultSuffix.empty())
        dialog.setDefaultSuffix(QString::fromStdString(choice.defaultSuffix));
    // A name that does not exist yet is allowed: new sites and new banners are named here.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // Site and picture names match in any letter case.
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    if (!choice.defaultName.empty())
        dialog.selectFile(QString::fromStdString(choice.defaultName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst().toStdString();
}

bool QtUserInterface::openWithDesktop(const std::string& pathOrAddress)
{
    const QString target = QString::fromStdString(pathOrAddress);
    const QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(target) : QUrl(target);
    return QDesktopServices::openUrl(url);
}

bool QtUserInterface::startProgram(const std::vector<std::string>& argv)
{
    return app::StartDetached(argv);
}

std::optional<std::string> QtUserInterface::askSecret(const std::string& prompt, const std::string& title)
{
    return AskLine(m_parent, prompt, title, QLineEdit::Password);
}

bool QtUserInterface::startProgramWithSecret(const std::vector<std::string>& argv, const std::string& secret)
{
    return app::StartDetached(argv, secret);
}

void QtUserInterface::beep()
{
    QApplication::beep();
}

} // namespace qle::ui
