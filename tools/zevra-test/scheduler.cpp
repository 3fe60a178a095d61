#include "scheduler.hpp"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "registry_listing.hpp"

namespace zevra_test {
namespace {

// A server that ended during a test has normally exited already; one that
// closed its output and lingers is given this long before it is killed.
constexpr auto kGrace = std::chrono::seconds(2);

struct Slot {
  enum class State { none, starting, idle, running };
  std::optional<ServerProcess> server;
  State state = State::none;
  Clock::time_point started{}, deadline{};
  std::size_t position = 0;  // of the run in progress
};

class Scheduler {
 public:
  Scheduler(std::span<const std::uint32_t> runs, const SchedulerSettings& settings,
            const ResultSink& sink)
      : runs_(runs), settings_(settings), sink_(sink) {}

  std::expected<void, std::string> run(ServerProcess first) {
    slots_.resize(std::max<std::size_t>(1, std::min<std::size_t>(settings_.jobs, runs_.size())));
    slots_[0].server.emplace(std::move(first));
    slots_[0].state = Slot::State::idle;
    auto ran = loop();
    for (Slot& s : slots_)
      if (s.server) s.server->askToExit();
    const auto deadline = Clock::now() + kGrace;
    for (Slot& s : slots_)
      if (s.server) (void)s.server->finish(deadline);
    return ran;
  }

 private:
  using State = Slot::State;

  std::expected<void, std::string> loop() {
    while (done_ < runs_.size()) {
      if (auto dispatched = dispatch(); !dispatched) return dispatched;
      std::vector<int> fds;
      auto deadline = Clock::now() + settings_.timeout;
      for (const Slot& s : slots_) {
        if (!s.server) continue;
        fds.push_back(s.server->outputFd());
        fds.push_back(s.server->errorFd());
        if (s.state == State::starting || s.state == State::running)
          deadline = std::min(deadline, s.deadline);
      }
      waitForInput(fds, deadline);
      const auto now = Clock::now();
      for (Slot& s : slots_)
        if (auto served = service(s, now); !served) return served;
    }
    return {};
  }

  // Starts servers for runs not yet handed out, and hands runs to idle ones.
  std::expected<void, std::string> dispatch() {
    std::size_t starting = 0;
    for (const Slot& s : slots_) starting += s.state == State::starting ? 1 : 0;
    for (Slot& s : slots_) {
      if (s.state == State::none && runs_.size() - next_ > starting) {
        auto server = ServerProcess::start(settings_.executable);
        if (!server) return std::unexpected(server.error());
        s.server.emplace(std::move(*server));
        s.state = State::starting;
        s.deadline = Clock::now() + settings_.timeout;
        ++starting;
      }
      if (s.state == State::idle && next_ < runs_.size()) {
        s.position = next_++;
        (void)s.server->send(runTestRequest(runs_[s.position]));
        s.state = State::running;
        s.started = Clock::now();
        s.deadline = s.started + settings_.timeout;
      }
    }
    return {};
  }

  // Takes in what the slot's server sent, and deals with its end or silence.
  std::expected<void, std::string> service(Slot& s, Clock::time_point now) {
    if (!s.server) return {};
    ServerProcess& server = *s.server;
    server.readAvailable();
    while (auto header = server.nextHeader()) {
      if (s.state == State::idle)
        return std::unexpected("sent a message it was not asked for (tag " +
                               std::to_string(header->tag) + ")");
      const Awaited awaited = s.state == State::starting ? Awaited::version : Awaited::test_results;
      if (auto checked = checkHeader(awaited, *header); !checked)
        return std::unexpected(checked.error());
      if (!server.messageComplete()) break;
      const Message message = server.takeMessage();
      if (s.state == State::running) {
        const TestResults results = decodeTestResults(message.body);
        if (results.index != runs_[s.position])
          return std::unexpected("answered run_test " + std::to_string(runs_[s.position]) +
                                 " with the results of test " + std::to_string(results.index));
        RunResult r = resultFromFlags(results.index, results.flags);
        finishRun(s, now, std::move(r));
      }
      s.state = State::idle;
    }

    if (!server.outputOpen()) {
      const Ending ending = server.reap(now + kGrace);
      if (s.state == State::starting)
        return std::unexpected("a fresh server exited before announcing itself (" +
                               describeEnding(ending) + ")\n" + server.takeStderr());
      if (s.state == State::running) {
        RunResult r;
        r.verdict = Verdict::crash;
        r.ending = describeEnding(ending);
        finishRun(s, now, std::move(r));
      }
      s.server.reset();
      s.state = State::none;
    } else if (s.state != State::idle && now >= s.deadline) {
      (void)server.reap(now);
      if (s.state == State::starting)
        return std::unexpected("a fresh server did not announce itself within " +
                               limitText(settings_.timeout) + "\n" + server.takeStderr());
      RunResult r;
      r.verdict = Verdict::timeout;
      finishRun(s, now, std::move(r));
      s.server.reset();
      s.state = State::none;
    }
    return {};
  }

  void finishRun(Slot& s, Clock::time_point now, RunResult r) {
    r.index = runs_[s.position];
    r.duration = now - s.started;
    keepStderr(r, s.server->takeStderr());
    if (r.verdict == Verdict::crash) r.ending = crashCause(std::move(r.ending), r.stderr_text);
    ++done_;
    sink_(s.position, std::move(r));
  }

  std::span<const std::uint32_t> runs_;
  const SchedulerSettings& settings_;
  const ResultSink& sink_;
  std::vector<Slot> slots_;
  std::size_t next_ = 0;  // the next run to hand out
  std::size_t done_ = 0;
};

}  // namespace

std::expected<void, std::string> runTests(ServerProcess first, std::span<const std::uint32_t> runs,
                                          const SchedulerSettings& settings,
                                          const ResultSink& sink) {
  return Scheduler(runs, settings, sink).run(std::move(first));
}

}  // namespace zevra_test
