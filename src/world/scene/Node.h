// The base of everything in a scene hierarchy: a local transform (position, rotation, scale)
// with the local and world matrices derived from it, the owned children, the scene it belongs
// to, and a name as an event target ("scene.node").
//
// Controllers write `_position`, `_rotation` and `_scale` directly and then set `_localDirty`
// (and `_rotationDirty` after a rotation change); `updateWorld` rebuilds the rotation matrix
// only behind its own flag, the local matrix only when dirty, and the world matrix always.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/BinaryInput.h"
#include "base/SceneFormat.h"
#include "events/EventTarget.h"
#include "render/DXObject.h"
#include "world/scene/MatrixMath.h"

namespace vesk {

class Camera;
class Light;
class Node;
class Shader;

// What a node asks of the scene it belongs to while it loads and joins the hierarchy. The
// scene implements it; a node made without one (a null scene) links its children itself and
// is named without a scene prefix.
class SceneLinks {
 public:
  virtual ~SceneLinks() = default;
  // The scene as a node: the root of the hierarchy, whose name prefixes every other node's.
  virtual const Node& sceneNode() const = 0;
  // Appends the child to the parent's children, enters its handle, then calls its `attach`.
  virtual void addChild(Owned<Node> child, Node& parent) = 0;
  virtual void addLight(Light& light) = 0;
  virtual void removeLight(Light& light) = 0;
  virtual void addCamera(Camera& camera) = 0;
  virtual void removeCamera(Camera& camera) = 0;
  // The scene's bank of the resource cache, which keeps its shapes' meshes.
  virtual std::uint32_t resourceBank() const = 0;
  // Entry `id` of the shader table; null after the fatal "Material id incorrect".
  virtual Shader* getShader(std::uint32_t id) = 0;
  // The mirror shader that mirror nodes join; null where there is none.
  virtual Shader* mirrorShader() = 0;
};

class Node : public DXObject, public EventTarget {
 public:
  using MemoryItem::operator new;
  using MemoryItem::operator delete;

  explicit Node(SceneLinks* scene);
  ~Node() override;
  Node& operator=(const Node&) = delete;

  // A new node of the same class with the same fields, unlisted as an event target. Its
  // children list holds the same children, which stay owned by this node alone.
  virtual Owned<Node> clone() const = 0;
  // Called once the node has joined its parent's children, and when it leaves them.
  virtual void attach() {}
  virtual void detach() {}
  // Reads the node body: name, handle, transform, then the children, each created from its
  // type code, loaded and linked. False when loading must stop (the error is reported).
  virtual bool load(BinaryInput& in);

  // Rebuilds what is dirty, then the world matrix of this node and of all its descendants.
  void updateWorld();
  // Puts back what the show may have changed since loading: the transform (marked dirty, for
  // the next `updateWorld`), and in subclasses their own fields. Not the children.
  virtual void restoreLoaded();

  // Appends the child and makes this node its parent (the scene's `addChild` uses it).
  void appendChild(Owned<Node> child);
  // Takes `child` out of the children and clears its parent (the scene's `removeNode` uses
  // it). The caller gets the child to destroy, or null when this node does not own its
  // children (a clone) or `child` is not one of them.
  Owned<Node> takeChild(Node& child);
  const std::vector<Node*>& children() const { return _children; }
  Node* parent() const { return _parent; }
  SceneLinks* scene() const { return _scene; }

  // The node of a child record, for `scene`; null for a code of a class that cannot be made
  // (after its fatal error).
  static Owned<Node> create(std::int32_t typeCode, SceneLinks* scene);

  std::int32_t _handle = 0;
  Vector3 _position;
  Quaternion _rotation;
  Matrix _rotationMatrix;
  Vector3 _scale{1, 1, 1};
  bool _localDirty = true;
  bool _rotationDirty = true;
  Matrix _localMatrix;
  Matrix _worldMatrix;
  // The transform as the file gave it.
  struct Transform {
    Vector3 position;
    Quaternion rotation;
    Vector3 scale{1, 1, 1};
  };
  Transform _loaded;

 protected:
  // The unlisted copy behind `clone`: same fields, shared children that it does not own.
  Node(const Node& original);
  // Destroys the owned children now (the scene does it before its shaders go).
  void destroyChildren();

 private:
  bool parentIsScene() const;
  // Links a loaded child under this node through the scene, or directly without one.
  void adopt(Owned<Node> child);

  Node* _parent = nullptr;
  std::vector<Node*> _children;
  bool _ownsChildren = true;
  SceneLinks* _scene;
};

}  // namespace vesk
