#include "zevra_input/input_state.hpp"

#include <cmath>

namespace zevra_input {

std::array<double, 3> InputState::cameraMoveDir() const {
  std::array<double, 3> dir{0.0, 0.0, 0.0};
  // Each axis sums +1 and -1 exactly, so opposite intents cancel to 0.
  if (camera_move_forward) dir[2] = 1.0 + dir[2];
  if (camera_move_back) dir[2] = dir[2] - 1.0;
  if (camera_move_left) dir[0] = dir[0] - 1.0;
  if (camera_move_right) dir[0] = dir[0] + 1.0;
  if (camera_move_up) dir[1] = dir[1] + 1.0;
  if (camera_move_down) dir[1] = dir[1] - 1.0;
  const double len = std::sqrt((dir[0] * dir[0] + dir[1] * dir[1]) + dir[2] * dir[2]);
  if (len > 1e-10) {
    for (double& c : dir) c /= len;
  }
  return dir;
}

}  // namespace zevra_input
