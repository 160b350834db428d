#pragma once

#include <cstddef>
#include <string>

// One HTTP GET over libcurl, made on the calling thread with an easy handle of its own that lives only for
// the call, so no handle is ever shared between threads or touched by another one.

// The phases of a transfer that libcurl lets us observe.
enum class HttpPhase {
    ResolvingName,    // info: the host name
    NameResolved,     // info: the address it resolved to
    Connecting,       // a socket is being connected
    Connected,        // the connection is up, the request is about to be sent
    RequestSent,      // the request has gone out
    ResponseReceived, // the headers of a response have arrived
    Redirected,       // info: the address a redirect is followed to
    ClosingConnection,
    ConnectionClosed,
};

class HttpObserver {
public:
    virtual ~HttpObserver() = default;
    virtual void phase(HttpPhase phase, const std::string& info) = 0;
    // Called once, when the final response's headers have arrived; false ends the transfer without
    // reading its body.
    virtual bool acceptResponse(long status, const std::string& contentType) = 0;
    // Called for each redirect, with the absolute address it leads to, before anything is sent there;
    // false ends the transfer.
    virtual bool followRedirect(const std::string& target) = 0;
    // Body bytes of the accepted response, in order.
    virtual void body(const char* data, std::size_t size) = 0;
    // Polled at least once a second while the transfer waits; true ends it at once.
    virtual bool stopRequested() const = 0;
};

struct HttpRequest {
    std::string url; // http or https; other schemes are refused
    std::string userAgent;
    long connectTimeoutMs = 30000;
    long stallTimeoutSeconds = 60; // a transfer that receives nothing for this long fails
    long totalTimeoutMs = 0;       // the whole transfer, redirects included; 0 for no limit
    std::size_t maxBodyBytes = 8u << 20;
    long maxRedirects = 20;   // redirects followed; the next one ends the transfer
    bool reportPhases = true; // false: the observer's phase() is never called
    // Ask for every content coding this libcurl can decode (gzip, deflate, brotli, zstd); maxBodyBytes
    // then bounds the decoded body, so a small body that inflates without end stops at the cap.
    bool compressed = true;
    // An https server must show a certificate that the system trusts and that names it; false accepts
    // any, for one's own test server with a self-signed certificate.
    bool verifyCertificates = true;
};

struct HttpResult {
    enum Outcome {
        Done,             // the whole response was read (or refused by acceptResponse)
        NoResponse,       // resolving, connecting or sending failed: no response arrived
        TimedOut,         // like NoResponse, ended by the connect time-out
        ReadFailed,       // the response broke off or stalled
        TooLarge,         // the body passed maxBodyBytes
        Stopped,          // stopRequested() ended it
        TimeLimit,        // totalTimeoutMs passed, whatever was under way
        RedirectRefused,  // followRedirect() said no to redirectUrl
        TooManyRedirects, // one more than maxRedirects
        Untrusted,        // the https server's certificate was refused; error says why
    };
    Outcome outcome = NoResponse;
    long status = 0;         // the final response's status, 0 when none arrived
    std::string contentType; // its Content-Type header, empty when absent
    bool accepted = false;   // acceptResponse() said yes
    std::string error;       // libcurl's text for a failure
    std::string redirectUrl; // where the last redirect led (RedirectRefused, TooManyRedirects)
    // Body bytes of the final response as they crossed the network, and as decoded and delivered.
    std::size_t wireBytes = 0;
    std::size_t bodyBytes = 0;
};

HttpResult HttpGet(const HttpRequest& request, HttpObserver& observer);

// libcurl's process-wide set-up; call once before any thread fetches (the crawl control does).
void HttpGlobalInit();
