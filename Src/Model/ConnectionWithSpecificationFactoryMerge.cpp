// Merging two users' module-data records of one connection when the host receives another user's
// changes of a shared project.

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/ConnectionWithSpecificationFactory.hpp"
#include "Model/Error/Errors.hpp"
#include "Util/Log/Log.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/ModulDataWrapper/ModulDataWrapper.hpp"
#include "Vantrel/Api/QBHandleWrapper/QBHandleWrapper.hpp"

#include <exception>
#include <utility>

namespace TesselConnect::Model {

namespace {

// After a failed merge the user's own record stands: the host's preset destination is the other
// user's record, which would silently drop whatever this user added.
void KeepOriginal(const API_ModulData* originalInfo, API_ModulData* destInfo) noexcept {
    if (originalInfo == nullptr || destInfo == nullptr) {
        return;
    }
    try {
        *destInfo = *originalInfo;
    } catch (const std::exception& e) {
        LOG_ERROR("exception: {}", e.what());
    }
}

} // namespace

VNAPI_ErrCode ConnectionWithSpecificationFactory::ModulDataMerge(QB::UInt32 mode,
                                                                 const QB::UniString& modulDataName,
                                                                 const API_ModulData* originalInfo,
                                                                 const API_ModulData* toMergeInfo,
                                                                 API_ModulData* destInfo) {
    try {
        LOG_TRACE("ModulDataMerge: {}", modulDataName);
        if (!ATC_EXPECT_ERROR(originalInfo != nullptr && toMergeInfo != nullptr && destInfo != nullptr,
                              "originalInfo != nullptr && toMergeInfo != nullptr && destInfo != nullptr, "
                              "originalInfo != nullptr({}), toMergeInfo != nullptr({}), modulDataName({})",
                              originalInfo != nullptr, toMergeInfo != nullptr, modulDataName)) {
            return APIERR_BADPARS;
        }
        if (mode != MergeModeMerge) {
            *destInfo = *originalInfo;
            return NoError;
        }
        if (!ATC_EXPECT_ERROR(!originalInfo->dataHdl.empty(),
                              "originalInfo->dataHdl != nullptr, modulDataName({})", modulDataName)) {
            *destInfo = *toMergeInfo;
            return NoError;
        }
        if (!ATC_EXPECT_ERROR(!toMergeInfo->dataHdl.empty(),
                              "toMergeInfo->dataHdl != nullptr, modulDataName({})", modulDataName)) {
            *destInfo = *originalInfo;
            return NoError;
        }
        return MergeConnectionRecords(modulDataName, *originalInfo, *toMergeInfo, *destInfo);
    } catch (const std::exception& e) {
        LOG_ERROR("exception: {}", e.what());
    } catch (...) {
        LOG_ERROR("unknown exception!");
    }
    KeepOriginal(originalInfo, destInfo);
    return NoError;
}

VNAPI_ErrCode ConnectionWithSpecificationFactory::MergeConnectionRecords(const QB::UniString& modulDataName,
                                                                         const API_ModulData& originalInfo,
                                                                         const API_ModulData& toMergeInfo,
                                                                         API_ModulData& destInfo) {
    std::shared_ptr<ConnectionWithSpecification> base;
    if (const std::weak_ptr<ConnectionWithSpecification>* cached = _connections.GetPtr(modulDataName);
        cached != nullptr) {
        base = cached->lock();
    }
    LOG_INFO("MergeIn: {}, has loaded: {}", modulDataName, base != nullptr);
    // What a newer add-on wrote cannot be merged here, and must not be lost either: its record
    // stands as it is.
    const auto fillOrKeepNewer = [&modulDataName, &destInfo](const API_ModulData& record,
                                                             ConnectionWithSpecification& conn) {
        try {
            Api::QBHandleWrapper::FillObject(record.dataHdl, record.platformSign, conn);
            return true;
        } catch (const Error::VersionIncompatibility& e) {
            LOG_WARN("{} was written by a newer add-on ({} version {}); it is kept as it is", modulDataName,
                     e.GetClassName(), e.GetStoredMainVersion());
            destInfo = record;
            return false;
        }
    };
    // A connection in use takes the other user's changes at once, so what it shows stays true.
    // One that stopped standing for the record (disconnected, or it found the record gone or
    // rewritten by a newer add-on) cannot tell what the record now is, and stays as it is: the
    // record is read and merged on its own.
    if (base == nullptr || base->IsMarkedAsDeleted()) {
        const std::shared_ptr<ConnectionWithSpecification> stored = NewEmptyConnection();
        if (!fillOrKeepNewer(originalInfo, *stored)) {
            return NoError;
        }
        base = stored;
    }
    const std::shared_ptr<ConnectionWithSpecification> other = NewEmptyConnection();
    if (!fillOrKeepNewer(toMergeInfo, *other)) {
        return NoError;
    }

    base->MergeIn(*other);
    destInfo = Api::ModulDataWrapper::CreateForObject(*base);
    return NoError;
}

} // namespace TesselConnect::Model
