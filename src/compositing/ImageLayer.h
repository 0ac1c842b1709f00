// A layer that shows a picture stretched over its viewport's texture window.
#pragma once

#include "compositing/Layer.h"

namespace vesk {

class Graph;

class ImageLayer : public Layer {
 public:
  // The picture is not owned: the core removes the layer before it destroys the picture.
  ImageLayer(Renderer& renderer, float alpha, Graph& picture);

  bool isSceneLayer() const override { return false; }
  void draw(DrawContext& context, float aspect) override;
  bool shows(std::string_view name) const override;

  Graph& picture() const { return *_picture; }

 private:
  Graph* _picture;
};

}  // namespace vesk
