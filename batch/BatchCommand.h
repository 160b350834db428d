#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class SettingsStore;

// Exit statuses of batch mode.
namespace BatchStatus {
constexpr int Finished = 0;
constexpr int Failed = 1; // could not start, or a message reported a failure
constexpr int Usage = 2;  // unknown command, unknown setting, a value of the wrong type
} // namespace BatchStatus

// Where a batch command runs: the program folder, the settings store and the output streams.
struct BatchEnvironment {
    std::string programFolder;
    std::unique_ptr<SettingsStore> store;
    std::FILE* out = stdout;
    std::FILE* err = stderr;
};

// Runs one batch command line (without the program name) and returns the exit status.
int RunBatchCommand(const std::vector<std::string>& arguments, BatchEnvironment environment);

std::string BatchUsage();
