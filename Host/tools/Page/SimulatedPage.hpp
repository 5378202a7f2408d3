#pragma once

// The simulator's own page (--browser none): the add-on's browser runs on the in-process engine,
// loads complete at once, and the page actions are the page calls the stand-in web application
// would make, built from its data file. The page keeps what the add-on tells it in
// window.tesselStandIn.state (as the web application does, with the same names), which is where its
// actions read the document reference and the selection from; its "stored" part (connections and
// clause edits, which the web application keeps in the browser's storage) outlives the page.
//
// Rules of the web application's page that a scenario must follow here too, so that it runs the
// same in a real browser: a specification is opened before its clauses are associated, removed
// or edited; types are listed before instances of one are selected; nothing is connected before
// the page knows the open project.

#include "Page/PageDriver.hpp"
#include "Page/WebAppData.hpp"

#include <PK/InProcessBrowserBackend.hpp>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace VantrelSim::Tool {

class SimulatedPage final : public PageDriver {
public:
    // `otherSite`: the folder of the other site's pages, whose scripts run when the page goes there.
    SimulatedPage(PageTraffic& traffic, const WebAppData& data, std::filesystem::path otherSite = {})
        : _traffic(traffic), _data(data), _otherSite(std::move(otherSite)) {}

    std::string Describe() const override;
    std::string HomeURL() const override { return "https://tessel.stand-in.invalid/"; }
    std::unique_ptr<PK::BrowserBackend> MakeEngine(const PK::BrowserSettings& settings) override;
    bool Pump() override;
    void Perform(const PageAction& action) override;
    bool Screenshot(const std::filesystem::path& png, std::string& why) override;
    std::optional<std::string> PageState(const std::vector<std::string>& path) override;
    std::optional<std::string> EvaluateJson(const std::string& expression, std::string& error) override;
    std::optional<std::string> Storage() const override;
    static constexpr const char* OtherSiteURL = "https://other-site.invalid/";

private:
    PK::InProcessBrowserBackend& Engine() const;
    PK::InProcessBrowserBackend* FindEngine() const;
    // The web application's start: its receiver, then the state it asks the add-on for.
    void StartPage();
    std::string PageText(const std::string& expression) const;
    PK::JSCallResult Call(const std::string& function, PK::JSBaseRef argument);
    std::string DocumentRef() const;
    const WebAppSpecification& OpenedSpecification(const std::string& id) const;
    WebAppClause ClauseWithEdits(const WebAppClause& clause) const;
    // The page goes to another address by itself (a link the user follows).
    void Navigate(const PageAction& action);

    PageTraffic& _traffic;
    const WebAppData& _data;
    std::filesystem::path _otherSite;
    std::optional<std::string> _opened; // the specification whose clauses the page shows
    std::map<std::string, WebAppClause> _edits;
    // Specification id -> (project title, specification title) as the page last told them.
    std::map<std::string, std::pair<std::string, std::string>> _titles;
    std::vector<std::pair<std::string, std::string>> _types; // id, title of the last listing
    std::string _stored; // the state's "stored" part, as JSON, carried from page to page
};

} // namespace VantrelSim::Tool
