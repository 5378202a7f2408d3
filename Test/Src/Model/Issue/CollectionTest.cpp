#include "Src/Model/Issue/IssueBuilders.hpp"
#include "Src/Model/Issue/IssueProject.hpp"
#include "Support/LogCapture.hpp"

#include "Model/Issue/Collection.hpp"
#include "Model/Issue/CoudntUpdateProjectOrSpecTitle.hpp"
#include "Model/Issue/ElementsAssociationIssueSet.hpp"
#include "Model/Issue/MissingClassificationItem.hpp"
#include "Model/Issue/UnknownError.hpp"

#include <QB/ContainerChannel.hpp>
#include <QB/Time.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace TesselConnect::Test {
namespace {

using Model::Issue::Collection;
using Model::Issue::ElementsAssociation;
using Model::Issue::IssuePtr;
using Model::Issue::Issues;
using Model::Issue::UpdateElementsProperties;

TEST(IssueSet, TwoFailureReasonsGiveTwoIssuesOfOneElementEach) {
    const QB::Array<QB::Guid> elements = NewGuids(3);
    Model::Issue::ElementsAssociationIssueSet set("clause-1", Api::WindowId());
    set.Record(ElementsAssociation::AssocIsHotlink, elements[0]);
    set.Record(ElementsAssociation::AssocLockedElement, elements[1]);
    set.Record(ElementsAssociation::AssocIsHotlink, elements[2]);

    EXPECT_EQ(Summarize(set.GetIssues()),
              (IssueSummary{{ElementsAssociation::AssocIsHotlink, {elements[0], elements[2]}},
                            {ElementsAssociation::AssocLockedElement, {elements[1]}}}));
    EXPECT_EQ(set.GetIssues()[0]->GetSeverity(), Model::Issue::Severity::Warning);
    EXPECT_EQ(dynamic_cast<const ElementsAssociation&>(*set.GetIssues()[0]).GetTargetVirtualType(),
              "clause-1");
}

TEST(IssueSeverity, FollowsTheReason) {
    using Model::Issue::Severity::Error;
    using Model::Issue::Severity::Warning;
    EXPECT_EQ(ElementsAssociation::SeverityOf(ElementsAssociation::AssocUnknown), Error);
    EXPECT_EQ(ElementsAssociation::SeverityOf(ElementsAssociation::DisassocUnknown), Error);
    for (QB::Int32 reason = 3; reason <= 12; ++reason) {
        EXPECT_EQ(ElementsAssociation::SeverityOf(reason), Warning) << reason;
    }
    EXPECT_EQ(UpdateElementsProperties::SeverityOf(UpdateElementsProperties::Unknown), Error);
    for (QB::Int32 reason = 2; reason <= 5; ++reason) {
        EXPECT_EQ(UpdateElementsProperties::SeverityOf(reason), Warning) << reason;
    }
    EXPECT_EQ(Model::Issue::MissingClassificationItem(Api::Properties()).GetSeverity(), Error);
    EXPECT_EQ(Model::Issue::CoudntUpdateProjectOrSpecTitle("a", "b").GetSeverity(), Warning);
    EXPECT_EQ(Model::Issue::UnknownError("x").GetSeverity(), Error);
}

class CollectionAdd : public ::testing::Test {
protected:
    QB::ScopedTimeOverride _time{1000};
    Collection _collection;
    QB::Array<QB::Guid> _elements = NewGuids(4);
};

TEST_F(CollectionAdd, NewerIssueStripsOlderAndAnEmptiedOlderIssueDisappears) {
    auto older = MakeElementIssue<ElementsAssociation>(ElementsAssociation::AssocLockedElement,
                                                       {_elements[0], _elements[1]});
    auto partlyOlder = MakeElementIssue<UpdateElementsProperties>(UpdateElementsProperties::LockedElement,
                                                                  {_elements[2], _elements[3]});
    _collection.Add(older);
    _collection.Add(partlyOlder);
    _time.Advance(5);

    // Another reason and another kind: association issues strip every older elements issue.
    auto newer = MakeElementIssue<ElementsAssociation>(ElementsAssociation::AssocNoSyncworkRight,
                                                       {_elements[0], _elements[1], _elements[2]});
    EXPECT_TRUE(_collection.Add(newer));

    EXPECT_EQ(_collection.GetIssues(), (Issues{partlyOlder, newer}));
    EXPECT_EQ(partlyOlder->GetErroredElements(), (QB::Array<QB::Guid>{_elements[3]}));
    // Nothing left to strip, or merging with itself, changes nothing.
    const Model::Issue::ChangeResult unchanged{.isEmpty = false, .changed = false};
    EXPECT_EQ(newer->Merge(*partlyOlder), unchanged);
    EXPECT_EQ(newer->Merge(*newer), unchanged);

    // An older issue that a refresh has emptied meanwhile is reported empty, whichever kind merges.
    const Model::Issue::ChangeResult emptied{.isEmpty = true, .changed = false};
    EXPECT_EQ(newer->Merge(*older), emptied);
    EXPECT_EQ(MakeElementIssue<UpdateElementsProperties>(UpdateElementsProperties::Unknown, {_elements[0]})
                  ->Merge(*older),
              emptied);
}

TEST_F(CollectionAdd, PropertyUpdateIssuesStripOnlyPropertyUpdateIssues) {
    auto association =
        MakeElementIssue<ElementsAssociation>(ElementsAssociation::AssocLockedElement, {_elements[0]});
    auto update =
        MakeElementIssue<UpdateElementsProperties>(UpdateElementsProperties::Unknown, {_elements[0]});
    _collection.Add(association);
    _collection.Add(update);
    _time.Advance(1);
    _collection.Add(
        MakeElementIssue<UpdateElementsProperties>(UpdateElementsProperties::OnLockedLayer, {_elements[0]}));

    ASSERT_EQ(_collection.GetIssues().GetSize(), 2u);
    EXPECT_EQ(_collection.GetIssues()[0], association);
    EXPECT_EQ(association->GetErroredElements().GetSize(), 1u);
}

TEST_F(CollectionAdd, OlderIssueAddedAfterAMergeIsStrippedByTheNewerOne) {
    auto olderFromOtherUser = MakeElementIssue<ElementsAssociation>(ElementsAssociation::AssocLockedElement,
                                                                    {_elements[0], _elements[1]});
    auto olderCovered =
        MakeElementIssue<ElementsAssociation>(ElementsAssociation::AssocOnLockedLayer, {_elements[2]});
    _time.Advance(10);
    auto newer = MakeElementIssue<ElementsAssociation>(ElementsAssociation::AssocNoSyncworkRight,
                                                       {_elements[1], _elements[2]});
    _collection.Add(newer);

    EXPECT_TRUE(_collection.Add(olderFromOtherUser));
    EXPECT_FALSE(_collection.Add(olderCovered));

    EXPECT_EQ(_collection.GetIssues(), (Issues{newer, olderFromOtherUser}));
    EXPECT_EQ(olderFromOtherUser->GetErroredElements(), (QB::Array<QB::Guid>{_elements[0]}));
    EXPECT_EQ(newer->GetErroredElements().GetSize(), 2u);
}

TEST_F(CollectionAdd, ProjectIssuesSupersedeTheirOlderTwins) {
    const Api::Properties f10{{Api::Properties::Name::Code, "F10"}};
    const Api::Properties g20{{Api::Properties::Name::Code, "G20"}};
    auto firstF10 = std::make_shared<Model::Issue::MissingClassificationItem>(f10);
    auto g20Issue = std::make_shared<Model::Issue::MissingClassificationItem>(g20);
    auto oldTitles = std::make_shared<Model::Issue::CoudntUpdateProjectOrSpecTitle>("Spec", "Project");
    auto hintA = std::make_shared<Model::Issue::UnknownError>("a");
    auto hintB = std::make_shared<Model::Issue::UnknownError>("b");
    Issues all{firstF10, g20Issue, oldTitles, hintA, hintB};
    EXPECT_TRUE(_collection.AddAll(all));
    EXPECT_TRUE(all.IsEmpty());

    auto secondF10 = std::make_shared<Model::Issue::MissingClassificationItem>(f10);
    auto newTitles = std::make_shared<Model::Issue::CoudntUpdateProjectOrSpecTitle>("Spec 2", "Project");
    auto hintA2 = std::make_shared<Model::Issue::UnknownError>("a");
    Issues newer{secondF10, newTitles, hintA2};
    _collection.AddAll(newer);

    EXPECT_EQ(_collection.GetIssues(), (Issues{g20Issue, hintB, secondF10, newTitles, hintA2}));
    EXPECT_EQ(_collection.GetIssuesOfType<Model::Issue::CoudntUpdateProjectOrSpecTitle>(),
              (Issues{newTitles}));
}

TEST_F(CollectionAdd, RemovalIsRememberedAndPrunedToTheNewestAtTheLimit) {
    std::vector<QB::Guid> removed;
    for (QB::USize i = 0; i + 1 < Collection::DeletedEntriesLimit; ++i) {
        auto issue =
            std::make_shared<Model::Issue::UnknownError>(QB::ValueToUniString(static_cast<QB::UInt64>(i)));
        _collection.Add(issue);
        _collection.Remove(issue);
        removed.push_back(issue->GetGuid());
        // Two removals share each second, and the limit falls between two of them.
        if (i % 2 == 0) {
            _time.Advance(1);
        }
    }
    EXPECT_EQ(_collection.GetDeletedIssues().GetSize(), Collection::DeletedEntriesLimit - 1);
    EXPECT_TRUE(_collection.GetIssues().IsEmpty());

    auto last = std::make_shared<Model::Issue::UnknownError>("last");
    _collection.Add(last);
    _collection.Remove(last);
    removed.push_back(last->GetGuid());

    // The newest are kept, still in the order they were removed in.
    std::vector<QB::Guid> kept;
    for (const auto& [guid, time] : _collection.GetDeletedIssues()) {
        kept.push_back(guid);
    }
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(),
                           removed.end() - static_cast<std::ptrdiff_t>(Collection::KeptDeletedEntries),
                           removed.end()));
}

