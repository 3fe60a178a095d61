#include "scheduler.hpp"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <utility>

#include "names.hpp"

namespace zevra_test {
namespace {

// A server asked to exit is given this long before its group is killed.
constexpr auto kGrace = std::chrono::seconds(2);
// Of a server's start-up standard error, what is kept to show if it fails.
constexpr std::size_t kStartupStderrBytes = 64u << 10;

// The first bytes of what came instead of an answer, as text.
std::string quoted(std::span<const std::byte> bytes) {
  const std::size_t shown = std::min<std::size_t>(bytes.size(), 16);
  std::string text = "\"";
  text += escapeName(std::string_view(reinterpret_cast<const char*>(bytes.data()), shown));
  text += bytes.size() > shown ? "\"..." : "\"";
  return text;
}

RunResult ofVerdict(Verdict v, std::string ending = {}) {
  RunResult r;
  r.verdict = v;
  r.ending = std::move(ending);
  return r;
}

// "1 s", "0.25 s": a time limit in an error message.
std::string limitText(std::chrono::milliseconds limit) {
  std::string text = std::to_string(limit.count() / 1000);
  if (const auto frac = limit.count() % 1000; frac != 0) {
    std::string digits = std::to_string(1000 + frac).substr(1);
    while (digits.back() == '0') digits.pop_back();
    text += "." + digits;
  }
  return text + " s";
}

}  // namespace

struct Scheduler::Slot {
  enum class State { none, announcing, listing, idle, running };
  std::optional<ServerProcess> server;
  State state = State::none;
  bool first = false;  // the server whose list is the reference
  Clock::time_point started{}, deadline{};
  std::uint32_t index = 0;  // of the test in progress
  std::string startup_stderr;
};

Scheduler::Scheduler(SchedulerSettings settings)
    : settings_(std::move(settings)), wake_(WakeUp::create()) {}

Scheduler::~Scheduler() = default;

std::string Scheduler::startProblem(Slot& s, std::string what) {
  const std::string text = s.server ? s.server->stderrCapture().take() : "";
  return (s.first ? "" : "a fresh server: ") + what + "\n" + text;
}

std::expected<void, Stop> Scheduler::startServer(Slot& s) {
  s.first = !names_;
  auto server = ServerProcess::start(settings_.launch);
  if (!server) return std::unexpected(Stop{0, startProblem(s, server.error())});
  s.server.emplace(std::move(*server));
  // The request waits in the pipe until the server has announced itself.
  (void)s.server->send(testMetadataRequest());
  s.state = Slot::State::announcing;
  s.deadline = Clock::now() + settings_.timeout;
  return {};
}

std::expected<std::span<const std::string_view>, Stop> Scheduler::list() {
  slots_.resize(1);
  if (auto started = startServer(slots_[0]); !started) return std::unexpected(started.error());
  while (slots_[0].state != Slot::State::idle)
    if (auto waited = wait(); !waited) return std::unexpected(waited.error());
  return *names_;
}

std::expected<void, Stop> Scheduler::run(const Plan& plan, const ResultSink& sink) {
  plan_ = &plan;
  sink_ = &sink;
  const std::uint64_t total = plan.total();
  slots_.resize(std::max<std::size_t>(
      1, static_cast<std::size_t>(std::min<std::uint64_t>(settings_.jobs, total))));
  while (done_ < total) {
    if (auto dispatched = dispatch(); !dispatched) return dispatched;
    if (auto waited = wait(); !waited) return waited;
  }
  return {};
}

// Starts servers for runs not yet handed out, and hands runs to idle ones.
std::expected<void, Stop> Scheduler::dispatch() {
  using State = Slot::State;
  std::uint64_t starting = 0;
  for (const Slot& s : slots_)
    starting += s.state == State::announcing || s.state == State::listing ? 1 : 0;
  for (Slot& s : slots_) {
    if (s.state == State::none && plan_->total() - next_ > starting) {
      if (auto started = startServer(s); !started) return started;
      ++starting;
    }
    if (s.state == State::idle && next_ < plan_->total()) {
      s.index = plan_->at(next_++);
      (void)s.server->send(runTestRequest(s.index));
      s.state = State::running;
      s.started = Clock::now();
      s.deadline = s.started + settings_.timeout;
    }
  }
  return {};
}

// Reads every signal waiting on the signalfd: whether a child ended, and the
// first signal that ends the run, if any.
void Scheduler::takeSignals(bool& children, int& ending) {
  // A read takes as many as fit; one that does not fill the buffer took all.
  std::array<signalfd_siginfo, 8> info{};
  for (;;) {
    const ssize_t n = ::read(settings_.signal_fd, info.data(), sizeof info);
    if (n <= 0) return;
    const auto count = static_cast<std::size_t>(n) / sizeof info[0];
    for (std::size_t i = 0; i < count; ++i) {
      if (info[i].ssi_signo == SIGCHLD)
        children = true;
      else if (info[i].ssi_signo == SIGALRM) {
        if (wake_) wake_->rang();
      } else if (ending == 0)
        ending = static_cast<int>(info[i].ssi_signo);
    }
    if (count < info.size()) return;
  }
}

// One wait for any server, a signal or the output's due time, and what
// follows from it.
std::expected<void, Stop> Scheduler::wait() {
  std::vector<pollfd>& fds = pollfds_;
  fds.clear();
  fds.push_back({settings_.signal_fd, POLLIN, 0});
  std::optional<Clock::time_point> until;
  for (const Slot& s : slots_) {
    const ServerProcess* p = s.server ? &*s.server : nullptr;
    fds.push_back({p ? p->outputFd() : -1, POLLIN, 0});
    fds.push_back({p ? p->errorFd() : -1, POLLIN, 0});
    if (p && s.state != Slot::State::idle) until = std::min(until.value_or(s.deadline), s.deadline);
  }
  if (settings_.output)
    if (auto due = settings_.output->due()) until = std::min(until.value_or(*due), *due);
  int ms = -1;
  if (until && !(wake_ && wake_->by(*until))) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*until - Clock::now());
    ms = static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, 1 << 30));
  }
  if (::poll(fds.data(), fds.size(), ms) < 0) fds.assign(fds.size(), pollfd{-1, 0, 0});
  bool children = false;
  int ending = 0;
  if (fds[0].revents != 0) takeSignals(children, ending);
  if (ending != 0) return std::unexpected(Stop{ending, {}});
  for (std::size_t k = 0; k < slots_.size(); ++k) {
    const pollfd* f = &fds[1 + 2 * k];
    if (auto served = service(slots_[k], f[0].revents, f[1].revents, children); !served)
      return served;
  }
  if (settings_.output) settings_.output->flushIfDue(Clock::now());
  return {};
}

