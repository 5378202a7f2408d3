#include "Explore/WalkFailure.hpp"

#include <array>

namespace VantrelSim::Tool {

namespace {

constexpr std::string_view HoldsMark = "holds ";

// The text after "step N (kind): ", or all of it when it has no step label.
std::string_view WithoutLabel(std::string_view failure) {
    if (!failure.starts_with("step ")) {
        return failure;
    }
    const std::size_t end = failure.find("): ");
    return end == std::string_view::npos ? failure : failure.substr(end + 3);
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

} // namespace

std::optional<std::string> ViolatedCheck(std::string_view failure) {
    const std::string_view text = WithoutLabel(failure);
    if (!text.starts_with(HoldsMark)) {
        return std::nullopt;
    }
    const std::size_t end = text.find(": ", HoldsMark.size());
    if (end == std::string_view::npos || end == HoldsMark.size()) {
        return std::nullopt;
    }
    const std::string_view name = text.substr(HoldsMark.size(), end - HoldsMark.size());
    if (name.find(' ') != std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(name);
}

std::string FailureSignature(std::string_view failure) {
    if (const auto check = ViolatedCheck(failure)) {
        return std::string(HoldsMark) + *check + ": ";
    }
    return std::string(WithoutLabel(failure));
}

bool IsAnswerMismatch(std::string_view failure) {
    static constexpr std::array<std::string_view, 7> marks = {
        "was not foreseen by the step",
        "was expected but never shown",
        "an alert was expected but none was shown",
        "a dialog of the page was expected but the page opened none",
        "the classification system dialog was expected but never shown",
        "offers no system",
        "takes no typed text",
    };
    const std::string_view text = WithoutLabel(failure);
    for (const std::string_view mark : marks) {
        if (Contains(text, mark)) {
            return true;
        }
    }
    // "alert 1 was expected but alert 2 "..." was shown", "alert 3 "..." has no button ..."
    return text.starts_with("alert ") && (Contains(text, " was shown") || Contains(text, " has no button "));
}

bool IsMeanwhileMissed(std::string_view failure) {
    return Contains(WithoutLabel(failure), "did not land");
}

} // namespace VantrelSim::Tool
