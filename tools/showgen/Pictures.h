// The 66 pictures the show creates, drawn from their entry in the show's file list.
#pragma once

#include <optional>
#include <string>

#include "Canvas.h"
#include "Lettering.h"
#include "show/ShowFiles.h"

namespace showgen {

// The picture for `picture`, at its size; nothing when showgen has no drawing for it.
std::optional<Canvas> drawPicture(const vesk::ShowPicture& picture, Lettering& lettering);

// Lettering pictures: texts, titles, the logo (Pictures.cpp).
std::optional<Canvas> drawLettering(const vesk::ShowPicture& picture, Lettering& lettering);
// Progress, plain, screenshot and photo pictures (Scenery.cpp).
std::optional<Canvas> drawScenery(const vesk::ShowPicture& picture, Lettering& lettering);
// A crew member's portrait (Portraits.cpp).
std::optional<Canvas> drawPortrait(const std::string& member, Lettering& lettering);

// The crew member's part in the show, for the credits.
std::string crewRole(const std::string& member);

}  // namespace showgen
