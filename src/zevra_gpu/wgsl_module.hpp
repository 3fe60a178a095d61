#pragma once
// The compute module: the three preludes and the four compute shaders joined
// by single newlines, assembled at build time. The vertex stage is not in it.

#include <array>
#include <cstddef>
#include <string_view>

#include "zevra_gpu/wgsl_compute.hpp"
#include "zevra_gpu/wgsl_preludes.hpp"

namespace zevra_gpu {

namespace detail {

inline constexpr std::array<std::string_view, 7> wgsl_module_parts{
    wgsl_hom_vec4,          wgsl_pgl4,
    wgsl_geodesic_state,    wgsl_fs_distance_batch,
    wgsl_pgl_action_batch,  wgsl_geodesic_rk4_step,
    wgsl_idempotent_newton,
};

consteval std::size_t wgslModuleLength() {
  std::size_t length = wgsl_module_parts.size() - 1;  // the separators
  for (std::string_view part : wgsl_module_parts) length += part.size();
  return length;
}

consteval std::array<char, wgslModuleLength()> assembleWgslModule() {
  std::array<char, wgslModuleLength()> text{};
  std::size_t at = 0;
  for (std::size_t i = 0; i < wgsl_module_parts.size(); ++i) {
    if (i > 0) text[at++] = '\n';
    for (char c : wgsl_module_parts[i]) text[at++] = c;
  }
  return text;
}

inline constexpr std::array<char, wgslModuleLength()> wgsl_module_text = assembleWgslModule();

}  // namespace detail

// The same constant text on every call; allocates nothing.
constexpr std::string_view buildWgslModule() {
  return {detail::wgsl_module_text.data(), detail::wgsl_module_text.size()};
}

}  // namespace zevra_gpu
