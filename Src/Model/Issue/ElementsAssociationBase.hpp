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
#include <span>
#include <string>
#include <string_view>

namespace TesselConnect::Model::Issue {

class ElementsAssociationBase : public Base {
public:
    // A reason's enumerator name and the item of the issue text list that describes it.
    struct ReasonInfo {
        std::string_view name;
        QB::Int32 textIndex;
    };
    // A kind's reasons, indexed by reason code - 1.
    using ReasonTable = std::span<const ReasonInfo>;

    static const QB::ClassInfo classInfo;

    ~ElementsAssociationBase() override;

    bool IsEmpty() const override { return _erroredElements.IsEmpty(); }
    // Drops elements that no longer exist or that are in `succeeded`.
    ChangeResult Refresh(ConnectionWithSpecification& connection, const ElementGuidSet& succeeded) override;
    // Strips from `older` the elements this issue holds, when this kind covers `older`'s kind.
    ChangeResult Merge(Base& older) final;
    void Print(std::ostream& os) const final;

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

    // The reason code, one of the kind's own.
    QB::Int32 GetType() const noexcept { return _type; }

protected:
    // nullptr for a code outside the table.
    static const ReasonInfo* FindReason(ReasonTable reasons, QB::Int32 type) noexcept;
    // The enumerator's name, "Unknown:<code>" for a code outside the table.
    static std::string ReasonName(ReasonTable reasons, QB::Int32 type);

    ElementsAssociationBase() = default;
    ElementsAssociationBase(QB::Int32 type, QB::Int32 severity, const QB::UniString& targetVirtualType,
                            const Api::WindowId& windowId);
    ElementsAssociationBase(const ElementsAssociationBase&) = default;
    ElementsAssociationBase& operator=(const ElementsAssociationBase&) = default;

    virtual ReasonTable GetReasons() const noexcept = 0;
    // Whether this kind's newer issues strip elements of `older`.
    virtual bool Covers(const ElementsAssociationBase& older) const noexcept = 0;

    // The reason's text with the connection's placeholders, the element count, the view name and
    // the clause texts resolved.
    QB::UniString GetReasonString(ConnectionWithSpecification& connection) const;
    // The kind's frame: the reason code, then this part's frame.
    QB::ErrCode ReadReasonFrame(QB::IChannel& ic, const QB::ClassInfo& info);
    QB::ErrCode WriteReasonFrame(QB::OChannel& oc, const QB::ClassInfo& info) const;

private:
    QB::UniString ResolveStringVariables(ConnectionWithSpecification& connection,
                                         const QB::UniString& text) const;
    void RemoveErroredElementsIf(const std::function<bool(const QB::Guid&)>& shouldRemove);

    QB::Int32 _type = 1;
    QB::UniString _targetVirtualType;
    QB::Array<QB::Guid> _erroredElements;
    Api::WindowId _windowId;
    QB::HashSet<QB::Guid> _erroredElementSet; // mirrors _erroredElements
};

} // namespace TesselConnect::Model::Issue
