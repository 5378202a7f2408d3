// The fuzz harness itself: the structure-aware mutators keep most of what they make readable by the
// add-on (or they would be byte flips by another name), the record pair's layout, and the reuse
// check telling a world that carries state from one input to the next from a fresh one.

#include "Support/FuzzTarget.hpp"
#include "Support/FuzzWorld.hpp"
#include "Support/PageMutator.hpp"
#include "Support/ReadRecord.hpp"
#include "Support/RecordPair.hpp"
#include "Support/ReuseCheck.hpp"
#include "Support/Samples.hpp"
#include "Support/SignedRecord.hpp"
#include "Support/StoredMutator.hpp"

#include "Model/ClassificationSystem.hpp"
#include "Model/Issue/Collection.hpp"
#include "Model/Issue/UnknownError.hpp"
#include "Model/PropertyGroup.hpp"
#include "Model/VirtualType.hpp"
#include "Util/Log/Log.hpp"

#include <gtest/gtest.h>

#include <rapidjson/document.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace TesselConnect::Fuzz {
namespace {

constexpr std::size_t MaxSize = 65536;
constexpr unsigned int Mutations = 200;

struct StoredCase {
    std::string name;
    std::function<StoredCodec()> codec;
    std::function<std::vector<std::uint8_t>()> seed;
};

const Model::ConnectionWithSpecification& Connected() {
    static const std::shared_ptr<Model::ConnectionWithSpecification> connection = ReadRecord(
        FuzzWorld::Reused().manager ? FuzzWorld::Reused()
                                    : (FuzzWorld::Reused().Open(ConnectedProject()), FuzzWorld::Reused()),
        ConnectedProject().modulData.Get(RecordName));
    return *connection;
}

std::vector<StoredCase> StoredCases() {
    return {
        {"ConnectionRecord", [] { return CodecOf([] { return EmptyConnection(); }); },
         [] { return AsInput(ConnectedProject().modulData.Get(RecordName).dataHdl); }},
        {"IssueCollection",
         [] { return CodecOf([] { return std::make_unique<Model::Issue::Collection>(); }); },
         [] { return AsInput(StoredForm(Connected().GetIssueCollection())); }},
        {"ClassificationSystem",
         [] { return CodecOf([] { return std::make_unique<Model::ClassificationSystem>(nullptr); }); },
         [] { return AsInput(StoredForm(Connected().GetClassificationSystem())); }},
        {"PropertyGroup",
         [] { return CodecOf([] { return std::make_unique<Model::PropertyGroup>(nullptr); }); },
         [] { return AsInput(StoredForm(Connected().GetPropertyGroup())); }},
        {"VirtualType", [] { return CodecOf([] { return std::make_unique<Model::VirtualType>(nullptr); }); },
         [] { return AsInput(StoredForm(*Connected().GetVirtualType(ClauseId))); }},
    };
}

// Most structure-aware mutations read completely again; byte flips in a framed form almost never
// do. Every output fits, and a seed always makes the same output.
TEST(FuzzStoredMutation, KeepsMostInputsReadableAndIsRepeatable) {
    for (const StoredCase& storedCase : StoredCases()) {
        SCOPED_TRACE(storedCase.name);
        const StoredCodec codec = storedCase.codec();
        const std::vector<std::uint8_t> seed = storedCase.seed();
        ASSERT_FALSE(seed.empty());
        std::size_t readable = 0;
        std::size_t changed = 0;
        for (unsigned int i = 1; i <= Mutations; ++i) {
            std::vector<std::uint8_t> first = seed;
            first.resize(MaxSize);
            first.resize(MutateStored(codec, first.data(), seed.size(), MaxSize, i));
            std::vector<std::uint8_t> second = seed;
            second.resize(MaxSize);
            second.resize(MutateStored(codec, second.data(), seed.size(), MaxSize, i));
            ASSERT_EQ(first, second) << "seed " << i;
            changed += first != seed ? 1U : 0U;
            const auto* bytes = reinterpret_cast<const std::byte*>(first.data());
            for (const QB::Protocol protocol : Protocols) {
                if (ReadFields(codec, std::span(bytes, first.size()), protocol).has_value()) {
                    ++readable;
                    break;
                }
            }
        }
        EXPECT_GE(changed, Mutations * 4 / 5);
        EXPECT_GE(readable, Mutations / 3) << "of " << Mutations;
        EXPECT_LT(readable, Mutations) << "nothing was damaged";
    }
}

// Every field of a connection record is one the reader took, frame headers included.
TEST(FuzzStoredFields, ListEveryFieldTheReaderTakes) {
    const StoredCodec codec = CodecOf([] { return EmptyConnection(); });
    const API_DataBlock& record = ConnectedProject().modulData.Get(RecordName).dataHdl;
    const auto fields = ReadFields(codec, record, QB::PlatformProtocol);
    ASSERT_TRUE(fields.has_value());
    std::size_t covered = 0;
    for (const Field& field : *fields) {
        covered += field.width;
    }
    EXPECT_EQ(record.size(), covered);
    EXPECT_FALSE(
        ReadFields(codec, std::span(record).first(record.size() - 1), QB::PlatformProtocol).has_value());
}

TEST(FuzzPageMutation, ChangesTheCallAndKeepsItJson) {
    const std::string call =
        R"(["type","S-1","C-1","{\"ArdoTesselClauseId\":\"C-1\",\"ArdoTesselCode\":\"F10\"}"])";
    std::size_t json = 0;
    std::size_t changed = 0;
    for (unsigned int i = 1; i <= Mutations; ++i) {
        std::vector<std::uint8_t> text(call.begin(), call.end());
        text.resize(MaxSize);
        text.resize(MutatePageCall(text.data(), call.size(), MaxSize, i));
        const std::string mutated(text.begin(), text.end());
        changed += mutated != call ? 1U : 0U;
        rapidjson::Document document;
        document.Parse<rapidjson::kParseStopWhenDoneFlag>(mutated.c_str(), mutated.size());
        json += document.HasParseError() ? 0U : 1U;
    }
    EXPECT_GE(changed, Mutations * 9 / 10);
    EXPECT_GE(json, Mutations * 2 / 3);
}

