#pragma once

// Reading a stored object from the bare data block of a host record, as the module-data merge gets
// them: two records of the same object from two users, each possibly written on another platform.
//
// Works with any object that has `QB::ErrCode Read(QB::IChannel&)`. Callers: the connection factory
// on the host's main thread. FillObject throws the typed host error of a failed read (after the
// "GeneralError exception will be thrown: ..." trace line) and passes on whatever the object's Read
// throws.

#include "Vantrel/Api/Error/ThrowError.hpp"
#include "Vantrel/Api/ModulDataWrapper/ModulDataWrapper.hpp"

#include <VNAPI/VNAPI.h>

#include <QB/Channel.hpp>

namespace TesselConnect::Api::QBHandleWrapper {

// False for a record without data. Otherwise reads `object` from the bytes with the channel protocol
// of the record's platform sign (the same rule the connection's own read applies, so another
// platform's record is not misread) and returns true.
template <ModulDataWrapper::Readable T>
bool FillObject(const API_DataBlock& dataHdl, API_PlatformSign platformSign, T& object) {
    if (dataHdl.empty()) {
        return false;
    }
    QB::MemoryIChannel ic(dataHdl.data(), dataHdl.size(),
                          ModulDataWrapper::ProtocolForPlatformSign(platformSign));
    ATC_THROW_IF_API_ERROR(object.Read(ic));
    return true;
}

} // namespace TesselConnect::Api::QBHandleWrapper
