#pragma once
// Starting child processes for the process-level benchmarks.

#include <sys/types.h>

#include <chrono>
#include <span>

namespace zevra_bench {

// What a child used, from wait4: its user and system time and its minor
// page faults.
struct ChildUsage {
  std::chrono::nanoseconds cpu{};
  long minor_faults = 0;
};

// Runs `argv` (argv[0] is the path, the list ends with nullptr) with standard
// input from /dev/null and standard output and error to `output_path`, waits
// for it and returns its exit status (-1 if it could not start or did not
// exit normally). `usage`, if given, receives what the child used.
int runToExit(std::span<char* const> argv, const char* output_path, ChildUsage* usage = nullptr);

// A child whose standard input and output are pipes held by the caller.
struct PipedChild {
  pid_t pid = -1;
  int to_child = -1;    // the child's standard input
  int from_child = -1;  // the child's standard output
};

// Starts `argv` with both pipes and its standard error on /dev/null.
PipedChild startPiped(std::span<char* const> argv);

// Closes both pipes and waits for the child; returns its exit status or -1.
int finish(PipedChild& child);

// Writes or reads exactly `len` bytes; false on an error or end of file.
bool writeAll(int fd, const void* data, std::size_t len);
bool readAll(int fd, void* data, std::size_t len);

}  // namespace zevra_bench
