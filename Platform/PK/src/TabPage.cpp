#include <PK/TabPage.hpp>

#include "Diagnostics.hpp"
#include "PanelAccess.hpp"

#include <algorithm>

namespace PK {

TabPageHost::~TabPageHost() = default;

TabPage::TabPage(TabPageHost& host, QB::ResModule module, QB::ResId dialogId) {
    BuildFromResource(module, dialogId);
    if (!host.AttachPage(*this)) {
        Detail::Report("tab page {} has no place in its container (it holds a page already)", dialogId);
        Invalidate();
        return;
    }
    _host = &host;
}

TabPage::~TabPage() {
    if (_host != nullptr) {
        _host->DetachPage(*this);
    }
}

bool TabPage::AreItemsEnabled() const noexcept {
    if (!Panel::AreItemsEnabled()) {
        return false;
    }
    const Panel* owner = _host != nullptr ? _host->GetOwnerPanel() : nullptr;
    return owner == nullptr || owner->AreItemsEnabled();
}

bool TabPage::AcceptsUserInput() const noexcept {
    if (!IsValid() || _host == nullptr || !_host->IsPageContentShown()) {
        return false;
    }
    const Panel* owner = _host->GetOwnerPanel();
    return owner != nullptr && owner->AcceptsUserInput();
}

void TabPage::ResizeByHost(QB::Int32 dw, QB::Int32 dh) {
    const QB::Int32 width = std::max(GetClientWidth() + dw, 0);
    const QB::Int32 height = std::max(GetClientHeight() + dh, 0);
    const QB::Int32 madeW = width - GetClientWidth();
    const QB::Int32 madeH = height - GetClientHeight();
    if (madeW == 0 && madeH == 0) {
        return;
    }
    Detail::PanelAccess::ApplySize(*this, width, height);
    NotifyResized(madeW, madeH);
}

} // namespace PK
