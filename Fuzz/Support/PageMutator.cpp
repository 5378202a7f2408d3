#include "PageMutator.hpp"

#include "StoredMutator.hpp"

#include "Util/Json/ParseException.hpp"
#include "Util/Json/RapidJson.hpp"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace TesselConnect::Fuzz {

namespace {

using Random = std::minstd_rand;
using Allocator = rapidjson::Document::AllocatorType;

constexpr std::array<std::string_view, 18> InterestingStrings{"",
                                                              "S-1",
                                                              "S-2",
                                                              "C-1",
                                                              "C-2",
                                                              "F10",
                                                              "G20",
                                                              "P-1",
                                                              "type",
                                                              "online",
                                                              "offline",
                                                              "ArdoTesselClauseId",
                                                              "ArdoTesselCode",
                                                              "{ArdoTesselProjectTitle}",
                                                              "\");alert(1);//",
                                                              "</script>",
                                                              "\u2028",
                                                              "\xed\xa0\x80"};

bool Parse(rapidjson::Document& document, std::string_view text) {
    try {
        document.Parse<rapidjson::kParseStopWhenDoneFlag>(text.data(), text.size());
        return !document.HasParseError();
    } catch (const Json::ParseException&) {
        return false;
    }
}

std::string Text(const rapidjson::Value& value) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    value.Accept(writer);
    return std::string(buffer.GetString(), buffer.GetSize());
}

// Every value of the tree, parents before their children.
void Collect(rapidjson::Value& value, std::vector<rapidjson::Value*>& values) {
    values.push_back(&value);
    if (value.IsArray()) {
        for (rapidjson::Value& item : value.GetArray()) {
            Collect(item, values);
        }
    } else if (value.IsObject()) {
        for (auto& member : value.GetObject()) {
            Collect(member.value, values);
        }
    }
}

rapidjson::Value AnotherValue(Random& random, Allocator& allocator) {
    switch (random() % 7) {
    case 0:
        return rapidjson::Value(static_cast<int>(random() % 3) - 1);
    case 1:
        return rapidjson::Value(random() % 2 == 0);
    case 2:
        return rapidjson::Value(rapidjson::kNullType);
    case 3:
        return rapidjson::Value(rapidjson::kObjectType);
    case 4:
        return rapidjson::Value(rapidjson::kArrayType);
    case 5:
        return rapidjson::Value(std::string(1 + random() % 5000, 'x').c_str(), allocator);
    default: {
        const std::string_view text = InterestingStrings[random() % InterestingStrings.size()];
        return rapidjson::Value(text.data(), static_cast<rapidjson::SizeType>(text.size()), allocator);
    }
    }
}

void ChangeOnce(Random& random, rapidjson::Value& root, Allocator& allocator, int depth);

// A string that holds JSON is changed inside.
bool ChangeInside(Random& random, rapidjson::Value& value, Allocator& allocator, int depth) {
    rapidjson::Document inner;
    if (depth > 2 || !value.IsString() ||
        !Parse(inner, std::string_view(value.GetString(), value.GetStringLength())) ||
        !(inner.IsObject() || inner.IsArray())) {
        return false;
    }
    ChangeOnce(random, inner, inner.GetAllocator(), depth + 1);
    const std::string text = Text(inner);
    value.SetString(text.c_str(), static_cast<rapidjson::SizeType>(text.size()), allocator);
    return true;
}

void ChangeOnce(Random& random, rapidjson::Value& root, Allocator& allocator, int depth) {
    std::vector<rapidjson::Value*> values;
    Collect(root, values);
    rapidjson::Value& value = *values[random() % values.size()];
    if (random() % 3 == 0 && ChangeInside(random, value, allocator, depth)) {
        return;
    }
    switch (random() % 5) {
    case 0: // an argument or member more
        if (value.IsArray()) {
            value.PushBack(AnotherValue(random, allocator), allocator);
            return;
        }
        if (value.IsObject()) {
            const std::string_view name = InterestingStrings[random() % InterestingStrings.size()];
            value.AddMember(
                rapidjson::Value(name.data(), static_cast<rapidjson::SizeType>(name.size()), allocator),
                AnotherValue(random, allocator), allocator);
            return;
        }
        break;
    case 1: // one fewer
        if (value.IsArray() && !value.Empty()) {
            value.Erase(value.Begin() + static_cast<std::ptrdiff_t>(random() % value.Size()));
            return;
        }
        if (value.IsObject() && value.MemberCount() > 0) {
            value.RemoveMember(value.MemberBegin() +
                               static_cast<std::ptrdiff_t>(random() % value.MemberCount()));
            return;
        }
        break;
    case 2: { // nested one deeper
        rapidjson::Value wrapper(rapidjson::kArrayType);
        wrapper.PushBack(value, allocator); // moves the value
        value = wrapper;
        return;
    }
    default:
        break;
    }
    value = AnotherValue(random, allocator);
}

} // namespace

std::size_t MutatePageCall(std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed) {
    Random random(seed);
    rapidjson::Document document;
    if (random() % 4 == 0 || !Parse(document, std::string_view(reinterpret_cast<const char*>(data), size))) {
        return MutateBytes(data, size, maxSize, seed);
    }
    const int changes = 1 + static_cast<int>(random() % 3);
    for (int i = 0; i < changes; ++i) {
        ChangeOnce(random, document, document.GetAllocator(), 0);
    }
    const std::string text = Text(document);
    if (text.size() > maxSize) {
        return MutateBytes(data, size, maxSize, seed);
    }
    std::memcpy(data, text.data(), text.size());
    return text.size();
}

} // namespace TesselConnect::Fuzz
