// A server that speaks the build-runner protocol and misbehaves in the way
// ZEVRA_FAKE names, one behaviour per fault a client must survive (see the
// table in client_cases.sh). Its tests: "fake.test.passes" and
// "fake.test.fails", unless the behaviour lists other names. Files it leaves
// for the driver go under ZEVRA_FAKE_DIR.
#include <signal.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "harness/base/wire.hpp"

namespace {

using zevra_harness::storeLittleEndian;

std::string_view behaviour() {
  const char* b = std::getenv("ZEVRA_FAKE");
  return b != nullptr ? b : "";
}
bool is(std::string_view b) { return behaviour() == b; }

std::string dirFile(const char* name) {
  const char* dir = std::getenv("ZEVRA_FAKE_DIR");
  return std::string(dir != nullptr ? dir : "/tmp") + "/" + name;
}

// How many servers of this behaviour started before this one.
int priorStarts() {
  const std::string path = dirFile("starts");
  int n = 0;
  if (FILE* f = std::fopen(path.c_str(), "r")) {
    if (std::fscanf(f, "%d", &n) != 1) n = 0;
    std::fclose(f);
  }
  if (FILE* f = std::fopen(path.c_str(), "w")) {
    std::fprintf(f, "%d\n", n + 1);
    std::fclose(f);
  }
  return n;
}

void record(const char* name, long value) {
  if (FILE* f = std::fopen(dirFile(name).c_str(), "a")) {
    std::fprintf(f, "%ld\n", value);
    std::fclose(f);
  }
}

void put(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n <= 0) std::_Exit(9);
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void get(void* data, std::size_t len) {
  auto* p = static_cast<char*>(data);
  while (len > 0) {
    const ssize_t n = ::read(0, p, len);
    if (n <= 0) std::_Exit(8);
    p += n;
    len -= static_cast<std::size_t>(n);
  }
}

std::string message(std::uint32_t tag, std::string_view body) {
  std::string m(8, '\0');
  storeLittleEndian(reinterpret_cast<std::byte*>(m.data()), tag);
  storeLittleEndian(reinterpret_cast<std::byte*>(m.data() + 4),
                    static_cast<std::uint32_t>(body.size()));
  return m + std::string(body);
}

std::string u32(std::uint32_t v) {
  std::string b(4, '\0');
  storeLittleEndian(reinterpret_cast<std::byte*>(b.data()), v);
  return b;
}

std::string metadata(const std::vector<std::string>& names) {
  std::string offsets, zeros, table(1, '\0');
  for (const std::string& n : names) {
    offsets += u32(static_cast<std::uint32_t>(table.size()));
    zeros += u32(0);
    table += n + '\0';
  }
  return message(3, u32(static_cast<std::uint32_t>(table.size())) +
                        u32(static_cast<std::uint32_t>(names.size())) + offsets + zeros + table);
}

std::string results(std::uint32_t index, std::uint32_t flags) {
  return message(4, u32(index) + u32(flags));
}

std::vector<std::string> names(int start) {
  if (is("duplicate")) return {"fake.test.same", "fake.test.passes", "fake.test.same"};
  if (is("odd-names"))
    return {"fake.test.a\nb", "fake.test.x\rok      fake.test.forged",
            "fake.test.long " + std::string(200000, 'n')};
  if (is("relist") && start > 0) return {"fake.test.fails", "fake.test.passes"};
  return {"fake.test.passes", "fake.test.fails"};
}

// A process that holds the server's pipes and outlives it, unless ended.
void leaveGrandchild() {
  const pid_t child = ::fork();
  if (child == 0) {
    ::execlp("sleep", "sleep", "30", static_cast<char*>(nullptr));
    std::_Exit(1);
  }
  record("pids", child);
}

// The answer to run_test `index`, the `run`th of this process, or nothing.
// A test named "...fails" fails.
void runTest(std::uint32_t index, int run, std::string_view name) {
  const std::uint32_t flags =
      name.ends_with("fails") || (is("skip-then-fail") && run > 0) ? 1u : 0u;
  if (is("skip-then-fail") && run == 0) return put(1, results(index, 2));
  if (is("all-skip")) return put(1, results(index, 2));
  if (is("twice") && run == 0) return put(1, results(index, 0) + results(index, 0));
  if (is("twice")) return put(1, results(index, 1));
  if (is("wrong-index")) return put(1, results(index + 1, 0));
  if (is("fake-fault")) {
    put(2, "Segmentation fault at address 0x0\n");
    std::_Exit(3);
  }
  if (is("chatter") && index == 0) put(1, "hello from the test\n");
  if (is("grandchild-crash")) {
    leaveGrandchild();
    ::raise(SIGKILL);
  }
  if (is("hang") && index == 1) {
    record("pids", ::getpid());
    leaveGrandchild();
    for (;;) ::pause();
  }
  if (is("stderr-flood")) {
    const std::string chunk(1 << 20, 'e');
    for (int i = 0; i < 5; ++i) put(2, chunk);
  }
  if (is("stdout-flood")) {
    const std::string chunk(1 << 20, 'o');
    for (int i = 0; i < 300; ++i) put(1, chunk);
  }
  if (is("odd-names") || is("stderr-flood")) return put(1, results(index, 0));
  put(1, results(index, flags));
}

}  // namespace

int main() {
  const int start = priorStarts();
  if (is("startup-noise")) put(2, "noise at start-up\n");
  if (is("unstartable") && start > 0) return 5;
  put(1, message(0, "fake 1"));
  int run = 0;
  for (;;) {
    std::uint32_t header[2];
    get(header, sizeof header);
    std::string body(header[1], '\0');
    get(body.data(), body.size());
    if (header[0] == 0) return 0;
    if (header[0] == 4) {
      put(1, metadata(names(start)) + (is("leftover") ? results(1, 0) : ""));
    } else if (header[0] == 5) {
      std::uint32_t index = 0;
      for (int i = 3; i >= 0; --i)
        index = (index << 8) | static_cast<unsigned char>(body[static_cast<std::size_t>(i)]);
      if (is("unstartable") || (is("relist") && start == 0)) {
        record("pids", ::getpid());
        ::raise(SIGKILL);
      }
      const std::vector<std::string> listed = names(start);
      runTest(index, run++, index < listed.size() ? listed[index] : "");
    }
  }
}
