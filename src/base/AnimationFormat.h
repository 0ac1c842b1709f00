// Constants of the animation file (".pab") that its writer and its loader share: the version
// word, the controller category and type codes, and the loop modes of the file header.
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr std::uint32_t VK_ANIM_FILE_VERSION = 0x01040000;

// The only controller category a file may hold.
inline constexpr std::uint8_t VK_CONTROLLER_KEYFRAME = 1;

// Controller types; 4 names no controller and is refused like any unknown type.
inline constexpr std::uint8_t VK_CONTROLLER_NODE_TM = 1;
inline constexpr std::uint8_t VK_CONTROLLER_LIGHT_COLOR = 2;
inline constexpr std::uint8_t VK_CONTROLLER_CAMERA_FOV = 3;
inline constexpr std::uint8_t VK_CONTROLLER_MATERIAL_SETTINGS = 5;

// What a track does when its time leaves the key range. Any value other than these three
// runs on, extrapolating from the last (or first) key interval.
inline constexpr std::uint8_t VK_ANIM_LOOP_RUN_ON = 0;
inline constexpr std::uint8_t VK_ANIM_LOOP_WRAP = 1;
inline constexpr std::uint8_t VK_ANIM_LOOP_PING_PONG = 2;
inline constexpr std::uint8_t VK_ANIM_LOOP_STOP = 3;

}  // namespace vesk
