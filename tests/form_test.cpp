// The main window's form with the real window logic behind it and no toolkit: what a
// front end is told to draw, in which order, and where the focus and the pixels go.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/vantrel_form.h"
#include "fake_views.h"
#include "native_platform.h"
#include "test_registry.h"

namespace {

using Names = std::vector<std::string>;

// A front end that only writes down what it is told.
class RecordingFrontEnd : public app::VantrelForm, public app::FormObserver {
public:
    const app::Form* form = nullptr;  // set once the form exists
    Names events;

    using VantrelForm::VantrelForm;

    void Show() override { events.push_back("show window"); }
    void ShowMessage(const std::u16string&) override { events.push_back("message"); }
    void EndProgram() override { events.push_back("end"); }
    std::unique_ptr<app::LicenseView> CreateLicenseWindow(app::License&) override { return {}; }

    void ControlChanged(app::ControlId id) override {
        const std::string name(form->Definition(id).name);
        events.push_back(name + (form->Visible(id) ? " shown" : " hidden") +
                         (form->Enabled(id) ? "" : " disabled"));
    }
    void LineChanged(std::size_t line) override {
        events.push_back(std::string(form->Lines()[line].name) +
                         (form->LineVisible(line) ? " shown" : " hidden"));
    }
    void FocusMoved(app::ControlId id) override {
        events.push_back("focus " + std::string(form->Definition(id).name));
    }
    void CaptionChanged() override {
        events.push_back("title " + std::string(form->Caption().begin(), form->Caption().end()));
    }
};

class MainForm : public ::testing::Test {
protected:
    testing_support::TestRegistry registry;
    std::unique_ptr<app::Form> model = app::MakeVantrelForm();
    RecordingFrontEnd frontEnd{*model};
    app::VantrelForm& form = frontEnd;
    app::Vantrel logic{platform::Platform{registry.Api(), testing_support::NativeSystem()},
                       form.View()};

    void SetUp() override {
        frontEnd.form = &form.Model();
        form.Connect(logic);
        form.Model().Observe(&frontEnd);
    }

