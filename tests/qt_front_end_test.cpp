// The Qt front end driven as a user drives it: real clicks and key presses on the
// windows, with the registry store on a temporary file behind them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>

#include <cstring>
#include <map>
#include <optional>

#include "app/qt/editor.h"
#include "app/qt/vantrel_window.h"
#include "app/qt/widget_factory.h"
#include "app/vantrel.h"
#include "new_store.h"
#include "platform/codepage.h"
#include "platform/codepage_choice.h"
#include "platform/posix/posix_system.h"
#include "platform/store/registry_store.h"
#include "platform/store/sqlite.h"
#include "temp_dir.h"

using namespace platform;
using app::Button;
using app::TextBox;

namespace {

const Hkey kMachine = RootKey(kHkeyLocalMachine);

class QtFrontEnd : public ::testing::Test {
protected:
    testing_support::TempDir dir;
    store::RegistryStore registry{dir.File("registry.db"), testing_support::NewInstallation()};
    posix::PosixSystem system;
    app::qt::VantrelWindow window;
    app::Vantrel logic{platform::Platform{registry, system}, window.View(), {}, &registry};

    void SetUp() override {
        window.Connect(logic);
        logic.Form_Load();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void TearDown() override {
        for (QWidget* top : QApplication::topLevelWidgets()) top->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    void ClickTab(int index) {
        QTabBar* bar = window.Widgets().Tabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    std::string Owner() {
        Hkey key = kNullKey;
        registry.RegOpenKeyExA(kMachine, "Software\\Microsoft\\Windows\\CurrentVersion", 0,
                               kKeyAllAccess, &key);
        char data[128] = {};
        Dword size = sizeof data - 1;
        registry.RegQueryValueExA(key, "RegisteredOwner", nullptr, nullptr,
                                  reinterpret_cast<std::uint8_t*>(data), &size);
        registry.RegCloseKey(key);
        return data;
    }
    // The windows of a form other than the main one that are open.
    std::vector<app::qt::FormWindow*> LicenseWindows() {
        std::vector<app::qt::FormWindow*> found;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* license = qobject_cast<app::qt::FormWindow*>(top);
                license && license != &window && license->isVisible()) {
                found.push_back(license);
            }
        }
        return found;
    }
    void Screenshot(const char* name) {
        if (const char* folder = std::getenv("VANTREL_SCREENSHOTS")) {
            window.grab().save(QString("%1/%2.png").arg(folder, name));
        }
    }
};

}  // namespace

TEST_F(QtFrontEnd, TypingAndOkSavesWhatWasTypedAndEnds) {
    Screenshot("registration-info");
    QLineEdit* owner = window.Box(TextBox::Text1);
    EXPECT_EQ(window.focusWidget(), owner);
    owner->selectAll();
    QTest::keyClicks(owner, "Typed Owner");
    Click(window.ButtonOf(Button::Command1));
    EXPECT_TRUE(window.Ended());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(Owner(), "Typed Owner");
}

TEST_F(QtFrontEnd, TheTitleNamesTheRegistryOnlyWhenOneIsNamed) {
    EXPECT_EQ(window.windowTitle(), "Vantrel Edit 98");

    app::qt::VantrelWindow prefixWindow;
    app::Vantrel prefixLogic{platform::Platform{registry, system}, prefixWindow.View(), {},
                             &registry, u"Wine prefix /home/ada/.wine \u00C9"};
    prefixWindow.Connect(prefixLogic);
    prefixLogic.Form_Load();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&prefixWindow));
    EXPECT_EQ(prefixWindow.windowTitle(),
              QString::fromUtf8("Vantrel Edit 98 - Wine prefix /home/ada/.wine \u00C9"));
    EXPECT_EQ(window.windowTitle(), "Vantrel Edit 98");
}

TEST_F(QtFrontEnd, EnterAndEscapePressNoButton) {
    const std::string before = Owner();
    QTest::keyClick(window.Box(TextBox::Text1), Qt::Key_X);
    QTest::keyClick(window.Box(TextBox::Text1), Qt::Key_Return);
    QTest::keyClick(window.Box(TextBox::Text1), Qt::Key_Escape);
    EXPECT_FALSE(window.Ended());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(Owner(), before);
}

TEST_F(QtFrontEnd, ClearEmptiesTheBoxesAndWritesNothing) {
    window.Box(TextBox::Text3)->setText("something");
    const std::string before = Owner();
    Click(window.ButtonOf(Button::Command3));
    for (auto box : {TextBox::Text1, TextBox::Text2, TextBox::Text3, TextBox::Text4}) {
        EXPECT_TRUE(window.Box(box)->text().isEmpty());
    }
    EXPECT_EQ(Owner(), before);
}

