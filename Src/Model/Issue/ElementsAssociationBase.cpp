#include "Model/Issue/ElementsAssociationBase.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/VirtualType.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/Placeholder.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <QB/ContainerChannel.hpp>

#include <ostream>

namespace TesselConnect::Model::Issue {

namespace PlaceholderName = Util::Resource::PlaceholderName;

const QB::ClassInfo ElementsAssociationBase::classInfo("Model::Issue::ElementsAssociationBase",
                                                       QB::Guid("{c674f34c-e5de-4c68-ae55-957f2b7cdca1}"), 1,
                                                       0);

namespace {

// The host element filter without conditions: the element still exists.
constexpr API_ElemFilterFlags ElementExists = 0;

} // namespace

ElementsAssociationBase::ElementsAssociationBase(QB::Int32 type, QB::Int32 severity,
                                                 const QB::UniString& targetVirtualType,
                                                 const Api::WindowId& windowId)
    : Base(severity), _type(type), _targetVirtualType(targetVirtualType), _windowId(windowId) {}

ElementsAssociationBase::~ElementsAssociationBase() = default;

const ElementsAssociationBase::ReasonInfo* ElementsAssociationBase::FindReason(ReasonTable reasons,
                                                                               QB::Int32 type) noexcept {
    if (type < 1 || type > static_cast<QB::Int32>(reasons.size())) {
        return nullptr;
    }
    return &reasons[static_cast<std::size_t>(type - 1)];
}

std::string ElementsAssociationBase::ReasonName(ReasonTable reasons, QB::Int32 type) {
    const ReasonInfo* reason = FindReason(reasons, type);
    return reason == nullptr ? fmt::format("Unknown:{}", type) : std::string(reason->name);
}

bool ElementsAssociationBase::AddErroredElement(const QB::Guid& elemGuid) {
    if (!_erroredElementSet.Add(elemGuid)) {
        return false;
    }
    _erroredElements.Push(elemGuid);
    return true;
}

void ElementsAssociationBase::RemoveErroredElementsIf(
    const std::function<bool(const QB::Guid&)>& shouldRemove) {
    _erroredElements.DeleteIf([&](const QB::Guid& elemGuid) {
        if (!shouldRemove(elemGuid)) {
            return false;
        }
        _erroredElementSet.Delete(elemGuid);
        return true;
    });
}

ChangeResult ElementsAssociationBase::Refresh(ConnectionWithSpecification& connection,
                                              const ElementGuidSet& succeeded) {
    if (_erroredElements.IsEmpty()) {
        return {.isEmpty = true, .changed = false};
    }
    Api::Vantrel& vnApi = connection.GetVantrel();
    bool removedAny = false;
    RemoveErroredElementsIf([&](const QB::Guid& elemGuid) {
        if (vnApi.Element_PassesFilter(elemGuid, ElementExists) && !succeeded.Contains(elemGuid)) {
            return false;
        }
        LOG_TRACE("ElementsAssociationBase: element({}) was removed becaus it is deleted or not relevant",
                  elemGuid);
        removedAny = true;
        return true;
    });
    return {.isEmpty = _erroredElements.IsEmpty(), .changed = removedAny};
}

ChangeResult ElementsAssociationBase::Merge(Base& older) {
    if (!ATC_EXPECT_ERROR(!older.IsEmpty(), "!older->IsEmpty()")) {
        return {.isEmpty = true, .changed = false};
    }
    auto* olderElements = dynamic_cast<ElementsAssociationBase*>(&older);
    if (olderElements == nullptr || !Covers(*olderElements)) {
        return {};
    }
    if (olderElements == this) {
        return {.isEmpty = _erroredElements.IsEmpty(), .changed = false};
    }
    const QB::USize sizeBefore = olderElements->_erroredElements.GetSize();
    olderElements->RemoveErroredElementsIf(
        [&](const QB::Guid& elemGuid) { return _erroredElementSet.Contains(elemGuid); });
    return {.isEmpty = olderElements->_erroredElements.IsEmpty(),
            .changed = olderElements->_erroredElements.GetSize() != sizeBefore};
}

QB::UniString ElementsAssociationBase::GetReasonString(ConnectionWithSpecification& connection) const {
    QB::UniString text("Serious error!");
    if (const ReasonInfo* reason = FindReason(GetReasons(), _type); reason != nullptr) {
        text =
            connection.GetVantrel().GetResourceString(Util::Resource::ListId::IssueTexts, reason->textIndex);
    }
    text = connection.ResolveStringVariables(text);
    if (text.IsEmpty()) {
        LOG_ERROR("Missing resource string: type({})", _type);
        return "Missing resource string.";
    }
    return ResolveStringVariables(connection, text);
}

QB::UniString ElementsAssociationBase::ResolveStringVariables(ConnectionWithSpecification& connection,
                                                              const QB::UniString& text) const {
    if (!connection.HasVirtualType(_targetVirtualType)) {
        LOG_WARN("VirtualType({}) is missing", _targetVirtualType);
        return text;
    }
    QB::UniString viewName("<Unknown>");
    try {
        viewName = Api::GetWindowName(connection.GetVantrel(), _windowId);
    }
    LOG_CATCH_ALL
    // Counts and view names are inserted before the clause texts so that a clause title that
    // happens to read "{ElemCount}" is shown as typed.
    const QB::UniString resolved = Util::Resource::ReplacePlaceholders(
        text, {{PlaceholderName::ElemCount,
                QB::ValueToUniString(static_cast<QB::UInt64>(_erroredElements.GetSize()))},
               {PlaceholderName::ViewName, viewName}});
    return connection.GetVirtualType(_targetVirtualType)->GetTesselProperties().Format(resolved);
}

void ElementsAssociationBase::Print(std::ostream& os) const {
    PrintBase(os);
    os << ", \"targetVirtualType\": " << _targetVirtualType << ", \"erroredElements\": [";
    const char* separator = "";
    for (const QB::Guid& elemGuid : _erroredElements) {
        os << separator << elemGuid;
        separator = ", ";
    }
    os << "], \"windowId\": " << _windowId.ToString() << ", type: " << ReasonName(GetReasons(), _type);
}

QB::ErrCode ElementsAssociationBase::Read(QB::IChannel& ic) {
    return ReadFrame(ic, classInfo, [&] {
        _erroredElementSet.Clear();
        if (ic.Read(_targetVirtualType) != QB::NoError ||
            QB::ReadArray(ic, _erroredElements) != QB::NoError || _windowId.Read(ic) != QB::NoError) {
            return;
        }
        // Stored data may repeat an element; keep the first, as recording does.
        QB::Array<QB::Guid> stored = std::move(_erroredElements);
        _erroredElements.Clear();
        _erroredElements.Reserve(stored.GetSize());
        _erroredElementSet.Reserve(stored.GetSize());
        for (const QB::Guid& elemGuid : stored) {
            AddErroredElement(elemGuid);
        }
        Base::Read(ic);
    });
}

QB::ErrCode ElementsAssociationBase::ReadReasonFrame(QB::IChannel& ic, const QB::ClassInfo& info) {
    return ReadFrame(ic, info, [&] {
        if (ic.Read(_type) == QB::NoError) {
            ElementsAssociationBase::Read(ic);
        }
    });
}

QB::ErrCode ElementsAssociationBase::WriteReasonFrame(QB::OChannel& oc, const QB::ClassInfo& info) const {
    return WriteFrame(oc, info, [&] {
        if (oc.Write(_type) == QB::NoError) {
            ElementsAssociationBase::Write(oc);
        }
    });
}

QB::ErrCode ElementsAssociationBase::Write(QB::OChannel& oc) const {
    return WriteFrame(oc, classInfo, [&] {
        if (oc.Write(_targetVirtualType) == QB::NoError &&
            QB::WriteArray(oc, _erroredElements) == QB::NoError && _windowId.Write(oc) == QB::NoError) {
            Base::Write(oc);
        }
    });
}

} // namespace TesselConnect::Model::Issue
