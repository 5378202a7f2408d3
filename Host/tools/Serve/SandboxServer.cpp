#include "Serve/SandboxServer.hpp"

#include "Serve/Sandbox.hpp"

#include <httplib.h>

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>

namespace VantrelSim::Tool {

namespace {

using namespace std::chrono_literals;

// A step may wait for the person to answer an alert; reading the panes never waits long.
constexpr auto StepPatience = std::chrono::milliseconds(10min);
constexpr auto ReadPatience = std::chrono::milliseconds(30s);
constexpr std::size_t MaxLogChunk = 256 * 1024;
constexpr std::size_t MaxBody = 32 * 1024 * 1024;

// The routes that change the run: POSTs of JSON only.
constexpr std::array<const char*, 5> ActionPaths = {"/api/step", "/api/answer", "/api/expect", "/api/save",
                                                    "/api/quit"};

bool IsAction(const std::string& path) {
    for (const char* action : ActionPaths) {
        if (path == action) {
            return true;
        }
    }
    return false;
}

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + file.string());
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t NumberParam(const httplib::Request& request, const char* name, std::size_t fallback) {
    if (!request.has_param(name)) {
        return fallback;
    }
    const std::string text = request.get_param_value(name);
    std::size_t value = fallback;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : fallback;
}

void Send(httplib::Response& response, const Reply& reply) {
    response.status = reply.status;
    response.set_content(reply.body, reply.contentType);
    response.set_header("Cache-Control", "no-store");
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char raw : text) {
        const auto c = static_cast<unsigned char>(raw);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                out += fmt::format("\\u{:04x}", c);
            } else {
                out += raw;
            }
        }
    }
    return out + "\"";
}

// The part of a growing text file from `after`, up to its last complete line.
Reply LogChunk(const std::filesystem::path& file, std::size_t after) {
    std::ifstream in(file, std::ios::binary);
    std::string text;
    if (in) {
        in.seekg(0, std::ios::end);
        const auto size = static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0));
        if (after < size) {
            text.resize(std::min(size - after, MaxLogChunk));
            in.seekg(static_cast<std::streamoff>(after));
            in.read(text.data(), static_cast<std::streamsize>(text.size()));
            text.resize(static_cast<std::size_t>(in.gcount()));
            const std::size_t lastLine = text.rfind('\n');
            text.resize(lastLine == std::string::npos ? 0 : lastLine + 1);
        } else if (after > size) {
            after = 0; // the file was started again
        }
    }
    return Reply{200, fmt::format(R"({{"text":{},"next":{}}})", JsonString(text), after + text.size())};
}

} // namespace

SandboxServer::SandboxServer(MainQueue& queue, Sandbox& sandbox, SandboxFiles files, std::string token)
    : _queue(queue), _sandbox(sandbox), _files(std::move(files)), _token(std::move(token)),
      _server(std::make_unique<httplib::Server>()) {
    const std::string html = ReadText(_files.page / "index.html");
    const std::string script = ReadText(_files.page / "sandbox.js");
    const std::string style = ReadText(_files.page / "sandbox.css");
    // One document, so that the token is needed once, by the address the person opened.
    _pageHtml = html;
    const auto put = [this](const std::string& mark, const std::string& text) {
        const std::size_t at = _pageHtml.find(mark);
        if (at == std::string::npos) {
            throw std::runtime_error("the sandbox page has no " + mark);
        }
        _pageHtml.replace(at, mark.size(), text);
    };
    put("/*SANDBOX-STYLE*/", style);
    put("/*SANDBOX-SCRIPT*/", script);
}

SandboxServer::~SandboxServer() {
    Stop();
}

int SandboxServer::Bind(int port) {
    const int bound = port == 0 ? _server->bind_to_any_port("127.0.0.1")
                                : (_server->bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0) {
        throw std::runtime_error(fmt::format("cannot listen on 127.0.0.1:{} (is it in use?)", port));
    }
    _gate.emplace(_token, bound);
    Routes();
    return bound;
}

std::string SandboxServer::Address() const {
    return fmt::format("http://127.0.0.1:{}/?token={}", _gate ? _gate->Port() : 0, _token);
}

void SandboxServer::Start() {
    _thread = std::thread([this] { _server->listen_after_bind(); });
}

void SandboxServer::Stop() {
    if (_server) {
        _server->stop();
    }
    if (_thread.joinable()) {
        _thread.join();
    }
}

