// A node that emits particles. Each of its classes holds a template node read with the system;
// every particle is a clone of its class's template, attached to the scene under the scene
// itself so that its material draws it, moved in fixed steps of at most 0.01 s and removed once
// it is older than its class's lifetime. Sprite particles fade with age.
//
// The system is driven by the show clock through its `NodeClock` part (it joins the scene's
// controllers): event 36 starts it, 37 stops it, and the scene's update moves the particles
// before it recomputes the world matrices, so they are drawn where they moved in that frame.
// Events 43 to 46 set gravity and speed, switch emission, freeze the plain particles and set
// the rate factor.
#pragma once

#include <cstdint>
#include <list>
#include <vector>

#include "world/scene/Node.h"
#include "world/scene/NodeClock.h"
#include "world/scene/Sprite.h"

namespace vesk {

class ParticleSystem;
class Scene;

inline constexpr std::int32_t kEventParticlePhysics = 43;   // float gravity, float speed, bool
inline constexpr std::int32_t kEventParticleEmission = 44;  // bool emitting
inline constexpr std::int32_t kEventParticleFreeze = 45;
inline constexpr std::int32_t kEventParticleRate = 46;  // int rate factor

// One kind of particle: its physics and the template its particles are cloned from.
class ParticleClass : public MemoryItem {
 public:
  explicit ParticleClass(ParticleSystem& system) : _system(system) {}

  // Emission rate, lifetime, mass, then the template's type code and record. False when
  // loading must stop (the error is reported).
  bool load(BinaryInput& in, Scene& scene);

  float _mass = 1;
  float _rate = 0;        // particles per second before the system's factor, tried at 1 %
  float _lifetime = 0;    // seconds
  Owned<Node> _template;  // not attached, not in the handle table
  ParticleSystem& _system;
};

// A particle: its motion and its node, a clone of the class template that the scene holds as a
// child while the particle lives. The particle destroys it when it is removed.
class Particle : public MemoryItem {
 public:
  Particle(ParticleClass& type, Node* node) : _class(&type), _node(node) {}

  Vector3 _velocity;
  Vector3 _acceleration;
  Vector3 _position;
  float _age = 0;  // seconds
  ParticleClass* _class;
  Node* _node;
};

// A particle whose template is a sprite: it fades as it ages.
class SpriteParticle : public Particle {
 public:
  SpriteParticle(ParticleClass& type, Sprite* sprite) : Particle(type, sprite), _sprite(sprite) {}

  Sprite* _sprite;
};

class ParticleSystem : public Node, public ClockedNode {
 public:
  // Joins the scene's controllers through its clock.
  explicit ParticleSystem(Scene& scene);
  // Takes its particles' nodes out of the scene and destroys them, then its classes.
  ~ParticleSystem() override;

  // A particle system is not a template: its clone would be a second emitter with no clock.
  Owned<Node> clone() const override;
  // The five floats, the classes, then the node body.
  bool load(BinaryInput& in) override;
  std::int32_t processEvent(const Event& event) override;
  // The transform, no particles, and the loaded rate factor and physics (events 43, 44, 46
  // change them). The clock is the scene's to rewind.
  void restoreLoaded() override;
  // Takes every particle's node out of the scene and destroys it with its particle.
  void removeParticles();

  // ClockedNode: each start begins a fresh step count; `animate` runs the steps up to `time`.
  void clockStarting() override { _lastTime = -0.01f; }
  void animate(float time) override;

  NodeClock& clock() { return _clock; }
  const std::vector<Owned<ParticleClass>>& classes() const { return _classes; }
  const std::list<Owned<Particle>>& particles() const { return _particles; }
  const std::list<Owned<SpriteParticle>>& spriteParticles() const { return _spriteParticles; }

  float _rateFactor = 0;
  float _spreadX = 0;
  float _spreadY = 0;
  float _angleSpread = 0;
  float _fifthValue = 0;  // stored with the record, not used
  static constexpr float kDefaultGravity = -10.0f;
  static constexpr float kDefaultSpeed = 10.0f;
  float _gravity = kDefaultGravity;
  float _speed = kDefaultSpeed;
  bool _flag = false;  // set by event 43, not used
  bool _emitting = true;
  float _lastTime = -0.01f;
  float _loadedRateFactor = 0;

 private:
  // One step of `step` seconds: emission, integration, placement.
  void step(float step);
  void emit(ParticleClass& type);
  // Takes the node out of the scene and destroys it.
  void destroyNode(Node* node);
  // Removes the particles older than their class's lifetime.
  template <class P>
  void removeExpired(std::list<Owned<P>>& particles);

  Scene& _scene;
  NodeClock _clock;
  std::vector<Owned<ParticleClass>> _classes;
  std::list<Owned<Particle>> _particles;
  std::list<Owned<SpriteParticle>> _spriteParticles;
};

}  // namespace vesk