TEST_F(QtFrontEnd, TheAboutTabDisablesOkAndClearAndShowsOnlyItsControls) {
    ClickTab(1);
    Screenshot("about");
    EXPECT_FALSE(window.ButtonOf(Button::Command1)->isEnabled());
    EXPECT_FALSE(window.ButtonOf(Button::Command3)->isEnabled());
    EXPECT_TRUE(window.ButtonOf(Button::Command2)->isEnabled());
    EXPECT_TRUE(window.ButtonOf(Button::Command4)->isVisible());
    EXPECT_FALSE(window.Box(TextBox::Text1)->isVisible());
    ClickTab(0);
    EXPECT_TRUE(window.ButtonOf(Button::Command1)->isEnabled());
    EXPECT_TRUE(window.ButtonOf(Button::Command3)->isEnabled());
    EXPECT_FALSE(window.ButtonOf(Button::Command4)->isVisible());
    EXPECT_TRUE(window.Box(TextBox::Text1)->isVisible());
}

TEST_F(QtFrontEnd, ControlsSitWhereTheirTwipsSayAt96Dpi) {
    ASSERT_EQ(window.logicalDpiX(), 96);
    EXPECT_EQ(window.size(), QSize(373, 195));
    EXPECT_EQ(window.ButtonOf(Button::Command1)->geometry(), QRect(96, 160, 81, 25));
    EXPECT_EQ(window.Widgets().Tabs()->geometry(), QRect(0, 8, 373, 145));
    // Page controls stand against the tab control's outer corner.
    EXPECT_EQ(window.Box(TextBox::Text1)->mapTo(&window, QPoint(0, 0)), QPoint(136, 48));
    EXPECT_EQ(window.Box(TextBox::Text1)->size(), QSize(233, 19));
}

// The two rules of the About page are drawn one pixel high in the text colour, at the
// places the form gives them, and only while their page is shown.
TEST_F(QtFrontEnd, TheRulesShowInTheTextColourOnTheAboutPageOnly) {
    const QColor text = window.palette().color(QPalette::WindowText);
    const auto PixelAt = [this](int x, int y) { return window.grab().toImage().pixelColor(x, y); };
    EXPECT_NE(PixelAt(100, 88), text);
    ClickTab(1);
    for (const int y : {88, 91}) EXPECT_EQ(PixelAt(100, y), text) << y;
    EXPECT_NE(PixelAt(100, 89), text);
    EXPECT_NE(PixelAt(4, 88), text);  // left of where they start
    ClickTab(0);
    EXPECT_NE(PixelAt(100, 88), text);
}

// Like the About page's controls, its rules are made when the page is first shown, and kept.
TEST_F(QtFrontEnd, TheRulesAreMadeWhenTheAboutPageIsFirstShown) {
    const auto rules = [this] {
        int made = 0;
        for (const QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->height() == 1 && child->autoFillBackground()) ++made;
        }
        return made;
    };
    EXPECT_EQ(rules(), 0);
    ClickTab(1);
    EXPECT_EQ(rules(), 2);
    ClickTab(0);
    EXPECT_EQ(rules(), 2);
}

TEST_F(QtFrontEnd, TheTitleLabelsUseAGeometricSansWhenCenturyGothicIsMissing) {
    ClickTab(1);  // the About page's controls are made when it is first shown
    auto* title = window.findChild<QLabel*>("Label5");
    ASSERT_NE(title, nullptr);
    const QFontInfo info(title->font());
    EXPECT_TRUE(info.family().startsWith("Century Gothic") ||
                info.family().startsWith("URW Gothic"))
        << info.family().toStdString();
    EXPECT_EQ(title->font().pointSize(), 12);
    EXPECT_EQ(title->font().weight(), 600);
}

// The icons are compiled in: a damaged one would leave the window without it, silently.
TEST_F(QtFrontEnd, TheWindowsCarryTheirIconsInBothSizesAndThePictureShowsTheProgramIcon) {
    for (const QIcon& icon : {app::qt::ProgramIcon(), app::qt::LicenseIcon()}) {
        const QList<QSize> sizes = icon.availableSizes();
        EXPECT_TRUE(sizes.contains(QSize(32, 32)) && sizes.contains(QSize(16, 16)));
    }
    EXPECT_FALSE(window.windowIcon().isNull());
    ClickTab(1);
    auto* picture = window.findChild<QLabel*>("Picture1");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(picture->pixmap().toImage(), app::qt::ProgramIcon().pixmap(32).toImage());
}

