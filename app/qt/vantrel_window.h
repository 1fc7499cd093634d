// The main window in Qt: a FormWindow of its form, and what only a toolkit can do.
#pragma once

#include <QLineEdit>
#include <QPushButton>

#include "app/qt/form_window.h"
#include "app/vantrel_form.h"

namespace app::qt {

class VantrelWindow final : public FormWindow, public VantrelForm {
public:
    VantrelWindow();

    using VantrelForm::Model;

    void Show() override { ShowForm(); }
    void ShowMessage(const std::u16string& text) override;
    void EndProgram() override;
    std::unique_ptr<LicenseView> CreateLicenseWindow(License& logic) override;

    QLineEdit* Box(TextBox box) const { return static_cast<QLineEdit*>(Widgets()[IdOf(box)]); }
    QPushButton* ButtonOf(Button b) const { return static_cast<QPushButton*>(Widgets()[IdOf(b)]); }
    // Whether the logic ended the program.
    bool Ended() const { return ended_; }

private:
    bool ended_ = false;
};

}  // namespace app::qt
