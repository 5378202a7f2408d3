#include <PK/InteractionRecord.hpp>
#include <PK/ModalDialog.hpp>
#include <PK/Rendering.hpp>
#include <PK/Responder.hpp>

#include "Diagnostics.hpp"

#include <exception>

namespace PK {

ModalDialog::ModalDialog(QB::ResModule module, QB::ResId dialogId) {
    BuildFromResource(module, dialogId);
}

bool ModalDialog::Invoke() {
    Detail::AssertMainThread();
    if (!IsValid()) {
        Detail::Report("dialog {} cannot run: it was not built", GetResourceId());
        return false;
    }
    if (_running) {
        Detail::Report("dialog {} is running already", GetResourceId());
        return false;
    }
    _running = true;
    _closing = false;
    _response.reset();
    SetVisible(true);
    NotifyOpened();

    DialogRecord record;
    record.module = GetResourceModule();
    record.dialogId = GetResourceId();
    record.title = GetTitle();
    record.openedView = RenderText(*this);
    if (!_closing) {
        try {
            GetUserResponder().RespondToDialog(*this);
        } catch (const std::exception& e) {
            Detail::Report("the user responder failed on dialog {}: {}", GetResourceId(), e.what());
        } catch (...) {
            Detail::Report("the user responder failed on dialog {}", GetResourceId());
        }
    }
    if (!_closing) {
        // Nobody closed it: the user walked away, which a dialog treats as Escape.
        record.closedByDefault = true;
        _closing = true;
        _response = ModalResponse::Cancel;
    }
    record.response = _response.value_or(ModalResponse::Cancel);
    record.closedView = RenderText(*this);
    InteractionRecord::Instance().Add(std::move(record));

    SetVisible(false);
    _running = false;
    NotifyClosed(_response == ModalResponse::Accept);
    return _response == ModalResponse::Accept;
}

void ModalDialog::PostCloseRequest(ModalResponse response) {
    Detail::AssertMainThread();
    if (!_running) {
        Detail::Report("close request for dialog {}, which is not running, ignored", GetResourceId());
        return;
    }
    if (_closing) {
        return;
    }
    if (response != ModalResponse::Accept && response != ModalResponse::Cancel) {
        Detail::Report("dialog {} closed with the unknown result {}; taken as cancel", GetResourceId(),
                       static_cast<QB::Int32>(response));
        response = ModalResponse::Cancel;
    }
    _closing = true;
    _response = response;
}

bool ModalDialog::SendCloseRequest() {
    Detail::AssertMainThread();
    if (!_running || _closing) {
        return false;
    }
    const auto alive = GetAliveToken();
    const bool accepted = NotifyCloseRequested(true);
    if (accepted && !alive.expired()) {
        PostCloseRequest(ModalResponse::Cancel);
    }
    return accepted;
}

bool ModalDialog::AcceptsUserInput() const noexcept {
    return IsValid() && _running && !_closing;
}

} // namespace PK
