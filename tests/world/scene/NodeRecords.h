// Node records written byte by byte for the loader tests, and a stand-in scene that links
// children and keeps the camera and light lists as the scene does.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/BinaryInput.h"
#include "support/TestSupport.h"
#include "world/scene/Camera.h"
#include "world/scene/Group.h"
#include "world/scene/Light.h"

namespace vesk::test {

struct Record {
  std::string bytes;

  Record& i32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
      bytes += static_cast<char>(value >> shift & 0xFF);
    return *this;
  }
  Record& f32(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return i32(bits);
  }
  Record& byte(std::uint8_t value) {
    bytes += static_cast<char>(value);
    return *this;
  }
  // Name, handle, position, rotation (x, y, z, w), scale, then the child count.
  Record& body(std::string_view name, std::int32_t handle, Vector3 position = {},
               Quaternion rotation = {}, Vector3 scale = {1, 1, 1}, std::uint32_t children = 0) {
    i32(static_cast<std::uint32_t>(name.size()));
    bytes += name;
    i32(static_cast<std::uint32_t>(handle)).f32(position.x).f32(position.y).f32(position.z);
    f32(rotation.x).f32(rotation.y).f32(rotation.z).f32(rotation.w);
    return f32(scale.x).f32(scale.y).f32(scale.z).i32(children);
  }

  BinaryInput input() const {
    Bytes data = allocateBytes(bytes.size());
    std::memcpy(data.get(), bytes.data(), bytes.size());
    return BinaryInput(std::move(data), bytes.size(), "test.pod");
  }
};

class StandInScene : public SceneLinks {
 public:
  const Node& sceneNode() const override { return *root; }
  void addChild(Owned<Node> child, Node& parent) override {
    Node& linked = *child;
    parent.appendChild(std::move(child));
    attached.push_back(linked.getName());
    linked.attach();
  }
  void addLight(Light& light) override { lights.push_back(&light); }
  void removeLight(Light& light) override { std::erase(lights, &light); }
  void addCamera(Camera& camera) override { cameras.push_back(&camera); }
  void removeCamera(Camera& camera) override { std::erase(cameras, &camera); }
  std::uint32_t resourceBank() const override { return 0; }
  Shader* getShader(std::uint32_t) override { return nullptr; }
  Shader* mirrorShader() override { return nullptr; }

  Owned<Group> root = make<Group>(here(), this);
  std::vector<std::string> attached;  // names, in attachment order
  std::vector<Light*> lights;
  std::vector<Camera*> cameras;
};

}  // namespace vesk::test
