#include "platform/HttpTransfer.h"
#include "platform/AsciiText.h"

#include <arpa/inet.h>
#include <chrono>
#include <curl/curl.h>
#include <mutex>
#include <netinet/in.h>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct Transfer {
    Transfer(const HttpRequest& r, HttpObserver& o) : request(r), observer(o) {}
    const HttpRequest& request;
    HttpObserver& observer;
    CURL* curl = nullptr;
    std::string url;          // the address of the request in hand
    std::string host;         // its host name
    bool gotResponse = false; // a status line has arrived, on this request or an earlier one
    // What belongs to the response in hand; cleared before each request.
    std::string location;       // its Location header
    std::string redirectTarget; // the absolute address it redirects to
    bool decided = false;       // it was offered to acceptResponse as the final response
    bool refused = false;
    bool tooLarge = false;
    std::size_t received = 0;
    char errorText[CURL_ERROR_SIZE] = {};

    void phase(HttpPhase phase, const std::string& info = {}) {
        if (request.reportPhases)
            observer.phase(phase, info);
    }
    void newResponse() {
        location.clear();
        redirectTarget.clear();
        decided = refused = tooLarge = false;
        received = 0;
    }
};

Transfer& transferOf(void* data) {
    return *static_cast<Transfer*>(data);
}

std::string addressText(const sockaddr* address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
    else if (address->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text, sizeof text);
    return text;
}

bool isEndOfHeaders(std::string_view line) {
    return line == "\r\n" || line == "\n";
}

// The absolute address a Location header leads to from base, resolved as libcurl itself would; empty
// when it names none. Other schemes are resolved too, so that the caller can say where a refused
// redirect led.
std::string resolveLocation(const std::string& base, const std::string& location) {
    std::string target;
    CURLU* url = curl_url();
    if (!url)
        return target;
    char* text = nullptr;
    if (curl_url_set(url, CURLUPART_URL, base.c_str(), 0) == CURLUE_OK &&
        curl_url_set(url, CURLUPART_URL, location.c_str(), CURLU_NON_SUPPORT_SCHEME | CURLU_URLENCODE) ==
            CURLUE_OK &&
        curl_url_get(url, CURLUPART_URL, &text, 0) == CURLUE_OK) {
        target = text;
        curl_free(text);
    }
    curl_url_cleanup(url);
    return target;
}

// The end of each response's headers. A redirect ends its request without reading its body: where it
// leads is checked before any request goes there. The final response is offered to the observer, which
// may refuse its body.
bool endOfHeaders(Transfer& t) {
    long status = 0;
    curl_easy_getinfo(t.curl, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 100 && status < 200)
        return true; // an interim response; the real one follows
    t.phase(HttpPhase::ResponseReceived);
    if (status >= 300 && status < 400 && !t.location.empty()) {
        t.redirectTarget = resolveLocation(t.url, t.location);
        if (!t.redirectTarget.empty())
            return false;
    }
    char* type = nullptr;
    curl_easy_getinfo(t.curl, CURLINFO_CONTENT_TYPE, &type);
    t.decided = true;
    t.refused = !t.observer.acceptResponse(status, type ? type : "");
    return !t.refused;
}

size_t onHeader(char* buffer, size_t size, size_t count, void* data) {
    Transfer& t = transferOf(data);
    const std::string_view line(buffer, size * count);
    if (line.starts_with("HTTP/")) {
        t.gotResponse = true;
        t.location.clear();
    } else if (AsciiText::startsWithIgnoringCase(line, "location:")) {
        std::string_view value = line.substr(9);
        while (!value.empty() && AsciiText::isWhiteSpace(value.front()))
            value.remove_prefix(1);
        while (!value.empty() && AsciiText::isWhiteSpace(value.back()))
            value.remove_suffix(1);
        t.location = value;
    }
    if (isEndOfHeaders(line) && !endOfHeaders(t))
        return 0;
    return line.size();
}

size_t onBody(char* buffer, size_t size, size_t count, void* data) {
    Transfer& t = transferOf(data);
    const size_t length = size * count;
    if (!t.decided)
        return length; // the body of a redirect being followed
    t.received += length;
    if (t.received > t.request.maxBodyBytes) {
        t.tooLarge = true;
        return 0;
    }
    t.observer.body(buffer, length);
    return length;
}

int onProgress(void* data, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return transferOf(data).observer.stopRequested() ? 1 : 0;
}

int onResolverStart(void*, void*, void* data) {
    Transfer& t = transferOf(data);
    t.phase(HttpPhase::ResolvingName, t.host);
    return 0;
}