struct PairCase {
    const char* name;
    std::vector<std::uint8_t> input;
    std::size_t mine;
    std::size_t theirs;
    QB::UInt16 mineSign;
    QB::UInt16 theirSign;
    bool encodesBack = true; // the input is the pair's own encoding
};

TEST(FuzzRecordPairs, SplitAsDeclared) {
    const std::vector<PairCase> cases{
        {"Empty", {}, 0, 0, 22359, 22359, false},
        {"HeaderOnly", {0, 0, 0, 0, 0}, 0, 0, 22359, 22359},
        {"Split", {0x09, 2, 0, 0, 0, 1, 2, 3}, 2, 1, 19789, 0},
        {"SizePastTheEnd", {0x01, 0xff, 0xff, 0, 0, 1, 2}, 2, 0, 19789, 22359, false},
        {"SignsTakenModuloThree", {0x0f, 0, 0, 0, 0, 7}, 0, 1, 22359, 22359, false},
    };
    for (const PairCase& c : cases) {
        SCOPED_TRACE(c.name);
        const RecordPair pair = DecodePair(c.input);
        EXPECT_EQ(c.mine, pair.mine.dataHdl.size());
        EXPECT_EQ(c.theirs, pair.theirs.dataHdl.size());
        EXPECT_EQ(c.mineSign, pair.mine.platformSign);
        EXPECT_EQ(c.theirSign, pair.theirs.platformSign);
        if (c.encodesBack) {
            EXPECT_EQ(c.input, EncodePair(pair));
        }
    }
}

