#include "platform/HttpTransfer.h"
#include "platform/AsciiText.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <mutex>
#include <netinet/in.h>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct Transfer {
    const HttpRequest& request;
    HttpObserver& observer;
    CURL* curl = nullptr;
    std::string host;
    bool gotResponse = false; // a status line has arrived
    std::string location;     // the Location header of the response in hand
    bool decided = false;     // the final response was offered to acceptResponse
    bool refused = false;
    bool tooLarge = false;
    std::size_t received = 0;

    void phase(HttpPhase phase, const std::string& info = {}) {
        if (request.reportPhases)
            observer.phase(phase, info);
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

// The end of each response's headers: a redirect that libcurl will follow is only reported; the final
// response is offered to the observer, which may refuse its body.
bool endOfHeaders(Transfer& t) {
    long status = 0;
    curl_easy_getinfo(t.curl, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 100 && status < 200)
        return true; // an interim response; the real one follows
    t.phase(HttpPhase::ResponseReceived);
    // libcurl follows a redirect that names its target; it only tells where once it has done so.
    if (status >= 300 && status < 400 && !t.location.empty()) {
        t.phase(HttpPhase::Redirected, t.location);
        return true;
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

HttpResult::Outcome outcomeOf(CURLcode code, const Transfer& t) {
    if (code == CURLE_OK || (code == CURLE_WRITE_ERROR && t.refused))
        return HttpResult::Done;
    if (t.tooLarge)
        return HttpResult::TooLarge;
    if (code == CURLE_ABORTED_BY_CALLBACK)
        return HttpResult::Stopped;
    if (t.gotResponse)
        return HttpResult::ReadFailed;
    return code == CURLE_OPERATION_TIMEDOUT ? HttpResult::TimedOut : HttpResult::NoResponse;
}

void configure(CURL* curl, Transfer& t, curl_slist* headers) {
    const HttpRequest& r = t.request;
    curl_easy_setopt(curl, CURLOPT_URL, r.url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_USERAGENT, r.userAgent.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, r.maxRedirects);
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
}

} // namespace

void HttpGlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpResult HttpGet(const HttpRequest& request, HttpObserver& observer) {
    HttpGlobalInit();
    HttpResult result;
    Transfer t{request, observer, nullptr, {}, false, {}, false, false, false, 0};
    t.host = hostOf(request.url);
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
    const CURLcode code = curl_easy_perform(curl);

    result.outcome = outcomeOf(code, t);
    result.accepted = t.decided && !t.refused;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
    char* type = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        result.contentType = type;
    if (code != CURLE_OK)
        result.error = curl_easy_strerror(code);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    return result;
}