curl_socket_t onOpenSocket(void* data, curlsocktype, curl_sockaddr* address) {
    Transfer& t = transferOf(data);
    t.phase(HttpPhase::NameResolved, addressText(&address->addr));
    t.phase(HttpPhase::Connecting);
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

int onCloseSocket(void* data, curl_socket_t socket) {
    Transfer& t = transferOf(data);
    t.phase(HttpPhase::ClosingConnection);
    const int result = ::close(socket);
    t.phase(HttpPhase::ConnectionClosed);
    return result;
}

int onConnected(void* data, char* primaryIp, char*, int, int) {
    transferOf(data).phase(HttpPhase::Connected, primaryIp);
    return CURL_PREREQFUNC_OK;
}

int onDebug(CURL*, curl_infotype type, char*, size_t, void* data) {
    if (type == CURLINFO_HEADER_OUT)
        transferOf(data).phase(HttpPhase::RequestSent);
    return 0;
}

std::string hostOf(const std::string& url) {
    std::string host;
    if (CURLU* parsed = curl_url()) {
        char* part = nullptr;
        if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
            curl_url_get(parsed, CURLUPART_HOST, &part, 0) == CURLUE_OK) {
            host = part;
            curl_free(part);
        }
        curl_url_cleanup(parsed);
    }
    return host;
}

HttpResult::Outcome outcomeOf(CURLcode code, const Transfer& t, bool pastDeadline) {
    if (code == CURLE_OK || (code == CURLE_WRITE_ERROR && t.refused))
        return HttpResult::Done;
    if (t.tooLarge)
        return HttpResult::TooLarge;
    if (code == CURLE_PEER_FAILED_VERIFICATION)
        return HttpResult::Untrusted;
    if (code == CURLE_ABORTED_BY_CALLBACK)
        return HttpResult::Stopped;
    if (code == CURLE_OPERATION_TIMEDOUT && pastDeadline)
        return HttpResult::TimeLimit;
    if (t.gotResponse)
        return HttpResult::ReadFailed;
    return code == CURLE_OPERATION_TIMEDOUT ? HttpResult::TimedOut : HttpResult::NoResponse;
}

// Redirects are followed here rather than by libcurl, so that each target is checked before it is asked.
void configure(CURL* curl, Transfer& t, curl_slist* headers) {
    const HttpRequest& r = t.request;
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_USERAGENT, r.userAgent.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, r.connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, r.stallTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(curl, CURLOPT_RESOLVER_START_FUNCTION, onResolverStart);
    curl_easy_setopt(curl, CURLOPT_RESOLVER_START_DATA, &t);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, onOpenSocket);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA, &t);
    curl_easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, onCloseSocket);
    curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, &t);
    curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, onConnected);
    curl_easy_setopt(curl, CURLOPT_PREREQDATA, &t);
    // The debug callback only tells when the request has gone out; nothing is printed.
    curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, onDebug);
    curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &t);
    curl_easy_setopt(curl, CURLOPT_VERBOSE, r.reportPhases ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, t.errorText);
    if (r.compressed)
        curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, ""); // every coding built in, decoded on arrival
    if (!r.verifyCertificates) {
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    }
}

} // namespace

void HttpGlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpResult HttpGet(const HttpRequest& request, HttpObserver& observer) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kClockSlack = std::chrono::milliseconds(50);
    HttpGlobalInit();
    HttpResult result;
    Transfer t{request, observer};
    CURL* curl = curl_easy_init();
    if (!curl) {
        result.error = "no transfer handle";
        return result;
    }
    t.curl = curl;
    // Every fetch goes to the server itself, never to a cached copy on the way.
    curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    configure(curl, t, headers);
    const bool limited = request.totalTimeoutMs > 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(request.totalTimeoutMs);

    t.url = request.url;
    CURLcode code = CURLE_OK;
    for (long redirects = 0;; ++redirects) {
        t.newResponse();
        t.host = hostOf(t.url);
        curl_easy_setopt(curl, CURLOPT_URL, t.url.c_str());
        // Rounded up, so that libcurl's limit never ends a request before the deadline has passed.
        const long left =
            limited ? std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count() : 0;
        if (limited && left <= 0) {
            result.outcome = HttpResult::TimeLimit;
            break;
        }
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, left);
        code = curl_easy_perform(curl);
        if (t.redirectTarget.empty()) {
            // libcurl rounds its own clock, so its limit may fire a moment before ours has passed.
            result.outcome = outcomeOf(code, t, limited && Clock::now() + kClockSlack >= deadline);
            break;
        }
        result.redirectUrl = t.redirectTarget;
        if (redirects == request.maxRedirects) {
            result.outcome = HttpResult::TooManyRedirects;
            break;
        }
        if (!observer.followRedirect(t.redirectTarget)) {
            result.outcome = HttpResult::RedirectRefused;
            break;
        }
        if (observer.stopRequested()) {
            result.outcome = HttpResult::Stopped;
            break;
        }
        t.phase(HttpPhase::Redirected, t.redirectTarget);
        t.url = t.redirectTarget;
    }

    result.accepted = t.decided && !t.refused;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
    char* type = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        result.contentType = type;
    if (code != CURLE_OK && t.redirectTarget.empty())
        // A refused certificate is worth its details ("self-signed certificate"); libcurl's detail texts
        // for other failures are left out, their short names say enough.
        result.error = result.outcome == HttpResult::Untrusted && t.errorText[0] ? t.errorText
                                                                                 : curl_easy_strerror(code);
    curl_off_t wire = 0;
    if (t.decided && curl_easy_getinfo(curl, CURLINFO_SIZE_DOWNLOAD_T, &wire) == CURLE_OK && wire > 0)
        result.wireBytes = static_cast<std::size_t>(wire);
    result.bodyBytes = t.received;
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    return result;
}
