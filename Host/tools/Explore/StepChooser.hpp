#pragma once

// Chooses a random walk's next step from what the run shows: what a user does in the host, on the
// palette and on the page, what other users do (received, or landing in the middle of the add-on's
// work), and host functions failing. Weighted so that walks get deep (the palette opened, a
// specification connected and opened, elements selected and associated) before the rest, and
// never a step the run would refuse as impossible (a button that is off, a clause of a
// specification the page does not show, an element that is not there).

#include "Explore/WalkRandom.hpp"
#include "Explore/WalkStep.hpp"
#include "Explore/WalkView.hpp"

#include "Page/WebAppData.hpp"

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace VantrelSim::Tool {

struct ChooserSettings {
    unsigned users = 1;      // other users, numbered from 2
    double faults = 0.0;     // the chance of a host fault during a step
    std::string projectFile; // the walk's project, for steps that open it again
    // Other users' disconnects arrive half-done now and then: the connection's record erased, its
    // property group left (a planted fault, for testing that the
    // walk finds what the checks see).
    bool plantHalfDisconnects = false;
};

class StepChooser {
public:
    StepChooser(ChooserSettings settings, const WebAppData& webApp, WalkRandom& random);

    WalkStep Choose(const WalkView& view);
    // The host functions a plain step of this kind ("page connect") called, with how often: a fault
    // or another user's change for a later step of the kind lands where such steps call. Kinds, not
    // whole actions, so that what a rare step (a connect) calls is known the next time it comes,
    // whatever it names.
    void Learn(const std::string& kind, const std::vector<std::pair<std::string, std::size_t>>& calls);

private:
    WalkStep Life(const WalkView& view);
    WalkStep Page(const WalkView& view);
    WalkStep PageCall(const WalkView& view);
    WalkStep Palette(const WalkView& view);
    WalkStep UserWork(const WalkView& view);
    WalkStep OtherUsers(const WalkView& view);
    std::string OtherUserChanges(const WalkView& view, bool meanwhile);
    void AddFaults(WalkStep& step);
    void AddMeanwhile(WalkStep& step, const WalkView& view);

    const WebAppSpecification& AnySpecification();
    std::vector<std::string> SomeElements(const std::vector<std::string>& from, std::size_t most);
    std::string NewName(const std::string& prefix);
    std::string SomeText();

    ChooserSettings _settings;
    const WebAppData& _webApp;
    WalkRandom& _random;
    // Per kind: every host function its steps called so far, with the most calls one step made.
    std::map<std::string, std::vector<std::pair<std::string, std::size_t>>> _calls;
    bool _saved = false;           // a step saved "walk.project.json" into the output folder
    bool _wrote = false;           // the last step was one that writes the add-on's records
    bool _offline = false;         // the browser is off line
    bool _away = false;            // the browser shows another site
    std::string _restorePalette;   // "show" after "hide", "enable" after "disable": the next step
    std::size_t _made = 0;         // names made so far
    std::vector<WalkStep> _queued; // steps that must come next (a shared project's reservation)
};

} // namespace VantrelSim::Tool
