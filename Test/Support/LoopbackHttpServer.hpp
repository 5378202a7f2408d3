#pragma once

// A small HTTP/1.1 server on 127.0.0.1 for tests that drive a real browser: it serves files
// of a folder and answers routes set by the test, one response per connection.
//
// It listens on a free port of the loopback interface only and serves any number of
// connections at once (browsers open connections they do not use at once). Route handlers run
// on the server's worker threads, one request at a time per connection. The destructor stops
// the server and waits for its threads.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace httplib {
class Server;
}

namespace TestSupport {

class LoopbackHttpServer {
public:
    struct Request {
        std::string path;                           // without the query, percent-decoded
        std::map<std::string, std::string> headers; // names lower-cased
    };

    struct Response {
        int status = 200;
        std::string contentType = "text/html; charset=utf-8";
        std::string body;
        std::vector<std::pair<std::string, std::string>> headers;
    };

    using Handler = std::function<Response(const Request&)>;

    LoopbackHttpServer();
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    // Files under the folder answer the GET requests they match ("/" is "/index.html"), ahead of
    // the routes. Set it before the browser asks the server for anything.
    void ServeFolder(const std::filesystem::path& folder);
    // An exact path (without query).
    void Route(const std::string& path, Handler handler);
    void Route(const std::string& path, std::string html);

    std::uint16_t Port() const noexcept { return _port; }
    // "http://127.0.0.1:<port>"
    std::string Origin() const;
    std::string URL(std::string_view path) const;

    // The requests that reached a route or went unanswered (404), in order.
    std::vector<Request> RequestsFor(const std::string& path) const;

private:
    Response Answer(const Request& request) const;

    std::unique_ptr<httplib::Server> _server;
    std::uint16_t _port = 0;
    std::atomic<bool> _listenEnded{false};
    std::thread _thread;

    mutable std::mutex _mutex;
    std::unordered_map<std::string, Handler> _routes;
    std::vector<Request> _requests;
};

} // namespace TestSupport
