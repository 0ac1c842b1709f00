#include "world/material/ComplexTexture.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "base/Diagnosis.h"
#include "base/Log.h"
#include "base/ShowClock.h"
#include "base/Text.h"
#include "world/material/ResourceCache.h"
#include "world/material/Texture.h"

namespace vesk {

namespace {

using gfx::StageState;
using gfx::TextureOp;

// Frame i of an animated texture F is the file named i followed by F.
std::string frameFile(int frame, std::string_view fileName) {
  return str(frame, fileName);
}

gfx::TransformType textureTransform(int stage) {
  return stage == 0 ? gfx::TransformType::Texture0 : gfx::TransformType::Texture1;
}

void setColourOp(int stage, TextureOp op) {
  VK_DX(DXObject::device()->setTextureStageState(stage, StageState::ColorOp,
                                                 static_cast<std::uint32_t>(op)));
}

void setBlend(gfx::Blend source, gfx::Blend destination) {
  gfx::Device* device = DXObject::device();
  VK_DX(device->setRenderState(gfx::RenderState::SrcBlend, static_cast<std::uint32_t>(source)));
  VK_DX(
      device->setRenderState(gfx::RenderState::DestBlend, static_cast<std::uint32_t>(destination)));
}

}  // namespace

ComplexTexture::ComplexTexture(std::uint32_t bank, std::string_view fileName, int channel, int kind,
                               bool colourKey, int frameCount, float framesPerSecond,
                               ComplexTexture* diffuse)
    : _kind(kind), _framesPerSecond(framesPerSecond), _colourKey(colourKey) {
  VK_ASSERT(frameCount != 0, "(numTexture!=0)", "Error : num should not be 0 (but 1 or more)");
  // A negative count or one beyond any animation (a corrupt scene, a mistyped script) keeps
  // the first frame only, instead of loading frame after frame for hours.
  const bool countUsable = frameCount >= 0 && frameCount <= kMaxFrameCount;
  VK_ASSERT(countUsable, "(numTexture>=0)&&(numTexture<=kMaxFrameCount)",
            "Error : texture " << fileName << " has " << frameCount << " frames; 1 to "
                               << kMaxFrameCount << " are possible, only the first is loaded");
  if (!countUsable) frameCount = 1;
  VK_ASSERT(kind == VK_TRANSPARENT || diffuse == nullptr,
            "(type!=VK_TRANSPARENT)? (diffuse == NULL) : true",
            "additionnal diffuse texture is only available for transparent texture");
  if (channel != 1 && channel != 2) {
    fatal(str("Texture ", fileName,
              " uses an incorrect channel : only channels 1 and 2 are currently supported"),
          here());
  }
  _texCoordSet = channel == 2 ? 1 : 0;
  if (diffuse) {
    std::size_t partnerCount = diffuse->_frames.size();
    if (partnerCount != 1 && partnerCount != static_cast<std::size_t>(std::max(frameCount, 1)) &&
        diffuse->_framesPerSecond != framesPerSecond) {
      fatal("Problem when combining two animated textures", here());
    }
  }

  ResourceCache* cache = ResourceCache::instance();
  if (!cache) {
    fatal(str("Texture ", fileName, " requested before the resource cache exists"), here());
    return;
  }
  // Frame i merges the partner's frame i. A partner with fewer frames loops over its own
  // (at the same rate that is the frame it shows at that moment; a single frame serves all).
  auto partnerFrame = [diffuse](int i) -> Texture* {
    if (!diffuse || diffuse->_frames.empty()) return nullptr;
    return diffuse->_frames[static_cast<std::size_t>(i) % diffuse->_frames.size()];
  };
  _frames.push_back(cache->getTexture(bank, fileName, colourKey, kind, partnerFrame(0)));
  if (frameCount > 1) {
    VK_ASSERT(framesPerSecond != 0.f, "(framesPerSec!=0.f)",
              "Error : framePerSec should not be null");
    // After a fatal error the program is ending: the frames left are not loaded.
    for (int i = 1; i < frameCount && !quitRequested(); ++i) {
      std::string name = frameFile(i, fileName);
      _frames.push_back(cache->getTexture(bank, name, colourKey, kind, partnerFrame(i)));
    }
  }
}

std::vector<std::string> ComplexTexture::frameFiles(std::string_view fileName, int frameCount) {
  std::vector<std::string> files{std::string(fileName)};
  if (frameCount < 0 || frameCount > kMaxFrameCount) return files;
  for (int i = 1; i < frameCount; ++i)
    files.push_back(frameFile(i, fileName));
  return files;
}

const Matrix& ComplexTexture::environmentMatrix() {
  static const Matrix matrix{{{0.5f, 0, 0, 0}, {0, -0.5f, 0, 0}, {0, 0, 1, 0}, {0.5f, 0.5f, 0, 1}}};
  return matrix;
}

void ComplexTexture::setTextureMatrix(const Matrix& matrix) {
  _textureMatrix = matrix;
  _useTextureMatrix = true;
}

std::size_t ComplexTexture::currentFrame() const {
  if (_frames.size() <= 1) return 0;
  // As a non-negative 64-bit count of frames since the start of the show.
  float product = ShowClock::seconds() * _framesPerSecond;
  std::uint64_t frame = 0;
  if (product >= 18446744073709551616.0f) {
    frame = UINT64_MAX;
  } else if (product > 0) {
    frame = static_cast<std::uint64_t>(product);
  }
  return static_cast<std::size_t>(frame % _frames.size());
}

bool ComplexTexture::checkApply(int stage) const {
  VK_ASSERT(!_frames.empty(), "(_textures.size()!=0)",
            "Error : _textures vector should not be empty");
  VK_ASSERT(stage <= 1, "(stage <= 1)", "stage should be 0 or 1");
  // The device has two stages; there is nothing to do elsewhere, or without a device.
  return !_frames.empty() && stage >= 0 && stage <= 1 && device() != nullptr;
}

void ComplexTexture::setTextureTransform(int stage, const Matrix& matrix) {
  if (stage > 1) {
    fatal("Warning: texture matrix cannot be activated on a stage >= 1", here());
    return;
  }
  VK_DX(device()->setTransform(textureTransform(stage), matrix));
}

void ComplexTexture::setUpEnvironment(int stage) {
  if (stage > 1) {
    logLine("Warning: environment map cannot be activated on a stage >= 1");
    return;
  }
  gfx::Device* device = DXObject::device();
  VK_DX(device->setTextureStageState(stage, StageState::TransformFlags, gfx::TTFF_COUNT2));
  VK_DX(device->setTransform(textureTransform(stage), environmentMatrix()));
  VK_DX(
      device->setTextureStageState(stage, StageState::TexCoordIndex, gfx::TCI_CAMERA_SPACE_NORMAL));
}

void ComplexTexture::apply(int stage, int kind) {
  if (!checkApply(stage)) return;
  if (_useTextureMatrix) setTextureTransform(stage, _textureMatrix);
  gfx::Device* device = DXObject::device();
  VK_DX(device->setTextureStageState(stage, StageState::TexCoordIndex,
                                     static_cast<std::uint32_t>(_texCoordSet)));

  switch (kind != 0 ? kind : _kind) {
    case VK_DIFFUSE:
    case VK_TRANSPARENT:
      if (stage == 1) setColourOp(1, TextureOp::Modulate);
      break;
    case VK_LIGHTMAP:
      setColourOp(stage, TextureOp::AddSigned);
      break;
    case VK_BUMP:
      break;
    case VK_ENVIRONMENT:
      setUpEnvironment(stage);
      if (stage == 1) setColourOp(1, TextureOp::Modulate);
      break;
    case VK_ADDITIVE_ENVIRONMENT:
      setUpEnvironment(stage);
      if (stage == 1) setColourOp(1, TextureOp::Modulate);
      setBlend(gfx::Blend::SrcColor, gfx::Blend::DestColor);
      break;
    default:
      fatal("Unrecognize texture type", here());
      return;
  }

  Texture* frame = _frames[currentFrame()];
  VK_DX(device->setTexture(stage, frame ? frame->deviceTexture() : nullptr));
}

void ComplexTexture::unapply(int stage, int kind) {
  if (!checkApply(stage)) return;
  if (_useTextureMatrix) setTextureTransform(stage, Matrix::identity());
  gfx::Device* device = DXObject::device();

  auto undoEnvironment = [&] {
    VK_DX(device->setTextureStageState(stage, StageState::TransformFlags, gfx::TTFF_DISABLE));
    VK_DX(device->setTextureStageState(stage, StageState::TexCoordIndex, 0));
    if (stage == 1) setColourOp(1, TextureOp::Disable);
  };
  switch (kind != 0 ? kind : _kind) {
    case VK_DIFFUSE:
    case VK_TRANSPARENT:
      if (stage == 1) setColourOp(1, TextureOp::Disable);
      break;
    case VK_LIGHTMAP:
      setColourOp(stage, stage == 0 ? TextureOp::Modulate : TextureOp::Disable);
      break;
    case VK_BUMP:
      break;
    case VK_ENVIRONMENT:
      undoEnvironment();
      break;
    case VK_ADDITIVE_ENVIRONMENT:
      setBlend(gfx::Blend::SrcAlpha, gfx::Blend::InvSrcAlpha);
      undoEnvironment();
      break;
    default:
      fatal("Unrecognize texture type", here());
      return;
  }
  VK_DX(device->setTextureStageState(stage, StageState::TexCoordIndex, 0));
}

}  // namespace vesk