TEST_F(CollectionAdd, EmptyInputsAndRemovingAnEqualButDifferentObjectChangeNothing) {
    Issues none;
    EXPECT_FALSE(_collection.AddAll(none));
    EXPECT_FALSE(
        _collection.Add(MakeElementIssue<ElementsAssociation>(ElementsAssociation::AssocUnknown, {})));
    EXPECT_TRUE(_collection.GetIssues().IsEmpty());
    auto issue = std::make_shared<Model::Issue::UnknownError>("x");
    _collection.Add(issue);
    _collection.Remove(IssuePtr(issue->CloneIssue()));
    EXPECT_EQ(_collection.GetIssues().GetSize(), 1u);
    EXPECT_TRUE(_collection.GetDeletedIssues().IsEmpty());
}

class CollectionInProject : public IssueProject {};

// Another user's collection: their new issues come over once, without deleted elements, and an
// issue removed on one side never comes back through a merge.
TEST_F(CollectionInProject, MergeTakesNewIssuesOnceAndKeepsRemovedOnesOut) {
    Collection mine(connection.get());
    Collection theirs(connection.get());
    auto shared = MakeElementIssue<ElementsAssociation>(ElementsAssociation::AssocLockedElement, {walls[1]});
    mine.Add(shared);
    theirs.Add(IssuePtr(shared->CloneIssue()));
    auto onlyTheirs = MakeElementIssue<UpdateElementsProperties>(UpdateElementsProperties::LockedElement,
                                                                 {walls[2], walls[3]});
    theirs.Add(onlyTheirs);
    // Issues that only come over are a change by themselves.
    Collection empty(connection.get());
    EXPECT_TRUE(empty.MergeIn(theirs));
    host.DeleteElement(walls[3]);

    EXPECT_TRUE(mine.MergeIn(theirs));

    EXPECT_EQ(mine.GetIssues(), (Issues{shared, onlyTheirs}));
    EXPECT_EQ(onlyTheirs->GetErroredElements(), (QB::Array<QB::Guid>{walls[2]}));

    mine.Remove(shared);
    EXPECT_FALSE(mine.MergeIn(theirs));
    EXPECT_EQ(mine.GetIssues(), (Issues{onlyTheirs}));
    // And the other way round: the removal travels with the merge.
    EXPECT_TRUE(theirs.MergeIn(mine));
    EXPECT_EQ(theirs.GetIssues(), (Issues{onlyTheirs}));
    EXPECT_TRUE(theirs.GetDeletedIssues().ContainsKey(shared->GetGuid()));
}