// The pixels compiled in are the pictures drawn for the desktop's icon theme and for
// Windows: a colour, a transparent pixel or a row out of place shows as a different image.
TEST(QtIcons, TheCompiledInPixelsAreThePicturesDrawnForTheOtherPlatforms) {
    const QString resources = QStringLiteral(VANTREL_RESOURCES);
    auto argb = [](const QImage& image) { return image.convertToFormat(QImage::Format_ARGB32); };
    for (const int size : {32, 16}) {
        const QImage drawn(resources + QStringLiteral("/hicolor/vantrel-edit-98-%1.png").arg(size));
        ASSERT_FALSE(drawn.isNull()) << size;
        EXPECT_EQ(argb(app::qt::ProgramIcon().pixmap(size).toImage()), argb(drawn)) << size;
    }
    // The licence icon is drawn as an .ico only: its 32-pixel image first, then its 16.
    QImageReader ico(resources + QStringLiteral("/license.ico"));
    for (const int size : {32, 16}) {
        ASSERT_TRUE(ico.jumpToImage(size == 32 ? 0 : 1));
        const QImage drawn = ico.read();
        ASSERT_EQ(drawn.size(), QSize(size, size)) << ico.errorString().toStdString();
        EXPECT_EQ(argb(app::qt::LicenseIcon().pixmap(size).toImage()), argb(drawn)) << size;
    }
}

TEST(QtFonts, TheFormFontBecomesTheApplicationsWithAnInstalledFamily) {
    const QFont before = QApplication::font();
    app::qt::UseFormFont();
    const QFont font = QApplication::font();
    QApplication::setFont(before);
    // Either the named family or its fallback, and one that is installed: what is drawn
    // is the family asked for, not a substitute.
    EXPECT_TRUE(font.family() == "MS Sans Serif" || font.family() == "Liberation Sans")
        << font.family().toStdString();
    EXPECT_EQ(font.pointSize(), 8);
    EXPECT_EQ(QFontInfo(font).family(), font.family());
}

// Where Tab and Shift+Tab take the focus, as names, starting on `from`.
std::vector<std::string> FocusWalk(app::qt::VantrelWindow& window, QWidget* from, int steps,
                                   bool backwards) {
    from->setFocus(Qt::OtherFocusReason);
    std::vector<std::string> names;
    for (int i = 0; i < steps; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab,
                        backwards ? Qt::ShiftModifier : Qt::NoModifier);
        const auto id = window.Widgets().Focused();
        names.emplace_back(id ? window.Model().Definition(*id).name : "outside");
    }
    return names;
}

TEST_F(QtFrontEnd, TabAndShiftTabFollowTheFormsOrderOnEachPage) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(
        FocusWalk(window, window.ButtonOf(Button::Command1), 8, false),
        (Names{"Command2", "Command3", "SSTab1", "Text1", "Text2", "Text3", "Text4", "Command1"}));
    EXPECT_EQ(FocusWalk(window, window.Box(TextBox::Text1), 3, true),
              (Names{"SSTab1", "Command3", "Command2"}));
    ClickTab(1);
    EXPECT_EQ(FocusWalk(window, window.ButtonOf(Button::Command2), 3, false),
              (Names{"SSTab1", "Command4", "Command2"}));
}

TEST_F(QtFrontEnd, LoadedTextShowsFromItsStart) {
    window.View().SetText(TextBox::Text2, std::u16string(200, u'w'));
    EXPECT_EQ(window.Box(TextBox::Text2)->cursorPosition(), 0);
    EXPECT_EQ(window.Box(TextBox::Text1)->cursorPosition(), 0);
}

TEST_F(QtFrontEnd, TheTitleFitsItsLabelAndStaysClearOfTheVersion) {
    ClickTab(1);
    auto* title = window.findChild<QLabel*>("Label5");
    auto* version = window.findChild<QLabel*>("Label6");
    ASSERT_TRUE(title && version);
    const int needed = title->fontMetrics().horizontalAdvance(title->text());
    EXPECT_LE(needed, title->contentsRect().width()) << "needs " << needed << " px";
    EXPECT_LE(title->geometry().right(), version->geometry().left());
}

