#pragma once
// The JUnit report on disk, written as the runs end: a temporary file beside
// the report, renamed over it only once complete, so that a report is always
// whole (an existing one stays until a complete one replaces it) and the
// memory it takes does not grow with the number of runs. Its head, whose
// counts are known only at the end, is written last into room left for it.

#include <chrono>
#include <string>
#include <string_view>

#include "console_report.hpp"
#include "run_result.hpp"
#include "zevra/expected.hpp"

namespace zevra_test {

class JunitFile {
 public:
  // The error is one line: "cannot write: No such file or directory".
  static std::expected<JunitFile, std::string> create(const std::string& path, std::string suite);
  JunitFile(JunitFile&& other) noexcept;
  JunitFile& operator=(JunitFile&&) = delete;
  ~JunitFile();  // removes the temporary file of a report never committed

  void add(std::string_view full_name, const RunResult& r);
  // Completes the report (with `cause`, if not empty, as an error of the
  // run) and puts it in place.
  std::expected<void, std::string> commit(const Tally& tally, std::chrono::nanoseconds elapsed,
                                          std::string_view cause);

 private:
  JunitFile() = default;
  bool write(std::string_view bytes);

  std::string path_, temp_path_, suite_;
  int fd_ = -1;
  std::size_t head_room_ = 0;
  bool failed_ = false;
};

}  // namespace zevra_test
