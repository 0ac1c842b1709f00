#include "world/material/MirrorShader.h"

#include <vector>

#include "world/scene/Camera.h"
#include "world/scene/Scene.h"
#include "world/scene/Shape.h"

namespace vesk {

namespace {

// The corners of a mirror surface: the edges 0-1, 1-3, 3-2 and 2-0 go round it.
constexpr std::uint32_t kMirrorCorners = 4;
// Planes 0 to 4: the four sides of the view through the mirror, then the mirror itself.
constexpr std::uint32_t kMirrorClipPlanes = 0x1F;

}  // namespace

void MirrorShader::begin(DrawContext& /*context*/, Scene* /*scene*/, Camera* /*camera*/) {
  for (RenderableNode* node : nodes())
    node->_visible = false;
}

void MirrorShader::end(DrawContext& context, Scene* scene, Camera* camera) {
  if (!scene || !camera) return;
  // A copy: the reflection draws the scene, and nothing in it may change this list.
  const std::vector<RenderableNode*> surfaces = nodes();
  for (RenderableNode* node : surfaces)
    reflect(context, *scene, *camera, *node);
}

void MirrorShader::reflect(DrawContext& context, Scene& scene, Camera& camera,
                           RenderableNode& node) {
  const auto* shape = dynamic_cast<const Shape*>(&node);
  const Mesh* mesh = shape ? shape->mesh() : nullptr;
  const std::uint32_t n = mesh ? mesh->vertexCount() : 0;
  VK_ASSERT(n == kMirrorCorners, "(n == 4)",
            "mirror rendering: expected quad or triangle primitive");
  if (n != kMirrorCorners) return;

  Vector3 p[kMirrorCorners];
  for (std::uint32_t i = 0; i < kMirrorCorners; ++i)
    p[i] = transformPoint(mesh->vertexPosition(i), node._worldMatrix);
  camera._reflectionMatrix = reflectionMatrix(planeFromPoints(p[0], p[1], p[2]));
  const Vector3 eye = transformPoint(camera._position, camera._reflectionMatrix);

  gfx::Device& device = *context.device;
  const Plane planes[] = {planeFromPoints(p[0], p[1], eye), planeFromPoints(p[1], p[3], eye),
                          planeFromPoints(p[3], p[2], eye), planeFromPoints(p[2], p[0], eye),
                          planeFromPoints(p[0], p[1], p[2])};
  for (int i = 0; i < 5; ++i)
    VK_DX(device.setClipPlane(i, planes[i]));
  VK_DX(device.setRenderState(gfx::RenderState::ClipPlaneEnable, kMirrorClipPlanes));

  // The reflection turns the winding round: what faced the eye faces it clockwise now.
  context.currentCullMode = gfx::Cull::Clockwise;
  VK_DX(device.setRenderState(gfx::RenderState::CullMode, stateWord(gfx::Cull::Clockwise)));
  setEnabled(false);
  scene.render(context, &camera, 0);
  VK_DX(device.setRenderState(gfx::RenderState::ClipPlaneEnable, 0));
  context.currentCullMode = gfx::Cull::CounterClockwise;
  VK_DX(device.setRenderState(gfx::RenderState::CullMode, stateWord(gfx::Cull::CounterClockwise)));
  setEnabled(true);

  camera._reflectionMatrix = Matrix::identity();
  camera.apply(0);
  scene.setLights();

  Shader* own = shape->shader();
  if (own) own->begin(context, &scene, &camera);
  node._visible = true;
  node.draw(context);
  if (own) own->end(context, &scene, &camera);
}

}  // namespace vesk