    app::Form& Model() { return form.Model(); }
    app::ControlId Id(std::string_view name) const {
        for (app::ControlId id = 0; id < form.Model().ControlCount(); ++id) {
            if (form.Model().Definition(id).name == name) return id;
        }
        ADD_FAILURE() << "no control " << name;
        return 0;
    }
    Names Order() {
        Names names;
        for (const auto id : Model().TabOrder()) names.emplace_back(Model().Definition(id).name);
        return names;
    }
    Names Visible() {
        Names names;
        for (app::ControlId id = 0; id < Model().ControlCount(); ++id) {
            if (Model().Visible(id)) names.emplace_back(Model().Definition(id).name);
        }
        return names;
    }
};

TEST_F(MainForm, ATabChangeSwapsThePagesThenTheLogicSwitchesOkAndClearInOrder) {
    Model().SelectTab(1);
    EXPECT_EQ(
        frontEnd.events,
        (Names{"Label1 hidden", "Label2 hidden", "Label3 hidden", "Label4 hidden", "Text1 hidden",
               "Text2 hidden", "Text3 hidden", "Text4 hidden", "Picture1 shown", "Label5 shown",
               "Label6 shown", "Command4 shown", "Label7 shown", "Line1 shown", "Line2 shown",
               "Command1 shown disabled", "Command3 shown disabled"}));
    EXPECT_EQ(Model().ActiveTab(), 1);
    EXPECT_EQ(Model().PreviousTab(), 0);

    frontEnd.events.clear();
    Model().SelectTab(0);
    EXPECT_EQ(Names(frontEnd.events.end() - 2, frontEnd.events.end()),
              (Names{"Command1 shown", "Command3 shown"}));
    EXPECT_EQ(Model().PreviousTab(), 1);

    frontEnd.events.clear();
    Model().SelectTab(0);  // the tab already active: no change, no handler
    Model().SelectTab(2);  // no such tab
    EXPECT_TRUE(frontEnd.events.empty());
}

TEST_F(MainForm, OnlyTheActivePagesControlsAreVisible) {
    EXPECT_EQ(Visible(), (Names{"SSTab1", "Command1", "Command2", "Command3", "Label1", "Label2",
                                "Label3", "Label4", "Text1", "Text2", "Text3", "Text4"}));
    EXPECT_FALSE(Model().LineVisible(0));
    Model().SelectTab(1);
    EXPECT_EQ(Visible(), (Names{"SSTab1", "Command1", "Command2", "Command3", "Picture1", "Label5",
                                "Label6", "Command4", "Label7"}));
    EXPECT_TRUE(Model().LineVisible(0) && Model().LineVisible(1));
}

TEST_F(MainForm, TheFocusMovesByTabIndexThroughWhatIsShownAndEnabled) {
    EXPECT_EQ(Order(), (Names{"Command1", "Command2", "Command3", "SSTab1", "Text1", "Text2",
                              "Text3", "Text4"}));
    EXPECT_EQ(Model().NextInTabOrder(Id("Text4"), false), Id("Command1"));
    EXPECT_EQ(Model().NextInTabOrder(Id("Command1"), true), Id("Text4"));
    EXPECT_EQ(Model().NextInTabOrder(Id("SSTab1"), false), Id("Text1"));
    // From a label, which takes no focus, Tab starts at the first control.
    EXPECT_EQ(Model().NextInTabOrder(Id("Label1"), false), Id("Command1"));
    EXPECT_EQ(Model().NextInTabOrder(std::nullopt, true), Id("Text4"));

    Model().SelectTab(1);
    EXPECT_EQ(Order(), (Names{"Command2", "SSTab1", "Command4"}));
    EXPECT_EQ(Model().NextInTabOrder(Id("Command4"), false), Id("Command2"));
}

TEST_F(MainForm, ControlsArePlacedInPixelsAt96And144Dpi) {
    using app::PixelRect;
    EXPECT_EQ(Model().ClientArea(96), (PixelRect{0, 0, 373, 195}));
    EXPECT_EQ(Model().Place(Id("Command1"), 96), (PixelRect{96, 160, 81, 25}));
    EXPECT_EQ(Model().Place(Id("SSTab1"), 96), (PixelRect{0, 8, 373, 145}));
    // Page controls stand against the tab control's outer corner.
    EXPECT_EQ(Model().Place(Id("Text1"), 96), (PixelRect{136, 48, 233, 19}));
    EXPECT_EQ(Model().LinePlace(0, 96), (PixelRect{8, 88, 352, 1}));

    EXPECT_EQ(Model().ClientArea(144), (PixelRect{0, 0, 560, 293}));
    EXPECT_EQ(Model().Place(Id("Text1"), 144), (PixelRect{204, 72, 350, 29}));
    EXPECT_EQ(Model().Place(Id("Picture1"), 144), (PixelRect{84, 60, 62, 62}));
    EXPECT_EQ(Model().LinePlace(1, 144), (PixelRect{12, 137, 528, 1}));
    // The rounding rule: halves go up.
    EXPECT_EQ(app::TwipsToPixels(7, 96), 0);
    EXPECT_EQ(app::TwipsToPixels(8, 96), 1);
    EXPECT_EQ(app::TwipsToPixels(1455, 96), 97);
}

TEST_F(MainForm, AClickReachesItsHandlerOnlyWhileItsButtonIsEnabledAndShown) {
    Model().Typed(Id("Text1"), u"typed");
    Model().Click(Id("Command3"));  // "Clear" empties the boxes through the form
    EXPECT_EQ(Model().Text(Id("Text1")), u"");
    EXPECT_EQ(frontEnd.events.front(), "Text1 shown");

    Model().SelectTab(1);
    Model().Typed(Id("Text1"), u"kept");
    Model().Click(Id("Command3"));  // disabled on the About tab
    Model().Click(Id("Command1"));  // so is OK: nothing is saved, the program goes on
    EXPECT_EQ(Model().Text(Id("Text1")), u"kept");
    EXPECT_EQ(std::count(frontEnd.events.begin(), frontEnd.events.end(), "end"), 0);

    Model().Click(Id("Command2"));
    EXPECT_EQ(frontEnd.events.back(), "end");
}

TEST_F(MainForm, LoadingFillsTheBoxesThroughTheFormAndFocusesTheFirst) {
    logic.Form_Load();
    EXPECT_EQ(frontEnd.events.front(), "show window");
    EXPECT_EQ(frontEnd.events.back(), "focus Text1");
    EXPECT_EQ(std::count(frontEnd.events.begin(), frontEnd.events.end(), "Text1 shown"), 1);
    EXPECT_EQ(Model().Caption(), u"Vantrel Edit 98");
}

TEST_F(MainForm, TheTitleIsTheDefinitionsUntilSetAndReportsOnlyAChange) {
    EXPECT_EQ(Model().Caption(), u"Vantrel Edit 98");
    Model().SetCaption(u"Another");
    Model().SetCaption(u"Another");
    EXPECT_EQ(frontEnd.events, (Names{"title Another"}));
    EXPECT_EQ(Model().Caption(), u"Another");
    EXPECT_EQ(Model().Window().caption, u"Vantrel Edit 98");
}

TEST(MainFormOfANamedRegistry, TheTitleNamesTheRegistryBeforeTheWindowIsShown) {
    testing_support::TestRegistry registry;
    std::unique_ptr<app::Form> model = app::MakeVantrelForm();
    RecordingFrontEnd frontEnd{*model};
    frontEnd.form = model.get();
    app::Vantrel logic{platform::Platform{registry.Api(), testing_support::NativeSystem()},
                       frontEnd.View(), {}, nullptr, u"Wine prefix /home/ada/.wine"};
    frontEnd.Connect(logic);
    model->Observe(&frontEnd);
    logic.Form_Load();
    ASSERT_GE(frontEnd.events.size(), 2u);
    EXPECT_EQ(frontEnd.events[0], "title Vantrel Edit 98 - Wine prefix /home/ada/.wine");
    EXPECT_EQ(frontEnd.events[1], "show window");
    EXPECT_EQ(model->Caption(), u"Vantrel Edit 98 - Wine prefix /home/ada/.wine");
}

// The licence window's form with its logic behind it, as either front end builds it.
class LicenseFormTest : public ::testing::Test {
protected:
    std::shared_ptr<testing_support::FakeLicenseView::Record> view =
        std::make_shared<testing_support::FakeLicenseView::Record>();
    int unloads = 0;
    std::unique_ptr<app::License> logic = std::make_unique<app::License>([this] {
        ++unloads;
        logic.reset();
    });
    std::unique_ptr<app::Form> form = app::MakeLicenseForm(*logic);

