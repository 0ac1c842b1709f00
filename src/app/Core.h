// The application object: starts everything up in order, runs the main loop (show clock,
// music cues, time events, scenes, viewports, overlay), answers the "CORE" events and shuts
// everything down in order, ending the log with the memory report.
//
// What differs between the program on screen and the capture tool (the window or an offscreen
// target, the real or the manual clock, the panel, the show's schedules) comes from CoreHost.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <vector>

#include "events/EventTarget.h"
#include "events/MusicEvents.h"
#include "events/TimeEvents.h"
#include "gfx/Device.h"
#include "gfx/Display.h"
#include "platform/Clock.h"
#include "platform/WindowMessage.h"
#include "show/ShowScript.h"
#include "sound/Sound.h"

namespace vesk {

class Core;
class Graph;
class Renderer;
class ResourceCache;
class Scene;
class Viewport;

// What the configuration panel answers.
enum class PanelResult : int {
  RunUnchanged = 1,  // "Run demo" with every control as it was
  RunChanged = 2,    // "Run demo" with new settings applied
  Exit = 3,          // "Exit", closed, or the panel could not be shown
};

// The device-creation flag for vertex processing.
inline constexpr std::int32_t kSoftwareVertexProcessing = 0x20;
inline constexpr std::int32_t kHardwareVertexProcessing = 0x40;
inline constexpr std::int32_t kMixedVertexProcessing = 0x80;

// The core's surroundings.
class CoreHost {
 public:
  virtual ~CoreHost() = default;
  // The display, or null when none can be opened (the renderer reports it).
  virtual gfx::Display* display() = 0;
  // The configuration panel, before the device exists.
  virtual PanelResult showConfigPanel(Core& core) = 0;
  // Prepares the output for the device (the window in the chosen mode, or an offscreen
  // target) with its OpenGL context current. Null when that fails.
  virtual gfx::DeviceHost* openOutput(const gfx::DisplayMode& mode, bool fullscreen) = 0;
  virtual void showWindow() = 0;
  // The back buffer of a desktop window: its 640 × 480 client area.
  virtual gfx::DisplayMode desktopWindowMode() { return {640, 480, 60, gfx::Format::X8R8G8B8}; }
  virtual bool pollMessage(WindowMessage& message) = 0;
  virtual const Clock& clock() = 0;
  // Waits a little while the show is paused (the loop polls otherwise).
  virtual void idle() {}
  // Where the music goes: the audio device (silent when there is none), or mixed by the caller.
  virtual SoundOutput soundOutput() { return SoundOutput::Device; }
};

enum CoreEvent : std::int32_t {
  VK_CORE_LOAD_SCENE = 1,
  VK_CORE_UNLOAD_SCENE = 2,
  VK_CORE_CREATE_GRAPH = 4,
  VK_CORE_CREATE_ANIMATED_GRAPH = 5,
  VK_CORE_DELETE_GRAPH = 6,
  VK_CORE_PRELOAD_TEXTURE = 7,
  VK_CORE_LOAD_MUSIC = 8,
  VK_CORE_UNLOAD_MUSIC = 9,
  VK_CORE_PLAY_MUSIC = 10,
  VK_CORE_STOP_MUSIC = 11,
  VK_CORE_CLEAR_EACH_FRAME = 13,
  VK_CORE_CLEAR_COLOUR = 14,
  VK_CORE_RESET_VIEWPORTS = 15,
  VK_CORE_QUIT = 16,
};

inline constexpr int kViewportCount = 16;

class Core : public EventTarget {
 public:
  Core(CoreHost& host, ShowScript& script);
  ~Core() override;

  // Start-up; false when the panel was left with Exit or a fatal error stopped start-up.
  bool init();
  // The main loop; returns when the quit request arrives.
  void run();
  // What the loop does before its first turn: gamma, one first frame, the clock's start.
  void start();
  // One frame of the loop (clock, cues, time events, scenes, drawing, overlay, present).
  void frame();
  // Orderly stop; safe after a failed or partial start-up.
  void shutdown();

  std::int32_t processEvent(const Event& event) override;
  // A window message: keys, paint, close.
  void handleMessage(const WindowMessage& message);

  // Read by other parts.
  static Core* instance() { return _instance; }
  std::int32_t timeMs() const { return _timeMs; }
  float time() const { return _time; }
  Renderer* renderer() const { return _renderer.get(); }
  Viewport* viewport(int index) const;
  Viewport* defaultViewport() const { return _defaultViewport; }
  std::uint32_t width() const { return _width; }
  std::uint32_t height() const { return _height; }
  bool paused() const { return _paused; }
  bool exiting() const { return _exiting; }
  int volume() const { return _volume; }
  int gamma() const { return _gamma; }
  bool soundOn() const { return _soundOn; }
  int screenshotCount() const { return _screenshotCount; }
  const std::vector<gfx::DisplayMode>& displayModes() const { return _displayModes; }
  int modeIndex() const { return _modeIndex; }
  bool fullscreen() const { return _fullscreen; }
  bool loopMode() const { return _loopMode; }
  // Loop mode: how often the show started again, when the last time did, and when the music it
  // starts again was first played (show times in ms).
  int loops() const { return _loops; }
  std::int32_t loopStartMs() const { return _loopStartMs; }
  std::int32_t musicStartMs() const { return _musicStartMs; }
  TimeEvents* timeEvents() const { return _timeEvents.get(); }
  MusicEvents* musicEvents() const { return _musicEvents.get(); }
  // The loaded scenes, in load order (in loop mode with those the show unloaded, see
  // unloadScene).
  const std::vector<Owned<Scene>>& scenes() const { return _scenes; }

