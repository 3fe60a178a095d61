// Runs a runner on a pseudo-terminal and checks what reaches the screen,
// byte for byte (output post-processing is off, so "\n" stays "\n").
//   progress-pty-driver CASE RUNNER
// Cases: draw, fail, quick, dumb, channel, stalled-channel, no-thread,
// sigint, sigterm. Exit 0 when the check holds, 1 with a description
// otherwise, 77 when it cannot be run. A runner that has not finished after
// 20 s is killed (a hang fails the check).
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kClear = "\r\x1b[K";
constexpr std::string_view kErase = "\x1b[K";
constexpr std::string_view kSleeper = "progress.test.sleeps past the first drawing → S³";
constexpr int kChannelFd = 7;
constexpr auto kPatience = std::chrono::seconds(20);
// The frame of the sleeping test on a 59-column terminal: cut before the "³".
const std::string kSleeperFrame =
    "\rTest [0/1] progress.test.sleeps past the first drawing → S\x1b[K";

struct Run {
  std::string screen;   // everything the runner wrote to the terminal
  std::string channel;  // what arrived on the progress channel, if any
  int status = -1;      // exit status, or -1 when it did not exit normally
  int signal = 0;       // the signal that ended it, if one did
};

struct Options {
  unsigned short columns = 59;
  const char* term = "xterm";
  bool channel = false;
  bool stalled_channel = false;  // a channel that is full and never read
  bool no_thread = false;
  int interrupt = 0;  // a signal sent once the first frame is on the screen
};

// Appends what `fd` gives to `got` until its end, or until `until` holds
// for what has arrived, or until the deadline; false after the deadline.
template <typename Until>
bool readUntil(int fd, std::string& got, std::chrono::steady_clock::time_point deadline,
               Until until) {
  char buf[4096];
  while (!until(got)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{fd, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) == 0) return false;
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return true;  // EIO once the terminal's last writer is gone
    got.append(buf, static_cast<std::size_t>(n));
  }
  return true;
}

// A pipe whose buffer is full: one page, filled while non-blocking.
bool fillPipe(int p[2]) {
  if (::fcntl(p[1], F_SETPIPE_SZ, 4096) < 0) return false;
  const int flags = ::fcntl(p[1], F_GETFL);
  ::fcntl(p[1], F_SETFL, flags | O_NONBLOCK);
  char page[4096] = {};
  while (::write(p[1], page, sizeof page) > 0) {
  }
  ::fcntl(p[1], F_SETFL, flags);
  return errno == EAGAIN;
}

Run runOnPty(const char* runner, const Options& opt) {
  int channel[2] = {-1, -1};
  const bool with_channel = opt.channel || opt.stalled_channel;
  if (with_channel && ::pipe(channel) != 0) std::exit(77);
  if (opt.stalled_channel && !fillPipe(channel)) std::exit(77);
  winsize size{};
  size.ws_row = 24;
  size.ws_col = opt.columns;
  int master = -1;
  pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
  if (pid < 0) std::exit(77);
  if (pid == 0) {
    termios tio;
    if (::tcgetattr(0, &tio) == 0) {
      tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
      (void)::tcsetattr(0, TCSANOW, &tio);
    }
    ::setenv("TERM", opt.term, 1);
    ::unsetenv("ZEVRA_PROGRESS_FD");
    if (with_channel) {
      ::dup2(channel[1], kChannelFd);
      ::close(channel[0]);
      ::close(channel[1]);
      ::setenv("ZEVRA_PROGRESS_FD", "7", 1);
    }
    if (opt.no_thread) {
      // The process limit does not bind root: run as "nobody" then.
      if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(77);
      // The leak checker of sanitizer builds needs a thread of its own at exit.
      ::setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
      rlimit none{0, 0};
      (void)::setrlimit(RLIMIT_NPROC, &none);
    }
    ::execl(runner, runner, static_cast<char*>(nullptr));
    std::_Exit(127);
  }
  Run run;
  if (with_channel) ::close(channel[1]);
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  const auto never = [](const std::string&) { return false; };
  bool in_time = true;
  if (opt.interrupt != 0) {
    in_time = readUntil(master, run.screen, deadline, [](const std::string& screen) {
      return screen.find(kErase) != std::string::npos;
    });
    ::kill(pid, opt.interrupt);
  }
  in_time = in_time && readUntil(master, run.screen, deadline, never);
  if (!in_time) ::kill(pid, SIGKILL);
  // The channel is read only now: a stalled one was never drained.
  if (with_channel) (void)readUntil(channel[0], run.channel, deadline, never);
  int wstatus = 0;
  while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(wstatus)) run.status = WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) run.signal = WTERMSIG(wstatus);
  return run;
}

