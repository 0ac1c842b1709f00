#include "world/scene/ParticleSystem.h"

#include <algorithm>
#include <utility>

#include "base/Diagnosis.h"
#include "base/Log.h"
#include "base/ShowClock.h"
#include "base/Text.h"
#include "events/Event.h"
#include "world/scene/MeshRecord.h"
#include "world/scene/Scene.h"
#include "world/scene/VectorMath.h"

namespace vesk {

namespace {

constexpr float kStep = 0.01f;  // seconds: long frames are cut into steps of this length
constexpr float kEmissionChance = 0.01f;
// The show clock counts whole milliseconds: what is left of a frame below half of one is the
// rounding of the float seconds, not time. Stepping it would draw random numbers depending on
// how large the clock is, and a show starting again in loop mode would not repeat itself.
constexpr float kLeftoverNoise = 0.0005f;
// A class record holds at least its three floats, a type code and a node body without prefix,
// name or children: a count the file cannot hold is refused before anything is made for it.
constexpr std::uint64_t kMinClassBytes = 3 * 4 + 4 + (4 + 4 + 12 + 16 + 12 + 4);
// A damaged rate (infinity) must not hang the show in one step's emission loop.
constexpr float kMaxAttemptsPerStep = 1'000'000;

// A random offset of `width` around 0 (the draw is taken here, in the caller's order).
float randomOffset(float width) {
  return (ShowClock::randomUnit() - 0.5f) * width;
}

}  // namespace

bool ParticleClass::load(BinaryInput& in, Scene& scene) {
  in >> _rate >> _lifetime >> _mass;
  std::int32_t typeCode = 0;
  in >> typeCode;
  if (in.failed()) return false;
  VK_ASSERT(_mass != 0, "_mass", "Null mass for a particle is not allowed !");
  _template = Node::create(typeCode, &scene);
  return _template && _template->load(in);
}

ParticleSystem::ParticleSystem(Scene& scene) : Node(&scene), _scene(scene), _clock(scene, *this) {}

ParticleSystem::~ParticleSystem() {
  removeParticles();
  _classes.clear();
}

void ParticleSystem::removeParticles() {
  for (const Owned<Particle>& particle : _particles)
    destroyNode(particle->_node);
  for (const Owned<SpriteParticle>& particle : _spriteParticles)
    destroyNode(particle->_node);
  _particles.clear();
  _spriteParticles.clear();
}

void ParticleSystem::restoreLoaded() {
  Node::restoreLoaded();
  removeParticles();
  _rateFactor = _loadedRateFactor;
  _gravity = kDefaultGravity;
  _speed = kDefaultSpeed;
  _flag = false;
  _emitting = true;
  _lastTime = -0.01f;
}

Owned<Node> ParticleSystem::clone() const {
  logLine(str("ParticleSystem ", getName(),
              ": a particle system cannot be cloned (as a particle "
              "template, for one); no particle is made"),
          here());
  return nullptr;
}

bool ParticleSystem::load(BinaryInput& in) {
  in >> _spreadX >> _spreadY >> _rateFactor >> _angleSpread >> _fifthValue;
  _loadedRateFactor = _rateFactor;
  std::uint32_t count = 0;
  in >> count;
  if (in.failed() || !bytesLeft(in, std::uint64_t{count} * kMinClassBytes)) return false;
  _classes.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    auto type = make<ParticleClass>(here(), *this);
    ParticleClass& loaded = *type;
    _classes.push_back(std::move(type));
    if (!loaded.load(in, _scene)) return false;
  }
  return Node::load(in);
}

std::int32_t ParticleSystem::processEvent(const Event& event) {
  switch (event.getCode()) {
    case kEventParticlePhysics:
      _gravity = event.getFloat(0);
      _speed = event.getFloat(1);
      _flag = event.getBool(2);
      return VK_EVENT_PROCESSED;
    case kEventParticleEmission:
      _emitting = event.getBool(0);
      return VK_EVENT_PROCESSED;
    case kEventParticleFreeze:
      for (const Owned<Particle>& particle : _particles)
        particle->_velocity = particle->_acceleration = {};
      return VK_EVENT_PROCESSED;
    case kEventParticleRate:
      _rateFactor = static_cast<float>(event.getInt(0));
      return VK_EVENT_PROCESSED;
    default:
      break;
  }
  const std::int32_t processed = Node::processEvent(event);
  return processed == VK_EVENT_PROCESSED ? processed : _clock.processEvent(event);
}

