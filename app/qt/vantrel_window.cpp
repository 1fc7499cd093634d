#include "app/qt/vantrel_window.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <map>

#include "app/qt/license_window.h"
#include "app/qt/twips.h"
#include "app/qt/widget_factory.h"
#include "app/window_definitions.h"

namespace app::qt {
namespace {

// The tab control's double rule: lines drawn in the window's text colour.
class Rules : public QWidget {
public:
    Rules(QWidget* parent, int dpi) : QWidget(parent), dpi_(dpi) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(parent->rect());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        for (const auto& line : kVantrelLines) {
            painter.drawLine(TwipsToPixels(line.x1, dpi_), TwipsToPixels(line.y1, dpi_),
                             TwipsToPixels(line.x2, dpi_), TwipsToPixels(line.y2, dpi_));
        }
    }

private:
    int dpi_;
};

int PageIndex(Page page) { return page == Page::RegistrationInfo ? 0 : 1; }

}  // namespace

VantrelWindow::VantrelWindow()
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    const int dpi = logicalDpiX();
    setFont(FontFor(kDefaultFont));
    setWindowTitle(ToQString(kVantrelWindow.caption));
    setWindowIcon(ProgramIcon());
    setFixedSize(TwipsToPixels(kVantrelWindow.clientWidth, dpi),
                 TwipsToPixels(kVantrelWindow.clientHeight, dpi));

    std::map<int, QWidget*> byTabIndex;
    const ControlDefinition& tabDefinition = Find(kVantrelControls, "SSTab1");
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("SSTab1");
    tabs_->setGeometry(ToPixels(tabDefinition.rect, dpi));
    for (const auto caption : kTabCaptions) tabs_->addTab(new QWidget, ToQString(caption));
    byTabIndex[tabDefinition.tabIndex] = tabs_;

    // Controls on a page are placed against the tab control's outer corner, over its
    // pages, and shown only while their page is active.
    auto* rules = new Rules(tabs_, dpi);
    pageControls_[1].push_back(rules);
    for (const auto& definition : kVantrelControls) {
        if (definition.kind == ControlKind::TabControl) continue;
        QWidget* parent = definition.page == Page::Window ? static_cast<QWidget*>(this) : tabs_;
        QWidget* widget = CreateControl(definition, parent, dpi);
        if (definition.page != Page::Window) {
            pageControls_[PageIndex(definition.page)].push_back(widget);
            widget->raise();
        }
        byTabIndex[definition.tabIndex] = widget;
    }
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        boxes_[i] = findChild<QLineEdit*>(QString("Text%1").arg(i + 1));
        buttons_[i] = findChild<QPushButton*>(QString("Command%1").arg(i + 1));
    }
    ApplyTabOrder(byTabIndex);
    ShowPage(0);
}

void VantrelWindow::Connect(Vantrel& logic) {
    logic_ = &logic;
    connect(buttons_[0], &QPushButton::clicked, this, [this] { logic_->Command1_Click(); });
    connect(buttons_[1], &QPushButton::clicked, this, [this] { logic_->Command2_Click(); });
    connect(buttons_[2], &QPushButton::clicked, this, [this] { logic_->Command3_Click(); });
    connect(buttons_[3], &QPushButton::clicked, this, [this] { logic_->Command4_Click(); });
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        std::int16_t PreviousTab = static_cast<std::int16_t>(activeTab_);
        activeTab_ = index;
        ShowPage(index);
        logic_->SSTab1_Click(PreviousTab);
    });
}

void VantrelWindow::ShowPage(int index) {
    for (int page = 0; page < 2; ++page) {
        for (QWidget* widget : pageControls_[static_cast<std::size_t>(page)]) {
            widget->setVisible(page == index);
        }
    }
}

void VantrelWindow::Show() {
    show();
    if (!shownBefore_) {
        shownBefore_ = true;
        CenterOnScreen(this);
    }
}

std::u16string VantrelWindow::Text(TextBox box) const { return ToU16(Box(box)->text()); }

void VantrelWindow::SetText(TextBox box, const std::u16string& text) {
    Box(box)->setText(ToQString(text));
}

void VantrelWindow::SetEnabled(Button button, bool enabled) {
    ButtonOf(button)->setEnabled(enabled);
}

void VantrelWindow::SetFocus(TextBox box) { Box(box)->setFocus(Qt::OtherFocusReason); }

void VantrelWindow::ShowMessage(const std::u16string& text) {
    QMessageBox::warning(this, ToQString(kVantrelWindow.caption), ToQString(text));
}

// Every window goes without a close event, then the event loop ends.
void VantrelWindow::EndProgram() {
    ended_ = true;
    for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
    QCoreApplication::exit(0);
}

std::unique_ptr<LicenseView> VantrelWindow::CreateLicenseWindow(License& logic) {
    auto* window = new LicenseWindow(logic);
    license_ = window;
    connect(window, &QObject::destroyed, this, [this, window] {
        if (license_ == window) license_ = nullptr;
    });
    return std::make_unique<LicenseViewAdapter>(window);
}

}  // namespace app::qt
