#pragma once
// Unit tests of the projective geometry kernel, beyond the tests the module
// registers: branch edges, fallbacks, NaN handling, convergence counts and
// algebraic properties over random inputs.

#include "zevra_harness/testing.hpp"

namespace kernel_units {

using zevra_harness::Status;

Status cartesianBranches();
Status normalizeFallbacksAndSign();
Status samePointAndAntipodes();
Status bestCardTiesAndNaN();

Status distanceEdges();
Status distanceWeightClamps();
Status invSqrtExactAndEdges();
Status fourLaneHelpers();

Status matrixLayoutAndTranspose();
Status determinantValues();
Status normalizeDetEdges();
Status builderEdges();
Status matrixProperties();

Status inverseConvergence();
Status inverseDegenerate();
Status operatorEdges();

Status elementaryWithinOneUlp();

Status noAllocation();

}  // namespace kernel_units
