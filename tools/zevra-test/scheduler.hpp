#pragma once
// The runs of a whole invocation spread over up to N servers by one thread.
// Each server lists its tests first (a fresh one must list the same names as
// the first), then runs one test at a time, so that what it writes to
// standard error while a test runs belongs to that test. An answer counts
// only as the answer to the request outstanding on that server; a server
// that dies, falls silent or sends anything else during a test is ended
// with its whole process group and the test reported as a crash, a timeout
// or a breakdown ("broken"), and the run goes on with a fresh server.

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "output_queue.hpp"
#include "plan.hpp"
#include "run_result.hpp"
#include "server_process.hpp"
#include "wake_up.hpp"
#include "zevra/expected.hpp"

namespace zevra_test {

// Why a run ended before its last test: a signal to the client, or a problem
// that no fresh server can get past (exit status 2).
struct Stop {
  int signal = 0;
  std::string problem;  // a line, then what the server wrote to standard error
};

struct SchedulerSettings {
  ServerLaunch launch;
  std::uint32_t jobs = 1;
  std::chrono::milliseconds timeout{};
  // Non-blocking signalfd of SIGCHLD, SIGALRM (the bound of a wait) and the
  // signals that end the run.
  int signal_fd = -1;
  OutputQueue* output = nullptr;  // written out while waiting, when due
};

// Called as each run ends.
using ResultSink = std::function<void(RunResult result)>;

class Scheduler {
 public:
  explicit Scheduler(SchedulerSettings settings);
  Scheduler(const Scheduler&) = delete;
  ~Scheduler();  // ends every server's group

  // Starts the first server and returns the names it lists, kept by the
  // scheduler for its lifetime (fresh servers must list the same).
  std::expected<std::span<const std::string_view>, Stop> list();
  // Runs the plan, on the first server and up to jobs - 1 more.
  std::expected<void, Stop> run(const Plan& plan, const ResultSink& sink);
  // Asks every server to exit and ends it. Returns what went wrong outside
  // any test: a server that ended on its own between tests, sent what it was
  // not asked for after its last answer, or did not exit with status 0 when
  // asked (each a line and its standard error).
  std::vector<std::string> finish();
  // A signal that ended the run while finish() waited for the servers.
  int endedBy() const { return ended_by_; }

 private:
  struct Slot;
  std::expected<void, Stop> startServer(Slot& s);
  std::expected<void, Stop> dispatch();
  std::expected<void, Stop> wait();
  void takeSignals(bool& children, int& ending);
  std::expected<void, Stop> service(Slot& s, short out, short err, bool children);
  std::expected<void, Stop> takeMessages(Slot& s);
  std::expected<void, Stop> serverEnded(Slot& s);
  void breakdown(Slot& s, std::string what);
  void finishRun(Slot& s, RunResult r);
  std::string startProblem(Slot& s, std::string what);

  SchedulerSettings settings_;
  std::vector<Slot> slots_;
  std::vector<pollfd> pollfds_;  // kept from wait to wait
  std::optional<WakeUp> wake_;   // the bound of each wait
  // As the first server listed them: views into the body of its list.
  std::optional<std::vector<std::string_view>> names_;
  std::vector<std::byte> listing_;
  const Plan* plan_ = nullptr;
  const ResultSink* sink_ = nullptr;
  std::uint64_t next_ = 0;  // the next run to hand out
  std::uint64_t done_ = 0;
  std::vector<std::string> problems_;
  int ended_by_ = 0;
};

}  // namespace zevra_test
