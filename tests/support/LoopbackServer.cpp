#include "tests/support/LoopbackServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::string headerValue(const std::string& request, const std::string& name) {
    const size_t at = request.find("\r\n" + name + ": ");
    if (at == std::string::npos)
        return {};
    const size_t start = at + name.size() + 4;
    return request.substr(start, request.find("\r\n", start) - start);
}

const char* reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

} // namespace

LoopbackServer::LoopbackServer(Handler handler) : m_handler(std::move(handler)) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_listener, 64);
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    m_stopping = true;
    ::shutdown(m_listener, SHUT_RDWR);
    ::close(m_listener);
    m_acceptThread.join();
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(m_mutex);
        connections.swap(m_connections);
    }
    for (std::thread& connection : connections)
        connection.join();
}

std::string LoopbackServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<std::string> LoopbackServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<std::string> LoopbackServer::agents() const {
    std::lock_guard lock(m_mutex);
    return m_agents;
}

std::vector<std::string> LoopbackServer::acceptedEncodings() const {
    std::lock_guard lock(m_mutex);
    return m_encodings;
}

LoopbackServer::Reply LoopbackServer::page(std::string body, std::string contentType) {
    Reply reply;
    reply.body = std::move(body);
    reply.contentType = std::move(contentType);
    return reply;
}

LoopbackServer::Reply LoopbackServer::status(int code) {
    Reply reply;
    reply.status = code;
    reply.body = "status " + std::to_string(code);
    return reply;
}

LoopbackServer::Reply LoopbackServer::redirect(std::string location) {
    Reply reply;
    reply.status = 302;
    reply.location = std::move(location);
    return reply;
}

LoopbackServer::Reply LoopbackServer::of(Reply::Kind kind, std::string body) {
    Reply reply;
    reply.kind = kind;
    reply.body = std::move(body);
    return reply;
}

void LoopbackServer::acceptLoop() {
    while (!m_stopping) {
        const int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            return;
        std::lock_guard lock(m_mutex);
        m_connections.emplace_back([this, socket] {
            serve(socket);
            ::close(socket);
        });
    }
}

bool LoopbackServer::sendAll(int socket, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size() && !m_stopping) {
        const ssize_t n = ::send(socket, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return sent == data.size();
}

void LoopbackServer::serve(int socket) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        request.append(buffer, static_cast<size_t>(n));
    }
    const size_t pathStart = request.find(' ') + 1;
    const std::string path = request.substr(pathStart, request.find(' ', pathStart) - pathStart);
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(path);
        m_agents.push_back(headerValue(request, "User-Agent"));
        m_encodings.push_back(headerValue(request, "Accept-Encoding"));
    }
    const Reply reply = m_handler(path);
    if (reply.kind == Reply::Drop)
        return; // closed without a word
    // A server that never answers: the connection stays open until the client gives up or the test ends.
    if (reply.kind == Reply::Stall) {
        pollfd watch{socket, POLLIN, 0};
        while (!m_stopping && ::poll(&watch, 1, 50) == 0) {
        }
        return;
    }
    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + reason(reply.status) + "\r\n";
    head += "Connection: close\r\n";
    if (!reply.contentType.empty())
        head += "Content-Type: " + reply.contentType + "\r\n";
    if (!reply.location.empty())
        head += "Location: " + reply.location + "\r\n";
    head += reply.headers;
    if (reply.kind == Reply::CutBody)
        head += "Content-Length: " + std::to_string(reply.body.size() * 2) + "\r\n";
    else if (reply.kind != Reply::Endless)
        head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    if (!sendAll(socket, head + "\r\n"))
        return;
    switch (reply.kind) {
    case Reply::Endless: {
        const std::string block(64 * 1024, 'x');
        while (sendAll(socket, block)) {
        }
        return;
    }
    case Reply::Slow:
        for (char c : reply.body) {
            if (!sendAll(socket, std::string(1, c)))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(reply.byteDelayMs));
        }
        return;
    default:
        sendAll(socket, reply.body);
    }
}
