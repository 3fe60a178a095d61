#pragma once
// The protocol front end over standard input and output (--listen=-), where
// the platform has one: on Linux the conversation (protocol_mode.cpp); a
// build for WASI has none (no_protocol_mode.cpp).

#include "zevra_harness/registry.hpp"
#include "zevra_harness/status.hpp"

namespace zevra_harness::detail {

// Set to a non-empty value in the environment, it asks for each failing
// test's error name on standard error, before its trace (the protocol
// itself reports only the fail bit). zevra-test asks, for its reports.
inline constexpr const char* kErrorNamesVariable = "ZEVRA_ERROR_NAMES";

// The error mainServer returns after a breakdown.
inline constexpr Error ConversationBroken{"ConversationBroken"};

// Protocol mode in the runner's arena: ends the process at the
// conversation's end, returns only after a breakdown.
Error mainServer(Registry registry);

}  // namespace zevra_harness::detail
