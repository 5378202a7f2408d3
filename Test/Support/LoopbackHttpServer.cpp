#include "Support/LoopbackHttpServer.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace TestSupport {

namespace {

// A request head larger than this is refused; tests never send one.
constexpr std::size_t MaxHeadBytes = 64 * 1024;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string PercentDecoded(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) != 0 &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2])) != 0) {
            decoded.push_back(static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16)));
            i += 2;
        } else {
            decoded.push_back(text[i]);
        }
    }
    return decoded;
}

std::string ContentTypeOf(const std::filesystem::path& file) {
    static const std::map<std::string, std::string> types{
        {".html", "text/html; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".json", "application/json; charset=utf-8"},
        {".svg", "image/svg+xml"},
        {".png", "image/png"},
        {".ico", "image/x-icon"},
    };
    const auto type = types.find(Lower(file.extension().string()));
    return type != types.end() ? type->second : "application/octet-stream";
}

std::string ReasonOf(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    default:
        return "Status";
    }
}

void SendAll(int socket, std::string_view data) {
    while (!data.empty()) {
        const ssize_t sent = send(socket, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return; // the browser went away; nothing to tell it any more
        }
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
}

} // namespace

struct LoopbackHttpServer::Connection {
    int socket = -1;
    std::string received;
};

LoopbackHttpServer::LoopbackHttpServer() {
    _listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (_listener < 0) {
        throw std::system_error(errno, std::system_category(), "socket");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    if (bind(_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(_listener, 64) != 0 ||
        getsockname(_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const int error = errno;
        close(_listener);
        throw std::system_error(error, std::system_category(), "cannot listen on 127.0.0.1");
    }
    _port = ntohs(address.sin_port);
    std::array<int, 2> wake{-1, -1};
    if (pipe2(wake.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        const int error = errno;
        close(_listener);
        throw std::system_error(error, std::system_category(), "pipe2");
    }
    _wakeRead = wake[0];
    _wakeWrite = wake[1];
    _thread = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    const char stop = 1;
    [[maybe_unused]] const ssize_t ignored = write(_wakeWrite, &stop, 1);
    _thread.join();
    close(_listener);
    close(_wakeRead);
    close(_wakeWrite);
}

void LoopbackHttpServer::ServeFolder(std::filesystem::path folder) {
    const std::lock_guard lock(_mutex);
    _folder = std::move(folder);
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

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::Requests() const {
    const std::lock_guard lock(_mutex);
    return _requests;
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::RequestsFor(const std::string& path) const {
    std::vector<Request> matching;
    for (Request& request : Requests()) {
        if (request.path == path) {
            matching.push_back(std::move(request));
        }
    }
    return matching;
}

void LoopbackHttpServer::Serve() {
    std::vector<std::unique_ptr<Connection>> connections;
    for (;;) {
        std::vector<pollfd> entries{{_wakeRead, POLLIN, 0}, {_listener, POLLIN, 0}};
        for (const auto& connection : connections) {
            entries.push_back({connection->socket, POLLIN, 0});
        }
        if (poll(entries.data(), entries.size(), -1) < 0 && errno != EINTR) {
            break;
        }
        if ((entries[0].revents & POLLIN) != 0) {
            break;
        }
        if ((entries[1].revents & POLLIN) != 0) {
            const int accepted = accept4(_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (accepted >= 0) {
                connections.push_back(std::make_unique<Connection>(Connection{accepted, {}}));
            }
        }
        std::vector<int> finished;
        for (std::size_t i = 2; i < entries.size(); ++i) {
            if ((entries[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            Connection& connection = *connections[i - 2];
            if (!HandleReadable(connection)) {
                finished.push_back(connection.socket);
            }
        }
        std::erase_if(connections, [&finished](const auto& connection) {
            if (std::find(finished.begin(), finished.end(), connection->socket) == finished.end()) {
                return false;
            }
            close(connection->socket);
            return true;
        });
    }
    for (const auto& connection : connections) {
        close(connection->socket);
    }
}

bool LoopbackHttpServer::HandleReadable(Connection& connection) {
    std::array<char, 8192> chunk{};
    const ssize_t received = recv(connection.socket, chunk.data(), chunk.size(), MSG_DONTWAIT);
    if (received <= 0) {
        return received < 0 && (errno == EAGAIN || errno == EINTR);
    }
    connection.received.append(chunk.data(), static_cast<std::size_t>(received));
    const std::size_t headEnd = connection.received.find("\r\n\r\n");
    if (headEnd == std::string::npos) {
        return connection.received.size() < MaxHeadBytes;
    }
    std::istringstream head(connection.received.substr(0, headEnd));
    std::string line;
    std::getline(head, line);
    Request request;
    std::string target;
    std::istringstream(line) >> request.method >> target;
    const std::size_t queryStart = target.find('?');
    request.path = PercentDecoded(target.substr(0, queryStart));
    request.query = queryStart == std::string::npos ? std::string() : target.substr(queryStart + 1);
    while (std::getline(head, line)) {
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            if (!value.empty() && value.back() == '\r') {
                value.pop_back();
            }
            request.headers[Lower(line.substr(0, colon))] = value;
        }
    }
    {
        const std::lock_guard lock(_mutex);
        _requests.push_back(request);
    }
    const Response response = Answer(request);
    std::string text =
        "HTTP/1.1 " + std::to_string(response.status) + " " + ReasonOf(response.status) + "\r\n";
    text += "Content-Type: " + response.contentType + "\r\n";
    text += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    text += "Connection: close\r\n";
    for (const auto& [name, value] : response.headers) {
        text += name + ": " + value + "\r\n";
    }
    text += "\r\n";
    if (request.method != "HEAD") {
        text += response.body;
    }
    SendAll(connection.socket, text);
    return false;
}

LoopbackHttpServer::Response LoopbackHttpServer::Answer(const Request& request) {
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
    return ServeFile(request);
}

LoopbackHttpServer::Response LoopbackHttpServer::ServeFile(const Request& request) const {
    std::filesystem::path folder;
    {
        const std::lock_guard lock(_mutex);
        folder = _folder;
    }
    const Response notFound{404, "text/plain; charset=utf-8", "not found", {}};
    if (folder.empty() || request.path.empty() || request.path.front() != '/' ||
        request.path.find("..") != std::string::npos) {
        return notFound;
    }
    const std::string relative = request.path == "/" ? std::string("index.html") : request.path.substr(1);
    const std::filesystem::path file = folder / relative;
    std::ifstream stream(file, std::ios::binary);
    if (!stream || std::filesystem::is_directory(file)) {
        return notFound;
    }
    std::ostringstream body;
    body << stream.rdbuf();
    return Response{200, ContentTypeOf(file), body.str(), {}};
}

} // namespace TestSupport
