#pragma once
// Runs the built stilt program through the shell, for the command-line tests.

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace stilt::test {

struct CliOutcome {
  int exitCode = -1;
  std::string output;  // standard output and standard error together
};

// `arguments` are passed through the shell; paths in them are quoted by the caller. A run that
// could hang if a fault came back is given `seconds` and then killed (exit status 137).
inline CliOutcome runStilt(const std::string& arguments, int seconds = 0) {
  CliOutcome out;
  const std::string limit =
      seconds > 0 ? "timeout -s KILL " + std::to_string(seconds) + " " : std::string();
  const std::string command = limit + "'" + STILT_CLI + "' " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.output.append(buffer, n);
  const int status = pclose(pipe);
  out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

// A path quoted for the shell.
inline std::string quoted(const std::filesystem::path& p) {
  return "'" + p.string() + "'";
}

}  // namespace stilt::test
