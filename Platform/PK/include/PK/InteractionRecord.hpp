#pragma once

// The host's record of every alert and modal dialog shown, in order, with the texts the user saw
// and the answer given: what tests and the simulator's transcript read back.
//
// Main thread only. The record lives for the process; Clear empties it (tests do between cases).

#include <PK/ModalDialog.hpp>

#include <QB/Resource.hpp>
#include <QB/UniString.hpp>

#include <string>
#include <vector>

namespace PK {

struct AlertRecord {
    QB::UInt64 sequence = 0; // shared numbering of alerts and dialogs, from 1
    QB::ResModule module = QB::InvalidResModule;
    QB::ResId alertId = 0;
    QB::Int32 type = 0;
    QB::UniString title;
    QB::UniString largeText;
    QB::UniString smallText;
    std::vector<QB::UniString> buttons; // button n (from 1) at position n - 1
    QB::Int32 answer = 0;               // the pressed button, from 1
};

struct DialogRecord {
    QB::UInt64 sequence = 0;
    QB::ResModule module = QB::InvalidResModule;
    QB::ResId dialogId = 0;
    QB::UniString title;
    std::string openedView; // text rendering once opened (after the PanelOpened observers)
    std::string closedView; // text rendering when it closed
    ModalResponse response = ModalResponse::Cancel;
    bool closedByDefault = false; // the responder left it open and it was cancelled
};

class InteractionRecord {
public:
    static InteractionRecord& Instance();

    const std::vector<AlertRecord>& GetAlerts() const noexcept { return _alerts; }
    const std::vector<DialogRecord>& GetDialogs() const noexcept { return _dialogs; }
    void Clear() noexcept;

    // Used by alerts and modal dialogs; the sequence number is assigned here.
    const AlertRecord& Add(AlertRecord record);
    const DialogRecord& Add(DialogRecord record);

private:
    InteractionRecord() = default;
    std::vector<AlertRecord> _alerts;
    std::vector<DialogRecord> _dialogs;
    QB::UInt64 _nextSequence = 1;
};

} // namespace PK
