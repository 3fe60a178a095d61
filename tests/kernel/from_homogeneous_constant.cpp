// Compiled, never run: pglFromHomogeneous must accept an invertible constant
// and refuse a singular one while the program is built. The case is chosen
// with -DCASE=n.
#include "zevra_kernel/pgl4.hpp"

using zevra_kernel::pglFromHomogeneous;
using zevra_kernel::Rows4;

#if CASE == 0
// diag(2, 3, 4, 5): invertible, compiles.
constexpr auto m =
    pglFromHomogeneous(Rows4{{{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 5}}});
#elif CASE == 1
// Rank 2, no zero entry: the determinant is exactly 0.
constexpr auto m =
    pglFromHomogeneous(Rows4{{{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}}});
#elif CASE == 2
// The zero matrix.
constexpr auto m = pglFromHomogeneous(Rows4{});
#elif CASE == 3
// A NaN entry: no determinant to trust.
constexpr auto m = pglFromHomogeneous(
    Rows4{{{__builtin_nan(""), 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}});
#elif CASE == 4
// Invertible in exact arithmetic only up to 1e-16: treated as singular.
constexpr auto m =
    pglFromHomogeneous(Rows4{{{1e-4, 0, 0, 0}, {0, 1e-4, 0, 0}, {0, 0, 1e-4, 0}, {0, 0, 0, 1e-4}}});
#endif

int main() { return m.data[0] > 0 ? 0 : 1; }