std::expected<void, Stop> Scheduler::service(Slot& s, short out, short err, bool children) {
  if (!s.server) return {};
  ServerProcess& server = *s.server;
  // Standard error before standard output: an answer that poll found means
  // that all the test wrote before it was in the error pipe when poll
  // looked (the output pipe comes first in the poll list).
  if (err != 0) server.readError();
  if (out != 0) {
    (void)server.readOutput();
    if (auto taken = takeMessages(s); !taken) return taken;
    if (!s.server) return {};
  }
  if (children && server.exited()) return serverEnded(s);
  if (s.state != Slot::State::idle && Clock::now() >= s.deadline) {
    (void)server.end();
    switch (s.state) {
      case Slot::State::announcing:
        return std::unexpected(Stop{
            0, startProblem(s, "did not announce itself within " + limitText(settings_.timeout))});
      case Slot::State::listing:
        return std::unexpected(Stop{0, startProblem(s, "did not send its test list within " +
                                                           limitText(settings_.timeout))});
      default:
        finishRun(s, ofVerdict(Verdict::timeout));
    }
  }
  return {};
}

// The messages that are complete, each checked against what the server was
// asked for as soon as its header is in.
std::expected<void, Stop> Scheduler::takeMessages(Slot& s) {
  using State = Slot::State;
  ServerProcess& server = *s.server;
  while (s.server) {
    const auto header = server.nextHeader();
    if (!header) {
      // Bytes that cannot start any answer the server owes.
      if (!server.inbox().empty() && (s.state == State::idle || s.state == State::none)) break;
      return {};
    }
    switch (s.state) {
      case State::announcing:
      case State::listing: {
        const Awaited awaited =
            s.state == State::announcing ? Awaited::version : Awaited::test_metadata;
        if (auto checked = checkHeader(awaited, *header); !checked) {
          (void)server.end();
          return std::unexpected(Stop{0, startProblem(s, checked.error())});
        }
        if (!server.messageComplete()) return {};
        Message m = server.takeMessage();
        if (s.state == State::announcing) {
          s.state = State::listing;
          continue;
        }
        auto names = decodeTestMetadata(m.body);
        if (!names) {
          (void)server.end();
          return std::unexpected(Stop{0, startProblem(s, names.error())});
        }
        if (!server.inbox().empty()) {
          const std::string what =
              "sent " + std::to_string(server.inbox().size()) +
              " bytes it was not asked for after its test list: " + quoted(server.inbox());
          (void)server.end();
          return std::unexpected(Stop{0, startProblem(s, what)});
        }
        if (!names_) {
          names_ = std::move(*names);
          listing_ = std::move(m.body);  // its buffer, where the names point, moves with it
        } else if (*names != *names_) {
          std::size_t i = 0;
          while (i < names->size() && i < names_->size() && (*names)[i] == (*names_)[i]) ++i;
          std::string what = "listed other tests than the first server: ";
          if (i == names->size() || i == names_->size())
            what += std::to_string(names->size()) + " tests, not " + std::to_string(names_->size());
          else
            what += "test " + std::to_string(i) + " is \"" + escapeName((*names)[i]) +
                    "\", not \"" + escapeName((*names_)[i]) + "\"";
          (void)server.end();
          return std::unexpected(Stop{0, startProblem(s, what)});
        }
        s.startup_stderr = server.stderrCapture().take();
        if (s.startup_stderr.size() > kStartupStderrBytes)
          s.startup_stderr.resize(kStartupStderrBytes);
        s.state = State::idle;
        continue;
      }
      case State::running: {
        if (header->tag != static_cast<std::uint32_t>(zevra_harness::ServerTag::test_results)) {
          breakdown(s, "wrote to standard output: " + quoted(server.inbox()));
          return {};
        }
        if (header->bytes_len != zevra_harness::kTestResultsBodyBytes) {
          breakdown(s, "answered with a test_results body of " + std::to_string(header->bytes_len) +
                           " bytes");
          return {};
        }
        if (!server.messageComplete()) return {};
        const TestResults results =
            decodeTestResults(server.inbox().subspan(zevra_harness::kHeaderBytes));
        server.dropMessage();
        if (results.index != s.index) {
          breakdown(s, "answered with the results of test " + std::to_string(results.index));
          return {};
        }
        if (!server.inbox().empty()) {
          breakdown(s, "sent " + std::to_string(server.inbox().size()) +
                           " more bytes after its answer: " + quoted(server.inbox()));
          return {};
        }
        finishRun(s, resultFromFlags(results.index, results.flags));
        return {};
      }
      case State::idle:
      case State::none:
        break;
    }
    break;
  }
  // Unasked: no test is outstanding on this server.
  problems_.push_back("a server sent " + std::to_string(server.inbox().size()) +
                      " bytes it was not asked for between tests: " + quoted(server.inbox()) +
                      "\n" + server.stderrCapture().take());
  (void)server.end();
  s.server.reset();
  s.state = State::none;
  return {};
}

