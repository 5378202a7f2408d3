#pragma once

// Who may use the live page's server. It listens on loopback only, but other local users and web
// pages the person visits can still reach it: every request must carry the token printed with the
// address (query "token" or header "X-Sandbox-Token"), name this server in its Host header (a
// page on a rebound DNS name does not), and everything that changes the run must be a POST of
// JSON (a form or an image tag of a foreign page can do neither).
//
// Pure functions, any thread.

#include <optional>
#include <string>
#include <string_view>

namespace VantrelSim::Tool {

// 128 random bits as 32 hex digits, from the system's random device.
std::string MakeAccessToken();

struct GateRequest {
    std::string method;      // "GET", "POST", ...
    std::string path;        // without the query
    std::string host;        // the Host header
    std::string token;       // from the query or the header, "" without one
    std::string contentType; // "" without one
};

struct Refusal {
    int status = 400;
    std::string message;
};

class AccessGate {
public:
    AccessGate(std::string token, int port) : _token(std::move(token)), _port(port) {}

    // Nothing when the request may go on; otherwise the status and the message to answer.
    // `changes`: the route changes the run (an action), so only a POST of JSON may reach it.
    std::optional<Refusal> Check(const GateRequest& request, bool changes) const;

    const std::string& Token() const { return _token; }
    int Port() const { return _port; }

private:
    std::string _token;
    int _port;
};

// Compares without stopping at the first difference, so the time taken says nothing of the token.
bool SameSecret(std::string_view a, std::string_view b);

} // namespace VantrelSim::Tool
