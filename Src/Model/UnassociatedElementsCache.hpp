#pragma once

// For every associable element type, the elements of the current view that could be associated
// but carry no clause of the owning connection: what the unassociated-elements tab lists and
// selects.
//
// Owned by value by its connection (Model::ConnectionWithSpecification), which it reaches through a
// plain reference for the host interface, the property group and the virtual types; never stored.
// Empty until the first Reset. It rebuilds itself on the host events that change the view (window,
// story, 3D filter) or the shared project; the connection updates it after associations and
// disassociations, and when asked to follow the project reads again the elements of each
// association or disassociation that an undo or redo has since taken back or made again: the host
// does that without a word to the add-on, also after a rebuild. Every change of a type's set is
// announced through the connection (ConnEvent_UnassociatedElementTypeChanged), which needs the
// connection to be shared-owned.
//
// Host main thread only. Reset never throws for host failures: it rebuilds what it can read and
// logs the rest. AddElements and RemoveElements skip (and log) an element the host cannot read.
// VNEvent_Element_Created passes host errors to the host event source, which logs them.

#include "Model/ElementType.hpp"
#include "Vantrel/Api/VantrelEventSource/VantrelEventObserver.hpp"

#include <VNAPI/VNAPI.h>

#include <QB/Array.hpp>
#include <QB/Guid.hpp>
#include <QB/HashSet.hpp>
#include <QB/HashTable.hpp>
#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <utility>

namespace TesselConnect::Model {

class ConnectionWithSpecification;
class Element;

class UnassociatedElementsCache : public Api::VantrelEventObserver {
public:
    using ElementSet = QB::HashSet<QB::Guid>;
    using Table = QB::HashTable<ElementType, ElementSet>;
    using TypeSet = QB::HashSet<ElementType>;

    // Element-list filter of every view: on a shown layer, not hidden by the renovation filter or
    // the structure display.
    static constexpr API_ElemFilterFlags ViewFilterFlags = 0x1402;
    // A floor plan shows its own story only.
    static constexpr API_ElemFilterFlags FloorPlanFilterFlags = 0x1406;
    // The 3D window adds its own filter.
    static constexpr API_ElemFilterFlags In3DFilterFlag = 0x0008;

    explicit UnassociatedElementsCache(ConnectionWithSpecification& conn);
    ~UnassociatedElementsCache() override;

    // Rebuilds the table from the elements of the current view, with the host's progress window;
    // with `notify` announces every type listed before or after.
    void Reset(bool notify);
    // The just disassociated elements join their types' sets; true (and announced) when a set grew.
    bool AddElements(const QB::Array<QB::Guid>& elemGuids);
    // The just associated elements leave their types' sets; true (and announced) when a set shrank.
    bool RemoveElements(const QB::Array<QB::Guid>& elemGuids);
    // For each call of AddElements and RemoveElements whose elements an undo or redo (or any other
    // change) may have changed since, lists those elements again as a rebuild would; true (and
    // announced) when a set changed. One header read per such call, more only for a changed one.
    bool FollowElementsChangedHere();

    const Table& GetTable() const noexcept { return _table; }
    // 0 for a type without entry.
    QB::USize GetCount(const ElementType& type) const;
    // Empty for a type without entry.
    QB::Array<QB::Guid> GetElements(const ElementType& type) const;

    // The element filter flags for listing elements in a window of `windowType`.
    static API_ElemFilterFlags FilterFlagsForWindow(API_DatabaseTypeID windowType) noexcept;
    // The types whose parts are elements of their own, created with them: a new one makes a rebuild.
    static const QB::Array<ElementType>* FindPartTypes(API_ElemTypeID typeID);

    void VNEvent_Element_Created(const API_NotifyElement& elemNotify) override;
    void VNEvent_Project_ReceiveChanges() override;
    void VNEvent_Project_ChangeWindow() override;
    void VNEvent_Project_ChangeFloor() override;
    void VNEvent_Project_ShowIn3DChanged() override;

private:
    class ResetProgress;

    // Lists the elements of one type id into `table`; a failure of the listing skips the type, one of
    // an element skips that element.
    void CollectType(API_ElemTypeID typeID, const QB::UniString& typeName, API_ElemFilterFlags filterFlags,
                     Table& table, ResetProgress& progress) const;
    // True when the element is a candidate and carries no clause of this connection.
    bool IsUnassociatedCandidate(const Element& element) const;
    // True when a rebuild with `filterFlags` would list the element.
    bool WouldBeListed(const Element& element, API_ElemFilterFlags filterFlags) const;
    API_ElemFilterFlags CurrentFilterFlags() const;
    void NotifyChanged(const TypeSet& changedTypes) const;

    // The elements of one association or disassociation, which the host's undo and redo change
    // together, and the one of them the step changed last: the highest modification stamp among
    // them right after the step belongs to an element the step changed, so an undo or redo of the
    // step changes that element's stamp too. Watching that one header tells whether to read the rest.
    struct TakenStep {
        QB::Array<QB::Guid> elements;
        QB::Guid witness;
        QB::UInt64 witnessStamp = 0;
    };
    // Records what AddElements or RemoveElements took; `elements` hold stamps as just read.
    void RememberStep(const QB::Array<std::pair<QB::Guid, QB::UInt64>>& elements);
    // Lists the step's elements again as a rebuild would and forgets those gone; false when the step
    // has no element left.
    bool FollowStep(TakenStep& step, API_ElemFilterFlags filterFlags, TypeSet& changedTypes);

    ConnectionWithSpecification& _conn;
    Table _table;
    QB::Array<TakenStep> _takenSteps;
};

} // namespace TesselConnect::Model