// A record pair's mutation decodes again as a pair of the sizes it says.
TEST(FuzzRecordPairMutation, KeepsThePairLayout) {
    const API_ModulData& record = ConnectedProject().modulData.Get(RecordName);
    const std::vector<std::uint8_t> seed = EncodePair(RecordPair{record, record});
    FuzzWorld& world = FuzzWorld::Reused();
    world.Open(ConnectedProject());
    std::size_t bothRead = 0;
    for (unsigned int i = 1; i <= Mutations / 4; ++i) {
        std::vector<std::uint8_t> input = seed;
        input.resize(MaxSize);
        input.resize(MutateRecordPair(input.data(), seed.size(), MaxSize, i));
        const RecordPair pair = DecodePair(input);
        EXPECT_EQ(input.size(), pair.mine.dataHdl.size() + pair.theirs.dataHdl.size() + 5);
        bothRead += ReadRecord(world, pair.mine) && ReadRecord(world, pair.theirs);
    }
    EXPECT_GE(bothRead, Mutations / 16);
}

// A read-error issue that a record stores (a merge stores the one a refused collection became) is
// not taken for a refusal by this read: in every protocol, the record reads with the issue kept and
// the collection is not held to be damaged.
TEST(FuzzReadRecord, TellsAStoredReadErrorFromARefusal) {
    FuzzWorld& world = FuzzWorld::Reused();
    world.Open(ConnectedProject());
    const std::shared_ptr<Model::ConnectionWithSpecification> connection =
        ReadRecord(world, ConnectedProject().modulData.Get(RecordName));
    ASSERT_NE(nullptr, connection);
    const auto stored = std::make_shared<Model::Issue::UnknownError>(
        QB::UniString("Issue::Collection read error: an earlier read"));
    connection->AddIssue(stored);
    for (std::size_t i = 0; i < std::size(Protocols); ++i) {
        SCOPED_TRACE(i);
        QB::MemoryOChannel oc(Protocols[i]);
        ASSERT_EQ(QB::NoError, connection->Write(oc));
        API_ModulData record;
        record.platformSign = PlatformSigns[i];
        record.dataHdl = oc.TakeData();
        EXPECT_TRUE(IsStoredIn(record, *stored));
        const std::shared_ptr<Model::ConnectionWithSpecification> read = ReadRecord(world, record);
        ASSERT_NE(nullptr, read);
        const auto& issues = read->GetIssueCollection().GetIssues();
        EXPECT_TRUE(std::any_of(issues.begin(), issues.end(), [&](const auto& issue) {
            return issue != nullptr && issue->GetGuid() == stored->GetGuid() && IsReadError(*issue);
        }));
        EXPECT_FALSE(IsStoredIn(record, Model::Issue::UnknownError(QB::UniString("a new one"))));
    }
}

struct SignedCase {
    const char* name;
    std::vector<std::uint8_t> input;
    QB::UInt16 sign;
    std::vector<std::uint8_t> record;
    bool encodesBack = true; // the input is the record's own encoding
};

TEST(FuzzSignedRecords, TakeTheSignFromTheFirstByte) {
    const std::vector<SignedCase> cases{
        {"Empty", {}, 22359, {}, false},
        {"ThisPlatform", {0, 7, 8}, 22359, {7, 8}},
        {"BigEndian", {1, 7}, 19789, {7}},
        {"Utf16SignOnly", {2}, 0, {}},
        {"SignTakenModuloThree", {4, 9}, 19789, {9}, false},
    };
    for (const SignedCase& c : cases) {
        SCOPED_TRACE(c.name);
        const API_ModulData record = DecodeSignedRecord(c.input);
        EXPECT_EQ(c.sign, record.platformSign);
        EXPECT_EQ(c.record, AsInput(record.dataHdl));
        if (c.encodesBack) {
            EXPECT_EQ(c.input, EncodeSignedRecord(record));
        }
    }
    EXPECT_EQ(2, SignByte(28013)) << "a sign read as big-endian UTF-16 is named as the third";
}

