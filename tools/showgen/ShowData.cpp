#include "ShowData.h"

namespace showgen {

bool addShowData(DataSet& set, Progress& progress, std::string& error) {
  if (!addPictures(set, progress, error)) return false;
  if (!addSceneLionhead(set, progress, error)) return false;
  if (!addSceneDominos(set, progress, error)) return false;
  if (!addSceneSablier(set, progress, error)) return false;
  return true;
}

}  // namespace showgen
