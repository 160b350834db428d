#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A small HTTP server on 127.0.0.1 for the crawler's tests: it serves pages from memory and can misbehave
// on purpose (never answer, cut a body, send without end, redirect in a loop).
class LoopbackServer {
public:
    struct Reply {
        enum Kind { Page, Stall, CutBody, Endless, Slow, Drop };
        Kind kind = Page;
        int status = 200;
        std::string contentType = "text/html";
        std::string body;
        std::string location; // a redirect's target
        std::string headers;  // further header lines, each ending in CR LF ("Content-Encoding: gzip\r\n")
        int byteDelayMs = 20; // Slow: the pause after each byte
    };
    using Handler = std::function<Reply(const std::string& path)>;

    explicit LoopbackServer(Handler handler);
    ~LoopbackServer(); // ends every connection, stalled ones included

    int port() const { return m_port; }
    std::string url(const std::string& path = "/") const;
    // The request paths received so far, in order, and the agent string and Accept-Encoding of each.
    std::vector<std::string> requests() const;
    std::vector<std::string> agents() const;
    std::vector<std::string> acceptedEncodings() const;

    static Reply page(std::string body, std::string contentType = "text/html");
    static Reply status(int code);
    static Reply redirect(std::string location);
    static Reply of(Reply::Kind kind, std::string body = {});

private:
    void acceptLoop();
    void serve(int socket);
    bool sendAll(int socket, const std::string& data);

    Handler m_handler;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptThread;
    mutable std::mutex m_mutex;
    std::vector<std::thread> m_connections;
    std::vector<std::string> m_requests;
    std::vector<std::string> m_agents;
    std::vector<std::string> m_encodings;
};