// Each label's text, measured with the label's own font, fits the label, and ends a few
// pixels short of the box beside it: a label that touches its box reads as part of it.
TEST_F(QtFrontEnd, EveryLabelsTextFitsItsWidthAndStopsShortOfItsBox) {
    ClickTab(1);  // the About page's controls are made when it is first shown
    ClickTab(0);
    const auto PageOf = [this](QWidget* control) {
        const app::Form& form = window.Model();
        for (app::ControlId id = 0; id < form.ControlCount(); ++id) {
            if (control->objectName() == QString::fromUtf8(form.Definition(id).name.data(),
                                                           form.Definition(id).name.size())) {
                return form.Definition(id).page;
            }
        }
        return app::Page::Window;
    };
    int labels = 0;
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;  // the picture
        ++labels;
        const int needed = label->fontMetrics().horizontalAdvance(label->text());
        EXPECT_LE(needed, label->contentsRect().width())
            << label->objectName().toStdString() << " needs " << needed << " px";
        const QRect own(label->mapTo(&window, QPoint(0, 0)), label->size());
        for (QLineEdit* box : window.findChildren<QLineEdit*>()) {
            const QRect beside(box->mapTo(&window, QPoint(0, 0)), box->size());
            if (PageOf(box) != PageOf(label) || beside.top() != own.top()) continue;
            EXPECT_LE(own.left() + needed + 4, beside.left())
                << label->objectName().toStdString() << " touches its box";
            EXPECT_LT(own.right(), beside.left())
                << label->objectName().toStdString() << " reaches into its box";
        }
    }
    EXPECT_EQ(labels, 7);
}

TEST_F(QtFrontEnd, LicenseTwiceGivesOneWindowAndCloseThenLicenseAFreshOne) {
    ClickTab(1);
    Click(window.ButtonOf(Button::Command4));
    Click(window.ButtonOf(Button::Command4));
    ASSERT_EQ(LicenseWindows().size(), 1u);
    app::qt::FormWindow* first = LicenseWindows()[0];
    EXPECT_EQ(first->windowTitle(), "License Agreement");
    auto* text = first->findChild<QPlainTextEdit*>("Text1");
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_TRUE(text->toPlainText().startsWith("VANTREL EDIT 98 LICENSE AGREEMENT\n\nPlease"));
    text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum());
    ASSERT_GT(text->verticalScrollBar()->value(), 0);

    Click(first->findChild<QPushButton*>("Command1"));  // "Close"
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(LicenseWindows().empty());
    Click(window.ButtonOf(Button::Command4));
    ASSERT_EQ(LicenseWindows().size(), 1u);
    EXPECT_EQ(LicenseWindows()[0]->findChild<QPlainTextEdit*>()->verticalScrollBar()->value(), 0);
}

TEST_F(QtFrontEnd, CancelWithTheLicenceOpenClosesEverythingAndWritesNothing) {
    const std::string before = Owner();
    window.Box(TextBox::Text1)->setText("Not saved");
    ClickTab(1);
    Click(window.ButtonOf(Button::Command4));
    ASSERT_EQ(LicenseWindows().size(), 1u);
    Click(window.ButtonOf(Button::Command2));
    EXPECT_TRUE(window.Ended());
    EXPECT_TRUE(LicenseWindows().empty());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(Owner(), before);
}

