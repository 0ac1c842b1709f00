#include "platform/GuiWindow.h"

#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <filesystem>

#include <imgui.h>
#include <imgui_impl_opengl2.h>
#include <imgui_impl_sdl.h>

namespace vesk {

namespace {

// The panel's lettering: the system's sans-serif font where it is installed, ImGui's own
// otherwise.
constexpr const char* kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr float kFontSize = 13.0f;
constexpr Uint32 kFrameDelayMs = 15;

}  // namespace

bool isSoftwareRenderer(const std::string& glRenderer) {
  for (const char* name : {"llvmpipe", "softpipe", "swrast"}) {
    if (glRenderer.find(name) != std::string::npos) return true;
  }
  return false;
}

GuiWindow::~GuiWindow() {
  destroy();
}

void GuiWindow::destroy() {
  if (_imgui) {
    ImGui_ImplOpenGL2_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext();
    _imgui = false;
  }
  if (_texture) {
    // This window's own context is current: the texture goes with it.
    GLuint texture = _texture;
    glDeleteTextures(1, &texture);
    _texture = 0;
  }
  if (_context) {
    SDL_GL_DeleteContext(_context);
    _context = nullptr;
  }
  if (_window) {
    SDL_DestroyWindow(_window);
    _window = nullptr;
  }
}

bool GuiWindow::create(const std::string& title, int width, int height, std::string& error) {
  if (_window) {
    error = "the panel's window already exists";
    return false;
  }
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  _window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                             height, SDL_WINDOW_OPENGL);
  if (!_window) {
    error = std::string("cannot create the panel's window: ") + SDL_GetError();
    return false;
  }
  _context = SDL_GL_CreateContext(_window);
  if (!_context) {
    error = std::string("cannot create the panel's OpenGL context: ") + SDL_GetError();
    destroy();
    return false;
  }
  SDL_GL_MakeCurrent(_window, _context);
  SDL_GL_SetSwapInterval(0);
  const GLubyte* renderer = glGetString(GL_RENDERER);
  _glRenderer = renderer ? reinterpret_cast<const char*>(renderer) : "";

  IMGUI_CHECKVERSION();
  ImGui::CreateContext();
  _imgui = true;
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;  // the panel keeps no settings between runs
  io.LogFilename = nullptr;
  std::error_code missing;
  if (std::filesystem::exists(kFontPath, missing))
    io.Fonts->AddFontFromFileTTF(kFontPath, kFontSize);
  ImGui::StyleColorsLight();
  if (!ImGui_ImplSDL2_InitForOpenGL(_window, _context) || !ImGui_ImplOpenGL2_Init()) {
    error = "cannot start Dear ImGui on the panel's window";
    destroy();
    return false;
  }
  return true;
}

bool GuiWindow::beginFrame() {
  bool open = _window != nullptr;
  _keysPressed.clear();
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    ImGui_ImplSDL2_ProcessEvent(&event);
    if (event.type == SDL_KEYDOWN && !event.key.repeat)
      _keysPressed.push_back(event.key.keysym.sym);
    if (event.type == SDL_QUIT) open = false;
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE &&
        event.window.windowID == SDL_GetWindowID(_window)) {
      open = false;
    }
  }
  if (!open) return false;
  ImGui_ImplOpenGL2_NewFrame();
  ImGui_ImplSDL2_NewFrame();
  ImGui::NewFrame();
  return true;
}

bool GuiWindow::keyPressed(int key) const {
  return std::find(_keysPressed.begin(), _keysPressed.end(), key) != _keysPressed.end();
}

void GuiWindow::endFrame() {
  ImGui::Render();
  const ImGuiIO& io = ImGui::GetIO();
  glViewport(0, 0, static_cast<int>(io.DisplaySize.x), static_cast<int>(io.DisplaySize.y));
  glClearColor(0.75f, 0.75f, 0.75f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
  SDL_GL_SwapWindow(_window);
  SDL_Delay(kFrameDelayMs);
}

std::uintptr_t GuiWindow::createTexture(const std::uint8_t* rgba, int width, int height) {
  if (!_context || _texture) return 0;
  GLuint texture = 0;
  glGenTextures(1, &texture);
  if (!texture) return 0;
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  _texture = texture;
  return texture;
}

}  // namespace vesk
