// A layer that shows a 3D scene through one of its cameras.
#pragma once

#include <string>

#include "compositing/Layer.h"

namespace vesk {

class Scene;
class Camera;

class SceneLayer : public Layer {
 public:
  // Scene and camera are not owned: the core removes the layer before it destroys the scene.
  SceneLayer(Renderer& renderer, float alpha, Scene* scene, Camera* camera, std::string sceneName);

  bool isSceneLayer() const override { return true; }
  // The scene's full drawing through the camera, its shadows darkened through the renderer.
  void draw(DrawContext& context, float aspect) override;
  bool shows(std::string_view name) const override { return _sceneName == name; }
  // Whether the camera belongs to the scene of that name (a camera of another scene may have
  // been put on the layer).
  bool looksThroughScene(std::string_view name) const;

  Scene* scene() const { return _scene; }
  Camera* camera() const { return _camera; }
  void setCamera(Camera* camera) { _camera = camera; }

 private:
  Scene* _scene;
  Camera* _camera;
  std::string _sceneName;
};

}  // namespace vesk
