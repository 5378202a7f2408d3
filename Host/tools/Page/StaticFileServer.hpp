#pragma once

// Serves the files of one folder over HTTP on the loopback interface, for the stand-in web
// application that the add-on's browser shows when the simulator runs a real browser.
//
// It listens on 127.0.0.1 only, on a free port, and answers GET and HEAD requests for files
// below its folder (nothing above it: paths with ".." or a backslash are refused); "/" is
// "/index.html". One thread of its own accepts and answers, one request per connection; it reads
// all connections as their bytes come, so a browser's idle connections hold up nothing. The destructor stops
// the thread and closes the socket. Throws std::runtime_error when it cannot listen.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

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
    void Serve();
    void Answer(int connection, const std::string& head) const;

    std::filesystem::path _folder;
    int _listener = -1;
    int _wakeRead = -1;
    int _wakeWrite = -1;
    std::uint16_t _port = 0;
    std::atomic<bool> _stopping{false};
    std::thread _thread;
};

} // namespace VantrelSim::Tool
