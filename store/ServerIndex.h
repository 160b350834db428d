#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "platform/Result.h"

struct ProfileSettings;

// Where a profile's server database lives and who writes it. The password is never a setting: it comes
// from the user's option files (the [client] and [findlark] groups of ~/.my.cnf and the system's), or
// from the first line of a file named here that only its owner may read.
struct ServerAccount {
    std::string host;
    int port = 0;
    std::string socket; // used instead of host and port when set
    std::string database;
    std::string user;
    std::string passwordFile;

    static ServerAccount Of(const ProfileSettings& profile);
};

// The password held in a file of the user's own, refused when anyone else may read or write the file:
// a password in a file that others can read is no secret.
Result<std::string> ReadPasswordFile(const std::string& path);

// The index on a MariaDB or MySQL server, as the PHP page reads it when many web servers share one
// database (or its replicas). A run's finished database file is copied table by table into new tables
// named "<table>_new", which then take the served tables' place in one RENAME TABLE: a visitor sees the
// previous index or the new one, whole, and a run that fails or is killed before the swap leaves the
// served tables as they were. The copy holds every table of the file, so the server answers from the
// same rows and the same word index that a file beside the page holds.
class ServerIndex {
public:
    explicit ServerIndex(ServerAccount account) : m_account(std::move(account)) {}

    // Connects once and leaves, so that a run whose end could never reach the server is refused at its
    // start instead.
    Result<> check() const;
    // Copies the tables of the SQLite file `runFile` and swaps them in, unless `*stop` is set before the
    // swap (the served tables then stay as they were).
    Result<> publish(const std::string& runFile, const std::atomic<int>* stop = nullptr) const;

    // Tests reach the moment between the copy and the swap through this, given the connection's thread
    // id on the server, to make the run fail there.
    void setBeforeSwapHook(std::function<void(unsigned long)> hook) { m_beforeSwap = std::move(hook); }

private:
    ServerAccount m_account;
    std::function<void(unsigned long)> m_beforeSwap;
};
