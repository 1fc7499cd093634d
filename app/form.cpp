#include "app/form.h"

#include <algorithm>

namespace app {

Form::Form(const WindowDefinition& window, std::span<const ControlDefinition> controls,
           std::span<const LineDefinition> lines, std::span<const std::u16string_view> tabCaptions)
    : window_(window),
      controls_(controls),
      lines_(lines),
      tabCaptions_(tabCaptions),
      caption_(window.caption),
      states_(controls.size()) {
    for (ControlId id = 0; id < controls_.size(); ++id) {
        states_[id].text = std::u16string(controls_[id].caption);
        if (controls_[id].kind == ControlKind::TabControl) tabControl_ = id;
    }
}

bool Form::OnShownPage(Page page) const {
    return page == Page::Window || TabOf(page) == activeTab_;
}

PixelRect Form::ClientArea(int dpi) const {
    return {0, 0, TwipsToPixels(window_.clientWidth, dpi),
            TwipsToPixels(window_.clientHeight, dpi)};
}

PixelRect Form::Place(ControlId id, int dpi) const {
    const ControlDefinition& control = controls_[id];
    PixelRect place{TwipsToPixels(control.rect.left, dpi), TwipsToPixels(control.rect.top, dpi),
                    TwipsToPixels(control.rect.width, dpi),
                    TwipsToPixels(control.rect.height, dpi)};
    if (control.page != Page::Window && tabControl_) {
        const TwipRect& corner = controls_[*tabControl_].rect;
        place.left += TwipsToPixels(corner.left, dpi);
        place.top += TwipsToPixels(corner.top, dpi);
    }
    return place;
}

PixelRect Form::LinePlace(std::size_t line, int dpi) const {
    const LineDefinition& definition = lines_[line];
    PixelRect place{TwipsToPixels(definition.x1, dpi), TwipsToPixels(definition.y1, dpi),
                    TwipsToPixels(definition.x2 - definition.x1, dpi), 1};
    if (tabControl_) {
        const TwipRect& corner = controls_[*tabControl_].rect;
        place.left += TwipsToPixels(corner.left, dpi);
        place.top += TwipsToPixels(corner.top, dpi);
    }
    return place;
}

bool Form::TakesFocus(ControlKind kind) {
    return kind != ControlKind::Label && kind != ControlKind::Picture;
}

std::vector<ControlId> Form::TabOrder() const {
    std::vector<ControlId> order;
    for (ControlId id = 0; id < controls_.size(); ++id) {
        if (controls_[id].tabIndex >= 0 && TakesFocus(controls_[id].kind) && Visible(id) &&
            Enabled(id)) {
            order.push_back(id);
        }
    }
    std::stable_sort(order.begin(), order.end(), [this](ControlId a, ControlId b) {
        return controls_[a].tabIndex < controls_[b].tabIndex;
    });
    return order;
}

std::optional<ControlId> Form::NextInTabOrder(std::optional<ControlId> from, bool backwards) const {
    const std::vector<ControlId> order = TabOrder();
    if (order.empty()) return std::nullopt;
    const auto at = from ? std::find(order.begin(), order.end(), *from) : order.end();
    if (at == order.end()) return backwards ? order.back() : order.front();
    const std::size_t index = static_cast<std::size_t>(at - order.begin());
    return backwards ? order[(index + order.size() - 1) % order.size()]
                     : order[(index + 1) % order.size()];
}

void Form::Click(ControlId id) {
    if (!Enabled(id) || !Visible(id) || !states_[id].click) return;
    // The handler may close the window and destroy this form: nothing is touched after.
    const std::function<void()> handler = states_[id].click;
    handler();
}

void Form::Typed(ControlId id, std::u16string text) { states_[id].text = std::move(text); }

void Form::SelectTab(int index) {
    if (index == activeTab_ || index < 0 || index >= static_cast<int>(tabCaptions_.size())) return;
    previousTab_ = activeTab_;
    activeTab_ = index;
    // The controls of the page left are hidden before those of the page shown appear.
    for (const int tab : {previousTab_, activeTab_}) {
        if (!observer_) break;
        for (ControlId id = 0; id < controls_.size(); ++id) {
            const Page page = controls_[id].page;
            if (page != Page::Window && TabOf(page) == tab) observer_->ControlChanged(id);
        }
        for (std::size_t line = 0; line < lines_.size(); ++line) {
            if (TabOf(lines_[line].page) == tab) observer_->LineChanged(line);
        }
    }
    std::int16_t PreviousTab = static_cast<std::int16_t>(previousTab_);
    if (tabChange_) tabChange_(PreviousTab);
}

bool Form::Close() {
    if (!close_) return false;
    // As with a click, the handler may destroy this form.
    const std::function<void()> handler = close_;
    handler();
    return true;
}

void Form::OnClick(ControlId id, std::function<void()> handler) {
    states_[id].click = std::move(handler);
}

void Form::OnTabChange(std::function<void(std::int16_t&)> handler) {
    tabChange_ = std::move(handler);
}

void Form::OnClose(std::function<void()> handler) { close_ = std::move(handler); }

void Form::SetCaption(std::u16string caption) {
    if (caption_ == caption) return;
    caption_ = std::move(caption);
    if (observer_) observer_->CaptionChanged();
}

void Form::SetText(ControlId id, std::u16string text) {
    states_[id].text = std::move(text);
    if (observer_) observer_->ControlChanged(id);
}

void Form::SetEnabled(ControlId id, bool enabled) {
    if (states_[id].enabled == enabled) return;
    states_[id].enabled = enabled;
    if (observer_) observer_->ControlChanged(id);
}

void Form::SetFocus(ControlId id) {
    if (observer_) observer_->FocusMoved(id);
}

}  // namespace app
