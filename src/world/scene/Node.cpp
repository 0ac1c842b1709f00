#include "world/scene/Node.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "base/Diagnosis.h"
#include "base/Text.h"
#include "world/scene/Camera.h"
#include "world/scene/Group.h"
#include "world/scene/Light.h"
#include "world/scene/Shape.h"
#include "world/scene/Skin.h"
#include "world/scene/Water.h"

namespace vesk {

namespace {

// Codes of the file format whose classes this build cannot make yet, with the class named.
const char* classNotBuilt(std::int32_t typeCode) {
  switch (typeCode) {
    case VK_NODE_SPRITE:
      return "Sprite";
    case VK_NODE_PARTICLES:
      return "ParticleSystem";
    default:
      return nullptr;
  }
}

std::string hexCode(std::int32_t typeCode) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(typeCode));
  return text;
}

}  // namespace

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
      _parent(original._parent),
      _children(original._children),
      _ownsChildren(false),
      _scene(original._scene) {}

Node::~Node() {
  destroyChildren();
}

void Node::destroyChildren() {
  if (_ownsChildren) {
    for (Node* child : _children)
      delete child;
  }
  _children.clear();
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
    case VK_NODE_SKIN:
      return make<Skin>(here(), scene);
    case VK_NODE_WATER:
      return make<Water>(here(), scene);
    default:
      break;
  }
  if (const char* name = classNotBuilt(typeCode)) {
    fatal(str("Node type ", hexCode(typeCode), " (", name, ") cannot be loaded by this version"),
          here());
  } else {
    fatal("Unknown Node ID in scene file", here());
  }
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
