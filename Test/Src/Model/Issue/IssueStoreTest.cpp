#include "Src/Model/Issue/IssueBuilders.hpp"
#include "Src/Model/NewerRecord.hpp"
#include "Support/LogCapture.hpp"

#include "Model/Error/Errors.hpp"
#include "Model/Issue/Collection.hpp"
#include "Model/Issue/CoudntUpdateProjectOrSpecTitle.hpp"
#include "Model/Issue/MissingClassificationItem.hpp"
#include "Model/Issue/MissingConnectionPart.hpp"
#include "Model/Issue/UnknownError.hpp"
#include "Model/Issue/UnknownKind.hpp"
#include "Util/Error/AddonRuntimeError.hpp"
#include "Vantrel/Api/Error/GeneralError.hpp"

#include <QB/Channel.hpp>
#include <QB/ContainerChannel.hpp>
#include <QB/Time.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace TesselConnect::Test {
namespace {

using Model::Issue::Base;
using Model::Issue::Collection;
using Model::Issue::ElementsAssociation;
using Model::Issue::IssuePtr;
using Model::Issue::MissingConnectionPart;
using Model::Issue::UnknownKind;
using Model::Issue::UpdateElementsProperties;

std::vector<std::byte> Stored(const Base& issue) {
    QB::MemoryOChannel oc;
    EXPECT_EQ(Model::Issue::WriteWithClassId(oc, issue), QB::NoError);
    return oc.TakeData();
}

std::vector<std::byte> Stored(const Collection& collection) {
    QB::MemoryOChannel oc;
    EXPECT_EQ(collection.Write(oc), QB::NoError);
    return oc.TakeData();
}

std::vector<IssuePtr> OneOfEachKind() {
    const Api::Properties properties{{Api::Properties::Name::Code, "F10"},
                                     {Api::Properties::Name::Title, "Brick walls"}};
    const Api::WindowId floorPlan(Api::DatabaseId(1, 0, QB::Guid::Generate()), 2, false);
    return {
        MakeElementIssue<ElementsAssociation>(ElementsAssociation::DisassocOnLockedLayer, NewGuids(3),
                                              "clause-7", floorPlan),
        MakeElementIssue<UpdateElementsProperties>(UpdateElementsProperties::OnInvisibleLayer, NewGuids(2)),
        std::make_shared<Model::Issue::MissingClassificationItem>(properties),
        std::make_shared<Model::Issue::CoudntUpdateProjectOrSpecTitle>("Spec ü", "Project"),
        std::make_shared<Model::Issue::UnknownError>("Issue::Collection read error: unknown"),
        std::make_shared<MissingConnectionPart>(MissingConnectionPart::Part::Property, "ArdoTesselCode"),
    };
}

bool Contains(const std::vector<std::byte>& bytes, const std::vector<std::byte>& part) {
    return std::search(bytes.begin(), bytes.end(), part.begin(), part.end()) != bytes.end();
}

TEST(IssueStore, EveryKindReadsBackAsTheSameBytesAndText) {
    QB::ScopedTimeOverride time(123456);
    for (const IssuePtr& issue : OneOfEachKind()) {
        const std::vector<std::byte> bytes = Stored(*issue);
        QB::MemoryIChannel ic(bytes);
        const std::unique_ptr<Base> read = Model::Issue::CreateAndRead(ic);
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->GetClassInfo(), issue->GetClassInfo());
        EXPECT_EQ(Stored(*read), bytes) << issue->ToString();
        EXPECT_EQ(read->ToString(), issue->ToString());
        // The log shows which issue it is: every kind prints its identity first.
        EXPECT_TRUE(issue->ToString().starts_with("guid: " + issue->GetGuid().ToString() + ", severity: "))
            << issue->ToString();
        EXPECT_EQ(read->GetGuid(), issue->GetGuid());
        EXPECT_EQ(read->GetCreationTime(), 123456);
    }
}

TEST(IssueStore, CollectionWithDeletedTableReadsBackAsTheSameBytes) {
    QB::ScopedTimeOverride time(500);
    Collection collection;
    for (const IssuePtr& issue : OneOfEachKind()) {
        collection.Add(issue);
    }
    auto removed = std::make_shared<Model::Issue::UnknownError>("gone");
    collection.Add(removed);
    collection.Remove(removed);

    const std::vector<std::byte> bytes = Stored(collection);
    Collection read;
    QB::MemoryIChannel ic(bytes);
    EXPECT_EQ(read.Read(ic), QB::NoError);
    EXPECT_EQ(read.GetIssues().GetSize(), 6u);
    EXPECT_EQ(read.GetDeletedIssues().Get(removed->GetGuid()), 500);
    EXPECT_EQ(Stored(read), bytes);
    EXPECT_EQ(read.ToString(), collection.ToString());
}

