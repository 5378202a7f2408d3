#include "Run/ChoiceText.hpp"

#include <fmt/format.h>

namespace VantrelSim::Tool {

std::optional<QB::Int32> MatchChoice(const Choice& choice, const std::vector<QB::UniString>& texts) {
    if (const auto* number = std::get_if<QB::Int32>(&choice)) {
        if (*number >= 1 && static_cast<std::size_t>(*number) <= texts.size()) {
            return *number;
        }
        return std::nullopt;
    }
    const QB::UniString wanted(std::get<std::string>(choice));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (texts[i].IsEqual(wanted, QB::CaseSensitivity::Insensitive)) {
            return static_cast<QB::Int32>(i + 1);
        }
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (texts[i].BeginsWith(wanted, QB::CaseSensitivity::Insensitive)) {
            return static_cast<QB::Int32>(i + 1);
        }
    }
    return std::nullopt;
}

std::string ChoiceText(const Choice& choice) {
    if (const auto* number = std::get_if<QB::Int32>(&choice)) {
        return std::to_string(*number);
    }
    return fmt::format("\"{}\"", std::get<std::string>(choice));
}

std::string ListOfTexts(const std::vector<QB::UniString>& texts) {
    if (texts.empty()) {
        return "nothing";
    }
    std::string list;
    for (const QB::UniString& text : texts) {
        list += fmt::format("{}\"{}\"", list.empty() ? "" : ", ", text.ToUtf8());
    }
    return list;
}

} // namespace VantrelSim::Tool
