#include "ShowData.h"

namespace showgen {

bool addShowData(DataSet& set, Progress& progress, std::string& error) {
  return addPictures(set, progress, error) && addSceneLionhead(set, progress, error) &&
         addSceneDominos(set, progress, error);
}

}  // namespace showgen
