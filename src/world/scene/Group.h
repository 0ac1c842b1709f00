// The plain nodes: a group gathers children under one transform; a bone is the same, and only
// its class sets it apart (skins take bones as influences without a warning).
#pragma once

#include "world/scene/Node.h"

namespace vesk {

class Group : public Node {
 public:
  using Node::Node;
  Owned<Node> clone() const override { return make<Group>(here(), *this); }

 protected:
  Group(const Group&) = default;
  template <class T, class... Args>
  friend Owned<T> make(Site site, Args&&... args);
};

class Bone : public Node {
 public:
  using Node::Node;
  Owned<Node> clone() const override { return make<Bone>(here(), *this); }

 protected:
  Bone(const Bone&) = default;
  template <class T, class... Args>
  friend Owned<T> make(Site site, Args&&... args);
};

}  // namespace vesk
