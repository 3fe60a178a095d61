#pragma once
// The protocol front end: after the version message, the build runner's
// requests are served one at a time until it says `exit`.

#include "harness/posix/protocol/server.hpp"
#include "zevra/expected.hpp"
#include "zevra_harness/registry.hpp"

namespace zevra_harness::detail {

// How a conversation ends without an error: the peer said `exit`, or it sent
// a request this program does not serve. The value is the exit status that
// protocol mode ends the process with.
enum class ConversationEnd : int { exit = 0, refused = 1 };

// A whole conversation over `options.stream`: the version message, then the
// requests of the peer one at a time with the tests of `registry` until an
// end. A breakdown (the input ended or failed, the output failed, a message
// did not fit) releases the receive queue, is logged in one warn line and
// returned. With `name_errors` a failing test's trace follows the line
// "FAIL ({error name})", as in terminal mode.
std::expected<ConversationEnd, Breakdown> converse(const Server::Options& options,
                                                   Registry registry, bool name_errors = false);

}  // namespace zevra_harness::detail
