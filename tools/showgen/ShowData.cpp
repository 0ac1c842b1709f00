#include "ShowData.h"

namespace showgen {

bool addShowData(DataSet& set, Progress& progress, std::string& error) {
  return addPictures(set, progress, error) &&        //
         addMusic(set, progress, error) &&           //
         addScenePlanIntro(set, progress, error) &&  //
         addSceneVille(set, progress, error) &&      //
         addSceneTemple(set, progress, error) &&     //
         addSceneTunnel(set, progress, error) &&     //
         addSceneCombat(set, progress, error) &&     //
         addSceneLionhead(set, progress, error) &&   //
         addSceneDominos(set, progress, error) &&    //
         addSceneSablier(set, progress, error);
}

}  // namespace showgen