// The server's process ended (SIGCHLD came and waitid says so): what it still wrote
// counts, then its ending decides.
std::expected<void, Stop> Scheduler::serverEnded(Slot& s) {
  using State = Slot::State;
  const Ending ending = s.server->end();
  if (auto taken = takeMessages(s); !taken) return taken;
  if (!s.server) return {};
  ServerProcess& server = *s.server;
  switch (s.state) {
    case State::announcing:
      return std::unexpected(Stop{
          0, startProblem(s, "exited before announcing itself (" + describeEnding(ending) + ")")});
    case State::listing: {
      const auto header = server.nextHeader();
      std::string what =
          !header
              ? "exited before sending its test list"
              : "ended in the middle of its test list: " + std::to_string(server.inbox().size()) +
                    " of " + std::to_string(zevra_harness::kHeaderBytes + header->bytes_len) +
                    " bytes";
      return std::unexpected(Stop{0, startProblem(s, what + " (" + describeEnding(ending) + ")")});
    }
    case State::running: {
      if (!server.inbox().empty()) {
        breakdown(s, "ended (" + describeEnding(ending) +
                         ") inside its answer: " + quoted(server.inbox()));
        return {};
      }
      RunResult r = ofVerdict(Verdict::crash);
      r.stderr_text = server.stderrCapture().take();
      r.ending = crashCause(ending, r.stderr_text);
      finishRun(s, std::move(r));
      return {};
    }
    case State::idle:
    case State::none:
      problems_.push_back("a server ended between tests (" + describeEnding(ending) + ")\n" +
                          server.stderrCapture().take());
      s.server.reset();
      s.state = State::none;
      return {};
  }
  return {};
}