    void SetUp() override {
        logic->Attach(std::make_unique<testing_support::FakeLicenseView>(view));
    }
    app::ControlId Id(std::string_view name) const {
        for (app::ControlId id = 0; id < form->ControlCount(); ++id) {
            if (form->Definition(id).name == name) return id;
        }
        ADD_FAILURE() << "no control " << name;
        return 0;
    }
};

TEST_F(LicenseFormTest, HoldsTheLicenceTextWithItsLineEndsAndTheCloseButton) {
    EXPECT_EQ(form->Window().caption, u"License Agreement");
    const std::u16string& text = form->Text(Id("Text1"));
    EXPECT_EQ(text.rfind(u"VANTREL EDIT 98 LICENSE AGREEMENT\r\n\r\nPlease", 0), 0u);
    EXPECT_EQ(form->Text(Id("Command1")), u"Close");
    EXPECT_EQ(form->TabOrder(), (std::vector<app::ControlId>{Id("Text1"), Id("Command1")}));
}

TEST_F(LicenseFormTest, CloseHidesTheWindowThenUnloadsTheLogic) {
    form->Click(Id("Command1"));
    EXPECT_TRUE(view->hidden);
    EXPECT_TRUE(view->destroyed);
    EXPECT_EQ(unloads, 1);
    EXPECT_EQ(logic, nullptr);
}

TEST_F(LicenseFormTest, TheFramesCloseBoxUnloadsTheLogicWithoutHidingFirst) {
    EXPECT_TRUE(form->Close());
    EXPECT_FALSE(view->hidden);
    EXPECT_TRUE(view->destroyed);
    EXPECT_EQ(unloads, 1);
}

TEST_F(MainForm, TheMainWindowsCloseBoxIsLeftToTheFrontEnd) {
    EXPECT_FALSE(Model().Close());
    EXPECT_TRUE(frontEnd.events.empty());
}

}  // namespace
