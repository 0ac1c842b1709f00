#include "compositing/Layer.h"

#include "compositing/SpecialEffect.h"

namespace vesk {

Layer::Layer(Renderer& renderer, float alpha) : _renderer(&renderer), _alpha(alpha) {}

Layer::~Layer() {
  setEffect(nullptr);
}

void Layer::render(DrawContext& context, const TextureWindow& window) {
  _window = window;
  context.fadeFactor = _alpha;
  if (_effect && !_effect->finished()) {
    _effect->apply(context, *this);
    return;
  }
  if (_effect) {
    setEffect(nullptr);
    // Its finish step may have given the layer a new alpha (a fade leaves its final one).
    context.fadeFactor = _alpha;
  }
  draw(context, 0.0f);
}

void Layer::setEffect(Owned<SpecialEffect> effect) {
  if (_effect) {
    // Take it out first: its finish step may look at the layer.
    Owned<SpecialEffect> old = std::move(_effect);
    old->finish(*this);
  }
  _effect = std::move(effect);
}

}  // namespace vesk
