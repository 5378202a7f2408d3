#pragma once

// The sandbox's HTTP server on 127.0.0.1: the page, the panes' data and the person's actions.
// Every request passes the AccessGate first; requests that read or change the run go to the main
// thread through the MainQueue (the Sandbox answers them there); the transcript and the add-on's
// log are read from their files on the server's own threads, as they are written.
//
// Construct, Bind and Start on the main thread; Stop from any thread. The server's threads never
// touch the host, the add-on or the dialog library.

#include "Serve/AccessGate.hpp"
#include "Serve/MainQueue.hpp"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace VantrelSim::Tool {

class Sandbox;

struct SandboxFiles {
    std::filesystem::path page;       // the page's folder: index.html, sandbox.js, sandbox.css
    std::filesystem::path transcript; // streamed to the page as written
    std::filesystem::path addonLog;
};

class SandboxServer {
public:
    SandboxServer(MainQueue& queue, Sandbox& sandbox, SandboxFiles files, std::string token);
    ~SandboxServer();
    SandboxServer(const SandboxServer&) = delete;
    SandboxServer& operator=(const SandboxServer&) = delete;

    // Listens on 127.0.0.1:`port` (0: a free port); answers the port, or throws std::runtime_error.
    int Bind(int port);
    void Start();
    void Stop();
    std::string Address() const;

private:
    void Routes();

    MainQueue& _queue;
    Sandbox& _sandbox;
    SandboxFiles _files;
    std::string _token;
    std::optional<AccessGate> _gate;
    std::string _pageHtml;
    std::unique_ptr<httplib::Server> _server;
    std::thread _thread;
};

} // namespace VantrelSim::Tool
