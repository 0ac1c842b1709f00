#include "compositing/ImageLayer.h"

#include "render/Renderer.h"
#include "world/material/Graph.h"

namespace vesk {

ImageLayer::ImageLayer(Renderer& renderer, float alpha, Graph& picture)
    : Layer(renderer, alpha), _picture(&picture) {}

void ImageLayer::draw(DrawContext& context,
                      float /*aspect: a picture fills the viewport whatever its ratio*/) {
  const TextureWindow& w = window();
  _picture->apply(0, 0);
  renderer().drawScreenQuad(context, 0xFFFFFFFF, w.umin, w.vmin, w.umax, w.vmax);
  _picture->unapply(0, 0);
}

bool ImageLayer::shows(std::string_view name) const {
  return _picture->getName() == name;
}

}  // namespace vesk
