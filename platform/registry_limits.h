// Windows' limits on what a registry holds. The emulated registry refuses
// what Windows refuses, and what writes or reads registry images (profile
// files, .reg files) checks the same limits before it touches a key.
#pragma once

#include <cstddef>

namespace win {

// Characters (UTF-16 code units) in a key name and in a value name.
inline constexpr std::size_t kMaxKeyNameChars = 255;
inline constexpr std::size_t kMaxValueNameChars = 16383;
// A key tree is at most this many levels below its hive.
inline constexpr std::size_t kMaxKeyDepth = 512;

}  // namespace win
