#pragma once

// `vantrel-sim serve` as a child process for tests: started with its output folder, its address
// read from the first line it prints, spoken to over loopback HTTP with exact requests (so a test
// can send a foreign Host header or no token), and quit through its page's own action. Waits are
// on the child's pipe with deadlines, never sleeps.

#include "SimProgram.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace SimTest {

struct HttpAnswer {
    int status = 0;
    std::string body;
};

struct HttpAsk {
    std::string method = "GET";
    std::string path = "/api/state";
    std::optional<std::string> host;  // default: 127.0.0.1:PORT
    std::optional<std::string> token; // default: the sandbox's
    std::string contentType;
    std::string body;
};

class SandboxProcess {
public:
    SandboxProcess(const std::filesystem::path& folder, const std::vector<std::string>& options) {
        int pipeEnds[2] = {-1, -1};
        if (::pipe(pipeEnds) != 0) {
            throw std::runtime_error("no pipe");
        }
        std::vector<std::string> line{ATC_SIM_PROGRAM, "serve"};
        line.insert(line.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& argument : line) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        const std::string err = (folder / "serve-err.txt").string();
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
        const int spawned = posix_spawn(&_child, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeEnds[1]);
        _out = pipeEnds[0];
        if (spawned != 0) {
            throw std::runtime_error("cannot start the sandbox");
        }
        const std::string first = ReadLine(std::chrono::seconds(60));
        const std::size_t at = first.find("http://127.0.0.1:");
        const std::size_t tokenAt = first.find("?token=");
        if (at == std::string::npos || tokenAt == std::string::npos) {
            throw std::runtime_error("the sandbox printed no address: " + first);
        }
        port = std::stoi(first.substr(at + 17));
        token = first.substr(tokenAt + 7);
    }

    ~SandboxProcess() {
        if (_child > 0) {
            ::kill(_child, SIGKILL);
            int status = 0;
            ::waitpid(_child, &status, 0);
        }
        if (_out >= 0) {
            ::close(_out);
        }
    }

    HttpAnswer Ask(const HttpAsk& ask) const {
        const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(socket);
            throw std::runtime_error("cannot reach the sandbox");
        }
        std::string request = ask.method + " " + ask.path +
                              " HTTP/1.1\r\nHost: " + ask.host.value_or("127.0.0.1:" + std::to_string(port)) +
                              "\r\nConnection: close\r\n";
        if (const std::string sent = ask.token.value_or(token); !sent.empty()) {
            request += "X-Sandbox-Token: " + sent + "\r\n";
        }
        if (!ask.contentType.empty()) {
            request += "Content-Type: " + ask.contentType + "\r\n";
        }
        request += "Content-Length: " + std::to_string(ask.body.size()) + "\r\n\r\n" + ask.body;
        for (std::size_t sent = 0; sent < request.size();) {
            const ssize_t n = ::send(socket, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                break;
            }
            sent += static_cast<std::size_t>(n);
        }
        std::string response;
        char buffer[65536];
        for (ssize_t n; (n = ::recv(socket, buffer, sizeof buffer, 0)) > 0;) {
            response.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(socket);
        HttpAnswer answer;
        if (response.starts_with("HTTP/1.1 ") && response.size() > 12) {
            answer.status = std::stoi(response.substr(9, 3));
        }
        const std::size_t body = response.find("\r\n\r\n");
        answer.body = body == std::string::npos ? std::string() : response.substr(body + 4);
        return answer;
    }

    HttpAnswer Get(const std::string& path) const { return Ask({"GET", path, {}, {}, "", ""}); }
    HttpAnswer Post(const std::string& path, const std::string& json) const {
        return Ask({"POST", path, {}, {}, "application/json", json});
    }

    // Quits through the page's action and waits for the run to finish; answers its exit code.
    int Quit() {
        Post("/api/quit", "{}");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd watch{_out, POLLIN, 0};
            if (::poll(&watch, 1, 1000) > 0) {
                char buffer[4096];
                if (::read(_out, buffer, sizeof buffer) <= 0) {
                    break; // the child closed its output: it is ending
                }
            }
        }
        int status = 0;
        ::waitpid(_child, &status, 0);
        _child = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    int port = 0;
    std::string token;

private:
    std::string ReadLine(std::chrono::seconds patience) {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd watch{_out, POLLIN, 0};
            if (::poll(&watch, 1, 1000) <= 0) {
                continue;
            }
            char c = 0;
            if (::read(_out, &c, 1) != 1) {
                break;
            }
            if (c == '\n') {
                return line;
            }
            line += c;
        }
        return line;
    }

    pid_t _child = -1;
    int _out = -1;
};

} // namespace SimTest
