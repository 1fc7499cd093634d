// What the window logic asks of a front end: the toolkit's side of the two windows.
#pragma once

#include <memory>
#include <string>

namespace app {

class License;

enum class TextBox { Text1, Text2, Text3, Text4 };
enum class Button { Command1, Command2, Command3, Command4 };

// The licence window as a front end shows it.
class LicenseView {
public:
    virtual ~LicenseView() = default;

    // Shows the window modeless and without owner, or brings it to the front.
    virtual void Show() = 0;
    // Hides the window; the logic unloads it right after.
    virtual void Hide() = 0;
};

// The main window as a front end shows it.
class VantrelView {
public:
    virtual ~VantrelView() = default;

    // Shows the window modeless, centred on the screen the first time.
    virtual void Show() = 0;
    // Changes the window's title.
    virtual void SetCaption(const std::u16string& caption) = 0;
    // The text of a box, as typed.
    virtual std::u16string Text(TextBox box) const = 0;
    virtual void SetText(TextBox box, const std::u16string& text) = 0;
    virtual void SetEnabled(Button button, bool enabled) = 0;
    virtual void SetFocus(TextBox box) = 0;
    // Tells the user something, and returns when the user has read it.
    virtual void ShowMessage(const std::u16string& text) = 0;
    // Closes every window without further events and ends the program.
    virtual void EndProgram() = 0;
    // Creates a licence window whose clicks go to logic.
    virtual std::unique_ptr<LicenseView> CreateLicenseWindow(License& logic) = 0;
};

}  // namespace app
