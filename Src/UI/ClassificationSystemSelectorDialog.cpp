#include "UI/ClassificationSystemSelectorDialog.hpp"

#include "UI/AddonResModule.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/ResourceIds.hpp"

namespace TesselConnect::UI {

namespace {
constexpr QB::Int32 PromptItem = 1;
constexpr QB::Int32 SystemsItem = 2;
constexpr QB::Int32 ChooseItem = 3;
constexpr QB::Int32 CancelItem = 4;
} // namespace

ClassificationSystemSelectorDialog::ClassificationSystemSelectorDialog(
    const QB::Array<QB::UniString>& systemTexts, const TextFormatter& formatter)
    : PK::ModalDialog(GetAddonResModule(), Util::Resource::DialogId::ClassificationSystemSelector),
      _prompt(*this, PromptItem), _systems(*this, SystemsItem), _choose(*this, ChooseItem),
      _cancel(*this, CancelItem) {
    _prompt.SetText(formatter(_prompt.GetText()));
    if (systemTexts.IsEmpty()) {
        _choose.Disable();
    }
    for (const QB::UniString& text : systemTexts) {
        _systems.AppendItem(text);
    }
    Attach(static_cast<PK::PanelObserver&>(*this));
    AttachToAllItems(*this);
}

ClassificationSystemSelectorDialog::~ClassificationSystemSelectorDialog() {
    DetachFromAllItems(*this);
    Detach(static_cast<PK::PanelObserver&>(*this));
}

bool ClassificationSystemSelectorDialog::Run() {
    return Invoke();
}

QB::Int32 ClassificationSystemSelectorDialog::GetSelectedIndex() const {
    return _systems.GetSelectedItem() - 1;
}

void ClassificationSystemSelectorDialog::PopUpChanged(const PK::PopUpChangeEvent&) {
    _choose.Enable();
}

void ClassificationSystemSelectorDialog::ButtonClicked(const PK::ButtonClickEvent& ev) {
    try {
        if (ev.GetSource() == &_choose) {
            PostCloseRequest(PK::ModalResponse::Accept);
        } else if (ev.GetSource() == &_cancel) {
            PostCloseRequest(PK::ModalResponse::Cancel);
        }
    }
    LOG_CATCH_ALL
}

} // namespace TesselConnect::UI
