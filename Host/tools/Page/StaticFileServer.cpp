#include "Page/StaticFileServer.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace VantrelSim::Tool {

namespace {

constexpr std::size_t MaxRequestBytes = 16 * 1024;

std::string_view ContentType(const std::filesystem::path& file) {
    const std::string extension = file.extension().string();
    if (extension == ".html") {
        return "text/html; charset=utf-8";
    }
    if (extension == ".js") {
        return "text/javascript; charset=utf-8";
    }
    if (extension == ".css") {
        return "text/css; charset=utf-8";
    }
    if (extension == ".json") {
        return "application/json; charset=utf-8";
    }
    if (extension == ".svg") {
        return "image/svg+xml";
    }
    if (extension == ".png") {
        return "image/png";
    }
    return "application/octet-stream";
}

void SendAll(int connection, std::string_view data) {
    while (!data.empty()) {
        const ssize_t sent = ::send(connection, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent <= 0) {
            if (sent < 0 && errno == EINTR) {
                continue;
            }
            return;
        }
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
}

void Respond(int connection, int status, std::string_view reason, std::string_view type,
             const std::string& body, bool withBody) {
    std::ostringstream head;
    head << "HTTP/1.1 " << status << ' ' << reason << "\r\n"
         << "Content-Type: " << type << "\r\n"
         << "Content-Length: " << body.size() << "\r\n"
         << "Cache-Control: no-store\r\n"
         << "Connection: close\r\n\r\n";
    SendAll(connection, head.str());
    if (withBody) {
        SendAll(connection, body);
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The percent-decoded path without query; nullopt-like empty for a malformed one.
std::string DecodePath(std::string_view target) {
    target = target.substr(0, target.find_first_of("?#"));
    std::string path;
    for (std::size_t i = 0; i < target.size(); ++i) {
        if (target[i] == '%' && i + 2 < target.size()) {
            const int high = HexDigit(target[i + 1]);
            const int low = HexDigit(target[i + 2]);
            if (high < 0 || low < 0) {
                return {};
            }
            path += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            path += target[i];
        }
    }
    return path;
}

} // namespace

StaticFileServer::StaticFileServer(std::filesystem::path folder) : _folder(std::move(folder)) {
    _listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (_listener < 0) {
        throw std::runtime_error(std::string("cannot open a socket: ") + std::strerror(errno));
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    std::array<int, 2> wake{};
    if (::bind(_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(_listener, 64) != 0 ||
        ::getsockname(_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(wake.data(), O_CLOEXEC) != 0) {
        const std::string reason = std::strerror(errno);
        ::close(_listener);
        throw std::runtime_error("cannot serve on the loopback interface: " + reason);
    }
    _wakeRead = wake[0];
    _wakeWrite = wake[1];
    _port = ntohs(address.sin_port);
    _thread = std::thread([this] { Serve(); });
}

StaticFileServer::~StaticFileServer() {
    _stopping = true;
    const char stop = 's';
    [[maybe_unused]] const ssize_t written = ::write(_wakeWrite, &stop, 1);
    if (_thread.joinable()) {
        _thread.join();
    }
    ::close(_listener);
    ::close(_wakeRead);
    ::close(_wakeWrite);
}

std::string StaticFileServer::BaseURL() const {
    return "http://127.0.0.1:" + std::to_string(_port) + "/";
}

void StaticFileServer::Serve() {
    // Browsers open connections ahead of need and leave some idle: every connection is read as
    // its bytes come, so an idle one never holds up the others.
    struct Connection {
        int fd;
        std::string head;
    };
    std::vector<Connection> connections;
    while (!_stopping) {
        std::vector<pollfd> waits{{_listener, POLLIN, 0}, {_wakeRead, POLLIN, 0}};
        for (const Connection& connection : connections) {
            waits.push_back({connection.fd, POLLIN, 0});
        }
        if (::poll(waits.data(), waits.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if ((waits[1].revents & POLLIN) != 0) {
            break;
        }
        for (std::size_t i = connections.size(); i-- > 0;) {
            if (waits[i + 2].revents == 0) {
                continue;
            }
            Connection& connection = connections[i];
            std::array<char, 4096> buffer{};
            const ssize_t got = ::recv(connection.fd, buffer.data(), buffer.size(), 0);
            bool done = got <= 0;
            if (got > 0) {
                connection.head.append(buffer.data(), static_cast<std::size_t>(got));
                if (connection.head.find("\r\n\r\n") != std::string::npos) {
                    Answer(connection.fd, connection.head);
                    done = true;
                } else {
                    done = connection.head.size() > MaxRequestBytes;
                }
            }
            if (done) {
                ::close(connection.fd);
                connections.erase(connections.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        if ((waits[0].revents & POLLIN) != 0) {
            const int fd = ::accept4(_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                connections.push_back({fd, {}});
            }
        }
    }
    for (const Connection& connection : connections) {
        ::close(connection.fd);
    }
}

void StaticFileServer::Answer(int connection, const std::string& head) const {
    const std::size_t lineEnd = head.find("\r\n");
    if (lineEnd == std::string::npos) {
        return;
    }
    std::istringstream line(head.substr(0, lineEnd));
    std::string method;
    std::string target;
    line >> method >> target;
    if (method != "GET" && method != "HEAD") {
        Respond(connection, 405, "Method Not Allowed", "text/plain", "only GET and HEAD\n", true);
        return;
    }
    const bool withBody = method == "GET";
    std::string path = DecodePath(target);
    if (path.empty() || path[0] != '/' || path.find("..") != std::string::npos ||
        path.find('\\') != std::string::npos || path.find('\0') != std::string::npos) {
        Respond(connection, 400, "Bad Request", "text/plain", "bad path\n", withBody);
        return;
    }
    if (path == "/") {
        path = "/index.html";
    }
    const std::filesystem::path file = _folder / path.substr(1);
    std::ifstream stream(file, std::ios::binary);
    if (!stream || std::filesystem::is_directory(file)) {
        Respond(connection, 404, "Not Found", "text/plain", "not found\n", withBody);
        return;
    }
    std::ostringstream body;
    body << stream.rdbuf();
    Respond(connection, 200, "OK", ContentType(file), body.str(), withBody);
}

} // namespace VantrelSim::Tool
