#include <PX/RollDownPalette.hpp>

#include "Diagnostics.hpp"
#include "PanelAccess.hpp"

#include <algorithm>

namespace PX {

void RollPanelObserver::RollPanelExpanded(const RollPanelEvent&) {}
void RollPanelObserver::RollPanelCollapsed(const RollPanelEvent&) {}

RollPanel::RollPanel(RollDownPalette& palette, QB::Int32 index, PK::GrowType growType, RollPanelState state)
    : _palette(&palette), _index(index), _growType(growType), _state(state) {}

RollPanel::~RollPanel() {
    if (_page != nullptr) {
        _page->HostDestroyed();
    }
}

PK::Panel* RollPanel::GetOwnerPanel() const noexcept {
    return _palette;
}

bool RollPanel::AttachPage(PK::TabPage& page) {
    if (_page != nullptr) {
        return false;
    }
    _page = &page;
    if (page.GetClientWidth() > _palette->GetClientWidth()) {
        PK::Detail::PanelAccess::ApplySize(*_palette, page.GetClientWidth(), 0);
    }
    return true;
}

void RollPanel::DetachPage(PK::TabPage& page) noexcept {
    if (_page == &page) {
        _page = nullptr;
    }
}

void RollPanel::RollByUser(RollPanelState state) {
    PK::Detail::AssertMainThread();
    _state = state;
    const RollPanelEvent ev(*this);
    _observers.Notify<RollPanelObserver>([&ev, state](RollPanelObserver& observer) {
        if (state == RollPanelState::Expanded) {
            observer.RollPanelExpanded(ev);
        } else {
            observer.RollPanelCollapsed(ev);
        }
    });
}

RollPanel* RollPanelContainer::CreateRollPanel(PK::GrowType growType, RollPanelObserver* observer,
                                               RollPanelState initialState) {
    PK::Detail::AssertMainThread();
    const auto grow = static_cast<QB::Int32>(growType);
    const auto state = static_cast<QB::Int32>(initialState);
    if (grow < 0 || grow > 3 || state < 0 || state > 1) {
        PK::Detail::Report("roll panel refused: grow type {} or initial state {} unknown", grow, state);
        return nullptr;
    }
    if (!_palette->IsValid()) {
        PK::Detail::Report("roll panel refused: the palette is not valid");
        return nullptr;
    }
    _panels.push_back(
        std::unique_ptr<RollPanel>(new RollPanel(*_palette, GetPanelCount() + 1, growType, initialState)));
    RollPanel* panel = _panels.back().get();
    if (observer != nullptr) {
        panel->Attach(*observer);
    }
    return panel;
}

RollPanel* RollPanelContainer::GetPanel(QB::Int32 index) const noexcept {
    if (index < 1 || index > GetPanelCount()) {
        return nullptr;
    }
    return _panels[static_cast<QB::USize>(index - 1)].get();
}

RollDownPalette::RollDownPalette(const QB::Guid& guid, QB::Int32 closeType, QB::Int32 captionType,
                                 QB::Int32 frameType)
    : PK::Palette(guid, closeType, captionType, frameType), _surface(new RollDownSurface(*this)) {}

RollDownPalette::~RollDownPalette() = default;

QB::Int32 RollDownPalette::GetClientHeight() const noexcept {
    QB::Int32 height = 0;
    const RollPanelContainer& panels = GetPanels();
    for (QB::Int32 i = 1; i <= panels.GetPanelCount(); ++i) {
        const RollPanel* panel = panels.GetPanel(i);
        height += RollPanel::HeaderHeight;
        if (panel->IsExpanded() && panel->GetTabPage() != nullptr) {
            height += panel->GetTabPage()->GetClientHeight();
        }
    }
    return height;
}

namespace {

bool GrowsHorizontally(PK::GrowType grow) noexcept {
    return grow == PK::GrowType::HGrow || grow == PK::GrowType::HVGrow;
}

bool GrowsVertically(PK::GrowType grow) noexcept {
    return grow == PK::GrowType::VGrow || grow == PK::GrowType::HVGrow;
}

} // namespace

std::pair<QB::Int32, QB::Int32> RollDownPalette::ResizeByUser(QB::Int32 dw, QB::Int32 dh) {
    PK::Detail::AssertMainThread();
    auto [madeW, wantedH] = PK::Detail::PanelAccess::ClampResize(*this, dw, dh);

    // The pages decide how much height can go: only expanded, vertically growing pages take
    // part, and none shrinks below zero.
    std::vector<PK::TabPage*> verticals;
    std::vector<PK::TabPage*> horizontals;
    for (QB::Int32 i = 1; i <= GetPanels().GetPanelCount(); ++i) {
        RollPanel* panel = GetPanels().GetPanel(i);
        PK::TabPage* page = panel->GetTabPage();
        if (page == nullptr) {
            continue;
        }
        if (GrowsHorizontally(panel->GetGrowType())) {
            horizontals.push_back(page);
        }
        if (panel->IsExpanded() && GrowsVertically(panel->GetGrowType())) {
            verticals.push_back(page);
        }
    }
    std::vector<QB::Int32> shares(verticals.size(), 0);
    QB::Int32 madeH = 0;
    if (!verticals.empty() && wantedH != 0) {
        const auto count = static_cast<QB::Int32>(verticals.size());
        for (QB::USize i = 0; i < verticals.size(); ++i) {
            QB::Int32 share = wantedH / count + (i == 0 ? wantedH % count : 0);
            share = std::max(share, -verticals[i]->GetClientHeight());
            shares[i] = share;
            madeH += share;
        }
    }
    if (madeW == 0 && madeH == 0) {
        return {0, 0};
    }

    const auto alive = GetAliveToken();
    PK::Detail::PanelAccess::ApplySize(*this, GetClientWidth() + madeW, 0);
    PK::Detail::PanelAccess::NotifyResized(*this, madeW, madeH);
    for (PK::TabPage* page : horizontals) {
        if (alive.expired()) {
            break;
        }
        const auto found = std::find(verticals.begin(), verticals.end(), page);
        const QB::Int32 share =
            found != verticals.end() ? shares[static_cast<QB::USize>(found - verticals.begin())] : 0;
        page->ResizeByHost(madeW, share);
    }
    for (QB::USize i = 0; i < verticals.size() && !alive.expired(); ++i) {
        if (std::find(horizontals.begin(), horizontals.end(), verticals[i]) == horizontals.end()) {
            verticals[i]->ResizeByHost(0, shares[i]);
        }
    }
    return {madeW, madeH};
}

void RollDownPalette::NotifyOpenedOnFirstShow() {
    const auto alive = GetAliveToken();
    NotifyOpened();
    for (QB::Int32 i = 1; i <= GetPanels().GetPanelCount() && !alive.expired(); ++i) {
        if (PK::TabPage* page = GetPanels().GetPanel(i)->GetTabPage()) {
            page->OpenByHost();
        }
    }
}

} // namespace PX
