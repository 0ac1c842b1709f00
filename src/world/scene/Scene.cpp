#include "world/scene/Scene.h"

#include <algorithm>
#include <set>
#include <utility>

#include "base/Log.h"
#include "events/Event.h"
#include "render/Renderer.h"
#include "world/animation/AnimBlock.h"
#include "world/material/Material.h"
#include "world/material/MirrorShader.h"
#include "world/material/PicturePrefetch.h"
#include "world/material/ResourceCache.h"
#include "world/scene/Camera.h"
#include "world/scene/Light.h"
#include "world/scene/MeshRecord.h"
#include "world/scene/ParticleSystem.h"
#include "world/scene/RenderableNode.h"

namespace vesk {

namespace {

// The smallest material entry: its id and a record without texture descriptors.
constexpr std::uint64_t kMinMaterialEntryBytes = 4 + 1 + 3 * 12 + 4 * 3 + 12 + 4 + 3;
// What the shadow step lays over the shadowed pixels: black at half alpha.
constexpr Argb kShadowColour = 0x80000000;

}  // namespace

Scene::Scene() : Node(this) {
  if (ResourceCache* cache = ResourceCache::instance()) _bank = cache->addBank();
  if (gfx::Device* device = DXObject::device())
    VK_DX(device->setTransform(gfx::TransformType::World, Matrix::identity()));
}

Scene::~Scene() {
  _handles.erase(_handle);
  // The blocks' controllers point at nodes and materials: they go first.
  _animBlocks.clear();
  destroyChildren();
  _mirrorShader = nullptr;
  _shaders.clear();
  if (ResourceCache* cache = ResourceCache::instance()) cache->freeBank(_bank);
}

Owned<Node> Scene::clone() const {
  VK_ASSERT(false, "clone", "A scene is never cloned: " << getName());
  return nullptr;
}

bool Scene::load(BinaryInput& in) {
  std::int32_t version = 0;
  in >> version;
  if (in.failed()) return false;
  if (version != VK_SCENE_FILE_VERSION) {
    fatal("Incorrect objects file version", here());
    return false;
  }
  if (!loadMaterials(in)) return false;

  auto mirror = make<MirrorShader>(here());
  mirror->setEnabled(false);
  _mirrorShader = mirror.get();
  _shaders.push_back(std::move(mirror));

  if (!Node::load(in)) return false;
  _handles[_handle] = this;
  for (Node* child : children())
    child->updateWorld();
  for (Light* light : _shadowLights) {
    if (!light->buildShadows(*this)) return false;
  }
  return !quitRequested();
}

std::vector<PictureRequest> Scene::pictureRequests(Bytes data, std::size_t size) {
  std::vector<PictureRequest> requests;
  BinaryInput in(std::move(data), size, std::string());
  in.quiet();
  std::int32_t version = 0, reserved = 0;
  std::uint32_t count = 0;
  in >> version >> reserved >> count;
  if (version != VK_SCENE_FILE_VERSION) return requests;
  for (std::uint32_t i = 0; i < count && !in.failed(); ++i) {
    std::uint32_t id = 0;
    in >> id;
    if (!Material::pictureRequests(in, requests)) break;
  }
  std::vector<PictureRequest> once;
  std::set<PictureRequest> seen;
  for (PictureRequest& request : requests) {
    if (seen.insert(request).second) once.push_back(std::move(request));
  }
  return once;
}

bool Scene::loadMaterials(BinaryInput& in) {
  std::int32_t reserved = 0;
  std::uint32_t count = 0;
  in >> reserved >> count;
  if (in.failed() || !bytesLeft(in, std::uint64_t{count} * kMinMaterialEntryBytes)) return false;
  _shaders.reserve(std::size_t{count} + 1);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t id = 0;
    in >> id;
    if (in.failed()) return false;
    if (id != i) logLine("Material list loading: general failure", here());
    auto material = make<Material>(here(), _bank);
    Material& loaded = *material;
    _shaders.push_back(std::move(material));
    if (!loaded.load(in)) return false;
  }
  return true;
}

void Scene::addChild(Owned<Node> child, Node& parent) {
  Node& linked = *child;
  parent.appendChild(std::move(child));
  _handles[linked._handle] = &linked;
  linked.attach();
}

