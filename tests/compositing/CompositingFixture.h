// What the compositing tests share: a renderer over a test OpenGL context, the resource cache,
// pictures written into a temporary data folder, and helpers that draw one frame of a viewport
// and read the back buffer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "base/ShowClock.h"
#include "compositing/Viewport.h"
#include "events/Event.h"
#include "render/Renderer.h"
#include "support/GlTestContext.h"
#include "world/material/Graph.h"
#include "world/material/PictureFiles.h"
#include "world/material/ResourceCache.h"

namespace vesk::test {

inline constexpr Argb kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00,
                      kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

class NoModesDisplay : public gfx::Display {
 public:
  std::vector<gfx::DisplayMode> modes() override { return {}; }
  gfx::DisplayMode desktopMode() override { return {640, 480, 60, gfx::Format::X8R8G8B8}; }
  void hideCursor() override {}
};

class CompositingTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 64, kHeight = 48;

  void SetUp() override {
    ASSERT_TRUE(context.ok()) << context.error();
    renderer = make<Renderer>(here(), &display);
    ASSERT_TRUE(renderer->createDevice(context, kWidth, kHeight, false, false));
    cache = make<ResourceCache>(here());
    // A start time of 0 means "not started": effects must begin at a later show time.
    ShowClock::set(1000);
  }

  void TearDown() override {
    viewports.clear();
    graphs.clear();
    cache.reset();
    renderer.reset();
    ShowClock::set(0);
  }

  // A picture file of `width` × 8 pixels whose colour at column x is colourAt(x).
  void writePicture(const std::string& file, unsigned width,
                    const std::function<std::uint32_t(unsigned)>& colourAt) {
    Bitmap bitmap = makeBitmap(width, 8, 24, [&](unsigned x, unsigned) { return colourAt(x); });
    folder.save(file, bitmap.get(), FIF_BMP);
  }
  // A named picture of one colour.
  Graph& solidPicture(const std::string& name, Argb colour) {
    writePicture(name + ".bmp", 4, [colour](unsigned) { return colour; });
    return picture(name, name + ".bmp");
  }
  Graph& picture(const std::string& name, const std::string& file, int frames = 1,
                 float framesPerSecond = 0.0f) {
    graphs.push_back(make<Graph>(here(), 0u, file, 1, 1, false, frames, framesPerSecond, nullptr));
    graphs.back()->setName(name);
    return *graphs.back();
  }

  Viewport& newViewport(int index = 0) {
    viewports.push_back(make<Viewport>(here(), index, *renderer));
    viewports.back()->setVisible(true);
    return *viewports.back();
  }
  // Sends an event to a viewport and answers what it answered.
  static std::int32_t send(Viewport& viewport, Event event) { return viewport.processEvent(event); }
  void showPicture(Viewport& viewport, int slot, const std::string& name, float alpha = 1.0f) {
    ASSERT_EQ(send(viewport, Event("", 22).addInt(slot).addFloat(alpha).addString(name)),
              VK_EVENT_PROCESSED);
  }

  // One frame at show time `ms`: black, then the viewports in depth order.
  void frame(std::int32_t ms) {
    ShowClock::set(ms);
    renderer->beginFrame();
    renderer->clearTarget(kBlack);
    std::vector<Viewport*> order;
    for (Owned<Viewport>& viewport : viewports)
      order.push_back(viewport.get());
    Viewport::renderInDepthOrder(renderer->drawContext(), order);
    renderer->restoreFullViewport();
    renderer->endFrame();
    image = readBackBuffer(*DXObject::device());
  }
  std::uint32_t at(int x, int y) const {
    return image.at(static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x));
  }

  RecordingPresenter presenter;
  PictureFolder folder;
  NoModesDisplay display;
  GlTestContext context;
  Owned<Renderer> renderer;
  Owned<ResourceCache> cache;
  std::list<Owned<Graph>> graphs;
  std::vector<Owned<Viewport>> viewports;
  std::vector<std::uint32_t> image;
};

// EXPECT that pixel (x, y) of the last frame is near a colour.
#define EXPECT_PIXEL(x, y, expected, ...)                                                  \
  do {                                                                                     \
    const std::uint32_t vkActual = at((x), (y));                                           \
    EXPECT_TRUE(::vesk::test::colorNear(vkActual, (expected)__VA_OPT__(, ) __VA_ARGS__))   \
        << "pixel (" << (x) << ", " << (y) << ") is " << ::vesk::test::colorText(vkActual) \
        << ", expected " << ::vesk::test::colorText(expected);                             \
  } while (false)

}  // namespace vesk::test
