#include "platform/PreviewServer.h"

#include <gtest/gtest.h>

#include <QStandardPaths>
#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/support/TestSupport.h"

using testsupport::LoopbackGet;
using testsupport::PortOf;
using testsupport::TempDir;

namespace {

bool havePhp() {
    return !QStandardPaths::findExecutable("php").isEmpty();
}

// Waits (bounded) until nothing answers on the port any more.
bool closesSoon(int port) {
    for (int attempt = 0; attempt < 400; ++attempt) {
        if (LoopbackGet(port, "/").empty())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
}

} // namespace

TEST(PreviewServer, ServesTheFolderOnAFreeLoopbackPortUntilStopped) {
    if (!havePhp())
        GTEST_SKIP() << "php is not installed";
    TempDir first, second;
    first.write("search.html", "first folder");
    second.write("search.html", "second folder");
    PhpPreviewServer server;
    const auto address = server.start(first.str());
    ASSERT_TRUE(address) << address.reason();
    EXPECT_EQ(address->rfind("http://127.0.0.1:", 0), 0u);
    const int port = PortOf(*address);
    EXPECT_NE(LoopbackGet(port, "/search.html").find("first folder"), std::string::npos);

    // Starting again replaces the server: the old port closes, the new one serves the new folder.
    const auto again = server.start(second.str());
    ASSERT_TRUE(again) << again.reason();
    EXPECT_TRUE(closesSoon(port));
    EXPECT_NE(LoopbackGet(PortOf(*again), "/search.html").find("second folder"), std::string::npos);
    server.stop();
    EXPECT_FALSE(server.running());
    EXPECT_TRUE(closesSoon(PortOf(*again)));
}

TEST(PreviewServer, EndsWithTheProgramHoweverItEnds) {
    if (!havePhp())
        GTEST_SKIP() << "php is not installed";
    TempDir folder;
    folder.write("search.html", "x");
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t program = fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        // A program that starts the server and then dies without any clean-up.
        PhpPreviewServer server;
        const auto address = server.start(folder.str());
        const int port = address ? PortOf(*address) : -1;
        if (write(pipeEnds[1], &port, sizeof port) != sizeof port)
            _exit(2);
        std::raise(SIGKILL);
    }
    close(pipeEnds[1]);
    int port = -1;
    ASSERT_EQ(read(pipeEnds[0], &port, sizeof port), static_cast<ssize_t>(sizeof port));
    close(pipeEnds[0]);
    waitpid(program, nullptr, 0);
    ASSERT_GT(port, 0);
    EXPECT_TRUE(closesSoon(port));
}

TEST(PreviewServer, AMissingPhpIsNamedInTheMessage) {
    PhpPreviewServer server("/nonexistent/php");
    const auto started = server.start("/tmp");
    EXPECT_FALSE(started);
    EXPECT_EQ(started.reason(), PhpPreviewServer::kNoPhp);
    EXPECT_FALSE(server.running());
}
