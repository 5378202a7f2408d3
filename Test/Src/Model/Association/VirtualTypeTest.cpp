#include "Src/Model/Connection/ConnectionFixture.hpp"
#include "Src/Model/Issue/IssueBuilders.hpp"

#include "Model/Element.hpp"
#include "Model/Error/Errors.hpp"
#include "Model/Issue/ElementsAssociation.hpp"
#include "Model/Issue/MissingClassificationItem.hpp"
#include "Model/Issue/UpdateElementsProperties.hpp"
#include "Model/VirtualType.hpp"
#include "Util/Error/AddonRuntimeError.hpp"
#include "Vantrel/Api/Error/Error.hpp"

#include <VantrelSim/HostFunction.hpp>

#include <array>
#include <functional>
#include <new>

namespace TesselConnect::Test {
namespace {

using VantrelSim::HostFunction;
using Reason = Model::Issue::ElementsAssociation::Type;
using UpdateReason = Model::Issue::UpdateElementsProperties::Type;
using Name = Api::Properties::Name;

class VirtualTypeOverHost : public ConnectionFixture {
protected:
    VirtualTypeOverHost() { Connect(); }

    std::shared_ptr<Model::VirtualType> MakeVirtualType(const Api::Properties& clause) {
        std::shared_ptr<Model::VirtualType> virtualType;
        Undoable([&] {
            virtualType =
                std::make_shared<Model::VirtualType>(connection.get(), clause.Get(Name::ClauseId), clause);
        });
        return virtualType;
    }

    Model::AssociationResult Associate(Model::VirtualType& virtualType, const Api::Properties& clause,
                                       const QB::Array<QB::Guid>& elements) {
        Model::AssociationResult result;
        Undoable([&] { result = virtualType.AssociateElements(clause, elements); },
                 "Associate element(s) with Ardo Tessel clause");
        return result;
    }

    Model::AssociationResult Disassociate(Model::VirtualType& virtualType,
                                          const QB::Array<QB::Guid>& elements) {
        Model::AssociationResult result;
        Undoable([&] { result = virtualType.DisassociateElements(elements); });
        return result;
    }

    template <std::size_t N> std::array<QB::Guid, N> AddWalls() {
        std::array<QB::Guid, N> walls;
        for (QB::Guid& wall : walls) {
            wall = AddWall();
        }
        return walls;
    }