void SandboxServer::Routes() {
    httplib::Server& server = *_server;
    server.set_payload_max_length(MaxBody);
    server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        GateRequest asked;
        asked.method = request.method;
        asked.path = request.path;
        asked.host = request.get_header_value("Host");
        asked.token = request.has_param("token") ? request.get_param_value("token")
                                                 : request.get_header_value("X-Sandbox-Token");
        asked.contentType = request.get_header_value("Content-Type");
        const bool action = IsAction(request.path) || (request.method != "GET" && request.method != "HEAD");
        if (const auto refusal = _gate->Check(asked, action)) {
            std::fprintf(stderr, "vantrel-sim serve: refused %s %s: %s\n", request.method.c_str(),
                         request.path.c_str(), refusal->message.c_str());
            Send(response,
                 Reply{refusal->status, fmt::format(R"({{"error":{}}})", JsonString(refusal->message))});
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.set_exception_handler(
        [](const httplib::Request& request, httplib::Response& response, std::exception_ptr error) {
            std::string what = "unknown failure";
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& caught) {
                what = caught.what();
            } catch (...) {
            }
            std::fprintf(stderr, "vantrel-sim serve: %s %s failed: %s\n", request.method.c_str(),
                         request.path.c_str(), what.c_str());
            Send(response, Reply{500, R"({"error":"the request failed; the sandbox's output says why"})"});
        });

    server.Get("/", [this](const httplib::Request&, httplib::Response& response) {
        response.set_content(_pageHtml, "text/html; charset=utf-8");
        response.set_header("Cache-Control", "no-store");
        // The address carries the token: it must not travel on as a referrer.
        response.set_header("Referrer-Policy", "no-referrer");
        response.set_header("Content-Security-Policy",
                            "default-src 'self'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
                            "img-src 'self' data: blob:; frame-src 'none'; frame-ancestors 'none'");
    });
    // Everything a task needs is copied into it: the server's thread may stop waiting for it.
    const auto call = [this](std::function<Reply()> work, std::chrono::milliseconds patience) {
        return _queue.Call([work = std::move(work)](const ReplySlot& slot) { slot->set_value(work()); },
                           patience);
    };
    server.Get("/api/state", [this, call](const httplib::Request&, httplib::Response& response) {
        Send(response, call([this] { return _sandbox.State(); }, ReadPatience));
    });
    server.Get("/api/palette", [this, call](const httplib::Request&, httplib::Response& response) {
        Send(response, call([this] { return _sandbox.Palette(); }, ReadPatience));
    });
    server.Get("/api/project", [this, call](const httplib::Request& request, httplib::Response& response) {
        const std::size_t offset = NumberParam(request, "offset", 0);
        const std::size_t count = NumberParam(request, "count", 100);
        Send(response, call([this, offset, count] { return _sandbox.Project(offset, count); }, ReadPatience));
    });
    server.Get("/api/names", [this, call](const httplib::Request& request, httplib::Response& response) {
        const std::size_t offset = NumberParam(request, "offset", 0);
        const std::size_t count = NumberParam(request, "count", 0);
        const std::string type = request.get_param_value("type");
        Send(response,
             call([this, offset, count, type] { return _sandbox.Names(offset, count, type); }, ReadPatience));
    });
    server.Get("/api/webapp", [this, call](const httplib::Request&, httplib::Response& response) {
        Send(response, call([this] { return _sandbox.WebApp(); }, ReadPatience));
    });
    server.Get("/api/page.png", [this, call](const httplib::Request&, httplib::Response& response) {
        Send(response, call([this] { return _sandbox.PagePicture(); }, ReadPatience));
    });
    server.Get("/api/scenario", [this, call](const httplib::Request&, httplib::Response& response) {
        Send(response, call([this] { return _sandbox.ScenarioText(); }, ReadPatience));
    });
    server.Get("/api/log", [this](const httplib::Request& request, httplib::Response& response) {
        const std::string which = request.get_param_value("which");
        if (which != "transcript" && which != "addon") {
            Send(response, Reply{400, R"({"error":"which=transcript or which=addon"})"});
            return;
        }
        Send(response, LogChunk(which == "transcript" ? _files.transcript : _files.addonLog,
                                NumberParam(request, "after", 0)));
    });
    // A GET of an action reaches the gate's 405 before these.
    server.Post("/api/step", [this](const httplib::Request& request, httplib::Response& response) {
        Send(response, _queue.Call([this, body = request.body](
                                       const ReplySlot& slot) { _sandbox.PostStep(body, slot); },
                                   StepPatience));
    });
    server.Post("/api/answer", [this, call](const httplib::Request& request, httplib::Response& response) {
        Send(response, call([this, body = request.body] { return _sandbox.PostAnswer(body); }, ReadPatience));
    });
    server.Post("/api/expect", [this, call](const httplib::Request& request, httplib::Response& response) {
        Send(response, call([this, body = request.body] { return _sandbox.PostExpect(body); }, ReadPatience));
    });
    server.Post("/api/save", [this, call](const httplib::Request& request, httplib::Response& response) {
        Send(response, call([this, body = request.body] { return _sandbox.PostSave(body); }, ReadPatience));
    });
    server.Post("/api/quit", [this, call](const httplib::Request&, httplib::Response& response) {
        Send(response, call([this] { return _sandbox.Quit(); }, ReadPatience));
    });
}

} // namespace VantrelSim::Tool
