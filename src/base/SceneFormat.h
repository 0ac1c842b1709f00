// Constants of the scene file (".pod") that its writer and its loader share: the version word
// and the node type codes. A type code's top four bits name the family (1 light, 2 camera,
// 3 drawable, 4 group, 6 particle system, 7 bone) and bits 12 to 15 the variant of a drawable.
#pragma once

#include <cstdint>

namespace vesk {

inline constexpr std::int32_t VK_SCENE_FILE_VERSION = 0x01100000;

inline constexpr std::int32_t VK_NODE_LIGHT = 0x10000000;
inline constexpr std::int32_t VK_NODE_CAMERA = 0x20000000;
inline constexpr std::int32_t VK_NODE_SHAPE = 0x30000000;
inline constexpr std::int32_t VK_NODE_WATER = 0x30001000;
inline constexpr std::int32_t VK_NODE_SPRITE = 0x30002000;
inline constexpr std::int32_t VK_NODE_SKIN = 0x30003000;
inline constexpr std::int32_t VK_NODE_GROUP = 0x40000000;
inline constexpr std::int32_t VK_NODE_PARTICLES = 0x60000000;
inline constexpr std::int32_t VK_NODE_BONE = 0x70000000;

// What a mesh record may hold: 16-bit indices reach 65535 vertices, and there are at most two
// texture-coordinate channels, numbered 1 and 2.
inline constexpr std::uint32_t kSceneMaxMeshVertices = 65535;
inline constexpr std::uint32_t kSceneMaxChannels = 2;

}  // namespace vesk