// A registered class without constructor, and the collection, which is no issue.
TEST(IssueStore, ClassesThatCannotBecomeIssuesRefuseTheRead) {
    struct Case {
        QB::Guid classId;
        const char* text;
    };
    for (const Case& readCase :
         {Case{Model::Issue::ElementsAssociationBase::classInfo.GetId(), "currentClassInfo no contr"},
          Case{Collection::classInfo.GetId(), "Class is not an Model::Issue::Base"}}) {
        QB::MemoryOChannel oc;
        oc.Write(readCase.classId);
        Model::Issue::UnknownError("x").Write(oc);
        QB::MemoryIChannel ic(oc.TakeData());
        try {
            Model::Issue::CreateAndRead(ic);
            FAIL() << readCase.text;
        } catch (const AddonRuntimeError& error) {
            EXPECT_TRUE(std::string_view(error.what()).ends_with(readCase.text)) << error.what();
        }
    }
}

// A newer add-on's issue (a class this add-on does not know, or a newer version of a known one) is
// kept as it was stored, under the identity of its base part, and what follows it still reads.
TEST(IssueStore, IssuesOfANewerAddonAreKeptAsStored) {
    const QB::Guid newerClass("{0b1e2c3d-4f50-4617-8a9b-0c1d2e3f4a5b}");
    const QB::Guid guid = QB::Guid::Generate();
    const struct {
        std::vector<std::byte> stored;
        bool hasBasePart;
    } cases[] = {
        {NewerIssue(newerClass, guid), true},
        {NewerIssue(Model::Issue::UnknownError::classInfo.GetId(), guid, 2), true},
        {NewerIssue(newerClass, std::nullopt), false},
    };
    const std::vector<std::byte> next = Stored(Model::Issue::UnknownError("next"));
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        std::vector<std::byte> bytes = c.stored;
        bytes.insert(bytes.end(), next.begin(), next.end());
        TestSupport::LogCapture log;
        QB::MemoryIChannel ic(bytes);

        const std::unique_ptr<Base> read = Model::Issue::CreateAndRead(ic);
        const auto* kept = dynamic_cast<const UnknownKind*>(read.get());
        ASSERT_NE(kept, nullptr);
        EXPECT_EQ(Stored(*kept), c.stored);
        EXPECT_FALSE(kept->IsFixable());
        EXPECT_FALSE(kept->IsEmpty());
        if (c.hasBasePart) {
            EXPECT_EQ(kept->GetGuid(), guid);
            EXPECT_EQ(kept->GetCreationTime(), 700);
            EXPECT_EQ(kept->GetSeverity(), Model::Issue::Severity::Warning);
        } else {
            // Every copy of the record names it alike.
            QB::MemoryIChannel again(c.stored);
            EXPECT_FALSE(kept->GetGuid().IsNull());
            EXPECT_EQ(Model::Issue::CreateAndRead(again)->GetGuid(), kept->GetGuid());
        }
        EXPECT_TRUE(log.ContainsPart(spdlog::level::warn, "is kept as it was stored: " + kept->ToString()));
        const std::unique_ptr<Base> following = Model::Issue::CreateAndRead(ic);
        EXPECT_EQ(Stored(*following), next);
        EXPECT_EQ(ic.GetRemaining(), 0u);
    }
}

// Bytes of another byte order cannot be carried into this platform's record: the issue goes on as
// an internal error of the same identity.
TEST(IssueStore, ANewerAddonsIssueOfAnotherByteOrderIsStoredAsAnInternalError) {
    const QB::Guid guid = QB::Guid::Generate();
    const std::vector<std::byte> bytes =
        NewerIssue(QB::Guid("{0b1e2c3d-4f50-4617-8a9b-0c1d2e3f4a5b}"), guid, 1, QB::Protocol::BigEndian);
    QB::MemoryIChannel ic(bytes, QB::Protocol::BigEndian);
    const std::unique_ptr<Base> read = Model::Issue::CreateAndRead(ic);
    ASSERT_NE(dynamic_cast<const UnknownKind*>(read.get()), nullptr);
    EXPECT_EQ(read->GetGuid(), guid);

    TestSupport::LogCapture log;
    const std::vector<std::byte> stored = Stored(*read);
    QB::MemoryIChannel back(stored);
    const std::unique_ptr<Base> standIn = Model::Issue::CreateAndRead(back);
    const auto* error = dynamic_cast<const Model::Issue::UnknownError*>(standIn.get());
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->GetGuid(), guid);
    EXPECT_EQ(error->GetCreationTime(), 700);
    EXPECT_EQ(error->GetHint().ToUtf8(), "Issue of unknown class 0B1E2C3D-4F50-4617-8A9B-0C1D2E3F4A5B");
    EXPECT_TRUE(
        log.ContainsPart(spdlog::level::warn, "read in another byte order is stored as an internal error"));
}

