// The device's texture stages: each stage is a texture unit with its own sampler, combiners,
// coordinate generation and texture matrix.
#include "gfx/GlDevice.h"

#include "base/Text.h"
#include "gfx/GlTables.h"
#include "gfx/GlTexture.h"

namespace vesk::gfx {

bool GlDevice::setTextureStageState(int stage, StageState state, std::uint32_t value) {
  int index = static_cast<int>(state);
  if (stage < 0 || stage >= kStageCount) return fail(str("no texture stage ", stage));
  if (index < 0 || index >= static_cast<int>(StageState::Count)) {
    return fail(str("unknown texture stage state ", index));
  }
  bool valid = false;
  switch (state) {
    case StageState::ColorOp:
    case StageState::AlphaOp:
      valid = value >= 1 && value <= 8;
      break;
    case StageState::ColorArg1:
    case StageState::ColorArg2:
    case StageState::AlphaArg1:
    case StageState::AlphaArg2:
      valid = value <= 2;
      break;
    case StageState::TexCoordIndex:
      valid = (value & 0xFFFF) < 8 && (value >> 16 == 0 || value >> 16 == 1);
      break;
    case StageState::TransformFlags:
      valid = value <= 4;
      break;
    case StageState::MagFilter:
    case StageState::MinFilter:
    case StageState::MipFilter:
      valid = value <= 2;
      break;
    case StageState::Count:
      break;
  }
  if (!valid) return fail(str("texture stage state ", index, " does not take ", value));
  std::uint32_t& slot = _stageStates[stage][index];
  if (cached(slot == value)) return true;
  slot = value;
  _dirty |= DIRTY_STAGES;
  if (state == StageState::TexCoordIndex) _dirty |= DIRTY_ARRAYS;
  return true;
}

std::uint32_t GlDevice::textureStageState(int stage, StageState state) const {
  int index = static_cast<int>(state);
  if (stage < 0 || stage >= kStageCount || index < 0 ||
      index >= static_cast<int>(StageState::Count)) {
    return 0;
  }
  return _stageStates[stage][index];
}

bool GlDevice::setTexture(int stage, Texture* texture) {
  if (stage < 0 || stage >= kStageCount) return fail(str("no texture stage ", stage));
  auto* glTexture = texture ? dynamic_cast<GlTexture*>(texture) : nullptr;
  if (texture && (!glTexture || !glTexture->valid())) return fail("not a texture of this device");
  if (cached(_textures[stage] == glTexture)) return true;
  _textures[stage] = glTexture;
  _dirty |= DIRTY_STAGES;
  return true;
}

void GlDevice::flushStages() {
  // Levels that nothing has written are sent (as zeros) before any unit is bound for drawing,
  // since sending binds the texture on the active unit.
  for (GlTexture* texture : _textures) {
    if (texture && !texture->allLevelsSent()) texture->sendUnwrittenLevels();
  }
  // A disabled stage ends the cascade: it and every stage above are off.
  int enabledStages = 0;
  while (enabledStages < kStageCount &&
         ss(enabledStages, StageState::ColorOp) != static_cast<std::uint32_t>(TextureOp::Disable)) {
    ++enabledStages;
  }
  for (int unit = 0; unit < kStageCount; ++unit)
    flushStage(unit, unit < enabledStages);
  _dirty &= ~DIRTY_STAGES;
}

void GlDevice::flushStage(int unit, bool enabled) {
  // A stage without a texture is switched off in OpenGL, which passes the colour through.
  GlTexture* texture = enabled ? _textures[unit] : nullptr;
  _state.setCap(GL_TEXTURE_2D, texture != nullptr, unit);
  if (!texture) return;
  _state.activeUnit(unit);
  _state.bindTexture(texture->name());

  // Filters belong to the stage: each unit has its own sampler. Without a mip filter only
  // level 0 is sampled.
  auto linear = [&](StageState state) {
    return ss(unit, state) == static_cast<std::uint32_t>(TextureFilter::Linear);
  };
  GLint mag = linear(StageState::MagFilter) ? GL_LINEAR : GL_NEAREST;
  bool minLinear = linear(StageState::MinFilter);
  GLint min = minLinear ? GL_LINEAR : GL_NEAREST;
  switch (static_cast<TextureFilter>(ss(unit, StageState::MipFilter))) {
    case TextureFilter::None:
      break;
    case TextureFilter::Point:
      min = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
      break;
    case TextureFilter::Linear:
      min = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
      break;
  }
  _state.samplerFilters(unit, _samplers[unit], mag, min);

  _state.combiners(glCombiner(ss(unit, StageState::ColorOp), ss(unit, StageState::ColorArg1),
                              ss(unit, StageState::ColorArg2)),
                   glCombiner(ss(unit, StageState::AlphaOp), ss(unit, StageState::AlphaArg1),
                              ss(unit, StageState::AlphaArg2)));

  bool normals = (ss(unit, StageState::TexCoordIndex) & TCI_CAMERA_SPACE_NORMAL) != 0;
  for (GLenum coordinate : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q})
    _state.setCap(coordinate, normals, unit);

  // The texture matrix applies only while the stage's transform flags are on.
  Matrix matrix;
  if (ss(unit, StageState::TransformFlags) != TTFF_DISABLE) {
    matrix = glTextureMatrix(_textureMatrices[unit], normals);
  }
  _state.textureMatrix(unit, matrix);
}

}  // namespace vesk::gfx
