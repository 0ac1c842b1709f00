#include "app/Core.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "base/BinaryInput.h"
#include "base/Diagnosis.h"
#include "base/File.h"
#include "base/Log.h"
#include "base/ShowClock.h"
#include "compositing/Viewport.h"
#include "render/Renderer.h"
#include "sound/Sound.h"
#include "world/material/Graph.h"
#include "world/material/PicturePrefetch.h"
#include "world/material/ResourceCache.h"
#include "world/material/Texture.h"
#include "world/scene/Scene.h"

namespace vesk {

EventTarget* Core::Reserved::core() {
  return &_core;
}
EventTarget* Core::Reserved::renderer() {
  return _core._renderer.get();
}
EventTarget* Core::Reserved::viewport(int index) {
  return _core.viewport(index);
}
EventTarget* Core::Reserved::sound() {
  return Sound::existingInstance();
}

namespace {

// Runs on the sound thread: hands the cue to the music schedule and touches nothing else.
void musicSync(std::uint32_t, std::uint32_t, std::uint32_t data, void* user) {
  static_cast<MusicEvents*>(user)->onSync(MusicEvents::cueCode(data));
}

// What the schedule will have the core load, in its order, for decoding the pictures ahead: the
// frames of its pictures and its preloaded transparency maps (bank 0), and its scenes, whose
// pictures are read from their files. An entry whose parameters are not of the kinds the core
// reads is left out (it is reported when it comes), and so is a picture asked for before, which
// bank 0 will answer without loading it.
std::vector<PrefetchStep> loadingPlan(const TimeEvents& events) {
  std::vector<PrefetchStep> plan;
  std::set<PictureRequest> bankZero;
  auto add = [&](std::string_view file, bool colourKey, int kind, int frameCount) {
    for (std::string& name : ComplexTexture::frameFiles(file, frameCount)) {
      PictureRequest request{std::move(name), colourKey, kind};
      if (bankZero.insert(request).second) plan.push_back(PrefetchStep::decoding(request));
    }
  };
  auto kindsAre = [](const Event& event, std::initializer_list<std::int32_t> kinds) {
    std::size_t position = 0;
    for (std::int32_t kind : kinds)
      if (event.kind(position++) != kind) return false;
    return true;
  };
  for (const auto& [time, event] : events.entries()) {
    if (event.getTargetName() != "CORE") continue;
    switch (event.getCode()) {
      case VK_CORE_LOAD_SCENE:
        if (kindsAre(event, {VK_PARAM_STRING}))
          plan.push_back(PrefetchStep::listing(event.getString(0), &Scene::pictureRequests));
        break;
      case VK_CORE_CREATE_GRAPH:
        if (kindsAre(event, {VK_PARAM_STRING, VK_PARAM_BOOL}))
          add(event.getString(0), event.getBool(1), VK_DIFFUSE, 1);
        break;
      case VK_CORE_CREATE_ANIMATED_GRAPH:
        if (kindsAre(event, {VK_PARAM_STRING, VK_PARAM_BOOL, VK_PARAM_INT}))
          add(event.getString(0), event.getBool(1), VK_DIFFUSE, event.getInt(2));
        break;
      case VK_CORE_PRELOAD_TEXTURE:
        if (kindsAre(event, {VK_PARAM_STRING})) add(event.getString(0), false, VK_TRANSPARENT, 1);
        break;
      default:
        break;
    }
  }
  return plan;
}

}  // namespace

Core::Core(CoreHost& host, ShowScript& script) : _host(host), _script(script) {
  _instance = this;
  _previousReserved = EventTarget::setReservedTargets(&_reserved);
  File::init();
}

Core::~Core() {
  EventTarget::setReservedTargets(_previousReserved);
  if (_instance == this) _instance = nullptr;
}

Viewport* Core::viewport(int index) const {
  if (index < 0 || index >= static_cast<int>(_viewports.size())) return nullptr;
  return _viewports[static_cast<std::size_t>(index)].get();
}

Core::Settings Core::settings() const {
  return Settings{_fullscreen,       _fsaa,      _soundOn, _loopMode, _partyVersion, _deviceType,
                  _vertexProcessing, _modeIndex, _gamma,   _volume};
}

void Core::applySettings(const Settings& s) {
  _fullscreen = s.fullscreen;
  _fsaa = s.fsaa;
  _soundOn = s.soundOn;
  _loopMode = s.loopMode;
  _partyVersion = s.partyVersion;
  _deviceType = s.deviceType;
  _vertexProcessing = s.vertexProcessing;
  _modeIndex = s.modeIndex;
  _gamma = s.gamma;
  _volume = s.volume;
}

bool Core::init() {
  openLog();
  logLine("");
  logLine("Diagnosis system started", here());

  Sound::getInstance().init(_host.soundOutput());
  _cache = make<ResourceCache>(here());
  _renderer = make<Renderer>(here(), _host.display());
  if (!_renderer->valid()) return false;
  _vertexProcessing = _renderer->caps().hardwareTransformAndLight ? kHardwareVertexProcessing
                                                                  : kSoftwareVertexProcessing;

  _renderer->listModes(_displayModes);
  std::stable_sort(
      _displayModes.begin(), _displayModes.end(),
      [](const gfx::DisplayMode& a, const gfx::DisplayMode& b) { return a.width < b.width; });
  auto vga =
      std::find_if(_displayModes.begin(), _displayModes.end(),
                   [](const gfx::DisplayMode& m) { return m.width == 640 && m.height == 480; });
  if (vga != _displayModes.end()) {
    _modeIndex = static_cast<int>(vga - _displayModes.begin());
  } else {
    logLine("default graphic mode not found; 0 selected");
    _modeIndex = 0;
  }

  const PanelResult panel = _host.showConfigPanel(*this);
  if (panel == PanelResult::Exit) {
    _renderer.reset();
    return false;
  }
  logSettings(panel);

  logLine("Initialising renderer ...");
  gfx::DisplayMode mode = _host.desktopWindowMode();
  if (_fullscreen && _modeIndex >= 0 && _modeIndex < static_cast<int>(_displayModes.size())) {
    mode = _displayModes[static_cast<std::size_t>(_modeIndex)];
  }
  _output = _host.openOutput(mode, _fullscreen);
  if (!_output) {
    dxError(here());
    return false;
  }
  if (!_renderer->createDevice(*_output, mode.width, mode.height, _fullscreen, _fsaa)) {
    return false;
  }
  _width = _renderer->width();
  _height = _renderer->height();

  createViewports();

  _timeEvents = _script.buildTimeEvents();
  _musicEvents = _script.buildMusicEvents();
  if (!_timeEvents) fatal("Time events not created !", here());
  if (!_musicEvents) fatal("Music events not created !", here());
  if (_timeEvents) _cache->prefetch(loadingPlan(*_timeEvents));
  if (_timeEvents) _timeEvents->update(0);

  _clearEachFrame = true;
  _clearColour = 0;
  createGraph("end.jpg", false, 1, 0.0f, "end");

  if (!_fullscreen) _host.showWindow();
  _initialised = true;
  return !quitRequested();
}

void Core::logSettings(PanelResult panel) const {
  char line[256];
  std::snprintf(line, sizeof line,
                "Settings (%s): %s, mode %d, device %d, vertex processing 0x%X, anti-aliasing "
                "%s, sound %s, volume %d, loop %s, party version %s, gamma %d",
                panel == PanelResult::RunChanged ? "changed" : "unchanged",
                _fullscreen ? "full screen" : "desktop window", _modeIndex,
                static_cast<int>(_deviceType), static_cast<unsigned>(_vertexProcessing),
                _fsaa ? "on" : "off", _soundOn ? "on" : "off", _volume, _loopMode ? "on" : "off",
                _partyVersion ? "on" : "off", _gamma);
  logLine(line);
}

void Core::createViewports() {
  _viewports.clear();
  for (int index = 0; index < kViewportCount; ++index) {
    _viewports.push_back(make<Viewport>(here(), index, *_renderer));
  }
  _defaultViewport = _viewports[0].get();
  _defaultViewport->setVisible(true);
}

void Core::destroyViewports() {
  _defaultViewport = nullptr;
  _viewports.clear();
}

void Core::start() {
  _renderer->setGamma(_gamma);
  _renderer->beginFrame();
  _renderer->clearTarget(_clearColour);
  drawViewports();
  _renderer->endFrame();
  _renderer->present();
  _startTime = _host.clock().nowMs();
}

void Core::run() {
  if (!_renderer) return;
  start();
  WindowMessage message;
  while (!quitRequested()) {
    if (_host.pollMessage(message)) {
      handleMessage(message);
    } else if (_paused) {
      _host.idle();
    } else {
      frame();
    }
  }
}

void Core::frame() {
  _timeMs = static_cast<std::int32_t>(_host.clock().nowMs() - _startTime);
  _time = static_cast<float>(_timeMs) * 0.001f;
  ShowClock::set(_timeMs);
  if (_musicEvents) _musicEvents->dispatch();
  if (_timeEvents) _timeEvents->update(_timeMs);
  // By index: an event sent from an update may load another scene.
  for (std::size_t i = 0; i < _scenes.size(); ++i)
    if (!isParked(*_scenes[i])) _scenes[i]->update();
  _renderer->beginFrame();
  if (_clearEachFrame) _renderer->clearTarget(_clearColour);
  drawViewports();
  updateFps();
  drawOverlay();
  if (_exiting) updateExitFade();
  _renderer->endFrame();
  _renderer->present();
}

void Core::drawViewports() {
  if (_viewports.size() != kViewportCount) {
    fatal("Error in viewport vector", here());
    return;
  }
  _sortedViewports.clear();
  for (const Owned<Viewport>& viewport : _viewports)
    _sortedViewports.push_back(viewport.get());
  Viewport::renderInDepthOrder(_renderer->drawContext(), _sortedViewports);
  _renderer->restoreFullViewport();
}

void Core::loadScene(const std::string& file) {
  _scenes.push_back(make<Scene>(here()));
  Scene& scene = *_scenes.back();
  std::uint32_t size = 0;
  Bytes bytes = File::get(file, size);
  if (!bytes) {
    fatal(str("Error while opening scene file ", file), here());
    return;
  }
  BinaryInput input(std::move(bytes), size, file);
  scene.load(input);
}

void Core::unloadScene(const std::string& name) {
  Scene* scene = safeCast<Scene>(EventTarget::find(name));
  if (!scene) return;
  if (_loopMode) {
    // The show starts again with nothing loaded again, so the scene must be there for the next
    // loop: it leaves the screen and is no longer updated, and stays loaded until the run ends.
    for (const Owned<Viewport>& viewport : _viewports)
      viewport->removeLayersShowingScene(name);
    if (std::find(_parkedScenes.begin(), _parkedScenes.end(), scene) == _parkedScenes.end())
      _parkedScenes.push_back(scene);
    return;
  }
  // Taken out of the list first, but kept alive until no layer shows it any more.
  Owned<Scene> owned;
  for (auto it = _scenes.begin(); it != _scenes.end();) {
    if (it->get() == scene) {
      owned = std::move(*it);
      it = _scenes.erase(it);
    } else {
      ++it;
    }
  }
  for (const Owned<Viewport>& viewport : _viewports)
    viewport->removeLayersShowingScene(name);
  owned.reset();
}

bool Core::isParked(const Scene& scene) const {
  return std::find(_parkedScenes.begin(), _parkedScenes.end(), &scene) != _parkedScenes.end();
}

void Core::destroyScenes() {
  _parkedScenes.clear();
  // In load order, each with its nodes, shaders and bank.
  for (Owned<Scene>& scene : _scenes)
    scene.reset();
  _scenes.clear();
}

void Core::createGraph(const std::string& file, bool colourKey, int count, float fps,
                       const std::string& name) {
  Owned<Graph> graph = make<Graph>(here(), 0, file, 1, 1, colourKey, count, fps, nullptr);
  graph->setName(name);
  _graphs.push_back(std::move(graph));
}

void Core::deleteGraph(const std::string& name) {
  Graph* graph = safeCast<Graph>(EventTarget::find(name));
  if (!graph) return;
  for (const Owned<Viewport>& viewport : _viewports)
    viewport->removeLayersShowingPicture(name);
  _graphs.remove_if([graph](const Owned<Graph>& owned) { return owned.get() == graph; });
}

void Core::resetViewports() {
  for (int index = 0; index < static_cast<int>(_viewports.size()); ++index) {
    _viewports[static_cast<std::size_t>(index)]->clearLayers();
    _viewports[static_cast<std::size_t>(index)] = make<Viewport>(here(), index, *_renderer);
  }
  if (_viewports.empty()) return;
  _defaultViewport = _viewports[0].get();
  _defaultViewport->setVisible(true);
}

void Core::loadMusic(const std::string& file, const std::string& name) {
  _musics[name] = Sound::getInstance().moduleLoad(file);
}

void Core::unloadMusic(const std::string& name) {
  if (name == _showMusic) _showMusic.clear();
  auto it = _musics.find(name);
  Sound::getInstance().moduleFree(it == _musics.end() ? 0 : it->second);
  if (it != _musics.end()) _musics.erase(it);
}

void Core::playMusic(const std::string& name) {
  auto it = _musics.find(name);
  const std::uint32_t music = it == _musics.end() ? 0 : it->second;
  VK_ASSERT(music, "music", "Module " << name << " not loaded, can't be played !");
  _showMusic = name;
  _musicStartMs = _timeMs;
  Sound& sound = Sound::getInstance();
  sound.modulePlay(music);
  sound.moduleSetCallback(music, musicSync, _musicEvents.get());
  sound.channelSetVolume(music, _soundOn ? _volume : 0);
}

void Core::stopMusic(const std::string& name) {
  if (name == _showMusic) _showMusic.clear();
  auto it = _musics.find(name);
  Sound::getInstance().channelStop(it == _musics.end() ? 0 : it->second);
}

void Core::restartShow() {
  // Everything loaded stays loaded: the viewports start empty, the scenes go back to their
  // loaded state, and the music plays again from its first note, so its cues come again at
  // the same offsets. The random numbers are seeded as at the start, so that a capture (whose
  // seed is fixed) draws the same ones in every loop.
  ++_loops;
  _loopStartMs = _timeMs;
  // Nothing is loaded again: what was decoded ahead and not taken goes.
  if (_cache) _cache->stopPrefetch();
  logLine(str("Loop mode: the show starts again at ", _timeMs, " ms (loop ", _loops + 1, ")"));
  resetViewports();
  // The scenes the show unloaded come back in their place of the update order.
  _parkedScenes.clear();
  for (const Owned<Scene>& scene : _scenes)
    scene->reset();
  ShowClock::seedRandomFromTimeOfDay();
  auto it = _musics.find(_showMusic);
  if (it == _musics.end() || it->second == 0) return;
  Sound& sound = Sound::getInstance();
  sound.channelStop(it->second);
  sound.moduleRewind(it->second);
  sound.modulePlay(it->second);  // its cue callback stays installed
  sound.channelSetVolume(it->second, _soundOn ? _volume : 0);
}

std::int32_t Core::processEvent(const Event& event) {
  switch (event.getCode()) {
    case VK_CORE_LOAD_SCENE:
      loadScene(event.getString(0));
      return VK_EVENT_PROCESSED;
    case VK_CORE_UNLOAD_SCENE:
      unloadScene(event.getString(0));
      return VK_EVENT_PROCESSED;
    case VK_CORE_CREATE_GRAPH:
      createGraph(event.getString(0), event.getBool(1), 1, 0.0f, event.getString(2));
      return VK_EVENT_PROCESSED;
    case VK_CORE_CREATE_ANIMATED_GRAPH:
      createGraph(event.getString(0), event.getBool(1), event.getInt(2), event.getFloat(3),
                  event.getString(4));
      return VK_EVENT_PROCESSED;
    case VK_CORE_DELETE_GRAPH:
      deleteGraph(event.getString(0));
      return VK_EVENT_PROCESSED;
    case VK_CORE_PRELOAD_TEXTURE:
      _cache->getTexture(kApplicationBank, event.getString(0), /*colourKey=*/false, VK_TRANSPARENT,
                         /*diffuse=*/nullptr);
      return VK_EVENT_PROCESSED;
    case VK_CORE_LOAD_MUSIC:
      loadMusic(event.getString(0), event.getString(1));
      return VK_EVENT_PROCESSED;
    case VK_CORE_UNLOAD_MUSIC:
      unloadMusic(event.getString(0));
      return VK_EVENT_PROCESSED;
    case VK_CORE_PLAY_MUSIC:
      playMusic(event.getString(0));
      return VK_EVENT_PROCESSED;
    case VK_CORE_STOP_MUSIC:
      stopMusic(event.getString(0));
      return VK_EVENT_PROCESSED;
    case VK_CORE_CLEAR_EACH_FRAME:
      _clearEachFrame = event.getBool(0);
      return VK_EVENT_PROCESSED;
    case VK_CORE_CLEAR_COLOUR:
      _clearColour = static_cast<Argb>(event.getInt(0));
      return VK_EVENT_PROCESSED;
    case VK_CORE_RESET_VIEWPORTS:
      resetViewports();
      return VK_EVENT_PROCESSED;
    case VK_CORE_QUIT:
      if (_loopMode) {
        restartShow();
      } else {
        requestQuit(0);
      }
      return VK_EVENT_PROCESSED;
    default:
      return EventTarget::processEvent(event);
  }
}

void Core::shutdown() {
  if (const int signal = quitSignal()) logLine(str("Stopping on signal ", signal));
  if (_cache) _cache->stopPrefetch();
  if (_cache) _cache->freeBank(kApplicationBank);
  logLine("Shuting down renderer...");
  if (_renderer) {
    // Viewports only refer to the scenes and pictures: they go first, then the scenes and the
    // pictures themselves, while the device still exists.
    destroyViewports();
    destroyScenes();
    _graphs.clear();
    _renderer->shutdown();
    _renderer.reset();
  }
  logLine("Shuting down sound system...");
  if (Sound* sound = Sound::existingInstance()) {
    sound->shutdown();
    Sound::destroyInstance();
  }
  _musics.clear();
  _timeEvents.reset();
  _musicEvents.reset();
  _cache.reset();
  logLine("D\xC3\xA9mo stopped");
  closeLog();
}

}  // namespace vesk
