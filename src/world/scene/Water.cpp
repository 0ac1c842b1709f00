#include "world/scene/Water.h"

#include <cmath>

#include "base/Log.h"
#include "base/ShowClock.h"
#include "base/Text.h"
#include "events/Event.h"
#include "world/scene/Scene.h"

namespace vesk {

Water::Water(SceneLinks* scene) : RenderableNode(scene) {
  ShowClock::seedRandomFromTimeOfDay();
  makeClock();
}

Water::Water(const Water& original)
    : RenderableNode(original),
      _ripple(original._ripple),
      _basis(original._basis),
      _materialId(original._materialId),
      _pictureA(original._pictureA),
      _pictureB(original._pictureB) {
  if (original._grid) {
    _grid = make<Grid>(here(), original._grid->width(), original._grid->height());
    const std::array<Vector3, 3>& corners = original._grid->builtCorners();
    _grid->build(corners[0], corners[1], corners[2]);
    _grid->setHeights(_ripple.current());
  }
  makeClock();
}

Water::~Water() = default;

void Water::makeClock() {
  auto* owner = dynamic_cast<Scene*>(scene());
  if (!owner) return;
  _clock = make<NodeClock>(here(), *owner, *this);
}

void Water::attach() {
  attachToMaterial(_materialId);
}

void Water::detach() {
  detachFromMaterial();
}

std::uint32_t Water::rowsFor(float width, float length) {
  const float rows = length * static_cast<float>(kColumns) / width;
  if (!(width > 0) || !(rows >= 0) || !(rows <= static_cast<float>(kMaxRows))) return 0;
  return static_cast<std::uint32_t>(rows);
}

bool Water::load(BinaryInput& in) {
  RippleSettings settings;
  in >> settings.width >> settings.length >> settings.strength >> settings.impulseSize >>
      settings.impulseProbability >> settings.damping;
  if (in.failed()) return false;
  const std::uint32_t rows = rowsFor(settings.width, settings.length);
  _grid = make<Grid>(here(), kColumns, rows);
  if (!_grid->load(in)) return false;
  _centre = _grid->centre();
  _basis = _grid->basis();
  in >> _materialId;
  if (in.failed() || !RenderableNode::load(in)) return false;
  if (rows == 0 && !(settings.length == 0 && settings.width > 0)) {
    logLine(str("Water ", getName(), " in ", in.name(), ": a surface of ", settings.width, " by ",
                settings.length, " cannot be gridded; it stays flat and empty"),
            here());
  }
  _ripple = Ripple(kColumns, rows, settings);
  _pictureA = make<Image>(here(), "impulsion.jpg", Image::VK_IMAGE_GREYSCALE);
  _pictureB = make<Image>(here(), "impulsion2.jpg", Image::VK_IMAGE_GREYSCALE);
  return true;
}

GreyPicture Water::view(const Image* image) {
  if (!image || !image->data() || image->mode() != Image::VK_IMAGE_GREYSCALE) return {};
  return {{image->data(), image->size()}, image->width(), image->height()};
}

void Water::step() {
  _ripple.step(view(_pictureA.get()), view(_pictureB.get()));
  // After the swap the newest heights are the current ones.
  if (_grid) _grid->setHeights(_ripple.current());
}

void Water::restoreLoaded() {
  RenderableNode::restoreLoaded();
  _ripple.flatten();
  if (_grid) _grid->setHeights(_ripple.current());
}

void Water::draw(DrawContext& context) {
  if (!_grid) return;
  if (!VK_DX(context.device->setTransform(gfx::TransformType::World, _basis * _worldMatrix)))
    return;
  _grid->draw();
}

std::int32_t Water::processEvent(const Event& event) {
  const std::int32_t processed = RenderableNode::processEvent(event);
  if (processed == VK_EVENT_PROCESSED || !_clock) return processed;
  return _clock->processEvent(event);
}

}  // namespace vesk
