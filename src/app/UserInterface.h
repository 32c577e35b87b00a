// What core routines need of the person at the screen: messages, prompts, file choosers and the
// desktop. The Qt windows implement it, the command line prints, tests record.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qle::app {

enum class MessageIcon {
    None,
    Information,
    Warning,
    Critical,
};

// The arguments of a file chooser; a filter reads "Description (*.a)|*.a;*.b".
struct FileChoice
{
    std::string title = "Select a file";
    std::string initialFolder; // empty: the chooser's own choice
    std::string filter = "All Files (*.*)|*.*";
    std::string defaultName;
    // A file to be written: the chooser's button says Save, and `defaultSuffix` (without its dot)
    // is added to a name typed without one.
    bool save = false;
    std::string defaultSuffix;
};

class UserInterface
{
public:
    virtual ~UserInterface() = default;

    // A message box with an OK button.
    virtual void showMessage(const std::string& text, const std::string& title, MessageIcon icon) = 0;

    // A one-line text prompt; nullopt when cancelled.
    virtual std::optional<std::string> askText(const std::string& prompt, const std::string& title) = 0;

    // A question with Yes and No buttons, No the default; true for Yes.
    virtual bool askYesNo(const std::string& question, const std::string& title) = 0;

    // A list to choose one entry from; the index chosen, nullopt when cancelled.
    virtual std::optional<std::size_t> chooseItem(const std::string& prompt, const std::string& title,
                                                  const std::vector<std::string>& items) = 0;

    // An open-file chooser that also accepts a name that does not exist yet (a save-file chooser
    // for a choice to `save`); empty when cancelled.
    virtual std::string chooseFile(const FileChoice& choice) = 0;

    // Hands an existing file or an address to the desktop's default handler, without waiting.
    virtual bool openWithDesktop(const std::string& pathOrAddress) = 0;

    // Starts a program without waiting for it; false when it cannot be started.
    virtual bool startProgram(const std::vector<std::string>& argv) = 0;

    // A prompt whose answer is not shown on the screen (a password); nullopt when cancelled.
    virtual std::optional<std::string> askSecret(const std::string& prompt, const std::string& title)
    {
        return askText(prompt, title);
    }

    // startProgram, handing the program `secret` to read from descriptor 3 (never its command line
    // or its environment). Without a way to do that, only an empty secret starts anything.
    virtual bool startProgramWithSecret(const std::vector<std::string>& argv, const std::string& secret)
    {
        return secret.empty() && startProgram(argv);
    }

    virtual void beep() { }
};

// The title of every message box and prompt that names no title of its own.
inline constexpr const char* kProgramTitle = "Quillon Engine";

} // namespace qle::app