std::string visible(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\x1b')
      out += "\\e";
    else
      out += c;
  }
  return out;
}

int failed(const char* what, const Run& run) {
  std::fprintf(stderr, "%s\nstatus %d, signal %d\nscreen: %s\nchannel: %s\n", what, run.status,
               run.signal, visible(run.screen).c_str(), visible(run.channel).c_str());
  return 1;
}

// The screen as a sequence of clears, frames and lines of text.
enum class Kind { clear, frame, text };
struct Token {
  Kind kind;
  std::string_view bytes;
};

// Empty when the bytes are not made of whole tokens: a frame cut by text,
// text with a carriage return or an escape inside, or a partial line.
std::vector<Token> tokenize(std::string_view s) {
  std::vector<Token> tokens;
  while (!s.empty()) {
    std::size_t len = 0;
    Kind kind;
    if (s.starts_with(kClear)) {
      kind = Kind::clear, len = kClear.size();
    } else if (s[0] == '\r') {
      std::size_t stop = s.find(kErase);
      if (stop == std::string_view::npos) return {};
      len = stop + kErase.size();
      if (s.substr(1, stop - 1).find_first_of("\r\n\x1b") != std::string_view::npos) return {};
      kind = Kind::frame;
    } else {
      std::size_t stop = s.find('\n');
      if (stop == std::string_view::npos) return {};
      len = stop + 1;
      if (s.substr(0, stop).find_first_of("\r\x1b") != std::string_view::npos) return {};
      kind = Kind::text;
    }
    tokens.push_back({kind, s.substr(0, len)});
    s.remove_prefix(len);
  }
  return tokens;
}

// Every frame is cleared before any text follows it, and the screen ends
// with the last line of text (nothing left drawn). Returns the text.
bool textNeverMeetsDrawing(const std::vector<Token>& tokens, std::string& text,
                           std::size_t& frames) {
  frames = 0;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind == Kind::frame) ++frames;
    if (tokens[i].kind == Kind::text) {
      if (i > 0 && tokens[i - 1].kind == Kind::frame) return false;
      text += tokens[i].bytes;
    }
  }
  return !tokens.empty() && tokens.back().kind == Kind::text;
}

// One test that sleeps past the first drawing: only the frame for it is
// drawn (cut to 58 columns before the "³", never inside it), then it is
// cleared and the summary stays alone on the screen.
int checkDraw(const char* runner) {
  Run run = runOnPty(runner, {});
  std::string_view s = run.screen;
  std::size_t frames = 0;
  while (s.starts_with(kSleeperFrame)) s.remove_prefix(kSleeperFrame.size()), ++frames;
  if (run.status != 0) return failed("exit status not 0", run);
  if (frames == 0) return failed("no frame drawn", run);
  if (s != std::string(kClear) + "All 1 tests passed.\n")
    return failed("frames not followed by one clear and the summary", run);
  return 0;
}