    std::size_t ChangesOfElements() const {
        return host.CallCount(HostFunction::VNAPI_Element_AddClassificationItem) +
               host.CallCount(HostFunction::VNAPI_Element_SetProperties) +
               host.CallCount(HostFunction::VNAPI_Element_RemoveClassificationItem);
    }
};

TEST_F(VirtualTypeOverHost, ConstructionNeedsACodeWithAnItem) {
    log.Clear();
    Api::Properties noCode = Clause("c1", "F10");
    noCode.Delete(Name::Code);
    const std::string noCodeText =
        WhatOf<AddonRuntimeError>([&] { Model::VirtualType(connection.get(), "c1", noCode); });
    // The text may become an issue's hint stored in the project: no build folders in it.
    EXPECT_TRUE(noCodeText.starts_with("Model/VirtualType.cpp:")) << noCodeText;
    EXPECT_TRUE(noCodeText.ends_with(": error: Missing code property"));
    EXPECT_TRUE(log.Contains(spdlog::level::critical,
                             "failed assertion: properties.ContainsKey( Api::Properties::Name::Code)"));
    EXPECT_TRUE(WhatOf<AddonRuntimeError>([&] {
                    Model::VirtualType(connection.get(), "c1", Clause("c1", ""));
                }).ends_with(": error: Empty code string"));

    try {
        Model::VirtualType(connection.get(), "c9", Clause("c9", "Z99"));
        ADD_FAILURE();
    } catch (const Model::Error::MissingClassificationItem& error) {
        const auto* issue = dynamic_cast<const Model::Issue::MissingClassificationItem*>(error.GetIssue());
        ASSERT_NE(issue, nullptr);
        EXPECT_EQ(issue->GetCode(), QB::UniString("Z99"));
        EXPECT_EQ(issue->GetTesselClauseProperties(), Clause("c9", "Z99"));
        // A copy owns a clone of the issue.
        const Model::Error::MissingClassificationItem copy = error;
        EXPECT_NE(copy.GetIssue(), error.GetIssue());
        EXPECT_STRNE(copy.what(), error.what());
    }
    EXPECT_TRUE(
        log.Contains(spdlog::level::err, "failed assertion: !this->_classificationItemGuid.IsNull()"));
}

TEST_F(VirtualTypeOverHost, AssociatingClassifiesAndWritesTheClausePropertiesDisassociatingLeavesThem) {
    const QB::Guid wall = AddWall();
    const QB::Guid section = AddElement({.type = API_SectionElemID, .sectionParent = AddWall()});
    const QB::Guid shownWall = Model::Element(*vantrel, section).GetGuid();
    const auto clause = Clause("c1", "F10", "", "A", "");
    const auto virtualType = MakeVirtualType(clause);

    log.Clear();
    const Model::AssociationResult result = Associate(*virtualType, clause, {wall, section});
    EXPECT_TRUE(result.issues.IsEmpty());
    EXPECT_EQ(result.elements, (QB::Array<QB::Guid>{wall, shownWall}));
    EXPECT_EQ((std::vector{ItemOf(wall), ItemOf(shownWall)}), (std::vector{itemF10, itemF10}));
    // Empty attributes are written as a single space.
    EXPECT_EQ(
        (std::vector{ValueOf(wall, Name::ClauseId), ValueOf(wall, Name::Code), ValueOf(wall, Name::Prefix),
                     ValueOf(wall, Name::Title), ValueOf(shownWall, Name::Suffix)}),
        (std::vector<QB::UniString>{"c1", "F10", "A", " ", " "}));
    EXPECT_TRUE(log.Contains(spdlog::level::info, "associated(2), issues(0)"));
    EXPECT_EQ(host.UndoStepNames().back(), QB::UniString("Associate element(s) with Ardo Tessel clause"));

    // Its elements: the item and its clause id, not just the item.
    const QB::Guid otherClause = AddWall();
    Associate(*MakeVirtualType(Clause("c2", "F10")), Clause("c2", "F10"), {otherClause});
    QB::Array<QB::Guid> associated;
    virtualType->GetAssociatedElements(associated);
    EXPECT_EQ(associated, (QB::Array<QB::Guid>{wall, shownWall}));

    // Disassociating takes the item and leaves the values.
    log.Clear();
    EXPECT_EQ(Disassociate(*virtualType, {wall}).elements, (QB::Array<QB::Guid>{wall}));
    EXPECT_TRUE(ItemOf(wall).IsNull());
    EXPECT_EQ(Project().FindElement(wall)->values.size(), 5U);
    EXPECT_TRUE(log.Contains(spdlog::level::debug,
                             fmt::format("element({}) was dissacociated from (c1, {})", wall, itemF10)));
}

TEST_F(VirtualTypeOverHost, UnusableElementsBecomeOneIssuePerReason) {
    const QB::Guid hidden1 = AddElement({.type = API_WallID, .layer = hiddenLayer});
    const QB::Guid hidden2 = AddElement({.type = API_WallID, .layer = hiddenLayer});
    const QB::Guid onLockedLayer = AddElement({.type = API_WallID, .layer = lockedLayer});
    const QB::Guid locked = AddElement({.type = API_WallID, .locked = true});
    const QB::Guid hotlinked =
        AddElement({.type = API_WallID, .hotlink = VantrelSim::ProjectBuilder(Project()).AddHotlink("Site")});
    const QB::Guid notMine = AddWall();
    const QB::Guid genericDoor = AddElement({.type = API_DoorID});
    const QB::Guid deleted = AddWall();
    const QB::Guid editable = AddWall();
    Project().DeleteElement(deleted);
    VantrelSim::ProjectBuilder(Project()).Share({{1, "me"}, {2, "other"}}, 1);
    host.ReserveSet(VantrelSim::ClassificationsAndPropertiesSetName, 1);
    host.ReserveElements({hidden1, hidden2, onLockedLayer, locked, hotlinked, genericDoor, editable}, 1);
    host.ReserveElements({notMine}, 2);

    const auto clause = Clause("c1", "F10");
    const auto virtualType = MakeVirtualType(clause);
    log.Clear();
    const Model::AssociationResult result = Associate(
        *virtualType, clause,
        {hidden1, onLockedLayer, locked, hotlinked, notMine, genericDoor, deleted, hidden2, editable});
    EXPECT_EQ(Summarize(result.issues), (IssueSummary{{Reason::AssocOnInvisibleLayer, {hidden1, hidden2}},
                                                      {Reason::AssocOnLockedLayer, {onLockedLayer}},
                                                      {Reason::AssocLockedElement, {locked}},
                                                      {Reason::AssocIsHotlink, {hotlinked}},
                                                      {Reason::AssocNoSyncworkRight, {notMine}}}));
    EXPECT_EQ(result.elements, (QB::Array<QB::Guid>{editable}));
    EXPECT_TRUE(log.Contains(spdlog::level::info, fmt::format("Hotlink({}) is not assoc", hotlinked)));
    EXPECT_TRUE(
        log.Contains(spdlog::level::warn, fmt::format("Should have been filtered: Elem({})", genericDoor)));
    EXPECT_TRUE(log.ContainsPart(spdlog::level::err, fmt::format("; elemGuid: {}", deleted)));
    EXPECT_TRUE(ItemOf(hidden1).IsNull());

    // Disassociating: the clause's own elements that cannot be changed become issues, a hotlinked
    // element is only logged.
    Project().FindElement(locked)->locked = false;
    host.ReserveElements({notMine}, 1);
    Associate(*virtualType, clause, {locked, notMine});
    Project().FindElement(locked)->locked = true;
    host.ReserveElements({notMine}, 2);
    log.Clear();
    const Model::AssociationResult removed =
        Disassociate(*virtualType, {hotlinked, locked, notMine, editable});
    EXPECT_EQ(Summarize(removed.issues), (IssueSummary{{Reason::DisassocLockedElement, {locked}},
                                                       {Reason::DisassocNoSyncworkRight, {notMine}}}));
    EXPECT_EQ(removed.elements, (QB::Array<QB::Guid>{editable}));
    EXPECT_TRUE(log.ContainsPart(spdlog::level::err, fmt::format("elem({}): ", hotlinked)));
}

// A host that throws instead of answering (out of memory, say) for one element.
struct ThrowingSetProperties {
    static inline VNAPI_Element_SetPropertiesFunc* forward = nullptr;
    static inline QB::Guid element;

