// What showgen makes, kind by kind. Each kind lives in its own source file and adds its files
// to the data set; a kind fails with the reason in `error`.
#pragma once

#include <string>

#include "DataSet.h"

namespace showgen {

// Every kind below, in order.
bool addShowData(DataSet& set, Progress& progress, std::string& error);

// The pictures the script names, the cross fade textures and the material textures
// (ShowPictures.cpp).
bool addPictures(DataSet& set, Progress& progress, std::string& error);

// The show music and the loading jingle (Music.cpp).
bool addMusic(DataSet& set, Progress& progress, std::string& error);

// The temple, the tunnel and the combat scenes with their animations (Scene<Name>.cpp).
bool addSceneTemple(DataSet& set, Progress& progress, std::string& error);
bool addSceneTunnel(DataSet& set, Progress& progress, std::string& error);
bool addSceneCombat(DataSet& set, Progress& progress, std::string& error);

// The scenes with their animation files, one source file each (Scene<Name>.cpp).
bool addScenePlanIntro(DataSet& set, Progress& progress, std::string& error);
bool addSceneVille(DataSet& set, Progress& progress, std::string& error);

// The lion head (SceneLionhead.cpp).
bool addSceneLionhead(DataSet& set, Progress& progress, std::string& error);
// The three domino scenes, dominos, dominos_b and dominos_p (SceneDominos.cpp).
bool addSceneDominos(DataSet& set, Progress& progress, std::string& error);
// The hourglass (SceneSablier.cpp).
bool addSceneSablier(DataSet& set, Progress& progress, std::string& error);

}  // namespace showgen
