// What the two windows are made of: captions, positions and sizes in twips, tab order and
// fonts, shared by every front end.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace app {

// A rectangle in twips (1/1440 inch); left and top are the top-left corner.
struct TwipRect {
    int left, top, width, height;
};

enum class ControlKind { TabControl, Button, Label, TextBox, ReadOnlyMultiLineText, Picture };

// Where a control sits: on the window itself, or on one page of the tab control, placed
// relative to the tab control's outer corner (tab strip included).
enum class Page { Window, RegistrationInfo, About };

// The tab that shows a page: tab 0 shows the first page after the window itself.
constexpr int TabOf(Page page) { return static_cast<int>(page) - 1; }

// A control by its place in its window's definition list.
using ControlId = std::size_t;

struct FontSpec {
    std::u16string_view family;
    int points;
    int weight;  // 400 normal, 700 bold
    // The font used where the family is not installed: a geometric sans of the same kind.
    std::u16string_view fallback;
};

struct ControlDefinition {
    std::string_view name;
    ControlKind kind;
    std::u16string_view caption;
    TwipRect rect;
    int tabIndex;  // -1: takes no part in the tab order
    Page page;
    std::optional<FontSpec> font;
};

struct LineDefinition {
    std::string_view name;
    int x1, y1, x2, y2;  // twips, relative to the tab control
    Page page;
};

struct WindowDefinition {
    std::u16string_view caption;
    int clientWidth, clientHeight;  // twips
};

inline constexpr FontSpec kTitleFont{u"Century Gothic", 12, 600, u"URW Gothic"};

// The windows' own font: the classic 8-point dialog sans, or a face with Arial's metrics
// where it is missing, so that every caption fits the box it was laid out for.
inline constexpr FontSpec kDefaultFont{u"MS Sans Serif", 8, 400, u"Liberation Sans"};

inline constexpr WindowDefinition kVantrelWindow{u"Vantrel Edit 98", 5595, 2925};

inline constexpr std::array<std::u16string_view, 2> kTabCaptions{u"Registration Info",
                                                                 u"About Vantrel Edit 98"};

inline constexpr std::array<ControlDefinition, 17> kVantrelControls{{
    {"SSTab1", ControlKind::TabControl, u"", {0, 120, 5595, 2175}, 3, Page::Window, {}},
    {"Command1", ControlKind::Button, u"OK", {1440, 2400, 1215, 375}, 0, Page::Window, {}},
    {"Command2", ControlKind::Button, u"Cancel", {2880, 2400, 1215, 375}, 1, Page::Window, {}},
    {"Command3", ControlKind::Button, u"Clear", {4320, 2400, 1215, 375}, 2, Page::Window, {}},
    // "Registered Organization:" is wider than the 1800 twips between the labels' left
    // edge and the boxes in both fonts (122 pixels in Liberation Sans at 96 dpi, where
    // 1815 twips are 121 and overlap the box): the boxes start 120 twips further right and
    // are as much narrower, keeping their right edge, and Label2 and Label3 end 60 twips
    // short of them instead of 15 twips inside.
    {"Label1", ControlKind::Label, u"Registered Owner:", {120, 600, 1695, 255}, 4,
     Page::RegistrationInfo, {}},
    {"Label2", ControlKind::Label, u"Registered Organization:", {120, 960, 1860, 255}, 5,
     Page::RegistrationInfo, {}},
    {"Label3", ControlKind::Label, u"Product ID:", {120, 1320, 1860, 255}, 6,
     Page::RegistrationInfo, {}},
    {"Label4", ControlKind::Label, u"Product Key:", {120, 1680, 1695, 255}, 7,
     Page::RegistrationInfo, {}},
    {"Text1", ControlKind::TextBox, u"", {2040, 600, 3495, 285}, 8, Page::RegistrationInfo, {}},
    {"Text2", ControlKind::TextBox, u"", {2040, 960, 3495, 285}, 9, Page::RegistrationInfo, {}},
    {"Text3", ControlKind::TextBox, u"", {2040, 1320, 3495, 285}, 10, Page::RegistrationInfo, {}},
    {"Text4", ControlKind::TextBox, u"", {2040, 1680, 3495, 285}, 11, Page::RegistrationInfo, {}},
    {"Picture1", ControlKind::Picture, u"", {840, 480, 615, 615}, 14, Page::About, {}},
    {"Label5", ControlKind::Label, u"Vantrel Edit 98", {1560, 600, 1800, 375}, 12, Page::About,
     kTitleFont},
    {"Label6", ControlKind::Label, u"Version 1.0", {3360, 600, 1815, 375}, 13, Page::About,
     kTitleFont},
    {"Command4", ControlKind::Button, u"License", {360, 1440, 1455, 375}, 16, Page::About, {}},
    {"Label7", ControlKind::Label, u"Copyright \u00A9 1998", {3120, 1800, 2295, 255}, 15,
     Page::About, {}},
}};

inline constexpr std::array<LineDefinition, 2> kVantrelLines{{
    {"Line1", 120, 1200, 5400, 1200, Page::About},
    {"Line2", 120, 1250, 5400, 1250, Page::About},
}};

inline constexpr WindowDefinition kLicenseWindow{u"License Agreement", 4080, 3510};

inline constexpr std::array<ControlDefinition, 2> kLicenseControls{{
    {"Text1", ControlKind::ReadOnlyMultiLineText, u"", {240, 240, 3615, 2655}, 0, Page::Window, {}},
    {"Command1", ControlKind::Button, u"Close", {1440, 3000, 1215, 375}, 1, Page::Window, {}},
}};

// The licence agreement the licence window shows, in lines ended by CR LF.
extern const std::u16string_view kLicenseText;

// The place of the control of this name in a definition list. A name the list does not
// hold cannot be evaluated, so it stops the build.
template <std::size_t N>
consteval ControlId IndexOf(const std::array<ControlDefinition, N>& controls,
                            std::string_view name) {
    for (std::size_t i = 0; i < N; ++i) {
        if (controls[i].name == name) return i;
    }
    throw "no control of this name in the definition";
}

// The control of this name in a definition list, found while building.
template <std::size_t N>
consteval const ControlDefinition& Find(const std::array<ControlDefinition, N>& controls,
                                        std::string_view name) {
    return controls[IndexOf(controls, name)];
}

}  // namespace app