TEST_F(QtFrontEnd, ClosingTheMainWindowLeavesTheLicenceOpenUntilItCloses) {
    const std::string before = Owner();
    window.Box(TextBox::Text1)->setText("Not saved");
    ClickTab(1);
    Click(window.ButtonOf(Button::Command4));
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    bool licenceOutlivedMain = false;
    // The program runs its event loop as it does for a user, and must end by itself.
    QTimer::singleShot(0, [&] {
        window.close();
        licenceOutlivedMain =
            !window.isVisible() && LicenseWindows().size() == 1 && lastClosed.count() == 0;
        QTimer::singleShot(0, [&] { LicenseWindows()[0]->close(); });  // its frame's close box
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(2); });
    watchdog.start(5000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(licenceOutlivedMain);
    EXPECT_EQ(lastClosed.count(), 1);
    EXPECT_EQ(logic.LicenseWindow(), nullptr);
    EXPECT_FALSE(window.Ended());
    EXPECT_EQ(Owner(), before);
}

namespace {

const std::u16string kPolishName = u"\u0141ukasz \u017B\u00F3\u0142w";
const std::u16string kRussianCompany =
    u"\u0418\u0432\u0430\u043D \u0438 \u043F\u0430\u0440\u0442\u043D\u0451\u0440\u044B";

// The program as a user starts it in a locale, on a store made for an account whose full
// name is Polish, with an organization the tool set in Russian.
class QtNames : public ::testing::Test {
protected:
    testing_support::TempDir dir;
    std::optional<store::RegistryStore> registry;
    posix::PosixSystem system;
    std::optional<app::qt::VantrelWindow> window;
    std::optional<app::Vantrel> logic;
    std::vector<std::u16string> messages;
    QTimer answerer;
    std::map<std::string, std::optional<std::string>> saved;

    // Chooses the code page as the program does at start, from LANG alone.
    void Start(const char* locale) {
        for (const char* name : {"LANG", "LC_ALL", "LC_CTYPE", "VANTREL_CODEPAGE"}) {
            const char* old = std::getenv(name);
            saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
            unsetenv(name);
        }
        setenv("LANG", locale, 1);
        ASSERT_EQ(codepage::ChooseFromEnvironment(), std::nullopt);
        registry.emplace(dir.File("registry.db"), app::NewInstallation(kPolishName));
        SetWide("RegisteredOrganization", kRussianCompany);
        // An earlier test that ended the program left Qt quitting, which would end every
        // message box at once; the application's own loop, run once, clears that.
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QApplication::exec();
        // A message box is read and closed, as a user would.
        QObject::connect(&answerer, &QTimer::timeout, [this] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(top);
                if (!box || !box->isVisible()) continue;
                messages.push_back(app::qt::ToU16(box->text()));
                box->accept();
            }
        });
        answerer.start(10);
        window.emplace();
        logic.emplace(platform::Platform{*registry, system}, window->View(),
                      app::Vantrel::ProblemSource{}, &*registry);
        window->Connect(*logic);
        logic->Form_Load();
    }
    void TearDown() override {
        answerer.stop();
        for (QWidget* top : QApplication::topLevelWidgets()) top->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (const auto& [name, value] : saved) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }

    Hkey Version() {
        Hkey key = kNullKey;
        registry->RegOpenKeyExA(kMachine, "Software\\Microsoft\\Windows\\CurrentVersion", 0,
                                kKeyAllAccess, &key);
        return key;
    }
    void SetWide(const char16_t* name, const std::u16string& text) {
        const Hkey key = Version();
        registry->RegSetValueExW(key, name, 0, kRegSz,
                                 reinterpret_cast<const std::uint8_t*>(text.c_str()),
                                 static_cast<Dword>((text.size() + 1) * 2));
        registry->RegCloseKey(key);
    }
    void SetWide(const char* name, const std::u16string& text) {
        SetWide(std::u16string(name, name + std::strlen(name)).c_str(), text);
    }
    std::u16string Stored(const char16_t* name) {
        const Hkey key = Version();
        char16_t data[128] = {};
        Dword size = sizeof data - 2;
        registry->RegQueryValueExW(key, name, nullptr, nullptr,
                                   reinterpret_cast<std::uint8_t*>(data), &size);
        registry->RegCloseKey(key);
        return data;
    }
    std::u16string Text(TextBox box) { return app::qt::ToU16(window->Box(box)->text()); }
};

}  // namespace

TEST_F(QtNames, UnderAUtf8LocaleNamesInAnyScriptAreShownAndSavedUnchanged) {
    Start("C.UTF-8");
    EXPECT_EQ(codepage::ActiveCodePage(), 65001u);
    EXPECT_EQ(Text(TextBox::Text1), kPolishName);
    EXPECT_EQ(Text(TextBox::Text2), kRussianCompany);
    QTest::mouseClick(window->ButtonOf(Button::Command1), Qt::LeftButton);
    EXPECT_TRUE(window->Ended());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Stored(u"RegisteredOwner"), kPolishName);
    EXPECT_EQ(Stored(u"RegisteredOrganization"), kRussianCompany);
}

TEST_F(QtNames, UnderTheCLocaleOkIsRefusedAndNothingIsWritten) {
    Start("C");
    EXPECT_EQ(codepage::ActiveCodePage(), 1252u);
    EXPECT_EQ(Text(TextBox::Text1), u"?ukasz ?\u00F3?w");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].substr(0, 49), u"Registered Owner and Registered Organization hold");
    QTest::mouseClick(window->ButtonOf(Button::Command1), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].substr(0, 63),
              u"Nothing was saved. Registered Owner and Registered Organization");
    EXPECT_FALSE(window->Ended());
    EXPECT_EQ(Stored(u"RegisteredOwner"), kPolishName);
    EXPECT_EQ(Stored(u"RegisteredOrganization"), kRussianCompany);
}

