#include "Serve/AccessGate.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <random>

namespace VantrelSim::Tool {

std::string MakeAccessToken() {
    std::random_device device("/dev/urandom");
    std::string token;
    for (int word = 0; word < 4; ++word) {
        token += fmt::format("{:08x}", static_cast<std::uint32_t>(device()));
    }
    return token;
}

bool SameSecret(std::string_view a, std::string_view b) {
    unsigned char difference = a.size() == b.size() ? 0 : 1;
    for (std::size_t i = 0; i < a.size(); ++i) {
        difference |= static_cast<unsigned char>(a[i] ^ (i < b.size() ? b[i] : 0));
    }
    return difference == 0;
}

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

} // namespace

std::optional<Refusal> AccessGate::Check(const GateRequest& request, bool changes) const {
    const std::string host = Lower(request.host);
    if (host != fmt::format("127.0.0.1:{}", _port) && host != fmt::format("localhost:{}", _port)) {
        return Refusal{403, fmt::format("this server answers only requests for 127.0.0.1:{} or localhost:{}",
                                        _port, _port)};
    }
    if (request.token.empty() || !SameSecret(request.token, _token)) {
        return Refusal{403, "the address needs the token printed when the sandbox started (?token=...)"};
    }
    if (changes && request.method != "POST") {
        return Refusal{405, fmt::format("{} changes the run: send it as a POST", request.path)};
    }
    if (changes) {
        const std::string type = Lower(request.contentType);
        const std::string_view media = std::string_view(type).substr(0, type.find(';'));
        if (media != "application/json") {
            return Refusal{415, "send the action as JSON (Content-Type: application/json)"};
        }
    }
    return std::nullopt;
}

} // namespace VantrelSim::Tool
