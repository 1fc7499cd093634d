// A window as its definition describes it, with the state its controls are in: what a
// front end draws, and where a click, typing or a tab change goes. Free of any toolkit.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/window_definitions.h"

namespace app {

// A place in pixels within the window's client area.
struct PixelRect {
    int left, top, width, height;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Twips to pixels at dpi dots per inch, to the nearest pixel, halves up: 15 twips to a
// pixel at 96 dpi, 10 at 144. Every front end places controls by this one rule.
constexpr int TwipsToPixels(int twips, int dpi) { return (twips * dpi + 720) / 1440; }

// What a front end hears from its form.
class FormObserver {
public:
    virtual ~FormObserver() = default;
    // The text, enabled or visible state of a control changed.
    virtual void ControlChanged(ControlId id) = 0;
    // A line was shown or hidden.
    virtual void LineChanged(std::size_t line) = 0;
    // The window logic put the focus on a control.
    virtual void FocusMoved(ControlId id) = 0;
    // The window's title changed.
    virtual void CaptionChanged() = 0;
};

class Form {
public:
    Form(const WindowDefinition& window, std::span<const ControlDefinition> controls,
         std::span<const LineDefinition> lines = {},
         std::span<const std::u16string_view> tabCaptions = {});
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // The definition.
    const WindowDefinition& Window() const noexcept { return window_; }
    std::size_t ControlCount() const noexcept { return controls_.size(); }
    const ControlDefinition& Definition(ControlId id) const { return controls_[id]; }
    std::span<const LineDefinition> Lines() const noexcept { return lines_; }
    std::span<const std::u16string_view> TabCaptions() const noexcept { return tabCaptions_; }

    // The state.
    // The window's title: the definition's caption until the logic sets another.
    const std::u16string& Caption() const noexcept { return caption_; }
    const std::u16string& Text(ControlId id) const { return states_[id].text; }
    bool Enabled(ControlId id) const { return states_[id].enabled; }
    bool Visible(ControlId id) const { return OnShownPage(controls_[id].page); }
    bool LineVisible(std::size_t line) const { return OnShownPage(lines_[line].page); }
    int ActiveTab() const noexcept { return activeTab_; }
    int PreviousTab() const noexcept { return previousTab_; }

    // Places at dpi dots per inch. Page controls and lines stand against the tab control's
    // outer corner; a line is one pixel high.
    PixelRect ClientArea(int dpi) const;
    PixelRect Place(ControlId id, int dpi) const;
    PixelRect LinePlace(std::size_t line, int dpi) const;

    // Whether a control of this kind can hold the focus at all.
    static bool TakesFocus(ControlKind kind);
    // The controls the focus moves through, by ascending tab index: those that take the
    // focus and are visible and enabled now.
    std::vector<ControlId> TabOrder() const;
    // Where Tab (or Shift+Tab, backwards) moves the focus from `from`, wrapping round;
    // from a control outside the order, to the first (or last) one.
    std::optional<ControlId> NextInTabOrder(std::optional<ControlId> from, bool backwards) const;

    // The front end's side.
    void Observe(FormObserver* observer) noexcept { observer_ = observer; }
    // A click on a control: calls its handler, if it is enabled and visible.
    void Click(ControlId id);
    // The user changed a control's text; nothing is reported back.
    void Typed(ControlId id, std::u16string text);
    // The user picked a tab: the pages change over, then the tab handler hears which tab
    // was active before.
    void SelectTab(int index);
    // The user closed the window by its frame: calls the close handler. False when the
    // logic bound none, and the front end closes the window itself.
    bool Close();

    // The window logic's side.
    void OnClick(ControlId id, std::function<void()> handler);
    void OnTabChange(std::function<void(std::int16_t& PreviousTab)> handler);
    void OnClose(std::function<void()> handler);
    void SetCaption(std::u16string caption);
    void SetText(ControlId id, std::u16string text);
    void SetEnabled(ControlId id, bool enabled);
    void SetFocus(ControlId id);

private:
    struct State {
        std::u16string text;
        bool enabled = true;
        std::function<void()> click;
    };
    bool OnShownPage(Page page) const;

    const WindowDefinition& window_;
    std::span<const ControlDefinition> controls_;
    std::span<const LineDefinition> lines_;
    std::span<const std::u16string_view> tabCaptions_;
    std::optional<ControlId> tabControl_;
    std::u16string caption_;
    std::vector<State> states_;
    std::function<void(std::int16_t&)> tabChange_;
    std::function<void()> close_;
    FormObserver* observer_ = nullptr;
    int activeTab_ = 0;
    int previousTab_ = 0;
};

}  // namespace app