namespace {

// The editor as its main starts it, with a command line of args.
std::variant<std::unique_ptr<app::qt::Editor>, std::string> StartEditor(
    std::vector<std::string> args) {
    args.insert(args.begin(), "vantrel-edit-98");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    return app::qt::Editor::Start(static_cast<int>(argv.size()), argv.data());
}

// The owner the store at path holds.
void SetOwner(const std::string& path, const char* owner) {
    store::RegistryStore registry(path, testing_support::NewInstallation());
    Hkey key = kNullKey;
    ASSERT_EQ(registry.RegOpenKeyExA(kMachine, "Software\\Microsoft\\Windows\\CurrentVersion", 0,
                                     kKeyAllAccess, &key),
              kErrorSuccess);
    registry.RegSetValueExA(key, "RegisteredOwner", 0, kRegSz,
                            reinterpret_cast<const std::uint8_t*>(owner),
                            static_cast<Dword>(std::strlen(owner) + 1));
    registry.RegCloseKey(key);
}

}  // namespace

TEST(QtEditor, TheStoreTheArgumentNamesIsShownWithItsValuesWhenFirstPainted) {
    testing_support::TempDir dir;
    const std::string path = dir.File("named.db");
    SetOwner(path, "Named Owner");
    auto started = StartEditor({path, "--user", "ada"});
    ASSERT_EQ(started.index(), 0u) << std::get<1>(started);
    app::qt::VantrelWindow& window = std::get<0>(started)->Window();
    // The values are in their boxes before the event loop first runs, so the first paint
    // shows them.
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.Box(TextBox::Text1)->text(), "Named Owner");
    EXPECT_EQ(window.windowTitle(), QString::fromStdString("Vantrel Edit 98 - registry store " + path));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.Box(TextBox::Text1)->text(), "Named Owner");
    window.close();
}

TEST(QtEditor, WithoutAnArgumentTheStoreTheEnvironmentNamesIsOpened) {
    testing_support::TempDir dir;
    const std::string path = dir.File("from-environment.db");
    SetOwner(path, "Environment Owner");
    const char* old = std::getenv("VANTREL_REGISTRY");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    setenv("VANTREL_REGISTRY", path.c_str(), 1);
    auto started = StartEditor({"--user=ada"});
    if (saved) {
        setenv("VANTREL_REGISTRY", saved->c_str(), 1);
    } else {
        unsetenv("VANTREL_REGISTRY");
    }
    ASSERT_EQ(started.index(), 0u) << std::get<1>(started);
    EXPECT_EQ(std::get<0>(started)->Window().Box(TextBox::Text1)->text(), "Environment Owner");
    std::get<0>(started)->Window().close();
}

TEST(QtEditor, AStoreWithoutItsTablesIsNamedInAMessageAtStartAndItsWindowStaysEmpty) {
    testing_support::TempDir dir;
    const std::string path = dir.File("foreign.db");
    {
        store::sqlite::Database foreign(path, store::sqlite::Database::Mode::Create);
        foreign.Execute("PRAGMA application_id = 1448232263; PRAGMA user_version = 1;"
                        "CREATE TABLE notes (text)");
    }
    std::vector<QString> messages;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&messages] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(top);
            if (!box || !box->isVisible()) continue;
            messages.push_back(box->text());
            box->accept();
        }
    });
    answerer.start(10);
    auto started = StartEditor({path});
    answerer.stop();
    ASSERT_EQ(started.index(), 0u) << std::get<1>(started);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QString::fromStdString("The registry store " + path +
                                                  " cannot be used: its tables are missing."));
    EXPECT_EQ(std::get<0>(started)->Window().Box(TextBox::Text1)->text(), "");
    std::get<0>(started)->Window().close();
}

TEST(QtEditor, AFolderHoldingNoRegistryIsRefusedNamingItAndShowsNoWindow) {
    testing_support::TempDir dir;
    const std::string folder = dir.File("empty");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    auto started = StartEditor({folder});
    ASSERT_EQ(started.index(), 1u);
    EXPECT_EQ(std::get<1>(started).rfind(folder + " is a folder, but no registry was found in it", 0), 0u)
        << std::get<1>(started);
    for (QWidget* top : QApplication::topLevelWidgets()) EXPECT_FALSE(top->isVisible());
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_FONT_DPI", "96");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
