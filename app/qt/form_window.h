// A top-level window showing one form: its widgets, Tab in its order, the close box.
#pragma once

#include <QWidget>
#include <memory>

#include "app/form.h"
#include "app/qt/form_widgets.h"

namespace app::qt {

class FormWindow : public QWidget {
    Q_OBJECT
public:
    // A window of form, at its size, that keeps the form: it may outlive its logic.
    FormWindow(std::unique_ptr<Form> form, const QIcon& icon);

    // The form, and its widgets.
    Form& Model() noexcept { return *form_; }
    const FormWidgets& Widgets() const noexcept { return widgets_; }

    // Shows the window, centred on its screen the first time.
    void ShowForm();
    // Closes the window on the logic's behalf, without telling the form.
    void CloseForLogic();

protected:
    bool focusNextPrevChild(bool next) override { return widgets_.MoveFocus(!next); }
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Form> form_;
    FormWidgets widgets_;
    bool shownBefore_ = false;
    bool closingForLogic_ = false;
};

}  // namespace app::qt
