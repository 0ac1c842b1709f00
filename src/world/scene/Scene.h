// A loaded scene file: the root of its node hierarchy and the owner of its nodes, its shader
// table (the file's materials, then the one mirror shader) and its bank of the resource cache.
// It keeps the handle table, the light lists and the cameras that its nodes join, advances
// once it has been started, and draws itself through one of its cameras: the opaque shaders in
// table order, then the sorted nodes back to front, then the shadows.
//
// The event-target name of the scene is its root node's name; event 53 starts it and event 54
// loads an animation file into it.
#pragma once

#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

#include "world/scene/Node.h"

namespace vesk {

class AnimBlock;
class MirrorShader;
struct PictureRequest;
class RenderableNode;
class Renderer;
class TimeController;

inline constexpr std::int32_t kEventStartScene = 53;
inline constexpr std::int32_t kEventLoadAnimation = 54;  // string: the animation file name

class Scene : public Node, public SceneLinks {
 public:
  // An empty scene with a new bank of the resource cache, and the identity world transform.
  Scene();
  // Its handle, its animation blocks, its child nodes, its shaders, then its bank.
  ~Scene() override;

  Owned<Node> clone() const override;
  // Reads a whole scene file. False when loading stopped (the error is reported).
  bool load(BinaryInput& in) override;
  // The pictures loading the scene file held in `data` asks its bank for, in order and each
  // once (the bank answers a repeated request itself). Nothing is loaded and nothing reported,
  // so that any thread may look ahead this way.
  static std::vector<PictureRequest> pictureRequests(Bytes data, std::size_t size);

  // Per-frame advance once started: the time controllers, the animation blocks in load order,
  // then the world matrices of the whole hierarchy.
  void update();
  // Back to the state of a scene just loaded, without reading anything: not playing (until
  // event 53 again); every node's transform, visibility and animated fields as loaded, no extra
  // passes, mirrors off; the animation blocks and the time-driven nodes stopped at time 0; no
  // particles; still water; the handle table as loaded; the world matrices recomputed. The
  // animation blocks loaded by event 54 are kept.
  void reset();
  // A new animation block for this scene, loaded from the data file `fileName` and appended.
  void loadAnimation(std::string_view fileName);
  // The time-driven nodes of the scene join and leave the per-frame update here (not owned).
  void addController(TimeController& controller);
  void removeController(TimeController& controller);
  // Draws the scene through `camera`; `aspect` is height ÷ width, 0 to take the viewport's.
  void render(DrawContext& context, Camera* camera, float aspect);
  // The geometry only, under the caller's states: every shader's visible nodes, no shader
  // `begin` or `end`, no sorting, no shadows.
  void renderGeometry(DrawContext& context, Camera* camera, float aspect);
  // The lights take the device's slots from 0: first the ordinary ones, then the shadow lights.
  void setLights();

  // Null, after an assertion, for a handle no node has.
  Node* getNodeByHandle(std::int32_t handle);

  std::int32_t processEvent(const Event& event) override;

  // Takes the node out of the scene: out of its parent's children, its handle out of the
  // table (the scene keeps its own), then its `detach`; a renderable node also leaves the
  // mirror shader's list. Its descendants stay as they are, entered under their handles and
  // in their lists. The caller gets the node to destroy; null for the scene itself, for a node
  // without a parent and for a child of a clone (which owns none).
  Owned<Node> removeNode(Node& node);

  // SceneLinks.
  const Node& sceneNode() const override { return *this; }
  void addChild(Owned<Node> child, Node& parent) override;
  void addLight(Light& light) override;
  void removeLight(Light& light) override;
  void addCamera(Camera& camera) override;
  void removeCamera(Camera& camera) override;
  std::uint32_t resourceBank() const override { return _bank; }
  Shader* getShader(std::uint32_t id) override;
  Shader* mirrorShader() override;

  bool playing() const { return _playing; }
  const std::vector<Owned<AnimBlock>>& animBlocks() const { return _animBlocks; }
  const std::vector<Camera*>& cameras() const { return _cameras; }
  const std::vector<Light*>& lights() const { return _lights; }
  const std::vector<Light*>& shadowLights() const { return _shadowLights; }
  std::size_t shaderCount() const { return _shaders.size(); }
  // Draws the darkening quad of the shadow step; without one, shadows are not darkened.
  void setRenderer(Renderer* renderer) { _renderer = renderer; }

  std::map<std::int32_t, Node*> _handles;
  std::vector<Light*> _lights;

 private:
  struct SortEntry {
    Shader* shader;
    RenderableNode* node;
    float depth;
  };
  bool loadMaterials(BinaryInput& in);
  // The first steps of every drawing: a camera is required, a light expected; the camera
  // sets the view and projection. False without a camera.
  bool placeCamera(Camera* camera, float aspect);
  // The visible nodes of a shader, each with its extra passes.
  void drawNodes(DrawContext& context, Shader& shader);
  float sortDepth(const RenderableNode& node, const Camera& camera) const;
  void drawSorted(DrawContext& context, std::vector<SortEntry>& entries, Camera* camera);
  void drawShadows(DrawContext& context);

  bool _playing = false;
  std::vector<TimeController*> _controllers;
  std::vector<Owned<AnimBlock>> _animBlocks;
  std::vector<Owned<Shader>> _shaders;
  MirrorShader* _mirrorShader = nullptr;
  std::vector<Light*> _shadowLights;
  std::vector<Camera*> _cameras;
  std::uint32_t _bank = 0;
  Renderer* _renderer = nullptr;
};

}  // namespace vesk
