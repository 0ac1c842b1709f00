#include "compositing/SceneLayer.h"

#include <utility>

namespace vesk {

SceneLayer::SceneLayer(Renderer& renderer, float alpha, Scene* scene, Camera* camera,
                       std::string sceneName)
    : Layer(renderer, alpha), _scene(scene), _camera(camera), _sceneName(std::move(sceneName)) {}

void SceneLayer::draw(DrawContext& /*context*/, float /*aspect*/) {}

}  // namespace vesk
