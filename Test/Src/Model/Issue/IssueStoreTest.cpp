#include "Src/Model/Issue/IssueBuilders.hpp"
#include "Support/LogCapture.hpp"

#include "Model/Error/Errors.hpp"
#include "Model/Issue/Collection.hpp"
#include "Model/Issue/CoudntUpdateProjectOrSpecTitle.hpp"
#include "Model/Issue/MissingClassificationItem.hpp"
#include "Model/Issue/UnknownError.hpp"
#include "Util/Error/AddonRuntimeError.hpp"
#include "Vantrel/Api/Error/GeneralError.hpp"

#include <QB/Channel.hpp>
#include <QB/Time.hpp>

#include <gtest/gtest.h>

#include <vector>

namespace TesselConnect::Test {
namespace {

using Model::Issue::Base;
using Model::Issue::Collection;
using Model::Issue::ElementsAssociation;
using Model::Issue::IssuePtr;
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
    };
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
    EXPECT_EQ(read.GetIssues().GetSize(), 5u);
    EXPECT_EQ(read.GetDeletedIssues().Get(removed->GetGuid()), 500);
    EXPECT_EQ(Stored(read), bytes);
    EXPECT_EQ(read.ToString(), collection.ToString());
}

// An unknown class, a registered class without constructor, and the collection, which is no issue.
TEST(IssueStore, ClassesThatCannotBecomeIssuesRefuseTheRead) {
    struct Case {
        QB::Guid classId;
        const char* text;
    };
    const QB::Guid unknownClass = QB::Guid::Generate();
    for (const Case& readCase :
         {Case{unknownClass, ": error: currentClassInfo is null"},
          Case{Model::Issue::ElementsAssociationBase::classInfo.GetId(), "currentClassInfo no contr"},
          Case{Collection::classInfo.GetId(), "Class is not an Model::Issue::Base"}}) {
        QB::MemoryOChannel oc;
        oc.Write(readCase.classId);
        QB::MemoryIChannel ic(oc.TakeData());
        TestSupport::LogCapture log;
        try {
            Model::Issue::CreateAndRead(ic);
            FAIL() << readCase.text;
        } catch (const AddonRuntimeError& error) {
            EXPECT_TRUE(std::string_view(error.what()).ends_with(readCase.text)) << error.what();
        }
        EXPECT_EQ(log.Contains(spdlog::level::critical,
                               fmt::format("failed assertion: currentClassInfo != nullptr, classId({})",
                                           unknownClass)),
                  readCase.classId == unknownClass);
    }
}

TEST(IssueStore, TruncatedIssueThrowsTheHostErrorOfTheChannel) {
    const std::vector<std::byte> bytes = Stored(*OneOfEachKind()[0]);
    QB::MemoryIChannel ic(bytes.data(), bytes.size() - 3);
    EXPECT_THROW(Model::Issue::CreateAndRead(ic), Api::GeneralError);
}

TEST(IssueStore, NewerMainVersionIsRefused) {
    std::vector<std::byte> bytes = Stored(Model::Issue::UnknownError("x"));
    // Main version of the outermost frame, after the class guid written for the registry and the
    // frame's own class guid; little-endian on this platform.
    bytes[16 + 16] = std::byte{2};
    QB::MemoryIChannel ic(bytes);
    EXPECT_THROW(Model::Issue::CreateAndRead(ic), Model::Error::VersionIncompatibility);
}

} // namespace
} // namespace TesselConnect::Test
