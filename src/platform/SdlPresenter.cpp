#include "platform/SdlPresenter.h"

#include <SDL.h>

#include <iostream>
#include <string>

namespace vesk {

void SdlPresenter::showError(const std::string& text, const std::string& caption) {
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), _owner) != 0) {
    // No display to show it on: the text still reaches the person running the program.
    std::cerr << caption << ": " << text << std::endl;
  }
}

DiagnosisChoice SdlPresenter::showDiagnosis(const std::string& text) {
  constexpr int kClosedWithoutButton = -1;
  const SDL_MessageBoxButtonData buttons[] = {
      {0, static_cast<int>(DiagnosisChoice::Break), "Break"},
      {0, static_cast<int>(DiagnosisChoice::Ignore), "Ignore"},
      {0, static_cast<int>(DiagnosisChoice::Stop), "Stop"},
      {0, static_cast<int>(DiagnosisChoice::IgnoreAlways), "Ignore Always"},
  };
  std::string title = std::string(kProductionName) + " - Diagnosis System";
  SDL_MessageBoxData box{};
  box.flags = SDL_MESSAGEBOX_WARNING;
  box.window = nullptr;  // the dialog has no owner window
  box.title = title.c_str();
  box.message = text.c_str();
  box.numbuttons = SDL_arraysize(buttons);
  box.buttons = buttons;
  for (;;) {
    int pressed = kClosedWithoutButton;
    if (SDL_ShowMessageBox(&box, &pressed) != 0) return DiagnosisChoice::NotShown;
    if (pressed != kClosedWithoutButton) return static_cast<DiagnosisChoice>(pressed);
  }
}

}  // namespace vesk
