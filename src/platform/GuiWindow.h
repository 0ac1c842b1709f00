// A small window of its own, centred on the screen, that draws with Dear ImGui through its SDL2
// and OpenGL 2 backends: for the configuration panel, which comes before the show's window and
// its device exist. Its OpenGL context is a separate one, made and dropped with the window, and
// tells which driver the machine has.
//
// Use: create, then each turn beginFrame (false once the viewer closed the window), ImGui calls,
// endFrame. Needs openVideo. One at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SDL_Window;

namespace vesk {

class GuiWindow {
 public:
  GuiWindow() = default;
  ~GuiWindow();
  GuiWindow(const GuiWindow&) = delete;
  GuiWindow& operator=(const GuiWindow&) = delete;

  // False with the reason in `error`; nothing is left half-made.
  bool create(const std::string& title, int width, int height, std::string& error);
  // The OpenGL renderer string of the window's context ("llvmpipe (LLVM 15.0.6, 256 bits)").
  const std::string& glRenderer() const { return _glRenderer; }

  // Handles the waiting input and starts a frame; false when the viewer closed the window.
  bool beginFrame();
  // Whether the key (an SDL key code) went down since the last beginFrame. Dear ImGui can miss
  // a key pressed and released between two frames; this does not.
  bool keyPressed(int key) const;
  // Draws the frame and shows it, then waits a little so that an idle panel costs nothing.
  void endFrame();

  // A texture of `width` × `height` pixels, 4 bytes each in red, green, blue, alpha order, for
  // ImGui::Image (its ImTextureID). 0 when it cannot be made. Freed with the window.
  std::uintptr_t createTexture(const std::uint8_t* rgba, int width, int height);

 private:
  void destroy();

  SDL_Window* _window = nullptr;
  void* _context = nullptr;  // SDL_GLContext
  bool _imgui = false;
  std::uint32_t _texture = 0;
  std::string _glRenderer;
  std::vector<int> _keysPressed;
};

// True for Mesa's software rasterisers (llvmpipe, softpipe, swrast): no hardware T&L there.
bool isSoftwareRenderer(const std::string& glRenderer);

}  // namespace vesk
