// The widgets of one form, one per control as Win32's FormControls: kept as the form says,
// handing clicks, typing and tab changes back to it.
#pragma once

#include <QWidget>
#include <optional>
#include <vector>

#include "app/form.h"

class QTabWidget;

namespace app::qt {

class FormWidgets final : private FormObserver {
public:
    // Makes the widgets shown now on window, a page's when first shown; observes the form.
    FormWidgets(Form& form, QWidget* window);
    FormWidgets(const FormWidgets&) = delete;
    FormWidgets& operator=(const FormWidgets&) = delete;
    ~FormWidgets() override { form_.Observe(nullptr); }

    // The widget of a control; null for one on a page not shown yet.
    QWidget* operator[](ControlId id) const { return widgets_[id]; }
    QTabWidget* Tabs() const { return tabs_; }
    // The control whose widget holds the focus, if any.
    std::optional<ControlId> Focused() const;
    // Moves the focus as Tab (or Shift+Tab) does; false when no control can take it.
    bool MoveFocus(bool backwards);

private:
    void Create(ControlId id);
    void ControlChanged(ControlId id) override;
    void LineChanged(std::size_t line) override;
    void FocusMoved(ControlId id) override;
    void CaptionChanged() override;

    Form& form_;
    QWidget* window_;
    std::vector<QWidget*> widgets_;
    std::vector<QWidget*> lines_;
    QTabWidget* tabs_ = nullptr;
};

}  // namespace app::qt
