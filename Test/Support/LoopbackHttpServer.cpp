#include "Support/LoopbackHttpServer.hpp"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <stdexcept>

namespace TestSupport {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

LoopbackHttpServer::Request RequestOf(const httplib::Request& received) {
    LoopbackHttpServer::Request request{received.path, {}}; // the library percent-decodes the path
    for (const auto& [name, value] : received.headers) {
        request.headers.insert_or_assign(Lower(name), value);
    }
    return request;
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer() : _server(std::make_unique<httplib::Server>()) {
    // One answer per connection: a connection the browser keeps idle holds one of the library's
    // workers until its keep-alive time runs out, so none is kept after its answer.
    _server->set_keep_alive_max_count(1);
    const auto answer = [this](const httplib::Request& received, httplib::Response& response) {
        const Request request = RequestOf(received);
        {
            const std::lock_guard lock(_mutex);
            _requests.push_back(request);
        }
        const Response answered = Answer(request);
        response.status = answered.status;
        for (const auto& [name, value] : answered.headers) {
            response.set_header(name, value);
        }
        response.set_content(answered.body, answered.contentType);
    };
    // Routes and the folder may change while the server runs, so one catch-all handler looks
    // them up under the lock instead of the library's own tables.
    _server->Get(".*", answer);
    _server->Post(".*", answer);
    _server->Put(".*", answer);
    _server->Patch(".*", answer);
    _server->Delete(".*", answer);
    _server->Options(".*", answer);

    const int port = _server->bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    _port = static_cast<std::uint16_t>(port);
    _thread = std::thread([this] {
        _server->listen_after_bind();
        _listenEnded = true;
    });
    // stop() does nothing until the server runs: the destructor must not come before that.
    while (!_server->is_running() && !_listenEnded) {
        std::this_thread::yield();
    }
}

LoopbackHttpServer::~LoopbackHttpServer() {
    _server->stop();
    _thread.join();
}

void LoopbackHttpServer::ServeFolder(const std::filesystem::path& folder) {
    for (const auto& [extension, type] : {std::pair{"html", "text/html; charset=utf-8"},
                                          {"js", "text/javascript; charset=utf-8"},
                                          {"css", "text/css; charset=utf-8"},
                                          {"json", "application/json; charset=utf-8"}}) {
        _server->set_file_extension_and_mimetype_mapping(extension, type);
    }
    _server->set_mount_point("/", folder.string());
}

void LoopbackHttpServer::Route(const std::string& path, Handler handler) {
    const std::lock_guard lock(_mutex);
    _routes[path] = std::move(handler);
}

void LoopbackHttpServer::Route(const std::string& path, std::string html) {
    Route(path, [html = std::move(html)](const Request&) {
        return Response{200, "text/html; charset=utf-8", html, {}};
    });
}

std::string LoopbackHttpServer::Origin() const {
    return "http://127.0.0.1:" + std::to_string(_port);
}

std::string LoopbackHttpServer::URL(std::string_view path) const {
    return Origin() + std::string(path);
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::RequestsFor(const std::string& path) const {
    const std::lock_guard lock(_mutex);
    std::vector<Request> matching;
    std::copy_if(_requests.begin(), _requests.end(), std::back_inserter(matching),
                 [&](const Request& request) { return request.path == path; });
    return matching;
}

LoopbackHttpServer::Response LoopbackHttpServer::Answer(const Request& request) const {
    Handler handler;
    {
        const std::lock_guard lock(_mutex);
        if (const auto route = _routes.find(request.path); route != _routes.end()) {
            handler = route->second;
        }
    }
    if (handler) {
        try {
            return handler(request);
        } catch (const std::exception& e) {
            return Response{500, "text/plain; charset=utf-8", e.what(), {}};
        }
    }
    return Response{404, "text/plain; charset=utf-8", "not found", {}};
}

} // namespace TestSupport
