// Message boxes, the save-file dialog and the web browser behind one interface, so that
// tests can answer them from a script instead of a person.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace tw::toolkit {

inline constexpr const char* kApplicationTitle = "Tilewright";

enum class Icon { None, Information, Warning, Critical };
enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

struct SaveDialogSettings {
    std::string title;
    std::vector<std::pair<std::string, std::string>> filters; // label, pattern
    std::string defaultExtension;                             // added when the typed name has none
    bool confirmOverwrite = true;
};

class UserInterface {
  public:
    virtual ~UserInterface() = default;
    // A modal message box; the title defaults to the application's title.
    virtual Answer message(QWidget* owner, const std::string& text, Icon icon, Buttons buttons,
                           const std::string& title = kApplicationTitle) = 0;
    // The platform's modal save dialog: the returned name, or nothing when cancelled.
    virtual std::optional<std::string> saveFileName(QWidget* owner,
                                                    const SaveDialogSettings& settings) = 0;
    // Opens a web address in the default browser without waiting for it.
    virtual void openWebAddress(const std::string& address) = 0;
};

// The real dialogs of the window system.
class QtUserInterface final : public UserInterface {
  public:
    Answer message(QWidget* owner, const std::string& text, Icon icon, Buttons buttons,
                   const std::string& title = kApplicationTitle) override;
    std::optional<std::string> saveFileName(QWidget* owner,
                                            const SaveDialogSettings& settings) override;
    void openWebAddress(const std::string& address) override;
};

} // namespace tw::toolkit
