// The show's textures: the cross fade masks the script names, the water's impulse pictures,
// and the material textures the scenes use. All are powers of two on a side.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Canvas.h"

namespace showgen {

struct TextureRecipe {
  std::string file;  // under data\textures\, as the scenes and the script name it
  int width;
  int height;
  bool grey;  // stored as 8-bit greyscale
};

// Textures the script does not name but the scenes may use, with what they are for:
//   sandstone.jpg         walls, streets, columns (diffuse, tiles)
//   sandstone_wall.jpg    cut blocks in running bond (diffuse, tiles)
//   gold.jpg              brushed gold for domes, the obelisk tip, the hourglass frame
//   water.jpg             turquoise water with caustics (basins, the sacred pool)
//   sky_dusk.jpg          the deep blue dusk sky with stars, 512 × 256
//   env_metal.jpg         environment map for mirror metal (environment kinds)
//   lightmap_warm.jpg     a warm pool of torch light (light map, second channel)
//   black_glass.jpg       the black glass and mirror floors
//   flame.jpg, 1flame.jpg ... 7flame.jpg   an eight-frame torch flame (animated texture)
//   spark.jpg             a soft round glow on black for sprites and particles
//   glass_mask.jpg        grey mask for transparent glass (transparency kind, bright rims)
//   impulsion.jpg, impulsion2.jpg   the water surface's impulse pictures (greyscale)
const std::vector<TextureRecipe>& materialTextures();

// Draws the texture named `file` (a script texture or a material texture); nothing when
// showgen has no drawing of that name.
std::optional<Canvas> drawTexture(const std::string& file, int width, int height);

}  // namespace showgen