Owned<Node> Scene::removeNode(Node& node) {
  Owned<Node> removed = node.parent() ? node.parent()->takeChild(node) : nullptr;
  if (&node != this) {
    // A handle another node has since taken stays with that node.
    const auto it = _handles.find(node._handle);
    if (it != _handles.end() && it->second == &node) _handles.erase(it);
  }
  node.detach();
  // A mirror node is listed by the mirror shader too: it must not be drawn once destroyed.
  if (auto* renderable = dynamic_cast<RenderableNode*>(&node); renderable && _mirrorShader)
    _mirrorShader->removeNode(renderable);
  return removed;
}

void Scene::addLight(Light& light) {
  (light.hasShadowCasters() ? _shadowLights : _lights).push_back(&light);
}

void Scene::removeLight(Light& light) {
  std::erase(_lights, &light);
  std::erase(_shadowLights, &light);
}

void Scene::addCamera(Camera& camera) {
  _cameras.push_back(&camera);
}

void Scene::removeCamera(Camera& camera) {
  std::erase(_cameras, &camera);
}

Shader* Scene::getShader(std::uint32_t id) {
  if (id >= _shaders.size()) {
    fatal("Material id incorrect", here());
    return nullptr;
  }
  return _shaders[id].get();
}

Shader* Scene::mirrorShader() {
  return _mirrorShader;
}

Node* Scene::getNodeByHandle(std::int32_t handle) {
  const auto it = _handles.find(handle);
  VK_ASSERT(it != _handles.end(), "it != _handles.end()",
            "The node with the handle " << handle << " was not found in the scene " << getName());
  return it == _handles.end() ? nullptr : it->second;
}

std::int32_t Scene::processEvent(const Event& event) {
  if (event.getCode() == kEventStartScene) {
    _playing = true;
    return VK_EVENT_PROCESSED;
  }
  if (event.getCode() == kEventLoadAnimation) {
    loadAnimation(event.getString(0));
    return VK_EVENT_PROCESSED;
  }
  return Node::processEvent(event);
}

namespace {

// Every node below `node`, parents before children.
void collectNodes(const Node& node, std::vector<Node*>& nodes) {
  for (Node* child : node.children()) {
    nodes.push_back(child);
    collectNodes(*child, nodes);
  }
}

// As loading enters them: a node's children before the node, later entries winning.
void enterHandles(const Node& node, std::map<std::int32_t, Node*>& handles) {
  for (Node* child : node.children()) {
    enterHandles(*child, handles);
    handles[child->_handle] = child;
  }
}

}  // namespace

void Scene::reset() {
  _playing = false;
  std::vector<Node*> nodes;
  collectNodes(*this, nodes);
  // The particles first: their nodes are children of the scene, gone once removed, so the
  // systems are picked out before any goes.
  std::vector<ParticleSystem*> systems;
  for (Node* node : nodes) {
    if (auto* system = dynamic_cast<ParticleSystem*>(node)) systems.push_back(system);
  }
  for (ParticleSystem* system : systems)
    system->removeParticles();
  nodes.clear();
  collectNodes(*this, nodes);
  for (Node* node : nodes)
    node->restoreLoaded();
  // Mirror events switch shaders over: after loading only the mirror shader is off.
  for (const Owned<Shader>& shader : _shaders) {
    shader->setEnabled(shader.get() != _mirrorShader);
    if (auto* material = dynamic_cast<Material*>(shader.get())) material->restoreOpacity();
  }
  for (TimeController* controller : _controllers)
    controller->rewind();
  for (const Owned<AnimBlock>& block : _animBlocks)
    block->rewind();
  // A particle may have taken a loaded node's handle and taken it away again when it went.
  _handles.clear();
  enterHandles(*this, _handles);
  _handles[_handle] = this;
  for (Node* child : children())
    child->updateWorld();
}

void Scene::loadAnimation(std::string_view fileName) {
  auto block = make<AnimBlock>(here(), *this);
  block->load(fileName);
  _animBlocks.push_back(std::move(block));
}

void Scene::addController(TimeController& controller) {
  _controllers.push_back(&controller);
}

void Scene::removeController(TimeController& controller) {
  std::erase(_controllers, &controller);
}

void Scene::update() {
  if (!_playing) return;
  for (TimeController* controller : _controllers)
    controller->update();
  for (const Owned<AnimBlock>& block : _animBlocks)
    block->update();
  for (Node* child : children())
    child->updateWorld();
}

