// The person at the screen, through Qt: message boxes, the text prompt, the file chooser and the
// desktop's default handler.
#pragma once

#include "app/UserInterface.h"

#include <QString>

class QWidget;

namespace qle::ui {

class QtUserInterface : public app::UserInterface
{
public:
    // Dialogs are centred on `parent` (may be null).
    explicit QtUserInterface(QWidget* parent = nullptr)
        : m_parent(parent)
    {
    }
    void setParent(QWidget* parent) { m_parent = parent; }

    void showMessage(const std::string& text, const std::string& title, app::MessageIcon icon) override;
    std::optional<std::string> askText(const std::string& prompt, const std::string& title) override;
    std::string chooseFile(const app::FileChoice& choice) override;
    bool openWithDesktop(const std::string& pathOrAddress) override;
    bool startProgram(const std::vector<std::string>& argv) override;
    std::optional<std::string> askSecret(const std::string& prompt, const std::string& title) override;
    bool askYesNo(const std::string& question, const std::string& title) override;
    bool startProgramWithSecret(const std::vector<std::string>& argv, const std::string& secret) override;
    void beep() override;

private:
    QWidget* m_parent;
};

// A chooser filter "Description (*.a)|*.a;*.b" in Qt's form "Description (*.a *.b)"; the
// description is kept as it is when it already ends with the patterns.
QString QtNameFilter(const std::string& filter);

} // namespace qle::ui
