#pragma once

// Alerts: a message box from an alert resource of a module, answered by the host's user
// responder (PK/Responder.hpp) and recorded with its resolved texts (PK/InteractionRecord.hpp).
// The n-th "%s" of each text (title, large text, small text) takes the n-th parameter.
//
// Main thread only. Answers the pressed button, counted from 1; 0 when the alert resource does
// not exist (reported through the host's debug output, nothing shown). Never throws except
// std::bad_alloc.

#include <QB/Resource.hpp>
#include <QB/UniString.hpp>

namespace PK {

QB::Int32 ShowAlert(QB::ResModule module, QB::ResId alertId);
QB::Int32 ShowAlert(QB::ResModule module, QB::ResId alertId, const QB::UniString& param1,
                    const QB::UniString& param2 = {}, const QB::UniString& param3 = {},
                    const QB::UniString& param4 = {});

} // namespace PK
