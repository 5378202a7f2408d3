#include <QB/Channel.hpp>
#include <QB/ContainerChannel.hpp>
#include <QB/Debug.hpp>

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <tuple>

using QB::ErrCode;
using QB::Guid;
using QB::MemoryIChannel;
using QB::MemoryOChannel;
using QB::NoError;
using QB::Protocol;
using QB::UniString;

namespace {

std::vector<std::byte> Bytes(std::initializer_list<int> values) {
    std::vector<std::byte> bytes;
    for (int v : values) {
        bytes.push_back(static_cast<std::byte>(v));
    }
    return bytes;
}

// A stored record with a nested container frame, as the add-on's objects write them.
class Sample : public QB::Object {
public:
    static const QB::ClassInfo classInfo;
    static constexpr Guid ClassId{std::string_view("{6b1e7c52-2f0e-4d55-9b7a-3c1d2e4f5a60}")};

    UniString name;
    Guid id;
    QB::Int32 count = 0;
    QB::HashTable<UniString, UniString> properties;

    // Every field, and the order of the properties.
    auto Fields() const { return std::tuple(name, id, count, properties.GetKeys(), properties); }
    const QB::ClassInfo* GetClassInfo() const override { return &classInfo; }
    std::unique_ptr<QB::Object> Clone() const override { return std::make_unique<Sample>(*this); }

    ErrCode Write(QB::OChannel& oc) const override {
        QB::OutputFrame frame(oc, classInfo);
        oc.Write(name);
        oc.Write(id);
        oc.Write(count);
        QB::WriteHashTable(oc, properties);
        return frame.End();
    }
    ErrCode Read(QB::IChannel& ic) override {
        QB::InputFrame frame(ic, classInfo);
        if (frame.GetMainVersion() > classInfo.GetMainVersion()) {
            readRefusedVersion = frame.GetMainVersion();
            return frame.End();
        }
        ic.Read(name);
        ic.Read(id);
        ic.Read(count);
        QB::ReadHashTable(ic, properties);
        return frame.End();
    }

    QB::UInt16 readRefusedVersion = 0;
};

const QB::ClassInfo Sample::classInfo("Test::Sample", Sample::ClassId, 1, 0,
                                      [] { return std::unique_ptr<QB::Object>(std::make_unique<Sample>()); });

Sample MakeSample() {
    Sample sample;
    sample.name = "Wände & Böden 𝄞";
    sample.id = Guid("{a9242288-641f-418b-b627-f8a0da58b96b}");
    sample.count = -5;
    sample.properties.Put("ArdoTesselCode", "A10");
    sample.properties.Put("ArdoTesselTitle", "");
    sample.properties.Put("ArdoTesselClauseId", "c-1");
    return sample;
}

} // namespace

class ChannelInEveryProtocol : public testing::TestWithParam<Protocol> {};

// Every kind of value at its extremes, written one after the other and read back in order.
TEST_P(ChannelInEveryProtocol, PrimitivesRoundTrip) {
    const auto written =
        std::tuple(true, false, QB::Int8{-128}, QB::UInt8{255}, QB::Int16{-2}, QB::UInt16{0xBEEF},
                   std::numeric_limits<QB::Int32>::min(), QB::UInt32{0xDEADBEEF},
                   std::numeric_limits<QB::Int64>::min(), std::numeric_limits<QB::UInt64>::max(), -0.1,
                   UniString("Zoë 𝄞"), UniString(), Guid("01020304-0506-0708-090A-0B0C0D0E0F10"));
    MemoryOChannel oc(GetParam());
    std::apply([&](const auto&... values) { (oc.Write(values), ...); }, written);
    ASSERT_EQ(oc.GetStatus(), NoError);

    MemoryIChannel ic(oc.GetData(), GetParam());
    auto read = written;
    std::apply([](auto&... values) { ((values = {}), ...); }, read);
    std::apply([&](auto&... values) { (ic.Read(values), ...); }, read);
    ASSERT_EQ(ic.GetStatus(), NoError);
    EXPECT_EQ(read, written);
    EXPECT_EQ(ic.GetRemaining(), 0u);
}

