#pragma once

#include <string>

#include "platform/Result.h"

// A local web server that lets the user try a server-side search page before publishing it. At most one
// runs per object; starting again replaces it.
class PreviewServer {
public:
    virtual ~PreviewServer() = default;
    // Serves `folder` and returns the address of its root ("http://127.0.0.1:<port>/"), or nothing with
    // `error` saying why.
    virtual Result<std::string> start(const std::string& folder) = 0;
    virtual void stop() = 0;
    virtual bool running() const = 0;
};

// PHP's built-in web server ("php -S") on a free port of 127.0.0.1. The server is a child process that
// ends when stop() is called, when this object goes, and when the program itself ends in any way.
class PhpPreviewServer : public PreviewServer {
public:
    // `php` is the program to run: a name looked up in PATH, or a path.
    explicit PhpPreviewServer(std::string php = "php");
    ~PhpPreviewServer() override;
    PhpPreviewServer(const PhpPreviewServer&) = delete;
    PhpPreviewServer& operator=(const PhpPreviewServer&) = delete;

    Result<std::string> start(const std::string& folder) override;
    void stop() override;
    bool running() const override;
    int pid() const { return m_pid; }

    // The program's text when it cannot be found.
    static constexpr const char* kNoPhp =
        "The preview needs PHP's command-line program \"php\" (PHP 7.4 or newer with pdo_sqlite), which "
        "was not found.\nInstall it (on Debian: apt install php-cli php-sqlite3), or publish the output "
        "folder on a web server with PHP.";

private:
    std::string m_php;
    int m_pid = -1;
};
