// A layer that shows a 3D scene through one of its cameras.
//
// Scenes are not part of the engine yet: the layer keeps its scene, camera and the scene's name,
// and its drawing does nothing until scenes can render themselves.
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
  // Nothing yet (see above).
  void draw(DrawContext& context, float aspect) override;
  bool shows(std::string_view name) const override { return _sceneName == name; }

  Scene* scene() const { return _scene; }
  Camera* camera() const { return _camera; }
  void setCamera(Camera* camera) { _camera = camera; }

 private:
  Scene* _scene;
  Camera* _camera;
  std::string _sceneName;
};

}  // namespace vesk
