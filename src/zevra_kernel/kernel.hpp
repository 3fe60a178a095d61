#pragma once
// The whole projective geometry kernel.

#include "zevra_kernel/builders.hpp"
#include "zevra_kernel/homvec4.hpp"
#include "zevra_kernel/inverse.hpp"
#include "zevra_kernel/metric.hpp"
#include "zevra_kernel/operators.hpp"
#include "zevra_kernel/pgl4.hpp"
