// The licence window in Qt: the widgets of the licence form.
#pragma once

#include <QWidget>
#include <memory>

#include "app/form.h"
#include "app/license.h"
#include "app/views.h"

class QPlainTextEdit;
class QPushButton;

namespace app::qt {

class LicenseWindow : public QWidget {
    Q_OBJECT
public:
    explicit LicenseWindow(License& logic);

    QPlainTextEdit* TextBox() const { return text_; }
    QPushButton* CloseButton() const { return close_; }

    // Closes the window on the logic's behalf, without telling the logic again.
    void CloseForLogic();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    License& logic_;
    std::unique_ptr<Form> form_;
    QPlainTextEdit* text_ = nullptr;
    QPushButton* close_ = nullptr;
    bool closingForLogic_ = false;
};

// The view the logic owns; the widget goes when the view does.
class LicenseViewAdapter : public LicenseView {
public:
    explicit LicenseViewAdapter(LicenseWindow* window) : window_(window) {}
    ~LicenseViewAdapter() override;

    void Show() override;
    void Hide() override;

private:
    LicenseWindow* window_;
    bool shownBefore_ = false;
};

}  // namespace app::qt
