// Shared pieces of the desktop program's Qt Test suites: a fresh home folder per test, a main
// window driven through a recording person, and look-ups in the site file.
#pragma once

#include "support/MemoryKeyring.h"
#include "support/RecordingUi.h"
#include "support/TempDir.h"

#include <QObject>
#include <QString>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

namespace qle::ui {
class MainWindow;
class SiteEditorWindow;
} // namespace qle::ui

namespace qle::test {

// A home folder of its own (so the base folder is $HOME/QuillonEngine/ inside it) and a main window
// whose messages, prompts, file choosers and started programs are recorded, and whose site
// passwords are kept in a keyring in memory.
class UiFixture
{
public:
    UiFixture();
    // With a copy of the blank site by this name open in the editor.
    explicit UiFixture(const std::string& siteName);
    ~UiFixture();

    const std::string& home() const { return m_home.path(); }
    std::string baseFolder() const { return m_home.path() + "QuillonEngine/"; }
    std::string sitesFolder() const { return baseFolder() + "WebSites/"; }

    // A copy of the blank site in the sites folder, opened in the editor.
    std::string openNewSite(const std::string& name);
    ui::SiteEditorWindow& editor();
    // Shows the main window; false if it never became the active window.
    [[nodiscard]] bool showActive();

    RecordingUi recorder;
    std::unique_ptr<ui::MainWindow> window;
    // The window's keyring (owned by it): the tests never reach the desktop's.
    MemoryKeyring* keyring = nullptr;
    std::string site; // the site opened by the constructor

private:
    TempDir m_home;
    QByteArray m_savedHome;
};

// Stores one page per title (category "C", section "s") with "&Add New Page", leaving a new page shown.
void AddPages(ui::SiteEditorWindow& editor, const QStringList& titles);

// Picks a provider from the Publish tab's list as the person would.
void PickProvider(ui::SiteEditorWindow& editor, const QString& name);

// Each row of the statement's result, its columns joined with '|' (NULL as empty).
std::vector<std::string> Rows(const std::string& databasePath, const std::string& sql);

// The child of that type and name; a missing one ends the run naming it.
template <class T>
T* Child(const QObject& parent, const char* name)
{
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no %s named %s", T::staticMetaObject.className(), name);
    return found;
}

// Every suite, added by QLE_UI_SUITE in its own file; main runs them one after another.
using SuiteRunner = int (*)(int argc, char** argv);
std::vector<SuiteRunner>& Suites();
bool AddSuite(SuiteRunner run);
#define QLE_UI_SUITE(Suite)                                                                    \
    [[maybe_unused]] const bool Suite##Added = qle::test::AddSuite([](int argc, char** argv) { \
        Suite suite;                                                                           \
        return QTest::qExec(&suite, argc, argv);                                               \
    })

// Types text into the focused widget one key event at a time (keyClicks refuses non-ASCII text).
void TypeText(QWidget* widget, const QString& text);

} // namespace qle::test
