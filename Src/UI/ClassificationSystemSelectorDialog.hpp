#pragma once

// The modal dialog in which the user chooses the host classification system for a new
// connection: a prompt naming the project, the specification and its classification type, a
// pop-up with one entry per system, Choose and Cancel.
//
// Lives for one run on the host's main thread: construct, Run, read GetSelectedIndex, destroy.
// Construction calls the formatter on the prompt; an empty formatter is a programming error and
// throws std::bad_function_call.

#include <PK/Button.hpp>
#include <PK/ModalDialog.hpp>
#include <PK/Panel.hpp>
#include <PK/PopUp.hpp>
#include <PK/TextItem.hpp>

#include <QB/Array.hpp>
#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <functional>

namespace TesselConnect::UI {

class ClassificationSystemSelectorDialog : public PK::ModalDialog,
                                           public PK::PanelObserver,
                                           public PK::ButtonItemObserver,
                                           public PK::CompoundItemObserver,
                                           public PK::PopUpObserver {
public:
    using TextFormatter = std::function<QB::UniString(const QB::UniString&)>;

    // `systemTexts`: one pop-up entry per classification system, in the host's order.
    ClassificationSystemSelectorDialog(const QB::Array<QB::UniString>& systemTexts,
                                       const TextFormatter& formatter);
    ~ClassificationSystemSelectorDialog() override;

    // Runs the dialog modally; true exactly when the user closed it with Choose.
    bool Run();
    // The chosen entry counted from 0 (the position of the system in the caller's list); -1 when
    // the pop-up is empty.
    QB::Int32 GetSelectedIndex() const;

    void PopUpChanged(const PK::PopUpChangeEvent& ev) override;
    void ButtonClicked(const PK::ButtonClickEvent& ev) override;

private:
    PK::TextItem _prompt;
    PK::PopUp _systems;
    PK::Button _choose;
    PK::Button _cancel;
};

} // namespace TesselConnect::UI
