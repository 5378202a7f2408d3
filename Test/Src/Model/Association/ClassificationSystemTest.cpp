#include "Src/Model/Connection/ConnectionFixture.hpp"

#include "Model/ClassificationSystem.hpp"
#include "Model/Error/Errors.hpp"

namespace TesselConnect::Test {
namespace {

class ClassificationSystemOverHost : public ConnectionFixture {
protected:
    ClassificationSystemOverHost() { Connect(); }
    Model::ClassificationSystem System() { return {connection.get(), systemGuid}; }
};

TEST_F(ClassificationSystemOverHost, ItemsAreFoundByExactCodeFirstInPreOrder) {
    const Model::ClassificationSystem system = System();
    EXPECT_EQ(system.FindItemGuidByCode("F10.1"), itemF10Deep);
    // The later G20 is a root item after the first one; the first met in the walk wins.
    EXPECT_EQ(system.FindItemGuidByCode("G20"), itemG20);
    EXPECT_TRUE(system.FindItemGuidByCode("f10").IsNull());
    EXPECT_TRUE(system.FindItemGuidByCode("").IsNull());

    EXPECT_EQ(system.GetAllItemGuids(), (QB::Array<QB::Guid>{itemF10, system.FindItemGuidByCode("F10.0"),
                                                             itemF10Deep, itemG20, itemG20Later}));
}

TEST_F(ClassificationSystemOverHost, NullOrDeletedSystemIsMissing) {
    const Model::ClassificationSystem none(connection.get());
    EXPECT_THROW(none.CheckExists(), Model::Error::MissingClassificationSystem);

    Project().DeleteSystem(systemGuid);
    const Model::ClassificationSystem deleted = System();
    EXPECT_THROW(deleted.CheckExists(), Model::Error::MissingClassificationSystem);
    EXPECT_THROW(deleted.FindItemGuidByCode("F10"), Model::Error::MissingClassificationSystem);
    EXPECT_THROW(deleted.GetAllItemGuids(), Model::Error::MissingClassificationSystem);
}

TEST_F(ClassificationSystemOverHost, StoredFormReadsBackAsTheSameBytes) {
    const Model::ClassificationSystem system = System();
    Model::ClassificationSystem read(connection.get());
    ExpectStoredFormReadsBack(system, read);
    EXPECT_EQ(fmt::format("{}", read), fmt::format("{{ _guid: {} }}", systemGuid));
}

} // namespace
} // namespace TesselConnect::Test
