// Front-end views that remember what the window logic asked of them.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/license.h"
#include "app/views.h"

namespace testing_support {

class FakeLicenseView : public app::LicenseView {
public:
    struct Record {
        int shown = 0;
        bool hidden = false;
        bool destroyed = false;
    };
    explicit FakeLicenseView(std::shared_ptr<Record> record) : record_(std::move(record)) {}
    ~FakeLicenseView() override { record_->destroyed = true; }
    void Show() override { ++record_->shown; }
    void Hide() override { record_->hidden = true; }

private:
    std::shared_ptr<Record> record_;
};

class FakeVantrelView : public app::VantrelView {
public:
    std::u16string caption;
    std::array<std::u16string, 4> texts;
    std::array<bool, 4> enabled{true, true, true, true};
    std::vector<std::string> calls;  // "SetCaption", "Show", "SetText 1", "SetFocus 1", "Message", "End"
    std::vector<std::u16string> messages;
    std::vector<std::shared_ptr<FakeLicenseView::Record>> licenseWindows;
    bool ended = false;

    void Show() override { calls.push_back("Show"); }
    void SetCaption(const std::u16string& text) override {
        caption = text;
        calls.push_back("SetCaption");
    }
    std::u16string Text(app::TextBox box) const override { return texts[Index(box)]; }
    void SetText(app::TextBox box, const std::u16string& text) override {
        texts[Index(box)] = text;
        calls.push_back("SetText " + std::to_string(Index(box) + 1));
    }
    void SetEnabled(app::Button button, bool on) override {
        enabled[static_cast<std::size_t>(button)] = on;
    }
    void SetFocus(app::TextBox box) override {
        calls.push_back("SetFocus " + std::to_string(Index(box) + 1));
    }
    void ShowMessage(const std::u16string& text) override {
        messages.push_back(text);
        calls.push_back("Message");
    }
    void EndProgram() override {
        ended = true;
        calls.push_back("End");
    }
    std::unique_ptr<app::LicenseView> CreateLicenseWindow(app::License&) override {
        licenseWindows.push_back(std::make_shared<FakeLicenseView::Record>());
        return std::make_unique<FakeLicenseView>(licenseWindows.back());
    }

private:
    static std::size_t Index(app::TextBox box) { return static_cast<std::size_t>(box); }
};

}  // namespace testing_support
