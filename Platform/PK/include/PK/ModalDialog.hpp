#pragma once

// Modal dialogs built from a dialog resource. Invoke runs the dialog: it opens it (PanelOpened),
// hands it to the host's user responder (PK/Responder.hpp), which acts on the items as a user
// would, and returns when the dialog was closed: true exactly for the accept result. A dialog
// that the responder leaves open is cancelled, as if the user had pressed Escape. Every run is
// recorded with the dialog's rendering at opening and closing (PK/InteractionRecord.hpp).
//
// Main thread only. The program owns the dialog; it must outlive Invoke.

#include <PK/Dialog.hpp>

#include <optional>

namespace PK {

enum class ModalResponse : QB::Int32 { Accept = 1, Cancel = 2 };

class ModalDialog : public Dialog {
public:
    ModalDialog(QB::ResModule module, QB::ResId dialogId);

    // False at once for an invalid dialog or one that is already running.
    bool Invoke();
    // Closes a running dialog with that result (later requests of the same run are ignored).
    void PostCloseRequest(ModalResponse response);
    // The close box: asks the observers (accept flag starting true); accepted means cancel.
    bool SendCloseRequest();

    bool IsRunning() const noexcept { return _running; }
    // The result of the last run, empty while none ended.
    std::optional<ModalResponse> GetResponse() const noexcept { return _response; }

    bool AcceptsUserInput() const noexcept override;

private:
    bool _running = false;
    bool _closing = false;
    std::optional<ModalResponse> _response;
};

} // namespace PK
