// The fixture of the scene tests that need the device: an OpenGL test context whose device
// every DXObject reaches through the installed draw context, a presenter that records reports,
// and a log in a temporary folder. Records come from the scene writer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "authoring/SceneWriter.h"
#include "base/BinaryInput.h"
#include "base/Log.h"
#include "render/DXObject.h"
#include "support/GlTestContext.h"
#include "support/TestSupport.h"

namespace vesk::test {

class SceneDeviceTest : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kWidth = 64, kHeight = 64;

  void SetUp() override {
    ASSERT_TRUE(context.ok()) << context.error();
    device = context.createDevice(kWidth, kHeight);
    ASSERT_NE(device, nullptr);
    drawContext.device = device.get();
    ASSERT_TRUE(theLog().open(folder / "Log.txt"));
  }
  void TearDown() override {
    theLog().close();
    drawContext.device = nullptr;
  }

  std::string logText() const { return readFile(folder / "Log.txt"); }

  static BinaryInput input(const std::vector<std::uint8_t>& bytes) {
    Bytes data = allocateBytes(bytes.size());
    if (!bytes.empty()) std::memcpy(data.get(), bytes.data(), bytes.size());
    return BinaryInput(std::move(data), bytes.size(), "test.pod");
  }
  static std::vector<std::uint8_t> meshRecord(const SceneMesh& mesh) {
    std::vector<std::uint8_t> bytes;
    ByteOutput out(bytes);
    writeMesh(out, mesh);
    return bytes;
  }

  // The words of a locked buffer, read without changing it.
  template <class T, class Buffer>
  static std::vector<T> contents(Buffer& buffer) {
    std::vector<T> values(buffer.size() / sizeof(T));
    const void* locked = buffer.lock(0, 0, gfx::LOCK_READ_ONLY);
    if (!locked) return {};
    std::memcpy(values.data(), locked, values.size() * sizeof(T));
    buffer.unlock();
    return values;
  }

  GlTestContext context;
  Owned<gfx::Device> device;
  DrawContext drawContext;
  InstalledDrawContext installed{drawContext};
  RecordingPresenter presenter;
  TempDir folder;
};

}  // namespace vesk::test