  // Settings the panel changes before the device exists.
  struct Settings {
    bool fullscreen = false, fsaa = false, soundOn = false, loopMode = false, partyVersion = false;
    std::int32_t deviceType = 1, vertexProcessing = kHardwareVertexProcessing, modeIndex = 0,
                 gamma = 0;
    int volume = 100;  // not on the panel; the command line sets it
  };
  Settings settings() const;
  void applySettings(const Settings& settings);

 private:
  // Resolves "CORE", "RENDERER", "DEFVIEWPORT" and "VIEWPORT1" to "VIEWPORT15".
  class Reserved : public ReservedTargets {
   public:
    explicit Reserved(Core& core) : _core(core) {}
    EventTarget* core() override;
    EventTarget* renderer() override;
    EventTarget* viewport(int index) override;
    EventTarget* sound() override;

   private:
    Core& _core;
  };

  // The settings the show starts with, after the panel.
  void logSettings(PanelResult panel) const;
  void createViewports();
  void destroyViewports();
  void drawViewports();
  void loadScene(const std::string& file);
  // Without loop mode the scene is destroyed; in loop mode it is parked until the restart.
  void unloadScene(const std::string& name);
  bool isParked(const Scene& scene) const;
  void destroyScenes();
  void createGraph(const std::string& file, bool colourKey, int count, float fps,
                   const std::string& name);
  void deleteGraph(const std::string& name);
  void resetViewports();
  void loadMusic(const std::string& file, const std::string& name);
  void unloadMusic(const std::string& name);
  void playMusic(const std::string& name);
  void stopMusic(const std::string& name);
  // The quit cue in loop mode: the show starts again from its first music cue.
  void restartShow();

  // Keys and overlay.
  void onKey(KeyCode key);
  void togglePause();
  void escape();
  void updateFps();
  void drawOverlay();
  void updateExitFade();
  void applyVolume();

  Reserved _reserved{*this};
  ReservedTargets* _previousReserved = nullptr;
  CoreHost& _host;
  ShowScript& _script;
  gfx::DeviceHost* _output = nullptr;

  std::vector<Owned<Viewport>> _viewports;
  Viewport* _defaultViewport = nullptr;
  Owned<Renderer> _renderer;
  Owned<ResourceCache> _cache;
  std::vector<gfx::DisplayMode> _displayModes;
  std::vector<Owned<Scene>> _scenes;
  std::vector<const Scene*>
      _parkedScenes;  // loop mode: unloaded by the show, kept for the next loop
  std::list<Owned<Graph>> _graphs;
  std::map<std::string, std::uint32_t> _musics;
  Owned<TimeEvents> _timeEvents;
  Owned<MusicEvents> _musicEvents;
  std::uint32_t _startTime = 0;
  std::int32_t _timeMs = 0;
  float _time = 0;
  float _fps = 0;
  bool _showHelp = false;
  bool _showFps = false;
  bool _showInfos = false;
  bool _soundOn = false;
  bool _fsaa = false;
  bool _loopMode = false;
  bool _partyVersion = false;
  bool _fullscreen = false;
  bool _exiting = false;
  bool _paused = false;
  bool _clearEachFrame = false;
  std::int32_t _deviceType = 1;
  std::int32_t _vertexProcessing = kHardwareVertexProcessing;
  Argb _clearColour = 0;
  int _screenshotCount = 0;
  int _volume = 100;
  int _gamma = 0;
  std::uint32_t _width = 0;
  std::uint32_t _height = 0;
  int _modeIndex = 0;

  // Frame-rate measurement and exit fade.
  int _framesCounted = 0;
  float _lastMeasure = 0;
  bool _fadeStarted = false;
  float _fadeStart = 0;
  int _fadeVolume = 0;
  std::vector<Viewport*> _sortedViewports;  // kept between frames
  std::string _overlayText;                 // kept between frames
  // Loop mode: the music playing (the last one played and not stopped), and the loops so far.
  std::string _showMusic;
  int _loops = 0;
  std::int32_t _loopStartMs = 0;
  std::int32_t _musicStartMs = 0;
  bool _initialised = false;

  static inline Core* _instance = nullptr;
};

}  // namespace vesk
