// The fixture of the material tests that need the device: an OpenGL test context whose device
// every DXObject reaches through the fixture's installed draw context, the picture folder of
// PictureFiles.h, a presenter that records reports, and the resource cache.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "render/DXObject.h"
#include "support/GlTestContext.h"
#include "world/material/PictureFiles.h"
#include "world/material/ResourceCache.h"
#include "world/material/Texture.h"

namespace vesk::test {

class MaterialDeviceTest : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kWidth = 32, kHeight = 32;

  void SetUp() override {
    ASSERT_TRUE(context.ok()) << context.error();
    device = context.createDevice(kWidth, kHeight);
    ASSERT_NE(device, nullptr);
    drawContext.device = device.get();
    cache = make<ResourceCache>(here());
  }
  void TearDown() override {
    cache.reset();  // the textures go before the device
    drawContext.device = nullptr;
    device.reset();
  }

  // A picture of uniform colour (24 bits, or 32 with alpha) saved under `name`.
  void savePlain(const std::string& name, std::uint32_t argb, unsigned width = 4,
                 unsigned height = 4, FREE_IMAGE_FORMAT format = FIF_BMP, unsigned bpp = 24) {
    Bitmap picture = makeBitmap(width, height, bpp, [argb](unsigned, unsigned) { return argb; });
    folder.save(name, picture.get(), format);
  }

  // A level's pixels through the texture's lock.
  static std::vector<std::uint32_t> level(gfx::Texture* texture, std::uint32_t index) {
    std::vector<std::uint32_t> words;
    gfx::SurfaceDesc desc = texture->levelDesc(index);
    gfx::LockedRect locked;
    if (!texture->lockRect(index, locked, gfx::LOCK_READ_ONLY)) return words;
    for (std::uint32_t y = 0; y < desc.height; ++y) {
      auto* row = reinterpret_cast<const std::uint32_t*>(
          static_cast<const std::uint8_t*>(locked.bits) + std::ptrdiff_t{y} * locked.pitch);
      words.insert(words.end(), row, row + desc.width);
    }
    texture->unlockRect(index);
    return words;
  }

  GlTestContext context;
  Owned<gfx::Device> device;
  DrawContext drawContext;
  InstalledDrawContext installed{drawContext};
  RecordingPresenter presenter;
  PictureFolder folder;
  Owned<ResourceCache> cache;
};

}  // namespace vesk::test