void ParticleSystem::animate(float time) {
  const float elapsed = time - _lastTime;
  _lastTime = time;
  // A system being moved waits until its world matrix is up to date.
  if (_localDirty || _rotationDirty) return;
  if (elapsed > 0) {
    float remaining = elapsed;
    do {
      step(std::min(remaining, kStep));
      remaining -= kStep;
    } while (remaining > kLeftoverNoise);
  }
  removeExpired(_particles);
  removeExpired(_spriteParticles);
}

void ParticleSystem::step(float step) {
  if (_emitting) {
    for (const Owned<ParticleClass>& type : _classes) {
      const float attempts = std::min(type->_rate * _rateFactor * step, kMaxAttemptsPerStep);
      for (int k = 0; attempts > static_cast<float>(k); ++k) {
        if (ShowClock::randomUnit() < kEmissionChance) emit(*type);
      }
    }
  }
  auto integrate = [&](Particle& particle) {
    particle._age += step;
    particle._position =
        particle._position + (particle._velocity + particle._acceleration * (step / 2)) * step;
    particle._velocity = particle._velocity + particle._acceleration * step;
    // A zero mass has had its assertion at load; it gets no acceleration rather than an
    // infinite one.
    const float mass = particle._class->_mass;
    particle._acceleration = {0, 0, mass != 0 ? -_gravity / mass : 0.0f};
    // Plain particles are placed through their local position too: a world matrix written
    // here would be recomputed from the local transform by the scene's next update.
    particle._node->_position = particle._position;
    particle._node->_localDirty = true;
  };
  for (const Owned<Particle>& particle : _particles)
    integrate(*particle);
  for (const Owned<SpriteParticle>& particle : _spriteParticles) {
    integrate(*particle);
    particle->_sprite->_alpha = 1 - particle->_age / particle->_class->_lifetime;
  }
}

void ParticleSystem::emit(ParticleClass& type) {
  if (!type._template) return;
  Owned<Node> node = type._template->clone();
  if (!node) return;
  Particle* particle = nullptr;
  if (dynamic_cast<const Sprite*>(type._template.get())) {
    Sprite* sprite = safeCast<Sprite>(node.get());
    if (!sprite) return;
    _spriteParticles.push_back(make<SpriteParticle>(here(), type, sprite));
    particle = _spriteParticles.back().get();
  } else {
    _particles.push_back(make<Particle>(here(), type, node.get()));
    particle = _particles.back().get();
  }

  // The offsets are along the world axes, y drawn first.
  const float dy = randomOffset(_spreadY);
  const float dx = randomOffset(_spreadX);
  particle->_position = {_worldMatrix.m[3][0] + dx, _worldMatrix.m[3][1] + dy,
                         _worldMatrix.m[3][2]};
  const float ax = randomOffset(_angleSpread) / 45;
  const float ay = randomOffset(_angleSpread) / 45;
  Matrix turn = _worldMatrix;
  turn.m[3][0] = turn.m[3][1] = turn.m[3][2] = 0;
  particle->_velocity = transformPoint({ax, ay, 1}, turn) * _speed;

  _scene.addChild(std::move(node), _scene);
}

void ParticleSystem::destroyNode(Node* node) {
  // The scene hands the node back to be destroyed here.
  Owned<Node> removed = _scene.removeNode(*node);
}

template <class P>
void ParticleSystem::removeExpired(std::list<Owned<P>>& particles) {
  for (auto it = particles.begin(); it != particles.end();) {
    if ((*it)->_age > (*it)->_class->_lifetime) {
      destroyNode((*it)->_node);
      it = particles.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace vesk