    static VNAPI_ErrCode Call(VNAPI_Token token, const API_Guid* elemGuid,
                              const QB::Array<API_Property>* properties) {
        if (APIGuid2QBGuid(*elemGuid) == element) {
            throw std::bad_alloc();
        }
        return forward(token, elemGuid, properties);
    }
};

TEST_F(VirtualTypeOverHost, HostErrorsOnSingleElementsMapToReasons) {
    const auto [unsuitable, readOnly, notMine, noAccess, lockedLayer2, vanished, failing, unreadable,
                throwing, fine] = AddWalls<10>();
    const auto clause = Clause("c1", "F10");
    const auto virtualType = MakeVirtualType(clause);

    auto& faults = host.Faults();
    faults.ForGuid(HostFunction::VNAPI_Element_AddClassificationItem, APIERR_BADCLASSIFICATIONFORELEM,
                   unsuitable);
    faults.ForGuid(HostFunction::VNAPI_Element_AddClassificationItem, APIERR_READONLY, readOnly);
    faults.ForGuid(HostFunction::VNAPI_Element_AddClassificationItem, APIERR_NOTMINE, notMine);
    faults.ForGuid(HostFunction::VNAPI_Element_SetProperties, APIERR_NOACCESSRIGHT, noAccess);
    faults.ForGuid(HostFunction::VNAPI_Element_SetProperties, APIERR_LOCKEDLAY, lockedLayer2);
    faults.ForGuid(HostFunction::VNAPI_Element_AddClassificationItem, APIERR_BADID, vanished);
    faults.ForGuid(HostFunction::VNAPI_Element_SetProperties, APIERR_GENERAL, failing);
    faults.ForGuid(HostFunction::VNAPI_Element_GetHeader, APIERR_GENERAL, unreadable);
    VNAPI_FunctionTable table = host.FunctionTable();
    ThrowingSetProperties::forward = table.VNAPI_Element_SetProperties;
    ThrowingSetProperties::element = throwing;
    table.VNAPI_Element_SetProperties = &ThrowingSetProperties::Call;
    Implementation::HostFunctions::Set(table);
    const Model::AssociationResult result = Associate(*virtualType, clause,
                                                      {unsuitable, readOnly, notMine, noAccess, lockedLayer2,
                                                       vanished, failing, unreadable, throwing, fine});
    Implementation::HostFunctions::Set(host.FunctionTable());
    EXPECT_EQ(Summarize(result.issues),
              (IssueSummary{{Reason::AssocNotSuitable, {unsuitable}},
                            {Reason::AssocOnLockedLayer, {readOnly, lockedLayer2}},
                            {Reason::AssocNoSyncworkRight, {notMine, noAccess}},
                            {Reason::AssocUnknown, {failing, unreadable, throwing}}}));
    EXPECT_EQ(result.elements, (QB::Array<QB::Guid>{fine}));

    faults.Clear();
    Associate(*virtualType, clause, {unsuitable, readOnly, notMine, noAccess});
    faults.ForGuid(HostFunction::VNAPI_Element_RemoveClassificationItem, APIERR_NOACCESSRIGHT, unsuitable);
    faults.ForGuid(HostFunction::VNAPI_Element_RemoveClassificationItem, APIERR_LOCKEDLAY, readOnly);
    faults.ForGuid(HostFunction::VNAPI_Element_RemoveClassificationItem, APIERR_BADPARS, notMine);
    faults.ForGuid(HostFunction::VNAPI_Element_RemoveClassificationItem, APIERR_GENERAL, noAccess);
    faults.ForGuid(HostFunction::VNAPI_Element_GetHeader, APIERR_GENERAL, unreadable);
    const Model::AssociationResult removed =
        Disassociate(*virtualType, {unsuitable, readOnly, notMine, noAccess, unreadable, fine});
    EXPECT_EQ(Summarize(removed.issues), (IssueSummary{{Reason::DisassocNoSyncworkRight, {unsuitable}},
                                                       {Reason::DisassocOnLockedLayer, {readOnly}},
                                                       {Reason::DisassocUnknown, {noAccess, unreadable}}}));
    EXPECT_EQ(removed.elements, (QB::Array<QB::Guid>{fine}));
}

// An element whose clause properties cannot be written gets its earlier item of the system back:
// no element is left with this clause's item but without its clause id. Its issue stays.
TEST_F(VirtualTypeOverHost, AnElementWhosePropertiesCannotBeWrittenGetsItsEarlierClassificationBack) {
    const auto [unclassified, ofAnotherClause, stuck, fine] = AddWalls<4>();
    Associate(*MakeVirtualType(Clause("c2", "G20")), Clause("c2", "G20"), {ofAnotherClause});
    const QB::Guid earlierItem = ItemOf(ofAnotherClause);
    ASSERT_FALSE(earlierItem.IsNull());
    const auto clause = Clause("c1", "F10");
    const auto virtualType = MakeVirtualType(clause);
    auto& faults = host.Faults();
    for (const QB::Guid& wall : {unclassified, ofAnotherClause, stuck}) {
        faults.ForGuid(HostFunction::VNAPI_Element_SetProperties, APIERR_GENERAL, wall);
    }
    // Giving the item back can fail as well: the element then keeps it, and its issue tells.
    faults.ForGuid(HostFunction::VNAPI_Element_RemoveClassificationItem, APIERR_GENERAL, stuck);

    const Model::AssociationResult result =
        Associate(*virtualType, clause, {unclassified, ofAnotherClause, stuck, fine});

    EXPECT_EQ(result.elements, (QB::Array<QB::Guid>{fine}));
    EXPECT_EQ(Summarize(result.issues),
              (IssueSummary{{Reason::AssocUnknown, {unclassified, ofAnotherClause, stuck}}}));
    EXPECT_EQ((std::vector{ItemOf(unclassified), ItemOf(ofAnotherClause), ItemOf(stuck), ItemOf(fine)}),
              (std::vector{QB::Guid(), earlierItem, itemF10, itemF10}));
    EXPECT_EQ(ValueOf(ofAnotherClause, Name::ClauseId), QB::UniString("c2"));
    EXPECT_TRUE(log.ContainsPart(spdlog::level::err,
                                 fmt::format("elem({}) keeps the classification({})", stuck, itemF10)));
    QB::Array<QB::Guid> associated;
    virtualType->GetAssociatedElements(associated);
    EXPECT_EQ(associated, (QB::Array<QB::Guid>{fine}));
}

TEST_F(VirtualTypeOverHost, AMissingItemGroupOrPropertyFailsBeforeAnyElementChanges) {
    const QB::Guid wall = AddWall();
    const auto clause = Clause("c1", "F10");
    const auto virtualType = MakeVirtualType(clause);
    const std::size_t changesBefore = ChangesOfElements();

    host.Faults().ForGuid(HostFunction::VNAPI_Classification_GetClassificationItem, APIERR_BADID, itemF10);
    EXPECT_THROW(Associate(*virtualType, clause, {wall}), Model::Error::MissingClassificationItem);
    EXPECT_THROW(Disassociate(*virtualType, {wall}), Model::Error::MissingClassificationItem);
    host.Faults().Clear();

    const QB::Guid title = connection->GetPropertyGroup().GetDefinitionGuids().Get(Name::Title);
    host.Faults().ForGuid(HostFunction::VNAPI_Property_GetPropertyDefinition, APIERR_BADID, title);
    EXPECT_THROW(Associate(*virtualType, clause, {wall}), Model::Error::MissingProperty);
    host.Faults().Clear();

    Project().DeleteGroup(connection->GetPropertyGroup().GetGuid());
    EXPECT_THROW(Associate(*virtualType, clause, {wall}), Model::Error::MissingProperty);
    EXPECT_EQ(ChangesOfElements(), changesBefore);
    EXPECT_TRUE(ItemOf(wall).IsNull());
}

TEST_F(VirtualTypeOverHost, ChangedClauseValuesAreRewrittenAndClearedOnlyWhenAllElementsWereUpdated) {
    const auto [first, second, third] = AddWalls<3>();
    const auto virtualType = MakeVirtualType(Clause("c1", "F10"));
    Associate(*virtualType, Clause("c1", "F10"), {first, second});
    EXPECT_FALSE(virtualType->HasDirtyProperties());

    // The second element gets locked; a new title arrives with the third element.
    Project().FindElement(second)->locked = true;
    const auto renamed = Clause("c1", "F10", "Stone walls");
    const Model::AssociationResult result = Associate(*virtualType, renamed, {third});
    EXPECT_EQ(virtualType->GetDirtyTesselPropertyNames(), (QB::Array<QB::UniString>{Name::Title}));
    ASSERT_EQ(Summarize(result.issues), (IssueSummary{{100 + UpdateReason::LockedElement, {second}}}));
    // A rewrite is not tied to the window in front: its issue goes back to the 3D window.
    EXPECT_EQ(dynamic_cast<const Model::Issue::UpdateElementsProperties&>(*result.issues[0]).GetWindowId(),
              Api::WindowId(Api::DatabaseId(APIWind_3DModelID, 0, QB::Guid()), 0, false));
    EXPECT_EQ(
        (std::vector{ValueOf(first, Name::Title), ValueOf(second, Name::Title), ValueOf(third, Name::Title)}),
        (std::vector<QB::UniString>{"Stone walls", "Brick walls", "Stone walls"}));
    // The change was stored at once.
    EXPECT_TRUE(Project().modulData.ContainsKey("ConnectionWithSpecification:spec-1"));
    EXPECT_EQ(virtualType->GetWebDescription(true).properties.Get(Name::Title),
              QB::UniString("Stone walls<dirty>"));

    Project().FindElement(second)->locked = false;
    Model::AssociationResult update;
    Undoable([&] { update = virtualType->UpdateElementProperties(); });
    EXPECT_TRUE(update.issues.IsEmpty());
    EXPECT_EQ(update.elements, (QB::Array<QB::Guid>{second})); // only the one that differed
    EXPECT_FALSE(virtualType->HasDirtyProperties());
    EXPECT_EQ(ValueOf(second, Name::Title), QB::UniString("Stone walls"));

    // An element that cannot even be read is not up to date either, and stays to be updated.
    host.Faults().ForGuid(HostFunction::VNAPI_Element_GetHeader, APIERR_GENERAL, first);
    const Model::AssociationResult unread =
        Associate(*virtualType, Clause("c1", "F10", "Clay walls"), {third});
    EXPECT_EQ(Summarize(unread.issues), (IssueSummary{{100 + UpdateReason::Unknown, {first}}}));
    EXPECT_EQ(virtualType->GetDirtyTesselPropertyNames(), (QB::Array<QB::UniString>{Name::Title}));
    host.Faults().Clear();
    Undoable([&] { update = virtualType->UpdateElementProperties(); });
    EXPECT_EQ(update.elements, (QB::Array<QB::Guid>{first}));
    EXPECT_EQ(ValueOf(first, Name::Title), QB::UniString("Clay walls"));
}

TEST_F(VirtualTypeOverHost, StoredFormReadsBackAsTheSameBytes) {
    const auto virtualType = MakeVirtualType(Clause("c1", "F10"));
    Undoable([&] { virtualType->SetTesselProperties(Clause("c1", "F10", "Stone walls")); });
    Model::VirtualType read(connection.get());
    ExpectStoredFormReadsBack(*virtualType, read);
    EXPECT_EQ(read.ToString(),
              fmt::format("{{ _classificationID: F10, _classificationItemGuid: {}, _virtualTypeId: c1, "
                          "_tesselProperties: {}, _dirtyTesselPropertyNames: [ArdoTesselTitle] }}",
                          itemF10, virtualType->GetTesselProperties()));
}

TEST_F(VirtualTypeOverHost, MergeInOnlyChecksThatBothDescribeTheSameClause) {
    const auto virtualType = MakeVirtualType(Clause("c1", "F10"));
    const auto other = MakeVirtualType(Clause("c1", "G20"));
    const std::string before = virtualType->ToString();
    log.Clear();
    virtualType->MergeIn(*other);
    EXPECT_EQ(virtualType->ToString(), before);
    EXPECT_TRUE(
        log.ContainsPart(spdlog::level::critical,
                         "failed assertion: _classificationID == toMerge._classificationID, *this({"));
    log.Clear();
    virtualType->MergeIn(*virtualType);
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(VirtualTypeOverHost, WebDescriptionAndTextsUseTheClauseProperties) {
    const auto virtualType = MakeVirtualType(Clause("c1", "F10", "Brick walls", "", "B"));
    EXPECT_EQ(virtualType->GetWebDescription(false),
              Api::AssociableType("c1", "Collection of elements",
                                  "Association will be removed from selected VANTREL elements only.",
                                  "VANTREL Virtual Type", virtualType->GetTesselProperties(), nullptr));
    EXPECT_EQ(
        virtualType->ResolveStringVariables("{ArdoTesselSpecificationTitle}: {ArdoTesselPrefix: "
                                            "}{ArdoTesselTitle}{ :ArdoTesselSuffix} ({ArdoTesselCode})"),
        QB::UniString("Spec: Brick walls B (F10)"));
}

TEST(TypedErrorExceptor, RethrowsWhatWasCapturedWithItsType) {
    const auto captured = [](const std::function<void()>& work) {
        Model::TypedErrorExceptor exceptor;
        exceptor.Capture(work);
        return exceptor;
    };
    EXPECT_FALSE(captured([] {}).HasCaptured());
    EXPECT_NO_THROW(captured([] {}).Rethrow());
    EXPECT_THROW(captured([] { throw Api::Error<APIERR_BADID>(); }).Rethrow(), Api::Error<APIERR_BADID>);
    EXPECT_THROW(captured([] { throw Api::ErrorPropertyManagerNoAccessRight(); }).Rethrow(),
                 Api::ErrorPropertyManagerNoAccessRight);
    EXPECT_EQ(WhatOf<Model::Error::MissingProperty>([&] {
                  captured([] { throw Model::Error::MissingProperty("ArdoTesselTitle"); }).Rethrow();
              }),
              "MissingProperty: ArdoTesselTitle");
    EXPECT_EQ(WhatOf<std::runtime_error>([&] { captured([] { throw 42; }).Rethrow(); }),
              "TypedErrorExceptor: unknown");
}

} // namespace
} // namespace TesselConnect::Test
