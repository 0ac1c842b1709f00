#include "compositing/Layer.h"

#include "compositing/SpecialEffect.h"

namespace vesk {

Layer::Layer(Renderer& renderer, float alpha) : _renderer(&renderer), _alpha(alpha) {}

Layer::~Layer() {
  setEffect(nullptr);
}

void Layer::render(const TextureWindow& window) {
  _window = window;
  fadeFactor = _alpha;
  if (_effect && !_effect->finished()) {
    _effect->apply(*this);
    return;
  }
  if (_effect) setEffect(nullptr);
  draw(0.0f);
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
