#include "world/scene/Node.h"

#include <algorithm>
#include <utility>

#include "base/Diagnosis.h"
#include "base/Text.h"
#include "world/scene/Camera.h"
#include "world/scene/Group.h"
#include "world/scene/Light.h"
#include "world/scene/ParticleSystem.h"
#include "world/scene/Scene.h"
#include "world/scene/Shape.h"
#include "world/scene/Skin.h"
#include "world/scene/Sprite.h"
#include "world/scene/Water.h"

namespace vesk {

Node::Node(SceneLinks* scene) : _scene(scene) {}

Node::Node(const Node& original)
    : DXObject(original),
      EventTarget(original, Unlisted{}),
      _handle(original._handle),
      _position(original._position),
      _rotation(original._rotation),
      _rotationMatrix(original._rotationMatrix),
      _scale(original._scale),
      _localDirty(original._localDirty),
      _rotationDirty(original._rotationDirty),
      _localMatrix(original._localMatrix),
      _worldMatrix(original._worldMatrix),
      _loaded(original._loaded),
      _parent(original._parent),
      _children(original._children),
      _ownsChildren(false),
      _scene(original._scene) {}

Node::~Node() {
  destroyChildren();
}

void Node::destroyChildren() {
  if (!_ownsChildren) {
    _children.clear();
    return;
  }
  // A child may take later ones out of the list while it goes (a particle system takes its
  // particles' nodes out of the scene): each is unlinked first and the list is read afresh.
  while (!_children.empty()) {
    Node* child = _children.front();
    _children.erase(_children.begin());
    delete child;
  }
}

Owned<Node> Node::create(std::int32_t typeCode, SceneLinks* scene) {
  switch (typeCode) {
    case VK_NODE_LIGHT:
      return make<Light>(here(), scene);
    case VK_NODE_CAMERA:
      return make<Camera>(here(), scene);
    case VK_NODE_GROUP:
      return make<Group>(here(), scene);
    case VK_NODE_BONE:
      return make<Bone>(here(), scene);
    case VK_NODE_SHAPE:
      return make<Shape>(here(), scene);
    case VK_NODE_SPRITE:
      return make<Sprite>(here(), scene);
    case VK_NODE_PARTICLES:
      // Its clock joins the scene's controllers: only a scene can drive one.
      if (auto* owner = dynamic_cast<Scene*>(scene)) return make<ParticleSystem>(here(), *owner);
      fatal("A particle system can only be loaded into a scene", here());
      return nullptr;
    case VK_NODE_SKIN:
      return make<Skin>(here(), scene);
    case VK_NODE_WATER:
      return make<Water>(here(), scene);
    default:
      break;
  }
  fatal("Unknown Node ID in scene file", here());
  return nullptr;
}

bool Node::load(BinaryInput& in) {
  std::string name;
  in >> name;
  if (_scene && &_scene->sceneNode() == this) {
    setName(name);
  } else if (_scene) {
    setName(str(_scene->sceneNode().getName(), ".", name));
  } else {
    setName(name);
  }

  float x = 0, y = 0, z = 0, w = 0;
  in >> _handle >> _position.x >> _position.y >> _position.z;
  in >> x >> y >> z >> w;
  _rotation = {w, x, y, z};
  in >> _scale.x >> _scale.y >> _scale.z;
  _localDirty = _rotationDirty = true;
  _loaded = {_position, _rotation, _scale};

  // Nothing is reserved for the count: a count larger than the file ends at the first read
  // past its end.
  std::uint32_t childCount = 0;
  in >> childCount;
  for (std::uint32_t i = 0; i < childCount && !in.failed(); ++i) {
    std::int32_t typeCode = 0;
    in >> typeCode;
    if (in.failed()) break;
    Owned<Node> child = create(typeCode, _scene);
    if (!child || !child->load(in)) return false;
    adopt(std::move(child));
  }
  return !in.failed();
}

void Node::adopt(Owned<Node> child) {
  if (_scene) {
    _scene->addChild(std::move(child), *this);
    return;
  }
  Node& linked = *child;
  appendChild(std::move(child));
  linked.attach();
}

void Node::appendChild(Owned<Node> child) {
  child->_parent = this;
  _children.push_back(child.release());
}

Owned<Node> Node::takeChild(Node& child) {
  const auto it = std::find(_children.begin(), _children.end(), &child);
  if (it == _children.end()) return nullptr;
  _children.erase(it);
  // A clone lists its original's children: they keep their parent.
  if (child._parent == this) child._parent = nullptr;
  return _ownsChildren ? Owned<Node>(&child) : nullptr;
}

void Node::restoreLoaded() {
  _position = _loaded.position;
  _rotation = _loaded.rotation;
  _scale = _loaded.scale;
  _localDirty = _rotationDirty = true;
}

bool Node::parentIsScene() const {
  return !_parent || (_scene && &_scene->sceneNode() == _parent);
}

void Node::updateWorld() {
  if (_localDirty) {
    if (_rotationDirty) {
      _rotationMatrix = rotationMatrix(_rotation);
      _rotationDirty = false;
    }
    const float scale[3] = {_scale.x, _scale.y, _scale.z};
    for (int row = 0; row < 3; ++row) {
      for (int column = 0; column < 3; ++column)
        _localMatrix.m[row][column] = _rotationMatrix.m[row][column] * scale[row];
      _localMatrix.m[row][3] = 0;
    }
    _localMatrix.m[3][0] = _position.x;
    _localMatrix.m[3][1] = _position.y;
    _localMatrix.m[3][2] = _position.z;
    _localMatrix.m[3][3] = 1;
    _localDirty = false;
  }
  _worldMatrix = parentIsScene() ? _localMatrix : _localMatrix * _parent->_worldMatrix;
  for (Node* child : _children)
    child->updateWorld();
}

}  // namespace vesk
