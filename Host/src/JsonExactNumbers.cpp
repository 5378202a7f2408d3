#include "JsonExactNumbers.hpp"

#include <charconv>
#include <cstdint>
#include <system_error>

namespace VantrelSim {

namespace {

// Passes every event on to the document, numbers as integers where they fit 64 bits and as
// doubles otherwise, as RapidJSON types them itself.
class ExactNumbers {
public:
    explicit ExactNumbers(Json::Document& target) : _target(target) {}

    const char* failure = nullptr;

    bool Null() { return _target.Null(); }
    bool Bool(bool value) { return _target.Bool(value); }
    bool Int(int value) { return _target.Int(value); }
    bool Uint(unsigned value) { return _target.Uint(value); }
    bool Int64(std::int64_t value) { return _target.Int64(value); }
    bool Uint64(std::uint64_t value) { return _target.Uint64(value); }
    bool Double(double value) { return _target.Double(value); }
    bool String(const char* text, Json::SizeType length, bool copy) {
        return _target.String(text, length, copy);
    }
    bool StartObject() { return _target.StartObject(); }
    bool Key(const char* text, Json::SizeType length, bool copy) { return _target.Key(text, length, copy); }
    bool EndObject(Json::SizeType members) { return _target.EndObject(members); }
    bool StartArray() { return _target.StartArray(); }
    bool EndArray(Json::SizeType elements) { return _target.EndArray(elements); }

    // The reader has checked the number's syntax already.
    bool RawNumber(const char* text, Json::SizeType length, bool /*copy*/) {
        const std::string_view number(text, length);
        const char* const end = text + length;
        const bool negative = number.front() == '-';
        if (number.find_first_of(".eE") == std::string_view::npos) {
            if (negative) {
                std::int64_t value = 0;
                if (const auto [last, error] = std::from_chars(text, end, value);
                    error == std::errc{} && last == end) {
                    return _target.Int64(value);
                }
            } else {
                std::uint64_t value = 0;
                if (const auto [last, error] = std::from_chars(text, end, value);
                    error == std::errc{} && last == end) {
                    return _target.Uint64(value);
                }
            }
            // Beyond 64 bits: a double, as for any other number.
        }
        double value = 0.0;
        const auto [last, error] = std::from_chars(text, end, value);
        if (error == std::errc::result_out_of_range &&
            number.find_first_of("-", 1) != std::string_view::npos) {
            // Too small for a double: zero, of the number's sign.
            return _target.Double(negative ? -0.0 : 0.0);
        }
        if (error != std::errc{} || last != end) {
            failure = "Number too big to be stored in double.";
            return false;
        }
        return _target.Double(value);
    }

private:
    Json::Document& _target;
};

} // namespace

std::optional<JsonParseFailure> ParseJsonExactNumbers(Json::Document& document, std::string_view text) {
    Json::MemoryStream memory(text.data(), text.size());
    Json::EncodedInputStream<Json::UTF8<>, Json::MemoryStream> input(memory);
    Json::Reader reader;
    const char* failure = nullptr;
    auto generate = [&](Json::Document& target) {
        ExactNumbers numbers(target);
        const bool parsed =
            !reader.Parse<Json::kParseNumbersAsStringsFlag | Json::kParseIterativeFlag>(input, numbers)
                 .IsError();
        failure = numbers.failure;
        return parsed;
    };
    document.Populate(generate);
    if (!reader.HasParseError()) {
        return std::nullopt;
    }
    return JsonParseFailure{reader.GetErrorOffset(),
                            failure != nullptr && reader.GetParseErrorCode() == Json::kParseErrorTermination
                                ? failure
                                : Json::GetParseError_En(reader.GetParseErrorCode())};
}

} // namespace VantrelSim