TEST_P(ChannelInEveryProtocol, ObjectWithNestedFramesRoundTrips) {
    const Sample written = MakeSample();
    MemoryOChannel oc(GetParam());
    ASSERT_EQ(written.Store(oc), NoError);

    MemoryIChannel ic(oc.GetData(), GetParam());
    ErrCode status = 1;
    std::unique_ptr<QB::Object> read = QB::Restore(ic, &status);
    ASSERT_EQ(status, NoError);
    auto* sample = dynamic_cast<Sample*>(read.get());
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->Fields(), written.Fields());
}

TEST_P(ChannelInEveryProtocol, EveryTruncationFailsCleanlyWithZeroValues) {
    MemoryOChannel oc(GetParam());
    MakeSample().Store(oc);
    const std::vector<std::byte>& full = oc.GetData();
    for (QB::USize size = 0; size < full.size(); ++size) {
        MemoryIChannel ic(full.data(), size, GetParam());
        ErrCode status = NoError;
        EXPECT_EQ(QB::Restore(ic, &status), nullptr) << "size " << size;
        EXPECT_NE(status, NoError) << "size " << size;
        // Sticky: later reads keep the first error and give zero values.
        QB::UInt32 value = 7;
        UniString text("x");
        EXPECT_EQ(ic.Read(value), status);
        EXPECT_EQ(ic.Read(text), status);
        EXPECT_EQ(value, 0u);
        EXPECT_TRUE(text.IsEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Protocols, ChannelInEveryProtocol,
                         testing::Values(Protocol::LittleEndian, Protocol::BigEndian,
                                         Protocol::BigEndianUtf16));

TEST(Channel, ProtocolsLayOutNumbersAndTextAsDocumented) {
    const std::pair<Protocol, std::vector<std::byte>> layouts[] = {
        {Protocol::LittleEndian, Bytes({4, 3, 2, 1, 6, 0, 0, 0, 0xC3, 0xA9, 0xF0, 0x9D, 0x84, 0x9E})},
        {Protocol::BigEndian, Bytes({1, 2, 3, 4, 0, 0, 0, 6, 0xC3, 0xA9, 0xF0, 0x9D, 0x84, 0x9E})},
        {Protocol::BigEndianUtf16, Bytes({1, 2, 3, 4, 0, 0, 0, 3, 0x00, 0xE9, 0xD8, 0x34, 0xDD, 0x1E})}};
    for (const auto& [protocol, bytes] : layouts) {
        MemoryOChannel oc(protocol);
        oc.Write(QB::UInt32{0x01020304});
        oc.Write(UniString("é𝄞"));
        EXPECT_EQ(oc.GetData(), bytes) << "protocol " << static_cast<int>(protocol);
    }
    EXPECT_EQ(QB::ProtocolFromSign(QB::PlatformSign), Protocol::LittleEndian);
    EXPECT_EQ(QB::ProtocolFromSign(19789), Protocol::BigEndian);
    EXPECT_EQ(QB::ProtocolFromSign(28013), Protocol::BigEndianUtf16);
    EXPECT_FALSE(QB::ProtocolFromSign(1234).has_value());
}

TEST(Channel, HostileLengthsAndImpossibleValuesAreErrorsNotAllocations) {
    // A string claiming 4 GiB in a 6-byte record.
    MemoryIChannel ic(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b'}));
    UniString text("x");
    EXPECT_EQ(ic.Read(text), QB::ErrorCorruptedData);
    EXPECT_TRUE(text.IsEmpty());

    // UTF-16 text needs two bytes per unit.
    MemoryIChannel wide(Bytes({0, 0, 0, 2, 0, 'a', 0}), Protocol::BigEndianUtf16);
    EXPECT_EQ(wide.Read(text), QB::ErrorCorruptedData);

    // A container count far beyond its bytes stops at the first missing item.
    MemoryOChannel oc;
    {
        QB::OutputFrame frame(oc, QB::ArrayClassInfo());
        oc.Write(QB::UInt32{0xFFFFFFFF});
        oc.Write(Guid::Generate());
    }
    MemoryIChannel arrayInput(oc.GetData());
    QB::Array<Guid> guids;
    EXPECT_EQ(QB::ReadArray(arrayInput, guids), QB::ErrorEndOfInput);
    EXPECT_EQ(guids.GetSize(), 1u);

    // The same for a table and a set, which make room before reading: no more than the bytes hold.
    MemoryOChannel tableOut;
    {
        QB::OutputFrame frame(tableOut, QB::HashTableClassInfo());
        tableOut.Write(QB::UInt32{0xFFFFFFFF});
        tableOut.Write(Guid::Generate());
        tableOut.Write(QB::Int32{7});
    }
    MemoryIChannel tableInput(tableOut.GetData());
    QB::HashTable<Guid, QB::Int32> table;
    EXPECT_EQ(QB::ReadHashTable(tableInput, table), QB::ErrorEndOfInput);
    EXPECT_EQ(table.GetSize(), 1u);
    MemoryOChannel setOut;
    {
        QB::OutputFrame frame(setOut, QB::HashSetClassInfo());
        setOut.Write(QB::UInt32{0xFFFFFFFF});
        setOut.Write(UniString("only"));
    }
    MemoryIChannel setInput(setOut.GetData());
    QB::HashSet<UniString> names;
    EXPECT_EQ(QB::ReadHashSet(setInput, names), QB::ErrorEndOfInput);
    EXPECT_EQ(names.GetSize(), 1u);

    // Bytes that cannot be a value.
    MemoryIChannel flagInput(Bytes({2}));
    bool flag = true;
    EXPECT_EQ(flagInput.Read(flag), QB::ErrorCorruptedData);
    EXPECT_FALSE(flag);

    // Invalid UTF-8 inside a stored string is repaired, not rejected.
    MemoryIChannel repaired(Bytes({2, 0, 0, 0, 0xC3, 'x'}));
    UniString value;
    EXPECT_EQ(repaired.Read(value), NoError);
    EXPECT_EQ(value.ToUtf8(), "\xEF\xBF\xBDx");

    MemoryIChannel unknown(Bytes({1, 2, 3, 4}), static_cast<Protocol>(1234));
    QB::UInt32 number = 0;
    EXPECT_EQ(unknown.Read(number), QB::ErrorUnknownProtocol);
    MemoryOChannel unknownOut(static_cast<Protocol>(1234));
    EXPECT_EQ(unknownOut.Write(number), QB::ErrorUnknownProtocol);
    EXPECT_TRUE(unknownOut.GetData().empty());
}

TEST(ObjectFrame, NewerMinorVersionDataIsSkippedAndANewerMainVersionIsExposed) {
    // A later release of the class appends a field; this release must still read the rest.
    QB::DebugOutputCapture quiet; // the second class info with the same guid is reported
    const QB::ClassInfo newerMinor("Test::Sample", Sample::ClassId, 1, 3);
    EXPECT_FALSE(newerMinor.IsRegistered());
    EXPECT_EQ(QB::ClassManager::Instance().Find(Sample::ClassId), &Sample::classInfo);

    const Sample written = MakeSample();
    MemoryOChannel oc;
    {
        QB::OutputFrame frame(oc, newerMinor);
        oc.Write(written.name);
        oc.Write(written.id);
        oc.Write(written.count);
        QB::WriteHashTable(oc, written.properties);
        oc.Write(UniString("appended by 1.3"));
        oc.Write(QB::UInt64{99});
    }
    oc.Write(UniString("after the frame"));

    MemoryIChannel ic(oc.GetData());
    Sample read;
    ASSERT_EQ(read.Read(ic), NoError);
    EXPECT_EQ(read.Fields(), written.Fields());
    UniString after;
    EXPECT_EQ(ic.Read(after), NoError);
    EXPECT_EQ(after, UniString("after the frame"));

    // A newer main version is exposed for the caller to refuse.
    const QB::ClassInfo newerMain("Test::Sample", Sample::ClassId, 2, 0);
    MemoryOChannel mainOut;
    {
        QB::OutputFrame frame(mainOut, newerMain);
        mainOut.Write(QB::Int64{1});
    }
    mainOut.Write(true);
    MemoryIChannel mainIn(mainOut.GetData());
    Sample refused;
    EXPECT_EQ(refused.Read(mainIn), NoError);
    EXPECT_EQ(refused.readRefusedVersion, 2);
    bool next = false;
    EXPECT_EQ(mainIn.Read(next), NoError);
    EXPECT_TRUE(next);
}

// A frame's reads stay inside it; another class or a length beyond the data is an error.
TEST(ObjectFrame, ReadsStayInsideTheFrameAndMismatchOrOverlengthIsAnError) {
    MemoryOChannel oc;
    {
        QB::OutputFrame frame(oc, Sample::classInfo);
        oc.Write(QB::UInt16{1});
    }
    oc.Write(QB::UInt16{2}); // outside the frame

    MemoryIChannel inside(oc.GetData());
    {
        QB::InputFrame frame(inside, Sample::classInfo);
        EXPECT_EQ(frame.GetClassId(), Sample::ClassId);
        QB::UInt32 tooWide = 0;
        EXPECT_EQ(inside.Read(tooWide), QB::ErrorEndOfInput);
    }

    MemoryIChannel mismatch(oc.GetData());
    QB::InputFrame frame(mismatch, QB::ArrayClassInfo());
    EXPECT_EQ(frame.GetStatus(), QB::ErrorFrameMismatch);

    std::vector<std::byte> data = oc.GetData();
    data[20] = std::byte{0xFF}; // first byte of the little-endian body length
    MemoryIChannel beyond(data);
    EXPECT_EQ(QB::InputFrame(beyond, Sample::classInfo).GetStatus(), QB::ErrorCorruptedData);
}

TEST(ClassManagerAndContainers,
     RecreatesRegisteredClassesAndContainersKeepTheirOrderReplacingTheDestination) {
    EXPECT_EQ(QB::ClassManager::Instance().FindByName("Test::Sample"), &Sample::classInfo);
    EXPECT_NE(dynamic_cast<Sample*>(QB::ClassManager::Instance().CreateObject(Sample::ClassId).get()),
              nullptr);
    EXPECT_EQ(QB::ClassManager::Instance().CreateObject(QB::ArrayClassInfo().GetId()), nullptr);
    EXPECT_EQ(fmt::format("{}", Sample::classInfo),
              "Test::Sample {6B1E7C52-2F0E-4D55-9B7A-3C1D2E4F5A60} 1.0");

    MemoryOChannel oc;
    oc.Write(Guid::Generate());
    MemoryIChannel ic(oc.GetData());
    ErrCode status = NoError;
    EXPECT_EQ(QB::Restore(ic, &status), nullptr);
    EXPECT_EQ(status, QB::ErrorCorruptedData);

    {
        const QB::ClassInfo temporary("Test::Temporary", Guid::Generate(), 1, 0);
        EXPECT_EQ(QB::ClassManager::Instance().Find(temporary.GetId()), &temporary);
    }
    EXPECT_EQ(QB::ClassManager::Instance().FindByName("Test::Temporary"), nullptr);

    // Containers keep their order and replace the destination.
    QB::Array<UniString> names{"b", "a", "c"};
    QB::HashSet<Guid> guids{Guid::Generate(), Guid::Generate()};
    MemoryOChannel containers(Protocol::BigEndianUtf16);
    QB::WriteArray(containers, names);
    QB::WriteHashSet(containers, guids);

    MemoryIChannel containersIn(containers.GetData(), Protocol::BigEndianUtf16);
    QB::Array<UniString> namesRead{"stale"};
    QB::HashSet<Guid> guidsRead{Guid::Generate()};
    EXPECT_EQ(QB::ReadArray(containersIn, namesRead), NoError);
    EXPECT_EQ(QB::ReadHashSet(containersIn, guidsRead), NoError);
    EXPECT_EQ(namesRead, names);
    EXPECT_EQ(guidsRead.ToArray(), guids.ToArray());
}
