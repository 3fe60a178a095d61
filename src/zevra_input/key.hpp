#pragma once
// The keys the application names. The numeric values are the key codes of
// the GLFW window library, so a code reported by that library is a `Key` as
// it stands; letters take their upper-case ASCII codes.

#include <cstdint>

namespace zevra_input {

// Any 16-bit code is representable: keys the application does not name (for
// example GLFW's 'G' = 71, `keys::g` below, or the keypad keys) are held as `Key{code}` and
// tracked by the key sets like the named ones, so no input is lost on the
// way in. The named members are the ones the application reacts to.
enum class Key : std::uint16_t {
  a = 65,
  b = 66,
  c = 67,
  d = 68,
  e = 69,
  f = 70,
  q = 81,
  r = 82,
  s = 83,
  w = 87,
  x = 88,
  z = 90,
  space = 32,
  escape = 256,
  enter = 257,
  tab = 258,
  left_shift = 340,
  right_shift = 344,
  left_ctrl = 341,
  right_ctrl = 345,
  left_alt = 342,
  right_alt = 346,
  up = 265,
  down = 264,
  left = 263,
  right = 262,
  f1 = 290,
  f2 = 291,
  f3 = 292,
  f4 = 293,
  f5 = 294,
  f12 = 301,
};

constexpr std::uint16_t keyCode(Key k) { return static_cast<std::uint16_t>(k); }

// Every other key of GLFW, by its GLFW name (GLFW_KEY_G is keys::g, GLFW_KEY_0
// keys::digit_0, GLFW_KEY_DELETE keys::del): values of `Key` that it does not
// name, for tables that must cover the whole keyboard, such as a mapping from
// another platform's key names.
namespace keys {

inline constexpr Key apostrophe{39};
inline constexpr Key comma{44};
inline constexpr Key minus{45};
inline constexpr Key period{46};
inline constexpr Key slash{47};
inline constexpr Key digit_0{48};
inline constexpr Key digit_1{49};
inline constexpr Key digit_2{50};
inline constexpr Key digit_3{51};
inline constexpr Key digit_4{52};
inline constexpr Key digit_5{53};
inline constexpr Key digit_6{54};
inline constexpr Key digit_7{55};
inline constexpr Key digit_8{56};
inline constexpr Key digit_9{57};
inline constexpr Key semicolon{59};
inline constexpr Key equal{61};
inline constexpr Key g{71};
inline constexpr Key h{72};
inline constexpr Key i{73};
inline constexpr Key j{74};
inline constexpr Key k{75};
inline constexpr Key l{76};
inline constexpr Key m{77};
inline constexpr Key n{78};
inline constexpr Key o{79};
inline constexpr Key p{80};
inline constexpr Key t{84};
inline constexpr Key u{85};
inline constexpr Key v{86};
inline constexpr Key y{89};
inline constexpr Key left_bracket{91};
inline constexpr Key backslash{92};
inline constexpr Key right_bracket{93};
inline constexpr Key grave_accent{96};
inline constexpr Key world_1{161};
inline constexpr Key world_2{162};
inline constexpr Key backspace{259};
inline constexpr Key insert{260};
inline constexpr Key del{261};
inline constexpr Key page_up{266};
inline constexpr Key page_down{267};
inline constexpr Key home{268};
inline constexpr Key end{269};
inline constexpr Key caps_lock{280};
inline constexpr Key scroll_lock{281};
inline constexpr Key num_lock{282};
inline constexpr Key print_screen{283};
inline constexpr Key pause{284};
inline constexpr Key f6{295};
inline constexpr Key f7{296};
inline constexpr Key f8{297};
inline constexpr Key f9{298};
inline constexpr Key f10{299};
inline constexpr Key f11{300};
inline constexpr Key f13{302};
inline constexpr Key f14{303};
inline constexpr Key f15{304};
inline constexpr Key f16{305};
inline constexpr Key f17{306};
inline constexpr Key f18{307};
inline constexpr Key f19{308};
inline constexpr Key f20{309};
inline constexpr Key f21{310};
inline constexpr Key f22{311};
inline constexpr Key f23{312};
inline constexpr Key f24{313};
inline constexpr Key f25{314};
inline constexpr Key kp_0{320};
inline constexpr Key kp_1{321};
inline constexpr Key kp_2{322};
inline constexpr Key kp_3{323};
inline constexpr Key kp_4{324};
inline constexpr Key kp_5{325};
inline constexpr Key kp_6{326};
inline constexpr Key kp_7{327};
inline constexpr Key kp_8{328};
inline constexpr Key kp_9{329};
inline constexpr Key kp_decimal{330};
inline constexpr Key kp_divide{331};
inline constexpr Key kp_multiply{332};
inline constexpr Key kp_subtract{333};
inline constexpr Key kp_add{334};
inline constexpr Key kp_enter{335};
inline constexpr Key kp_equal{336};
inline constexpr Key left_super{343};
inline constexpr Key right_super{347};
inline constexpr Key menu{348};

}  // namespace keys

}  // namespace zevra_input
