// The process-wide holder of the palette and the entry points of the add-on shell.

#include "UI/TesselPalette/Palette.hpp"

#include "Model/Manager/Manager.hpp"
#include "UI/Alerts.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/ResourceIds.hpp"

#include <VNAPI/VNAPI.h>

namespace TesselConnect::UI {

namespace {

std::unique_ptr<Palette>& Holder() {
    static std::unique_ptr<Palette> palette;
    return palette;
}

void HideAndStopEvents(Palette& palette, bool& closing) {
    if (!closing) {
        closing = true;
        palette.Hide();
        palette.EndEventProcessing();
    }
}

} // namespace

Palette* Palette::Instance() noexcept {
    return Holder().get();
}

bool Palette::Exists() {
    return Holder() != nullptr;
}

void Palette::Open(const std::shared_ptr<Model::Manager>& manager) {
    LOG_DEBUG("Palette::Open");
    auto& holder = Holder();
    // A palette whose close is still pending makes room for a fresh one.
    if (holder != nullptr && holder->_closing) {
        holder.reset();
    }
    // The host's undo and redo change the project unannounced: the palette shows what it holds now.
    manager->FollowProject();
    if (holder == nullptr) {
        holder.reset(new Palette(manager));
    }
    holder->Show(PK::ModelessBase::DefaultPlacement);
    // Data found corrupted while no palette could say so are announced now that the user sees it.
    if (manager->TakeUnannouncedCorruptedData()) {
        PostAlert(Util::Resource::AlertId::CorruptedData);
    }
}

QB::Int32 Palette::HandleControlMessage(QB::Int32 messageId, bool* visibleOut) {
    try {
        Palette* palette = Instance();
        if (palette == nullptr) {
            return 0;
        }
        switch (messageId) {
        case APIPalMsg_CloseRequest:
            palette->SendCloseRequest();
            break;
        case APIPalMsg_Hide:
            palette->Hide();
            break;
        case APIPalMsg_Show:
        case APIPalMsg_Open:
            if (!palette->_closing) {
                palette->_manager->FollowProject();
                palette->Show(PK::ModelessBase::DefaultPlacement);
            }
            break;
        case APIPalMsg_DisableItems:
            palette->DisableAllItems();
            break;
        case APIPalMsg_EnableItems:
            palette->EnableAllItems();
            break;
        case APIPalMsg_IsVisible:
            if (visibleOut != nullptr) {
                *visibleOut = palette->IsVisible();
            }
            break;
        default:
            break;
        }
    }
    LOG_CATCH_ALL
    return 0;
}

void Palette::Destroy() {
    try {
        auto& holder = Holder();
        if (holder == nullptr) {
            return;
        }
        HideAndStopEvents(*holder, holder->_closing);
        holder.reset();
    }
    LOG_CATCH_ALL
}

void Palette::DestroyIfStill(QB::UInt64 generation) {
    if (Palette* palette = Instance(); palette != nullptr && palette->_generation == generation) {
        Destroy();
    }
}

} // namespace TesselConnect::UI