// A failure printed while the drawing is up: the FAIL line and its trace
// start after a clear, no frame lands inside them, the summary ends it.
int checkFail(const char* runner) {
  Run run = runOnPty(runner, {});
  std::vector<Token> tokens = tokenize(run.screen);
  std::string text;
  std::size_t frames = 0;
  if (run.status != 1) return failed("exit status not 1", run);
  if (tokens.empty()) return failed("drawing and text interleaved", run);
  if (!textNeverMeetsDrawing(tokens, text, frames)) return failed("text follows a frame", run);
  if (frames == 0) return failed("no frame drawn", run);
  const std::string fail_line = "1/1 " + std::string(kSleeper) + "...FAIL (TestUnexpectedResult)\n";
  if (!text.starts_with(fail_line)) return failed("no FAIL line first", run);
  if (!text.ends_with("\n0 passed; 0 skipped; 1 failed.\n")) return failed("no summary", run);
  return 0;
}

// A run shorter than the first drawing's delay draws nothing.
int checkQuick(const char* runner) {
  Run run = runOnPty(runner, {});
  if (run.status != 1) return failed("exit status not 1", run);
  if (run.screen.find_first_of("\r\x1b") != std::string::npos) return failed("drawn", run);
  if (!run.screen.ends_with("\n2 passed; 1 skipped; 1 failed.\n")) return failed("no summary", run);
  return 0;
}

// A terminal that takes no escape sequences gets no drawing.
int checkDumb(const char* runner) {
  Options opt;
  opt.term = "dumb";
  Run run = runOnPty(runner, opt);
  if (run.status != 0 || run.screen != "All 1 tests passed.\n") return failed("drawn", run);
  return 0;
}

// With a channel the progress goes there and nothing is drawn.
int checkChannel(const char* runner) {
  Options opt;
  opt.channel = true;
  Run run = runOnPty(runner, opt);
  const std::string expected =
      "zevra-progress 1\nstart 1 Test\nbegin 1 " + std::string(kSleeper) + "\nend 1\ndone\n";
  if (run.status != 0 || run.screen != "All 1 tests passed.\n") return failed("drawn", run);
  if (run.channel != expected) return failed("channel messages differ", run);
  return 0;
}

// A parent that never drains its full channel holds the run up for at most
// the channel's budget (a second), then the channel is given up.
int checkStalledChannel(const char* runner) {
  Options opt;
  opt.stalled_channel = true;
  Run run = runOnPty(runner, opt);
  const std::string expected =
      "[default] (warn): progress channel ZEVRA_PROGRESS_FD=7 failed; progress not reported\n"
      "All 1 tests passed.\n";
  if (run.status != 0 || run.screen != expected) return failed("not given up", run);
  return 0;
}

// SIGINT or SIGTERM while the drawing is up: it is erased, and the process
// ends by that signal.
int checkInterrupt(const char* runner, int sig) {
  Options opt;
  opt.interrupt = sig;
  Run run = runOnPty(runner, opt);
  std::string_view s = run.screen;
  std::size_t frames = 0;
  while (s.starts_with(kSleeperFrame)) s.remove_prefix(kSleeperFrame.size()), ++frames;
  if (run.signal != sig) return failed("not ended by the signal", run);
  if (frames == 0 || s != kClear) return failed("the drawing is not erased last", run);
  return 0;
}

// No thread for the drawing: a warning, then the run as without a display.
int checkNoThread(const char* runner) {
  Options opt;
  opt.no_thread = true;
  Run run = runOnPty(runner, opt);
  const std::string expected =
      "[default] (warn): progress display not started: no thread (EAGAIN)\nAll 1 tests passed.\n";
  if (run.status == 77 || run.status == 127) return 77;  // no other user to run as
  if (run.status != 0 || run.screen != expected) return failed("not a plain run", run);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::string_view which = argv[1];
  const char* runner = argv[2];
  if (which == "draw") return checkDraw(runner);
  if (which == "fail") return checkFail(runner);
  if (which == "quick") return checkQuick(runner);
  if (which == "dumb") return checkDumb(runner);
  if (which == "channel") return checkChannel(runner);
  if (which == "stalled-channel") return checkStalledChannel(runner);
  if (which == "sigint") return checkInterrupt(runner, SIGINT);
  if (which == "sigterm") return checkInterrupt(runner, SIGTERM);
  if (which == "no-thread") return checkNoThread(runner);
  return 2;
}
