// The headless filter: format, compress or trim one file or standard input to a stream.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

/// Where the filter reads and writes; the program binds these to the process's streams.
struct FilterIo {
  std::function<bool(std::string& bytes, std::string* err)> ReadStdin;
  std::function<bool(std::string_view bytes)> WriteStdout;
  std::function<void(std::string_view text)> WriteStderr;
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

/// True when `args` (without the program name) ask for the filter, --help or --version.
bool IsFilterCommand(const std::vector<std::string>& args);

/// Runs the filter; returns the exit status. Nothing reaches stdout unless it succeeds.
int RunFilterCommand(const std::vector<std::string>& args, const std::filesystem::path& programDir,
                     FilterIo& io);

std::string UsageText();

struct StyleError;
/// Tells why no style could be loaded on standard error.
void ReportStyleError(const StyleError& err, FilterIo& io);

}  // namespace tessel
