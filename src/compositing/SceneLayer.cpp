#include "compositing/SceneLayer.h"

#include <utility>

#include "world/scene/Camera.h"
#include "world/scene/Scene.h"

namespace vesk {

SceneLayer::SceneLayer(Renderer& renderer, float alpha, Scene* scene, Camera* camera,
                       std::string sceneName)
    : Layer(renderer, alpha), _scene(scene), _camera(camera), _sceneName(std::move(sceneName)) {}

void SceneLayer::draw(DrawContext& context, float aspect) {
  _scene->setRenderer(&renderer());
  _scene->render(context, _camera, aspect);
}

bool SceneLayer::looksThroughScene(std::string_view name) const {
  return _camera && _camera->scene() && _camera->scene()->sceneNode().getName() == name;
}

}  // namespace vesk
