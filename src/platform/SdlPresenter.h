// Message boxes of the program: the "Fatal Error" box and the four-button diagnosis dialog,
// shown with SDL. The boxes are owned by the main window once it exists.
#pragma once

#include "base/Diagnosis.h"

struct SDL_Window;

namespace vesk {

class SdlPresenter : public Presenter {
 public:
  // The window that owns the boxes (null until the main window exists).
  void setOwner(SDL_Window* window) { _owner = window; }

  void showError(const std::string& text, const std::string& caption) override;
  // Only the four buttons close the dialog: Escape and the close box show it again.
  DiagnosisChoice showDiagnosis(const std::string& text) override;

 private:
  SDL_Window* _owner = nullptr;
};

}  // namespace vesk