void Scheduler::breakdown(Slot& s, std::string what) {
  (void)s.server->end();
  finishRun(s, ofVerdict(Verdict::broken, std::move(what)));
}

// Reports the run in progress on `s`; a server that failed with it is gone.
void Scheduler::finishRun(Slot& s, RunResult r) {
  r.index = s.index;
  r.duration = Clock::now() - s.started;
  if (r.stderr_text.empty()) r.stderr_text = s.server->stderrCapture().take();
  takeErrorName(r);
  const bool server_failed = serverFault(r.verdict);
  if (server_failed && !s.startup_stderr.empty()) {
    if (!r.stderr_text.empty() && r.stderr_text.back() != '\n') r.stderr_text += '\n';
    r.stderr_text += "[zevra-test: the server wrote this before its first test]\n" +
                     std::exchange(s.startup_stderr, {});
  }
  ++done_;
  (*sink_)(std::move(r));
  if (server_failed) {
    s.server.reset();
    s.state = Slot::State::none;
  } else {
    s.state = Slot::State::idle;
  }
}

std::vector<std::string> Scheduler::finish() {
  for (Slot& s : slots_)
    if (s.server) s.server->askToExit();
  // Up to kGrace for the servers asked to exit, woken by each SIGCHLD.
  const auto deadline = Clock::now() + kGrace;
  const auto all_exited = [&] {
    return std::all_of(slots_.begin(), slots_.end(), [](const Slot& s) {
      return !s.server || s.state != Slot::State::idle || s.server->exited();
    });
  };
  while (ended_by_ == 0 && !all_exited() && Clock::now() < deadline) {
    pollfd p{settings_.signal_fd, POLLIN, 0};
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    (void)::poll(&p, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
    bool children = false;
    takeSignals(children, ended_by_);
  }
  for (Slot& s : slots_) {
    if (!s.server) continue;
    ServerProcess& server = *s.server;
    // A fresh server still starting when the last run ended owes nothing.
    const bool judged = s.state == Slot::State::idle && ended_by_ == 0;
    const Ending ending = server.end();
    std::string what;
    if (judged && !server.inbox().empty())
      what = "a server sent " + std::to_string(server.inbox().size()) +
             " bytes it was not asked for after its last answer: " + quoted(server.inbox());
    else if (judged && (!ending.exited || ending.status != 0))
      what = "a server asked to exit ended with " + describeEnding(ending);
    if (!what.empty()) problems_.push_back(what + "\n" + server.stderrCapture().take());
    s.server.reset();
    s.state = Slot::State::none;
  }
  return std::move(problems_);
}

}  // namespace zevra_test
