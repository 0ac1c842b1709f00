// The viewer's side of the core: keys, the pause, the text overlay, the frame rate and the
// two-second exit fade.
#include <cstdio>

#include "app/Core.h"
#include "base/Diagnosis.h"
#include "compositing/Viewport.h"
#include "render/Renderer.h"
#include "sound/Sound.h"

namespace vesk {

void Core::handleMessage(const WindowMessage& message) {
  if (!_initialised) return;
  switch (message.type) {
    case WindowMessage::Type::Paint:
      if (!_fullscreen && _renderer) _renderer->paint();
      break;
    case WindowMessage::Type::Close:
    case WindowMessage::Type::Quit:
      requestQuit(0);
      break;
    case WindowMessage::Type::KeyDown:
      if (!message.repeat && !message.shift && !message.control && !message.alt) onKey(message.key);
      break;
  }
}

void Core::onKey(KeyCode key) {
  switch (key) {
    case KeyCode::Escape:
      escape();
      break;
    case KeyCode::F1:
      _showHelp = !_showHelp;
      break;
    case KeyCode::F2:
      _showFps = !_showFps;
      break;
    case KeyCode::F3:
      _showInfos = !_showInfos;
      break;
    case KeyCode::F5:
      _soundOn = !_soundOn;
      applyVolume();
      break;
    case KeyCode::F8:
      if (_volume < 100) {
        ++_volume;
        if (_soundOn) applyVolume();
      }
      break;
    case KeyCode::F7:
      if (_volume > 0) {
        --_volume;
        if (_soundOn) applyVolume();
      }
      break;
    case KeyCode::F11:
      if (_fullscreen && _gamma + 5 <= 100) {
        _gamma += 5;
        _renderer->setGamma(_gamma);
      }
      break;
    case KeyCode::F10:
      if (_fullscreen && _gamma - 5 >= -100) {
        _gamma -= 5;
        _renderer->setGamma(_gamma);
      }
      break;
    case KeyCode::F12:
      _renderer->saveScreenshot("VK-IMG", _screenshotCount);
      ++_screenshotCount;
      break;
    case KeyCode::P:
      togglePause();
      break;
    default:
      break;
  }
}

void Core::applyVolume() {
  Sound::getInstance().setVolumeAll(_soundOn ? _volume : 0);
}

void Core::togglePause() {
  _paused = !_paused;
  if (_paused) {
    Sound::getInstance().pause();
    _renderer->beginFrame();
    _renderer->drawText((static_cast<int>(_width) - 208) / 2, (static_cast<int>(_height) - 16) / 2,
                        "Pause - Press P to resume");
    _renderer->endFrame();
    _renderer->present();
  } else {
    Sound::getInstance().resume();
    _startTime = _host.clock().nowMs() - static_cast<std::uint32_t>(_timeMs);
  }
}

void Core::escape() {
  if (_paused) {
    requestQuit(0);
    return;
  }
  Viewport* top = nullptr;
  for (const Owned<Viewport>& viewport : _viewports) {
    if (!top || viewport->depth() > top->depth()) top = viewport.get();
  }
  if (top) top->showEndPicture();
  _exiting = true;
}

void Core::updateFps() {
  ++_framesCounted;
  const float now = static_cast<float>(_host.clock().nowMs()) * 0.001f;
  if (now - _lastMeasure > 0.2f) {
    _fps = static_cast<float>(_framesCounted) / (now - _lastMeasure);
    _framesCounted = 0;
    _lastMeasure = now;
  }
}

void Core::drawOverlay() {
  char line[256];
  const char* sound = _soundOn ? "on" : "off";
  const char* fsaa = _fsaa ? "on" : "off";
  if (_showFps && _showInfos) {
    std::snprintf(
        line, sizeof line,
        "%d x %d in 32 bits  Sound:%s (%d%%)  Gamma:%d  FSAA:%s  Time:%4.01fs  fps:%4.01f",
        static_cast<int>(_width), static_cast<int>(_height), sound, _volume, _gamma, fsaa,
        static_cast<double>(_time), static_cast<double>(_fps));
    _renderer->drawText(0, 0, line);
  } else if (_showFps) {
    std::snprintf(line, sizeof line, "fps:%5.01f", static_cast<double>(_fps));
    _renderer->drawText(0, 0, line);
  } else if (_showInfos) {
    std::snprintf(line, sizeof line,
                  "%d x %d in 32 bits  Sound:%s (%d%%)  Gamma:%d  FSAA:%s  Time:%4.01fs",
                  static_cast<int>(_width), static_cast<int>(_height), sound, _volume, _gamma, fsaa,
                  static_cast<double>(_time));
    _renderer->drawText(0, 0, line);
  }
  if (_showHelp) {
    const int h = static_cast<int>(_height);
    _renderer->drawText(0, h - 32, "F1=help  F2=fps  F3=infos  F5=sound on/off  F7/F8=sound+/-");
    _renderer->drawText(0, h - 16, "F10/F11=adjust gamma +/- F12=screenshot  P=pause  ESC=exit");
  }
}

void Core::updateExitFade() {
  if (!_fadeStarted) {
    _fadeStarted = true;
    _fadeStart = _time;
    _fadeVolume = _volume;
  }
  const float x = (_time - _fadeStart) / 2.0f;
  if (x >= 1.0f) {
    requestQuit(0);
    return;
  }
  if (_soundOn) {
    _volume = static_cast<int>((1.0f - x) * static_cast<float>(_fadeVolume));
    applyVolume();
  }
}

}  // namespace vesk
