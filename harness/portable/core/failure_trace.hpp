#pragma once
// The failure trace of the running test: where its error was raised and the
// places it was passed back through, printed after a FAIL line. Fixed
// capacity, since the harness never allocates: a deeper chain keeps its
// first places (the raise and the innermost pass-backs) and counts the rest.

#include <cstddef>
#include <source_location>

namespace zevra_harness::detail {

class OutputBuffer;

class FailureTrace {
 public:
  constexpr FailureTrace() = default;

  // Starts a new trace at the place an error is raised.
  void raise(std::source_location loc);
  // Adds a place that passed the error back.
  void passBack(std::source_location loc);
  void clear() { len_ = dropped_ = 0; }

  // One line per place: "{file}:{line}:{column}: in {function}", then
  // "({} more places)" for those that did not fit. Call with standard error
  // locked.
  void append(OutputBuffer& out) const;

 private:
  static constexpr std::size_t kCapacity = 32;
  std::source_location places_[kCapacity]{};
  std::size_t len_ = 0;
  std::size_t dropped_ = 0;
};

}  // namespace zevra_harness::detail