// The exchange of a shared project: this user merges the other's record, then the other user merges
// the result into their own. Both must then store the same bytes, whichever side listed what first.
TEST_F(CollectionInProject, MergingBothWaysGivesBothUsersTheSameRecord) {
    const QB::ScopedTimeOverride sameSecond(1000);
    const auto stored = [](const Collection& collection) {
        QB::MemoryOChannel oc;
        EXPECT_EQ(collection.Write(oc), QB::NoError);
        return oc.TakeData();
    };
    const auto readBack = [&](const std::vector<std::byte>& bytes) {
        Collection copy(connection.get());
        QB::MemoryIChannel ic(bytes);
        EXPECT_EQ(copy.Read(ic), QB::NoError);
        return copy;
    };
    Collection mine(connection.get());
    Collection theirs(connection.get());
    for (Collection* side : {&mine, &theirs}) {
        auto removed = std::make_shared<Model::Issue::UnknownError>("removed");
        side->Add(removed);
        side->Remove(removed);
        side->Add(MakeElementIssue<ElementsAssociation>(ElementsAssociation::AssocLockedElement,
                                                        {side == &mine ? walls[1] : walls[2]}));
    }
    mine.AddUnknownError("only mine");

    Collection mergedHere = readBack(stored(mine));
    EXPECT_TRUE(mergedHere.MergeIn(readBack(stored(theirs))));
    Collection mergedThere = readBack(stored(theirs));
    EXPECT_TRUE(mergedThere.MergeIn(readBack(stored(mergedHere))));

    EXPECT_EQ(mergedHere.GetIssues().GetSize(), 3u);
    EXPECT_EQ(mergedHere.GetDeletedIssues().GetSize(), 2u);
    EXPECT_EQ(stored(mergedThere), stored(mergedHere));
}

