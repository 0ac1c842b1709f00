// The show's music cues, section by section: what each cue sends, and where in the music it
// must arrive.
#pragma once

#include <string>
#include <vector>

#include "show/CueSheet.h"

namespace vesk {

// The nine sections, in the order they are registered.
std::vector<ShowSection> showSections();

ShowSection citySection();       // 1: the title over the desert, then the city
ShowSection templeSection();     // 2
ShowSection tunnelSection();     // 3
ShowSection combatSection();     // 4
ShowSection lionheadSection();   // 5
ShowSection dominosSection();    // 6
ShowSection sablierSection();    // 7
ShowSection greetingsSection();  // 8
ShowSection creditsSection();    // 9

// The 49 nodes of the scarab swarm: each scarab with its wings, wing cases, head and legs,
// scarab by scarab.
std::vector<std::string> scarabNodes();

// Distinct node and animation-block names the cues address, in first-use order (scene names
// and the reserved targets left out): what the scene files must hold.
std::vector<std::string> showTargets();
// Distinct camera names the cues pass to viewports, in first-use order.
std::vector<std::string> showCameras();

}  // namespace vesk
