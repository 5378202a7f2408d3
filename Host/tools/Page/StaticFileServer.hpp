#pragma once

// Serves the files of one folder over HTTP on the loopback interface, for the stand-in web
// application that the add-on's browser shows when the simulator runs a real browser.
//
// It listens on 127.0.0.1 only, on a free port, and answers GET and HEAD requests for files
// below its folder (nothing above it: paths with ".." or a backslash are refused); "/" is
// "/index.html". One request per connection; a browser's idle connections hold up nothing. The
// destructor stops the server and waits for its threads. Throws std::runtime_error when it
// cannot listen.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace VantrelSim::Tool {

class StaticFileServer {
public:
    explicit StaticFileServer(std::filesystem::path folder);
    ~StaticFileServer();
    StaticFileServer(const StaticFileServer&) = delete;
    StaticFileServer& operator=(const StaticFileServer&) = delete;

    std::uint16_t Port() const { return _port; }
    // "http://127.0.0.1:<port>/"
    std::string BaseURL() const;

private:
    std::filesystem::path _folder;
    std::unique_ptr<httplib::Server> _server;
    std::uint16_t _port = 0;
    std::atomic<bool> _listenEnded{false};
    std::thread _thread;
};

} // namespace VantrelSim::Tool