// A damaged record lists one identity twice: an issue here supersedes the first entry, and the
// second, of another kind of failure, stays.
TEST_F(CollectionInProject, MergeKeepsBothEntriesOfAnIdentityTheOtherRecordListsTwice) {
    const QB::ScopedTimeOverride first(100);
    auto older = std::make_shared<Model::Issue::UnknownError>("superseded");
    const QB::ScopedTimeOverride second(300);
    auto sameIdentity = std::make_shared<Model::Issue::UnknownError>(*older, "kept");
    Collection theirs(connection.get());
    theirs.Add(older);
    theirs.Add(sameIdentity);
    ASSERT_EQ(theirs.GetIssues(), (Issues{older, sameIdentity}));
    const QB::ScopedTimeOverride third(200);
    auto newer = std::make_shared<Model::Issue::UnknownError>("superseded");
    Collection mine(connection.get());
    mine.Add(newer);

    EXPECT_TRUE(mine.MergeIn(theirs));

    EXPECT_EQ(mine.GetIssues(), (Issues{sameIdentity, newer}));
}

// Removal records that reach the limit only together, through a merge, are cut there too.
TEST_F(CollectionInProject, MergeCutsTheRemovalRecordsAtTheLimit) {
    Collection mine(connection.get());
    Collection theirs(connection.get());
    for (QB::USize i = 0; i < Collection::DeletedEntriesLimit; ++i) {
        Collection& side = i % 2 == 0 ? mine : theirs;
        auto issue =
            std::make_shared<Model::Issue::UnknownError>(QB::ValueToUniString(static_cast<QB::UInt64>(i)));
        side.Add(issue);
        side.Remove(issue);
    }
    EXPECT_TRUE(mine.MergeIn(theirs));
    EXPECT_EQ(mine.GetDeletedIssues().GetSize(), Collection::KeptDeletedEntries);
}

TEST_F(CollectionInProject, RefreshForgetsSucceededElementsAndRemovesEmptiedIssues) {
    Collection collection(connection.get());
    auto a =
        MakeElementIssue<ElementsAssociation>(ElementsAssociation::AssocLockedElement, {walls[1], walls[2]});
    auto b = MakeElementIssue<ElementsAssociation>(ElementsAssociation::AssocOnLockedLayer, {walls[3]});
    collection.Add(a);
    collection.Add(b);

    log.Clear();
    EXPECT_TRUE(collection.Refresh({walls[2], walls[3]}));
    EXPECT_EQ(collection.GetIssues(), (Issues{a}));
    EXPECT_EQ(a->GetErroredElements(), (QB::Array<QB::Guid>{walls[1]}));
    EXPECT_TRUE(
        log.Contains(spdlog::level::trace,
                     fmt::format("ElementsAssociationBase: element({}) was removed becaus it is deleted "
                                 "or not relevant",
                                 walls[3])));
    EXPECT_FALSE(collection.Refresh({}));
}

} // namespace
} // namespace TesselConnect::Test
