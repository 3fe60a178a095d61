// Fubini-Study distance, distance-weight conversion and the f32 normalisation.
#include "zevra_kernel/metric.hpp"

#include <cmath>

#include "zevra_kernel/arc_cosine.hpp"
#include "zevra_kernel/sine_cosine.hpp"

namespace zevra_kernel {

double fsDistance(HomVec4 a, HomVec4 b) {
  const double n1 = a.norm();
  const double n2 = b.norm();
  if (n1 < 1e-15 || n2 < 1e-15) return 0.0;
  const double d = std::fabs(HomVec4::dot(a, b)) / (n1 * n2);
  // Rounding can push d just above 1 for equal points; a NaN d becomes 1.
  const double cos_theta = d < 1.0 ? d : 1.0;
  return acosUnit(cos_theta);
}

double wFromDistance(double s_meters, double R_meters) {
  return cosine(s_meters / (2.0 * R_meters));
}

double sFromW(double W, double R_meters) {
  // Upper bound first, so that a NaN W becomes 1 and maps to 0.
  const double below_one = W < 1.0 ? W : 1.0;
  const double W_clamped = below_one > -1.0 ? below_one : -1.0;
  return (2.0 * R_meters) * arcCosine(W_clamped);
}

F32x4 simdNormalize3(F32x4 v) {
  const float d = simdDot4(v, v);
  if (d < static_cast<float>(1e-15)) return f32x4(0.0f, 0.0f, 0.0f, 1.0f);
  const float len = std::sqrt(d);
  return v / len;
}

}  // namespace zevra_kernel
