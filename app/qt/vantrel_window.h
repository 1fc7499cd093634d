// The main window in Qt: builds the controls of the window's definition and hands every
// click to the window logic.
#pragma once

#include <QWidget>
#include <array>
#include <vector>

#include "app/vantrel.h"
#include "app/views.h"

class QLineEdit;
class QPushButton;
class QTabWidget;

namespace app::qt {

class LicenseWindow;

class VantrelWindow : public QWidget, public VantrelView {
    Q_OBJECT
public:
    VantrelWindow();

    // Connects the window to its logic; clicks go nowhere before.
    void Connect(Vantrel& logic);

    void Show() override;
    std::u16string Text(TextBox box) const override;
    void SetText(TextBox box, const std::u16string& text) override;
    void SetEnabled(Button button, bool enabled) override;
    void SetFocus(TextBox box) override;
    void ShowMessage(const std::u16string& text) override;
    void EndProgram() override;
    std::unique_ptr<LicenseView> CreateLicenseWindow(License& logic) override;

    QLineEdit* Box(TextBox box) const { return boxes_[static_cast<std::size_t>(box)]; }
    QPushButton* ButtonOf(Button button) const {
        return buttons_[static_cast<std::size_t>(button)];
    }
    QTabWidget* Tabs() const { return tabs_; }
    // The licence window while it exists.
    LicenseWindow* LicenseWidget() const { return license_; }
    // Whether the logic ended the program.
    bool Ended() const { return ended_; }

private:
    void ShowPage(int index);

    Vantrel* logic_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    std::array<QLineEdit*, 4> boxes_{};
    std::array<QPushButton*, 4> buttons_{};
    std::array<std::vector<QWidget*>, 2> pageControls_;
    int activeTab_ = 0;
    LicenseWindow* license_ = nullptr;
    bool shownBefore_ = false;
    bool ended_ = false;
};

}  // namespace app::qt
