// The main window in Qt: one widget per control of the window's form, drawn as the form
// says; clicks, typing, tab changes and Tab go to the form.
#pragma once

#include <QWidget>
#include <vector>

#include "app/vantrel_form.h"

class QLineEdit;
class QPushButton;
class QTabWidget;

namespace app::qt {

class LicenseWindow;

class VantrelWindow : public QWidget, public VantrelFrontEnd, private FormObserver {
    Q_OBJECT
public:
    VantrelWindow();

    // The view the window logic is given.
    VantrelView& View() noexcept { return form_; }
    const Form& Model() const noexcept { return form_.Model(); }
    // Connects the window to its logic; clicks go nowhere before.
    void Connect(Vantrel& logic) { form_.Connect(logic); }

    void Show() override;
    void ShowMessage(const std::u16string& text) override;
    void EndProgram() override;
    std::unique_ptr<LicenseView> CreateLicenseWindow(License& logic) override;

    // The widget of a control; null for one on a page not shown yet.
    QWidget* Widget(ControlId id) const { return widgets_[id]; }
    QLineEdit* Box(TextBox box) const;
    QPushButton* ButtonOf(Button button) const;
    QTabWidget* Tabs() const { return tabs_; }
    // The form's control that holds the focus, if any.
    std::optional<ControlId> FocusedControl() const;
    // The licence window while it exists.
    LicenseWindow* LicenseWidget() const { return license_; }
    // Whether the logic ended the program.
    bool Ended() const { return ended_; }

protected:
    // Tab and Shift+Tab move the focus in the form's order.
    bool focusNextPrevChild(bool next) override;

private:
    void CreateWidget(ControlId id);
    void ControlChanged(ControlId id) override;
    void LineChanged(std::size_t line) override;
    void FocusMoved(ControlId id) override;

    VantrelForm form_;
    std::vector<QWidget*> widgets_;
    QTabWidget* tabs_ = nullptr;
    QWidget* rules_ = nullptr;
    LicenseWindow* license_ = nullptr;
    bool shownBefore_ = false;
    bool ended_ = false;
};

}  // namespace app::qt
