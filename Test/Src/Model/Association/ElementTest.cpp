#include "Src/Model/Connection/ConnectionFixture.hpp"

#include "Model/Element.hpp"
#include "Model/ElementType.hpp"
#include "Model/SelectionCache.hpp"

#include <VantrelSim/HostFunction.hpp>

#include <tuple>

namespace TesselConnect::Test {
namespace {

using Usability = Model::Element::Usability;
using VantrelSim::HostFunction;

class ElementOverHost : public ConnectionFixture {
protected:
    Usability UsabilityOf(const QB::Guid& guid) {
        return Model::Element(*vantrel, guid).GetUsability(*vantrel);
    }
    QB::UniString TypeNameOf(const QB::Guid& guid) {
        return Model::Element(*vantrel, guid).GetTypeName(*vantrel);
    }

    void ShareWithOtherHolding(const QB::Guid& element) {
        VantrelSim::ProjectBuilder(Project()).Share({{1, "me"}, {2, "other"}}, 1);
        host.ReserveElements({element}, 2);
    }
};

TEST_F(ElementOverHost, UsabilityFollowsTheElementsStateAndType) {
    const QB::Guid mainObject = AddElement({.type = API_ObjectID});
    const QB::Guid site = VantrelSim::ProjectBuilder(Project()).AddHotlink("Site");
    const struct Case {
        VantrelSim::ElementSpec spec;
        Usability usability;
        bool usableForAssociation;
    } cases[] = {
        {{.type = API_WallID}, Usability::Editable, true},
        {{.type = API_WallID, .layer = hiddenLayer, .locked = true}, Usability::OnInvisibleLayer, true},
        {{.type = API_WallID, .layer = lockedLayer}, Usability::OnLockedLayer, true},
        {{.type = API_WallID, .locked = true}, Usability::ElementLocked, true},
        // Visible and unlocked, yet part of a placed hotlink.
        {{.type = API_WallID, .hotlink = site}, Usability::NotClassifyableHotlink, false},
        {{.type = API_DoorID, .variation = APIVarId_Generic}, Usability::NotClassifyableByAddon, false},
        {{.type = API_DoorID, .variation = APIVarId_Door}, Usability::Editable, true},
        {{.type = API_ObjectID, .owner = mainObject}, Usability::Editable, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        const QB::Guid element = AddElement(c.spec);
        EXPECT_EQ(UsabilityOf(element), c.usability);
        EXPECT_EQ(Model::Element(*vantrel, element).IsUsableForAssociation(*vantrel), c.usableForAssociation);
    }
    EXPECT_EQ(UsabilityOf(mainObject), Usability::NotClassifyableByAddon);

    const QB::Guid single = AddElement({.type = API_ObjectID});
    EXPECT_EQ(UsabilityOf(single), Usability::Editable);
    Project().FindElement(single)->unknownHierarchy = true;
    log.Clear();
    EXPECT_EQ(UsabilityOf(single), Usability::NotClassifyableByAddon);
    EXPECT_TRUE(log.Contains(spdlog::level::err, fmt::format("API_UnknownElemType :{}", single)));

    Project().FindElement(single)->unknownHierarchy = false;
    ShareWithOtherHolding(single);
    EXPECT_EQ(UsabilityOf(single), Usability::NotInMyWorkspace);
    EXPECT_TRUE(Model::Element(*vantrel, single).IsUsableForAssociation(*vantrel));
}

TEST_F(ElementOverHost, ASectionElementStandsForTheModelElementItShows) {
    const QB::Guid wall = AddElement({.type = API_WallID, .layer = lockedLayer});
    const QB::Guid section = AddElement({.type = API_SectionElemID, .sectionParent = wall});
    const Model::Element element(*vantrel, section);
    EXPECT_EQ(element.GetGuid(), wall);
    EXPECT_EQ(element.GetType(), (Model::ElementType{API_WallID, APIVarId_Generic}));
    EXPECT_EQ(element.GetUsability(*vantrel), Usability::OnLockedLayer);

    Project().DeleteElement(wall);
    Project().DeleteElement(section);
    EXPECT_THROW(Model::Element(*vantrel, section), Api::Error<APIERR_BADID>);
}

TEST_F(ElementOverHost, TypeTableNamesEveryClassifiableType) {
    const QB::Array<Model::ElementType>& types = Model::ElementTypeTable::GetTypes();
    // (How many types and kinds there are, the cache's rebuild counts.)
    ASSERT_EQ(types.GetSize(), 48U);
    std::vector<std::string> names;
    for (const Model::ElementType& type : types) {
        names.push_back(vantrel->GetResourceString(*Model::ElementTypeTable::FindName(type)).ToUtf8());
    }
    EXPECT_EQ((std::vector{names[5], names[8], names[13], names[21], names[22], names[44], names[47]}),
              (std::vector<std::string>{"Wall End", "Lamp", "Curtain Wall", "Morph", "Stair",
                                        "Railing End Finish", "Opening"}));

    EXPECT_EQ(TypeNameOf(AddElement({.type = API_WindowID, .variation = APIVarId_WallEnd})),
              QB::UniString("Wall End"));
    EXPECT_EQ(TypeNameOf(AddElement({.type = API_ObjectID})), QB::UniString("Object"));
    log.Clear();
    EXPECT_EQ(TypeNameOf(AddElement({.type = API_DoorID})), QB::UniString("<unknown type>"));
    EXPECT_TRUE(
        log.Contains(spdlog::level::err, "failed assertion: variations->Get(this->variationID, &tup)"));
    EXPECT_EQ(TypeNameOf(AddElement({.type = API_SectionElemID})), QB::UniString("<unknown type>"));
    EXPECT_TRUE(log.Contains(spdlog::level::err,
                             "failed assertion: _GetTypeContainer().Get( this->typeID, &variations)"));
}

// The simulated host names a single or main element as its own direct owner; a host may name
// another element, which is then selected with it.
struct OwnerAnswer {
    static inline VNAPI_GoodiesFunc* forward = nullptr;
    static inline QB::Guid element;
    static inline QB::Guid owner;

    static VNAPI_ErrCode Goodies(VNAPI_Token token, API_RequestCode code, void* par1, void* par2,
                                 void* par3) {
        const VNAPI_ErrCode result = forward(token, code, par1, par2, par3);
        if (result == NoError && code == APIReq_HierarchicalOwner &&
            APIGuid2QBGuid(*static_cast<const API_Guid*>(par1)) == element) {
            static_cast<API_HierarchicalOwnerInfo*>(par3)->ownerGuid = QBGuid2APIGuid(owner);
        }
        return result;
    }
};

TEST_F(ElementOverHost, SelectAddsOwnersAndLeavesOutDeletedElements) {
    const QB::Guid stair = AddElement({.type = API_StairID});
    const QB::Guid tread = AddElement({.type = API_StairTreadID, .owner = stair});
    const QB::Guid wall = AddWall();
    const QB::Guid gone = AddWall();
    Project().DeleteElement(gone);

    log.Clear();
    Model::Element::Select(*vantrel, {wall, gone, tread, wall});
    // A part is selected as it is; a repeated element is selected once.
    EXPECT_EQ(host.SelectedElements(), (std::vector<QB::Guid>{wall, tread}));
    EXPECT_FALSE(log.ContainsPart(spdlog::level::err, "API_UnknownElemType")); // a part's kind is known
    EXPECT_TRUE(
        log.ContainsPart(spdlog::level::debug, fmt::format(": Element was deleted meanwhile: {}", gone)));

    VNAPI_FunctionTable table = host.FunctionTable();
    OwnerAnswer::forward = table.VNAPI_Goodies;
    OwnerAnswer::element = wall;
    OwnerAnswer::owner = stair;
    table.VNAPI_Goodies = &OwnerAnswer::Goodies;
    Implementation::HostFunctions::Set(table);
    Model::Element::Select(*vantrel, {wall});
    Implementation::HostFunctions::Set(host.FunctionTable());
    EXPECT_EQ(host.SelectedElements(), (std::vector<QB::Guid>{wall, stair}));
}

TEST_F(ElementOverHost, SelectionCacheCountersDescribeWhatIsNotListed) {
    Model::SelectionCache cache;
    EXPECT_FALSE(cache.Update(*vantrel)); // nothing selected before or now

    const QB::Guid wall = AddWall();
    const QB::Guid hotlinked =
        AddElement({.type = API_WallID, .hotlink = VantrelSim::ProjectBuilder(Project()).AddHotlink("Site")});
    const QB::Guid unreadable = AddWall();
    const QB::Guid door = AddElement({.type = API_DoorID});
    const QB::Guid locked = AddElement({.type = API_WallID, .locked = true});
    const QB::Guid shownWall = AddWall();
    const QB::Guid section = AddElement({.type = API_SectionElemID, .sectionParent = shownWall});
    host.SetSelection({wall, hotlinked, unreadable, door, locked, section});
    host.Faults().ForGuid(HostFunction::VNAPI_Element_GetHeader, APIERR_GENERAL, unreadable);

    log.Clear();
    EXPECT_TRUE(cache.Update(*vantrel));
    EXPECT_EQ(cache.GetElements(), (QB::Array<QB::Guid>{wall, hotlinked, locked, shownWall}));
    // (not editable, hotlinked, skipped)
    EXPECT_EQ(std::tuple(cache.GetNotEditableCount(), cache.GetHotlinkCount(), cache.GetSkippedCount()),
              std::tuple(2U, 1U, 2U));
    EXPECT_TRUE(log.ContainsPart(spdlog::level::err, "; neigs[i]: {"));

    host.SetSelection({});
    EXPECT_TRUE(cache.Update(*vantrel)); // a change: the selection became empty
    EXPECT_TRUE(cache.GetElements().IsEmpty());
    EXPECT_EQ(cache.GetNotEditableCount() + cache.GetHotlinkCount() + cache.GetSkippedCount(), 0U);
    EXPECT_FALSE(cache.Update(*vantrel));
}

} // namespace
} // namespace TesselConnect::Test
