// Reads back what the current OpenGL context draws, with functions fetched through SDL so that
// the tests need no GL loader of their own.
#pragma once

#include <SDL.h>
#include <SDL_opengl.h>

#include <array>
#include <cstdint>

namespace vesk::test {

struct GlFunctions {
  void(APIENTRY* clearColor)(GLfloat, GLfloat, GLfloat, GLfloat) = nullptr;
  void(APIENTRY* clear)(GLbitfield) = nullptr;
  void(APIENTRY* readPixels)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*) = nullptr;
  void(APIENTRY* finish)() = nullptr;
  void(APIENTRY* getIntegerv)(GLenum, GLint*) = nullptr;
  const GLubyte*(APIENTRY* getString)(GLenum) = nullptr;

  bool load() {
    clearColor = reinterpret_cast<decltype(clearColor)>(SDL_GL_GetProcAddress("glClearColor"));
    clear = reinterpret_cast<decltype(clear)>(SDL_GL_GetProcAddress("glClear"));
    readPixels = reinterpret_cast<decltype(readPixels)>(SDL_GL_GetProcAddress("glReadPixels"));
    finish = reinterpret_cast<decltype(finish)>(SDL_GL_GetProcAddress("glFinish"));
    getIntegerv = reinterpret_cast<decltype(getIntegerv)>(SDL_GL_GetProcAddress("glGetIntegerv"));
    getString = reinterpret_cast<decltype(getString)>(SDL_GL_GetProcAddress("glGetString"));
    return clearColor && clear && readPixels && finish && getIntegerv && getString;
  }
};

// Clears the default framebuffer of the current context to the colour and reads the pixel at
// (x, y) as RGBA bytes; false when GL functions are missing.
inline bool clearAndRead(float r, float g, float b, int x, int y,
                         std::array<std::uint8_t, 4>& rgba) {
  GlFunctions gl;
  if (!gl.load()) return false;
  gl.clearColor(r, g, b, 1.0f);
  gl.clear(GL_COLOR_BUFFER_BIT);
  gl.finish();
  gl.readPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  return true;
}

}  // namespace vesk::test
