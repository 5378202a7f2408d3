#include "Page/StaticFileServer.hpp"

#include <httplib.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace VantrelSim::Tool {

StaticFileServer::StaticFileServer(std::filesystem::path folder)
    : _folder(std::move(folder)), _server(std::make_unique<httplib::Server>()) {
    // The browser's preconnections wait on a worker each; closing after one answer frees it.
    _server->set_keep_alive_max_count(1);
    _server->set_pre_routing_handler([](const httplib::Request& request, httplib::Response& response) {
        if (request.method != "GET" && request.method != "HEAD") {
            response.status = 405;
            response.set_content("only GET and HEAD\n", "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        }
        // The path arrives percent-decoded, so an encoded ".." is caught here as well.
        if (request.path.find("..") != std::string::npos || request.path.find('\\') != std::string::npos ||
            request.path.find('\0') != std::string::npos) {
            response.status = 400;
            response.set_content("bad path\n", "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    for (const auto& [extension, type] : {std::pair{"html", "text/html; charset=utf-8"},
                                          {"js", "text/javascript; charset=utf-8"},
                                          {"css", "text/css; charset=utf-8"},
                                          {"json", "application/json; charset=utf-8"}}) {
        _server->set_file_extension_and_mimetype_mapping(extension, type);
    }
    // A missing folder serves nothing: every request is answered 404.
    _server->set_mount_point("/", _folder.string(), {{"Cache-Control", "no-store"}});

    const int port = _server->bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        throw std::runtime_error(std::string("cannot serve on the loopback interface: ") +
                                 std::strerror(errno));
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

StaticFileServer::~StaticFileServer() {
    _server->stop();
    _thread.join();
}

std::string StaticFileServer::BaseURL() const {
    return "http://127.0.0.1:" + std::to_string(_port) + "/";
}

} // namespace VantrelSim::Tool
