#include <string>

#include "Lettering.h"
#include "Pictures.h"
#include "ShowData.h"
#include "Textures.h"
#include "show/ShowFiles.h"

namespace showgen {

namespace {

const std::string kFolder = "data\\textures\\";

Encoding encodingOf(const std::string& file, bool grey) {
  const bool png = file.ends_with(".png");
  if (grey) return png ? Encoding::GreyPng : Encoding::GreyJpeg;
  return png ? Encoding::Png : Encoding::Jpeg;
}

bool store(DataSet& set, const std::string& file, const Canvas& canvas, bool grey,
           std::string& error) {
  std::vector<std::uint8_t> bytes = encode(canvas, encodingOf(file, grey));
  if (bytes.empty()) {
    error = "cannot encode " + file;
    return false;
  }
  if (!set.add(kFolder + file, std::move(bytes))) {
    error = "two pictures named " + file;
    return false;
  }
  return true;
}

}  // namespace

bool addPictures(DataSet& set, Progress& progress, std::string& error) {
  Lettering lettering;
  if (!lettering.error().empty()) {
    error = lettering.error();
    return false;
  }
  const auto& pictures = vesk::showPictures();
  const auto& textures = vesk::showTextures();
  const auto& materials = materialTextures();
  const std::size_t total = pictures.size() + textures.size() + materials.size();
  std::size_t done = 0;

  for (const vesk::ShowPicture& picture : pictures) {
    std::optional<Canvas> canvas = drawPicture(picture, lettering);
    if (!canvas) {
      error = "no drawing for the picture " + picture.file;
      return false;
    }
    if (canvas->width() != int(picture.width) || canvas->height() != int(picture.height)) {
      error = "the picture " + picture.file + " is drawn at the wrong size";
      return false;
    }
    if (!store(set, picture.file, *canvas, false, error)) return false;
    progress.show("pictures", ++done, total);
  }
  // Cross fade masks are read as grey levels.
  for (const vesk::ShowTexture& texture : textures) {
    std::optional<Canvas> canvas =
        drawTexture(texture.file, int(texture.width), int(texture.height));
    if (!canvas) {
      error = "no drawing for the texture " + texture.file;
      return false;
    }
    if (!store(set, texture.file, *canvas, true, error)) return false;
    progress.show("pictures", ++done, total);
  }
  for (const TextureRecipe& texture : materials) {
    std::optional<Canvas> canvas = drawTexture(texture.file, texture.width, texture.height);
    if (!canvas) {
      error = "no drawing for the texture " + texture.file;
      return false;
    }
    if (!store(set, texture.file, *canvas, texture.grey, error)) return false;
    progress.show("pictures", ++done, total);
  }
  return true;
}

}  // namespace showgen
