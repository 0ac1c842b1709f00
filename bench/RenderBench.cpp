// Drawing costs under Mesa llvmpipe: a frame of 16 visible viewports with 4 picture layers each
// at 640 × 480, the OpenGL calls per frame with and without the device's state cache, and the
// load of a 640 × 480 JPEG as a texture beside FreeImage's decode alone.
#include <FreeImage.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "base/File.h"
#include "compositing/Viewport.h"
#include "events/Event.h"
#include "render/Renderer.h"
#include "support/GlTestContext.h"
#include "support/TestSupport.h"
#include "world/material/Graph.h"
#include "world/material/ResourceCache.h"
#include "world/material/Texture.h"

namespace vesk {
namespace {

class BenchDisplay : public gfx::Display {
 public:
  std::vector<gfx::DisplayMode> modes() override { return {{640, 480, 60, gfx::Format::X8R8G8B8}}; }
  gfx::DisplayMode desktopMode() override { return {640, 480, 60, gfx::Format::X8R8G8B8}; }
  void hideCursor() override {}
};

// A folder with data/textures/pic.jpg, a 640 × 480 picture with some detail.
struct PictureFolder {
  test::TempDir dir;
  test::CurrentDir inDir{dir.path()};
  PictureFolder() {
    std::filesystem::create_directories(dir / "data/textures");
    FIBITMAP* bitmap = FreeImage_Allocate(640, 480, 24);
    for (unsigned y = 0; y < 480; ++y) {
      BYTE* row = FreeImage_GetScanLine(bitmap, static_cast<int>(y));
      for (unsigned x = 0; x < 640; ++x) {
        row[3 * x] = static_cast<BYTE>(x ^ y);
        row[3 * x + 1] = static_cast<BYTE>(x * 3);
        row[3 * x + 2] = static_cast<BYTE>(y * 5);
      }
    }
    FreeImage_Save(FIF_JPEG, bitmap, (dir / "data/textures/pic.jpg").c_str(), JPEG_QUALITYGOOD);
    FreeImage_Unload(bitmap);
    File::init();
  }
};

struct Screen {
  test::RecordingPresenter quiet;
  test::GlTestContext context;
  BenchDisplay display;
  Owned<ResourceCache> cache = make<ResourceCache>(here());
  Owned<Renderer> renderer = make<Renderer>(here(), &display);
  std::vector<Owned<Viewport>> viewports;
  std::vector<Viewport*> order;
  Owned<Graph> picture;

  explicit Screen(bool stateCache) {
    renderer->createDevice(context, 640, 480, false, false, stateCache);
    picture = make<Graph>(here(), 0, "pic.jpg", 1, 1, false, 1, 0.0f, nullptr);
    picture->setName("pic");
    for (int index = 0; index < 16; ++index) {
      viewports.push_back(make<Viewport>(here(), index, *renderer));
      Viewport& viewport = *viewports.back();
      order.push_back(&viewport);
      viewport.setRect((index % 4) * 160, (index / 4) * 120, 160, 120, 1.0f);
      viewport.setBorder(true, 1, 1.0f, 1.0f, 1.0f);
      viewport.setVisible(true);
      for (int layer = 0; layer < 4; ++layer) {
        Event event("", 22);
        event.addInt(layer).addFloat(0.5f).addString("pic");
        viewport.processEvent(event);
      }
    }
  }
  ~Screen() {
    viewports.clear();
    picture.reset();
    cache->freeBank(0);
    renderer->shutdown();
  }

  void frame() {
    renderer->beginFrame();
    renderer->clearTarget(0);
    Viewport::renderInDepthOrder(renderer->drawContext(), order);
    renderer->restoreFullViewport();
    renderer->endFrame();
    renderer->present();
  }
};

void frameTime(benchmark::State& state) {
  PictureFolder folder;
  Screen screen(true);
  screen.frame();
  for (auto _ : state) {
    screen.frame();
    // Wait for the frame to be drawn, so that the time is the drawing and not the queueing.
    std::uint32_t pixel = 0;
    gfx::LockedRect locked;
    Owned<gfx::Surface> probe =
        DXObject::device()->createImageSurface(640, 480, gfx::Format::X8R8G8B8);
    DXObject::device()->copyRects(DXObject::device()->backBuffer(), probe.get());
    if (probe->lockRect(locked, gfx::LOCK_READ_ONLY)) {
      pixel = *static_cast<std::uint32_t*>(locked.bits);
      (void)probe->unlockRect();
    }
    benchmark::DoNotOptimize(pixel);
  }
}
BENCHMARK(frameTime)->Unit(benchmark::kMillisecond)->UseRealTime();

void glCallsPerFrame(benchmark::State& state) {
  PictureFolder folder;
  Screen screen(state.range(0) != 0);
  screen.frame();
  std::uint64_t calls = 0, frames = 0;
  for (auto _ : state) {
    const std::uint64_t before = DXObject::device()->apiCalls();
    screen.frame();
    calls += DXObject::device()->apiCalls() - before;
    ++frames;
  }
  state.counters["gl_calls_per_frame"] = static_cast<double>(calls) / static_cast<double>(frames);
}
BENCHMARK(glCallsPerFrame)->Arg(1)->Arg(0)->ArgName("state_cache")->Unit(benchmark::kMillisecond);

void jpegAsTexture(benchmark::State& state) {
  PictureFolder folder;
  test::RecordingPresenter quiet;
  test::GlTestContext context;
  BenchDisplay display;
  Owned<Renderer> renderer = make<Renderer>(here(), &display);
  renderer->createDevice(context, 640, 480, false, false);
  for (auto _ : state) {
    Owned<Texture> texture = make<Texture>(here(), "pic.jpg", false, 1, nullptr);
    benchmark::DoNotOptimize(texture->deviceTexture());
  }
  renderer->shutdown();
}
BENCHMARK(jpegAsTexture)->Unit(benchmark::kMillisecond);

void jpegDecodeOnly(benchmark::State& state) {
  PictureFolder folder;
  std::uint32_t size = 0;
  Bytes data = File::get("data\\textures\\pic.jpg", size);
  for (auto _ : state) {
    FIMEMORY* memory = FreeImage_OpenMemory(data.get(), size);
    FIBITMAP* bitmap = FreeImage_LoadFromMemory(FIF_JPEG, memory, 0);
    benchmark::DoNotOptimize(bitmap);
    FreeImage_Unload(bitmap);
    FreeImage_CloseMemory(memory);
  }
}
BENCHMARK(jpegDecodeOnly)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vesk

BENCHMARK_MAIN();
