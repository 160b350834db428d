#include <gtest/gtest.h>

#include <QProcess>
#include <arpa/inet.h>
#include <chrono>
#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "platform/HttpTransfer.h"
#include "tests/support/Compression.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestSupport.h"

namespace {

using Server = LoopbackServer;

class Collect : public HttpObserver {
public:
    void phase(HttpPhase, const std::string&) override {}
    bool acceptResponse(long, const std::string&) override { return true; }
    bool followRedirect(const std::string&) override { return true; }
    void body(const char* data, std::size_t size) override { text.append(data, size); }
    bool stopRequested() const override { return false; }
    std::string text;
};

HttpRequest requestFor(const std::string& url) {
    HttpRequest request;
    request.url = url;
    return request;
}

Server::Reply encoded(std::string body, const char* coding) {
    Server::Reply reply = Server::page(std::move(body));
    reply.headers = std::string("Content-Encoding: ") + coding + "\r\n";
    return reply;
}

TEST(HttpTransfer, CompressedBodiesArriveDecodedAndABombStopsAtTheCap) {
    const std::string page = "<p>" + std::string(20000, 'z') + "</p>";
    const std::string bomb(4u << 20, '\0'); // 4 MB of zeros in about 4 KB
    Server server([&](const std::string& path) {
        if (path == "/gzip.html")
            return encoded(testsupport::gzipOf(page), "gzip");
        if (path == "/br.html")
            return encoded(testsupport::brotliOf(page), "br");
        return encoded(testsupport::gzipOf(bomb), "gzip");
    });
    for (const char* path : {"/gzip.html", "/br.html"}) {
        Collect body;
        const HttpResult result = HttpGet(requestFor(server.url(path)), body);
        EXPECT_EQ(result.outcome, HttpResult::Done) << path;
        EXPECT_EQ(body.text, page) << path;
        EXPECT_EQ(result.bodyBytes, page.size()) << path;
        EXPECT_LT(result.wireBytes, page.size() / 10) << path;
    }
    const std::string asked = server.acceptedEncodings().front();
    for (const char* coding : {"gzip", "deflate", "br"})
        EXPECT_NE(asked.find(coding), std::string::npos) << asked;

    Collect cut;
    HttpRequest capped = requestFor(server.url("/bomb.html"));
    capped.maxBodyBytes = 64 * 1024;
    const HttpResult result = HttpGet(capped, cut);
    EXPECT_EQ(result.outcome, HttpResult::TooLarge);
    EXPECT_LE(cut.text.size(), 64u * 1024);
}

int freePort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(probe);
    return ntohs(address.sin_port);
}

bool accepting(int port) {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool up = ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return up;
}

// An https server with a certificate of its own making: openssl's s_server serving files of a folder.
TEST(HttpTransfer, ASelfSignedCertificateIsRefusedUnlessAllowed) {
    testsupport::TempDir dir;
    dir.write("page.html", "<title>Secret</title>");
    QProcess make;
    make.setWorkingDirectory(QString::fromStdString(dir.str()));
    make.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "key.pem", "-out",
                           "cert.pem", "-days", "1", "-subj", "/CN=127.0.0.1"});
    if (!make.waitForFinished(60000) || make.exitCode() != 0)
        GTEST_SKIP() << "openssl cannot make a certificate here";
    const int port = freePort();
    QProcess server;
    server.setWorkingDirectory(QString::fromStdString(dir.str()));
    server.start("openssl", {"s_server", "-accept", QString("127.0.0.1:%1").arg(port), "-cert", "cert.pem",
                             "-key", "key.pem", "-WWW", "-quiet"});
    ASSERT_TRUE(server.waitForStarted());
    for (int i = 0; i < 500 && !accepting(port); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::string url = "https://127.0.0.1:" + std::to_string(port) + "/page.html";

    Collect refused;
    const HttpResult untrusted = HttpGet(requestFor(url), refused);
    EXPECT_EQ(untrusted.outcome, HttpResult::Untrusted);
    EXPECT_NE(untrusted.error.find("self-signed"), std::string::npos) << untrusted.error;
    EXPECT_TRUE(refused.text.empty());

    Collect allowed;
    HttpRequest selfSigned = requestFor(url);
    selfSigned.verifyCertificates = false;
    const HttpResult trusted = HttpGet(selfSigned, allowed);
    EXPECT_EQ(trusted.outcome, HttpResult::Done) << trusted.error;
    EXPECT_NE(allowed.text.find("<title>Secret</title>"), std::string::npos);
    server.kill();
    server.waitForFinished();
}

} // namespace
