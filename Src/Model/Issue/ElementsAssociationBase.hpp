#pragma once

// The common part of the issues about elements: the virtual type of the failed operation, the
// elements it failed on (in the order they were recorded, each once) and the view it ran in.
//
// Membership of an element is answered in O(1), so stripping, refreshing and merging issues with
// tens of thousands of elements stays linear.

#include "Model/Issue/Base.hpp"
#include "Vantrel/Api/Structs/WindowId.hpp"

#include <QB/Array.hpp>
#include <QB/Guid.hpp>
#include <QB/HashSet.hpp>
#include <QB/UniString.hpp>

#include <functional>
#include <iosfwd>

namespace TesselConnect::Model::Issue {

class ElementsAssociationBase : public Base {
public:
    static const QB::ClassInfo classInfo;

    ~ElementsAssociationBase() override;

    bool IsEmpty() const override { return _erroredElements.IsEmpty(); }
    // Drops elements that no longer exist or that are in `succeeded`.
    ChangeResult Refresh(ConnectionWithSpecification& connection, const ElementGuidSet& succeeded) override;

    const QB::ClassInfo* GetClassInfo() const override { return &classInfo; }
    QB::ErrCode Read(QB::IChannel& ic) override;
    QB::ErrCode Write(QB::OChannel& oc) const override;

    const QB::UniString& GetTargetVirtualType() const noexcept { return _targetVirtualType; }
    const QB::Array<QB::Guid>& GetErroredElements() const noexcept { return _erroredElements; }
    const Api::WindowId& GetWindowId() const noexcept { return _windowId; }
    bool ContainsErroredElement(const QB::Guid& elemGuid) const {
        return _erroredElementSet.Contains(elemGuid);
    }

    // Appends the element unless it is already recorded; true when appended.
    bool AddErroredElement(const QB::Guid& elemGuid);

protected:
    ElementsAssociationBase() = default;
    ElementsAssociationBase(QB::Int32 severity, const QB::UniString& targetVirtualType,
                            const Api::WindowId& windowId);
    ElementsAssociationBase(const ElementsAssociationBase&) = default;
    ElementsAssociationBase& operator=(const ElementsAssociationBase&) = default;

    // Removes from `older` every element that this issue holds: (older is now empty, any removed).
    ChangeResult StripCoveredElements(ElementsAssociationBase& older) const;
    // Base part, then `, "targetVirtualType": ..., "erroredElements": [...], "windowId": ...`.
    void PrintElementsPart(std::ostream& os) const;
    // The element-count and view-name placeholders, then the clause texts of the virtual type.
    QB::UniString ResolveStringVariables(ConnectionWithSpecification& connection,
                                         const QB::UniString& text) const;

private:
    void RemoveErroredElementsIf(const std::function<bool(const QB::Guid&)>& shouldRemove);

    QB::UniString _targetVirtualType;
    QB::Array<QB::Guid> _erroredElements;
    Api::WindowId _windowId;
    QB::HashSet<QB::Guid> _erroredElementSet; // mirrors _erroredElements
};

} // namespace TesselConnect::Model::Issue
