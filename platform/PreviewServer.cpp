#include "platform/PreviewServer.h"

#include <QStandardPaths>
#include <QString>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kStartTries = 200; // of 25 ms: five seconds for the server to listen
constexpr auto kStartPause = std::chrono::milliseconds(25);

std::string findProgram(const std::string& php) {
    if (php.find('/') != std::string::npos)
        return access(php.c_str(), X_OK) == 0 ? php : std::string();
    return QStandardPaths::findExecutable(QString::fromStdString(php)).toStdString();
}

// A port the system has just handed out as free. Another program could take it before the server binds
// it; the server then fails to start, which start() notices.
int freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    int port = -1;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

bool accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

} // namespace

PhpPreviewServer::PhpPreviewServer(std::string php) : m_php(std::move(php)) {}

PhpPreviewServer::~PhpPreviewServer() {
    stop();
}

Result<std::string> PhpPreviewServer::start(const std::string& folder) {
    stop();
    const std::string program = findProgram(m_php);
    if (program.empty()) {
        return Failure{kNoPhp};
    }
    const int port = freePort();
    if (port < 0) {
        return Failure{std::string("No free port for the preview server: ") + std::strerror(errno)};
    }
    const std::string listen = "127.0.0.1:" + std::to_string(port);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        return Failure{std::string("The preview server could not be started: ") + std::strerror(errno)};
    }
    if (pid == 0) {
        // The server must not outlive the program, however the program ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        const int null = open("/dev/null", O_RDONLY);
        if (null >= 0)
            dup2(null, STDIN_FILENO);
        execl(program.c_str(), program.c_str(), "-S", listen.c_str(), "-t", folder.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    m_pid = pid;
    for (int attempt = 0; attempt < kStartTries; ++attempt) {
        if (accepts(port))
            return Result<std::string>("http://" + listen + "/");
        if (!running())
            break;
        std::this_thread::sleep_for(kStartPause);
    }
    stop();
    return Failure{"The preview server (" + program + " -S " + listen + ") did not start."};
}

void PhpPreviewServer::stop() {
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

bool PhpPreviewServer::running() const {
    if (m_pid <= 0)
        return false;
    // waitpid would reap it; a zombie still answers kill, so ask whether it has ended without reaping.
    siginfo_t info{};
    info.si_pid = 0;
    if (waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return false;
    return info.si_pid == 0;
}