void Scene::setLights() {
  int slot = 0;
  for (Light* light : _lights)
    light->setSlot(slot++);
  for (Light* light : _shadowLights)
    light->setSlot(slot++);
}

void Scene::drawNodes(DrawContext& context, Shader& shader) {
  for (RenderableNode* node : shader.nodes()) {
    if (node->_visible) node->drawWithPasses(context, this);
  }
}

bool Scene::placeCamera(Camera* camera, float aspect) {
  if (!camera) {
    fatal("No active camera in the scene", here());
    return false;
  }
  VK_ASSERT(_lights.size() != 0, "_lights.size() != 0", "No light in the scene " << getName());
  camera->apply(aspect);
  return true;
}

void Scene::render(DrawContext& context, Camera* camera, float aspect) {
  if (!placeCamera(camera, aspect)) return;
  setLights();

  // Fresh per drawing: a mirror draws the scene again from inside this loop.
  std::vector<SortEntry> sorted;
  for (std::size_t i = 0; i < _shaders.size(); ++i) {
    Shader& shader = *_shaders[i];
    if (!shader.enabled()) continue;
    if (shader.needsSorting()) {
      for (RenderableNode* node : shader.nodes())
        sorted.push_back({&shader, node, sortDepth(*node, *camera)});
      continue;
    }
    shader.begin(context, this, camera);
    drawNodes(context, shader);
    shader.end(context, this, camera);
  }
  if (!sorted.empty()) drawSorted(context, sorted, camera);
  if (!_shadowLights.empty()) drawShadows(context);

  for (std::size_t slot = 0; slot < _lights.size(); ++slot)
    VK_DX(context.device->lightEnable(static_cast<int>(slot), false));
}

float Scene::sortDepth(const RenderableNode& node, const Camera& camera) const {
  const Vector3 world = transformPoint(node._centre, node._worldMatrix);
  const Vector4 seen = transformRow(world, camera._viewMatrix);
  return seen.w != 1 ? seen.z / seen.w : seen.z;
}

void Scene::drawSorted(DrawContext& context, std::vector<SortEntry>& entries, Camera* camera) {
  gfx::Device& device = *context.device;
  VK_DX(device.setRenderState(gfx::RenderState::ZWriteEnable, 0));
  // Farthest first; stable, so that equal depths keep the order of the shader table.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const SortEntry& a, const SortEntry& b) { return a.depth > b.depth; });
  Shader* current = nullptr;
  for (const SortEntry& entry : entries) {
    if (entry.shader != current) {
      if (current) current->end(context, this, camera);
      current = entry.shader;
      current->begin(context, this, camera);
    }
    if (entry.node->_visible) entry.node->drawWithPasses(context, this);
  }
  if (current) current->end(context, this, camera);
  VK_DX(device.setRenderState(gfx::RenderState::ZWriteEnable, 1));
}

void Scene::drawShadows(DrawContext& context) {
  if (!_renderer) return;
  gfx::VertexBuffer* buffer = _renderer->shadowVertexBuffer();
  for (Light* light : _shadowLights)
    light->drawShadows(context, buffer);
  gfx::Device& device = *context.device;
  VK_DX(device.setRenderState(gfx::RenderState::StencilEnable, 1));
  VK_DX(device.setRenderState(gfx::RenderState::StencilRef, 0));
  VK_DX(device.setRenderState(gfx::RenderState::StencilFunc,
                              static_cast<std::uint32_t>(gfx::Compare::NotEqual)));
  VK_DX(device.setRenderState(gfx::RenderState::StencilPass,
                              static_cast<std::uint32_t>(gfx::StencilOp::Keep)));
  // The darkening is a plain colour: whatever texture the last material drew with would show
  // through it (or hide it) otherwise.
  VK_DX(device.setTexture(0, nullptr));
  _renderer->drawScreenQuad(context, kShadowColour, 0, 0, 1, 1);
  VK_DX(device.setRenderState(gfx::RenderState::StencilEnable, 0));
}

void Scene::renderGeometry(DrawContext& context, Camera* camera, float aspect) {
  if (!placeCamera(camera, aspect)) return;
  int slot = 0;
  for (Light* light : _lights)
    light->setSlot(slot++);
  for (const Owned<Shader>& shader : _shaders)
    drawNodes(context, *shader);
  for (std::size_t i = 0; i < _lights.size(); ++i)
    VK_DX(context.device->lightEnable(static_cast<int>(i), false));
}

}  // namespace vesk
