#pragma once

// The browser's events as text lines, in order; the page's dialogs kept and answered as the test says.

#include <PK/Browser.hpp>

#include <string>
#include <vector>

namespace PKTest {

class EventLog : public PK::BrowserObserver {
public:
    void URLChanged(const PK::BrowserURLChangeEvent& event) override {
        lines.push_back("url " + event.GetURL().ToUtf8());
    }
    void LoadingStateChanged(const PK::BrowserLoadingStateChangeEvent& event) override {
        lines.push_back(event.IsLoading() ? "loading" : "loaded");
    }
    void JSDialogOpened(PK::BrowserJSDialogEvent& event) override {
        const PK::JSDialog& dialog = event.GetDialog();
        dialogs.push_back(dialog);
        lines.push_back("dialog " + dialog.message.ToUtf8());
        if (dialog.kind == PK::JSDialog::Kind::Confirm) {
            event.Answer(acceptConfirm);
        } else if (dialog.kind == PK::JSDialog::Kind::Prompt) {
            event.Answer(!promptAnswer.IsEmpty(), promptAnswer);
        }
    }

    std::vector<std::string> lines;
    std::vector<PK::JSDialog> dialogs;
    bool acceptConfirm = false;
    QB::UniString promptAnswer;
};

} // namespace PKTest
