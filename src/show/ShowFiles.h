// The one list of the data files the compiled-in show names: the pictures it creates, the
// textures it preloads, the scenes with their animation files, the two music modules. The
// loading schedule loads exactly these, and the data generator writes exactly these.
//
// Pictures and textures are named as the script passes them (a bare file name, looked up under
// "data\textures\"); scene, animation and module files carry the "data\" folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vesk {

// What a picture shows, so that the generator knows what to draw.
enum class ShowPictureKind : std::uint8_t {
  Progress,    // a loading progress step
  Plain,       // one colour ("white", "black") or the end picture
  Screenshot,  // a still of the tunnel
  Photo,       // a still of a scene ("transition fight", greetings pictures)
  Portrait,    // a crew member
  Logo,        // the production's logo
  Text,        // letters on black, keyed out
  Title,       // the show's title
};

struct ShowPicture {
  std::string file;  // as the script passes it, for example "staff ardent.png"
  std::string name;  // the registered picture name, for example "txtardent"
  bool colourKey;    // black drops out
  std::uint32_t width;
  std::uint32_t height;
  ShowPictureKind kind;
};

struct ShowTexture {
  std::string file;  // as a cross fade names it
  std::uint32_t width;
  std::uint32_t height;
  bool preloaded;  // loaded by the schedule; otherwise loaded when the cross fade starts
};

struct ShowScene {
  std::string name;                     // the root node's name, the scene's target name
  std::string file;                     // "data\<name>.pod"
  std::vector<std::string> animations;  // base names, in load order
};

struct ShowModule {
  std::string name;  // the music name the core registers
  std::string file;
};

// The crew, in credits order; the last one appears only in the portrait grid.
const std::vector<std::string>& showCrew();

// The 66 pictures, in the order the schedule creates them.
const std::vector<ShowPicture>& showPictures();
// The three preloaded textures in load order, then the cross fade textures loaded on use.
const std::vector<ShowTexture>& showTextures();
// The ten scenes, in load order.
const std::vector<ShowScene>& showScenes();
// The loading jingle first, then the show music.
const std::vector<ShowModule>& showModules();

// "data\" + base name + ".pab".
std::string animationFile(const std::string& baseName);
// Null when no picture is registered under that name.
const ShowPicture* findShowPicture(const std::string& name);
const ShowScene* findShowScene(const std::string& name);

inline constexpr const char* kLoadingMusic = "musicLoading";
inline constexpr const char* kShowMusic = "music";

}  // namespace vesk
