#include "harness/portable/core/session.hpp"

#include <limits>

namespace zevra_harness::detail {
namespace {
constinit Session the_session;
}

Session& session() { return the_session; }

void Session::countLoggedError() {
  if (log_err_count != std::numeric_limits<std::size_t>::max()) ++log_err_count;
}

}  // namespace zevra_harness::detail
