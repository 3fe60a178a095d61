#pragma once
// The tests zevra_kernel registers, in source order.

#include <array>

#include "zevra_harness/testing.hpp"

namespace zevra_kernel::test {

zevra_harness::Status testHomVec4Constructors();
zevra_harness::Status testHomVec4Normalize();
zevra_harness::Status testHomVec4DotAndSamePoint();
zevra_harness::Status testHomVec4Antipodal();
zevra_harness::Status testHomVec4AffineCard();
zevra_harness::Status testFsDistanceKnownValues();
zevra_harness::Status testPgl4IdentityAction();
zevra_harness::Status testPgl4Determinant();
zevra_harness::Status testPgl4TranslationAndScale();
zevra_harness::Status testPgl4NewtonSchulzInverse();
zevra_harness::Status testPgl4NormalizeDet();
zevra_harness::Status testPgl4RotationPreservesNorm();
zevra_harness::Status testSimdDot4AndNormalize();
zevra_harness::Status testCordicInvSqrt();
zevra_harness::Status testResonanceAntisymmetric();
zevra_harness::Status testProjectorIdempotent();
zevra_harness::Status testDeformedProductEpsilonZero();
zevra_harness::Status testDistanceWeightRoundTrip();
zevra_harness::Status testPgl4FromHomogeneous();

inline constexpr auto tests = std::to_array<zevra_harness::TestFn>({
    {"zevra_kernel.test.HomVec4: constructors and cartesian dehomogenization",
     &testHomVec4Constructors},
    {"zevra_kernel.test.HomVec4: normalization on S³", &testHomVec4Normalize},
    {"zevra_kernel.test.HomVec4: dot product and isSamePoint", &testHomVec4DotAndSamePoint},
    {"zevra_kernel.test.HomVec4: antipodal check Z/2Z", &testHomVec4Antipodal},
    {"zevra_kernel.test.HomVec4: affine card selection", &testHomVec4AffineCard},
    {"zevra_kernel.test.Fubini-Study distance: known values", &testFsDistanceKnownValues},
    {"zevra_kernel.test.PGL4: identity action", &testPgl4IdentityAction},
    {"zevra_kernel.test.PGL4: determinant", &testPgl4Determinant},
    {"zevra_kernel.test.PGL4: translation and scale", &testPgl4TranslationAndScale},
    {"zevra_kernel.test.PGL4: Newton-Schulz inverse", &testPgl4NewtonSchulzInverse},
    {"zevra_kernel.test.PGL4: normalizeDet → det ≈ 1", &testPgl4NormalizeDet},
    {"zevra_kernel.test.PGL4: rotation preserves norm", &testPgl4RotationPreservesNorm},
    {"zevra_kernel.test.SIMD: dot4 and normalize", &testSimdDot4AndNormalize},
    {"zevra_kernel.test.CORDIC inverse sqrt", &testCordicInvSqrt},
    {"zevra_kernel.test.Resonance J = A − Aᵀ is antisymmetric", &testResonanceAntisymmetric},
    {"zevra_kernel.test.Projector Π_Λ is idempotent: Π² = Π", &testProjectorIdempotent},
    {"zevra_kernel.test.Deformed tensor product: ε=0 is standard mul",
     &testDeformedProductEpsilonZero},
    {"zevra_kernel.test.w_from_distance / s_from_W round-trip", &testDistanceWeightRoundTrip},
    {"zevra_kernel.test.PGL4 comptime: pglFromHomogeneous rejects singular",
     &testPgl4FromHomogeneous},
});

}  // namespace zevra_kernel::test
