#pragma once
// The protocol front end over standard input and output (--listen=-), where
// the platform has one: on Linux the conversation (protocol_mode.cpp); a
// build for WASI has none (no_protocol_mode.cpp).

#include "zevra_harness/registry.hpp"
#include "zevra_harness/status.hpp"

namespace zevra_harness::detail {

// The error mainServer returns after a breakdown.
inline constexpr Error ConversationBroken{"ConversationBroken"};

// Protocol mode in the runner's arena: ends the process at the
// conversation's end, returns only after a breakdown.
Error mainServer(Registry registry);

}  // namespace zevra_harness::detail