// A collection holding a newer add-on's issue between two of its own stores it byte for byte, with
// its removal records; merging takes it once, and once removed it stays removed.
TEST(IssueStore, ACollectionKeepsANewerAddonsIssueThroughStoreAndMerge) {
    QB::ScopedTimeOverride time(900);
    const QB::Guid newerGuid = QB::Guid::Generate();
    const std::vector<std::byte> newer =
        NewerIssue(QB::Guid("{0b1e2c3d-4f50-4617-8a9b-0c1d2e3f4a5b}"), newerGuid);
    QB::MemoryOChannel body;
    body.Write(QB::UInt32{3});
    body.WriteBytes(Stored(Model::Issue::UnknownError("first")));
    body.WriteBytes(newer);
    body.WriteBytes(Stored(Model::Issue::UnknownError("last")));
    const QB::Guid removedGuid = QB::Guid::Generate();
    QB::HashTable<QB::Guid, QB::Int32> removed;
    removed.Put(removedGuid, 42);
    QB::WriteHashTable(body, removed);
    const std::vector<std::byte> bytes = FrameOf(Collection::classInfo.GetId(), 1, body.GetData());

    Collection read;
    QB::MemoryIChannel ic(bytes);
    ASSERT_EQ(read.Read(ic), QB::NoError);
    ASSERT_EQ(read.GetIssues().GetSize(), 3u);
    EXPECT_EQ(Stored(read), bytes);

    Collection merged;
    EXPECT_TRUE(merged.MergeIn(read));
    EXPECT_FALSE(merged.MergeIn(read));
    EXPECT_EQ(Stored(merged), bytes);

    merged.Remove(merged.GetIssues()[1]);
    EXPECT_EQ(merged.GetDeletedIssues().Get(newerGuid), 900);
    merged.MergeIn(read);
    EXPECT_EQ(merged.GetIssues().GetSize(), 2u);
    EXPECT_EQ(merged.GetDeletedIssues().Get(removedGuid), 42);
    EXPECT_FALSE(Contains(Stored(merged), newer));
}

// The missing connection part is stored as an internal error that readers knowing only the
// original kinds read whole: hint and base part in a frame of main version 1, the part appended in
// a newer minor version that they skip. This add-on reads it back as what it is, and still reads
// the form earlier builds stored.
TEST(IssueStore, AMissingConnectionPartIsStoredAsAKindEveryReaderKnows) {
    QB::ScopedTimeOverride time(321);
    const MissingConnectionPart issue(MissingConnectionPart::Part::Property, "ArdoTesselCode");
    const std::vector<std::byte> bytes = Stored(issue);

    QB::MemoryIChannel original(bytes);
    QB::Guid classId;
    original.Read(classId);
    EXPECT_EQ(classId, Model::Issue::UnknownError::classInfo.GetId());
    {
        QB::InputFrame frame(original, Model::Issue::UnknownError::classInfo);
        EXPECT_EQ(frame.GetMainVersion(), 1);
        QB::UniString hint;
        original.Read(hint);
        EXPECT_EQ(hint.ToUtf8(), "MissingProperty: ArdoTesselCode");
        QB::InputFrame base(original, Base::classInfo);
        QB::Guid guid;
        original.Read(guid);
        EXPECT_EQ(guid, issue.GetGuid());
    }
    EXPECT_EQ(original.GetStatus(), QB::NoError);
    EXPECT_EQ(original.GetRemaining(), 0u);

    QB::MemoryOChannel earlier;
    earlier.Write(MissingConnectionPart::classInfo.GetId());
    issue.Write(earlier);
    for (const std::vector<std::byte>& form : {bytes, earlier.TakeData()}) {
        QB::MemoryIChannel ic(form);
        const std::unique_ptr<Base> read = Model::Issue::CreateAndRead(ic);
        const auto* part = dynamic_cast<const MissingConnectionPart*>(read.get());
        ASSERT_NE(part, nullptr);
        EXPECT_EQ(part->GetPart(), MissingConnectionPart::Part::Property);
        EXPECT_EQ(part->GetPropertyName().ToUtf8(), "ArdoTesselCode");
        EXPECT_EQ(part->ToString(), issue.ToString());
        EXPECT_EQ(Stored(*part), bytes);
    }
}

TEST(IssueStore, TruncatedIssueThrowsTheHostErrorOfTheChannel) {
    const std::vector<std::byte> bytes = Stored(*OneOfEachKind()[0]);
    QB::MemoryIChannel ic(bytes.data(), bytes.size() - 3);
    EXPECT_THROW(Model::Issue::CreateAndRead(ic), Api::GeneralError);
}

} // namespace
} // namespace TesselConnect::Test