// The sign follows the byte order the mutation wrote the record in: most mutated records read under
// the sign their input names, and some under each sign.
TEST(FuzzSignedRecordMutation, KeepsTheSignWithTheByteOrder) {
    const std::vector<std::uint8_t> seed = EncodeSignedRecord(ConnectedProject().modulData.Get(RecordName));
    FuzzWorld& world = FuzzWorld::Reused();
    world.Open(ConnectedProject());
    std::size_t read = 0;
    std::set<QB::UInt16> signsRead;
    for (unsigned int i = 1; i <= Mutations; ++i) {
        std::vector<std::uint8_t> input = seed;
        input.resize(MaxSize);
        input.resize(MutateSignedRecord(input.data(), seed.size(), MaxSize, i));
        const API_ModulData record = DecodeSignedRecord(input);
        if (ReadRecord(world, record) != nullptr) {
            ++read;
            signsRead.insert(record.platformSign);
        }
    }
    EXPECT_GE(read, Mutations / 3);
    EXPECT_EQ((std::set<QB::UInt16>{0, 19789, 22359}), signsRead);
}

// An entry whose answer depends on how many inputs came before it, as a world that keeps state
// from one input to the next would answer.
int inputsSeen = 0;
int LeakyEntry(const std::uint8_t*, std::size_t) {
    FuzzWorld& world = FuzzWorld::Reused();
    world.Open(ConnectedProject());
    CheckInputIs([] { return std::vector<std::uint8_t>{1}; });
    LOG_INFO("input {}", ++inputsSeen);
    return 0;
}

int ForgetfulEntry(const std::uint8_t* data, std::size_t size) {
    FuzzWorld& world = FuzzWorld::Reused();
    world.Open(ConnectedProject());
    CheckInputIs([] { return std::vector<std::uint8_t>{1}; });
    LOG_INFO("input of {} bytes", size);
    if (size > 0 && data[0] == 2) {
        // What an input changes in the project goes with the next Open.
        world.host.GetProject().modulData.Delete(RecordName);
    }
    return 0;
}

TEST(FuzzReuseCheck, PassesAWorldThatForgetsEachInput) {
    const std::uint8_t change = 2;
    EXPECT_EQ(0, RunInput(&ForgetfulEntry, &change, 1));
    EXPECT_TRUE(CheckReuse(&ForgetfulEntry));
    EXPECT_FALSE(CheckReuse(&LeakyEntry)) << "no input ran, so there is no check input";
}

TEST(FuzzReuseCheckDeathTest, StopsAtAWorldThatRemembersAnInput) {
    // The process's temporary folder is made here, not in the child that dies without removing it.
    PrepareProcess();
    EXPECT_DEATH(
        {
            const std::uint8_t input = 1;
            RunInput(&LeakyEntry, &input, 1);
            RunInput(&LeakyEntry, &input, 1);
            CheckReuse(&LeakyEntry);
        },
        "reused world's log lines part from a fresh world's at line [0-9]+");
}

// The load of a project made once per process is left unformatted only while no check reads its lines;
// the add-on's lines after it are formatted again.
TEST(FuzzWorldLog, FormatsTheLoadOfAFixedProjectOnlyWhileObserved) {
    FuzzWorld& world = FuzzWorld::Reused();
    world.StartObserving();
    world.OpenFixed(ConnectedProject());
    const Observation observed = world.StopObserving();
    CaptureLog(true);
    world.OpenFixed(ConnectedProject());
    const std::vector<std::string> unobserved = TakeLog();
    LOG_INFO("after the {}", "open");
    const std::vector<std::string> after = TakeLog();
    CaptureLog(false);
    world.Close();

    EXPECT_TRUE(std::any_of(observed.log.begin(), observed.log.end(), [](const std::string& line) {
        return line.starts_with("info Loaded: ConnectionWithSpecification:S-1: ");
    }));
    EXPECT_EQ(std::vector<std::string>{}, unobserved);
    EXPECT_EQ(std::vector<std::string>{"info after the open"}, after);
}

} // namespace
} // namespace TesselConnect::Fuzz
