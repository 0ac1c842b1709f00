#include "world/material/PicturePrefetch.h"

#include <limits>
#include <new>
#include <system_error>
#include <utility>

#include "base/ArchiveReader.h"
#include "base/RegularFile.h"
#include "base/Text.h"
#include "world/material/Picture.h"

namespace vesk {

PrefetchStep PrefetchStep::decoding(PictureRequest picture) {
  PrefetchStep step;
  step.picture = std::move(picture);
  return step;
}

PrefetchStep PrefetchStep::listing(std::string dataFile, PictureLister lister) {
  PrefetchStep step;
  step.dataFile = std::move(dataFile);
  step.lister = lister;
  return step;
}

PicturePrefetch::PicturePrefetch(std::vector<PrefetchStep> plan, const PrefetchLimits& limits,
                                 File::Mode mode)
    : _limits(limits), _mode(mode) {
  for (PrefetchStep& step : plan)
    _entries.emplace_back().step = std::move(step);
  _cursor = _entries.begin();
  if (_mode == File::Mode::NotInitialised) return;
  for (int i = 0; i < _limits.threads; ++i) {
    try {
      _threads.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
      break;  // fewer workers; with none, every texture loads its picture itself
    }
  }
}

PicturePrefetch::~PicturePrefetch() {
  stop();
}

void PicturePrefetch::stop() {
  {
    std::lock_guard lock(_mutex);
    _stopping = true;
  }
  _changed.notify_all();
  for (std::thread& thread : _threads)
    thread.join();
  _threads.clear();
  Entries entries;
  {
    std::lock_guard lock(_mutex);
    entries.swap(_entries);
    _cursor = _entries.end();
    _heldBytes = 0;
  }
}

std::size_t PicturePrefetch::served() const {
  std::lock_guard lock(_mutex);
  return _served;
}

void PicturePrefetch::waitUntilIdle() {
  std::unique_lock lock(_mutex);
  _changed.wait(lock, [this] {
    bool anyWaiting = false;
    if (_threads.empty() || _stopping) return true;
    for (const Entry& entry : _entries)
      if (entry.state == State::Working) return false;
    return nextWaiting(anyWaiting) == _entries.end();
  });
}

PicturePrefetch::Entries::iterator PicturePrefetch::nextWaiting(bool& anyWaiting) {
  // Pictures while the words ahead stay within bounds; listing a data file makes none, so it is
  // never held back.
  anyWaiting = false;
  const bool room = _heldBytes < _limits.aheadBytes;
  for (auto entry = _cursor; entry != _entries.end(); ++entry) {
    if (entry->state != State::Waiting) continue;
    anyWaiting = true;
    if (room || entry->step.lister) return entry;
  }
  return _entries.end();
}

void PicturePrefetch::work() {
  std::unique_lock lock(_mutex);
  for (;;) {
    auto entry = _entries.end();
    bool anyWaiting = false;
    _changed.wait(lock, [&] {
      entry = nextWaiting(anyWaiting);
      return _stopping || !anyWaiting || entry != _entries.end();
    });
    if (_stopping || entry == _entries.end()) return;
    entry->state = State::Working;
    const PrefetchStep& step = entry->step;  // never changes
    lock.unlock();
    TexturePixels pixels;
    std::vector<PictureRequest> listed;
    const bool made = run(step, pixels, listed);
    lock.lock();
    bool kept = false;
    if (entry->state == State::Working) {
      kept = made && !_stopping;
      entry->state = !kept ? State::Left : step.lister ? State::Done : State::Ready;
      if (kept && step.lister) {
        for (auto after = std::next(entry); PictureRequest & request : listed)
          _entries.emplace(after)->step = PrefetchStep::decoding(std::move(request));
      } else if (kept) {
        _heldBytes += pixels.byteCount();
        entry->pixels = std::move(pixels);
      }
    }
    _changed.notify_all();
    // Words nobody will take (the step was passed over meanwhile) are freed outside the lock.
    if (made && !kept) {
      lock.unlock();
      pixels = {};
      lock.lock();
    }
  }
}

bool PicturePrefetch::take(const PictureRequest& request, TexturePixels& pixels) {
  std::vector<TexturePixels> passed;  // freed after the lock
  std::unique_lock lock(_mutex);
  auto found = _cursor;
  for (; found != _entries.end(); ++found) {
    if (found->step.lister) {
      // The file's pictures come next once it is listed; beyond one not listed yet, the plan
      // says nothing sure.
      _changed.wait(lock, [&found] { return found->state != State::Working; });
      if (found->state == State::Waiting) return false;
      continue;
    }
    if (found->step.picture == request && found->state != State::Done) break;
  }
  if (found == _entries.end()) return false;
  for (; _cursor != found; ++_cursor) {
    if (_cursor->state == State::Ready) {
      _heldBytes -= _cursor->pixels.byteCount();
      passed.push_back(std::move(_cursor->pixels));
    }
    _cursor->state = State::Passed;
  }
  ++_cursor;
  _changed.wait(lock, [&found] { return found->state != State::Working; });
  const bool ready = found->state == State::Ready;
  if (ready) {
    _heldBytes -= found->pixels.byteCount();
    pixels = std::move(found->pixels);
    ++_served;
  }
  found->state = State::Done;
  lock.unlock();
  _changed.notify_all();
  return ready;
}

bool PicturePrefetch::run(const PrefetchStep& step, TexturePixels& pixels,
                          std::vector<PictureRequest>& listed) const {
  // An exception would end the program from a worker: running out of memory leaves the step to
  // the main thread like any other trouble.
  try {
    if (!step.lister) return decode(step.picture, pixels);
    std::size_t size = 0;
    Bytes data = readQuietly(step.dataFile, size);
    if (!data) return false;
    listed = step.lister(std::move(data), size);
    return true;
  } catch (const std::bad_alloc&) {
    pixels = {};
    listed.clear();
    return false;
  }
}

Bytes PicturePrefetch::readQuietly(const std::string& name, std::size_t& size) const {
  constexpr std::size_t kLargestFile = std::numeric_limits<std::uint32_t>::max();
  if (_mode == File::Mode::Archive) {
    ArchiveMember member = readArchiveMember(kArchiveName, name);
    if (!member || member.size > kLargestFile) return nullptr;
    size = member.size;
    return std::move(member.data);
  }
  FileContent file = readRegularFile(looseFilePath(name), kLargestFile);
  if (!file) return nullptr;
  size = file.size;
  return std::move(file.data);
}

bool PicturePrefetch::decode(const PictureRequest& request, TexturePixels& pixels) const {
  // The folder alone stands for another picture: the texture reads that itself.
  if (request.fileName.empty()) return false;
  const std::string path = str(kTextureFolder, request.fileName);
  std::size_t size = 0;
  Bytes data = readQuietly(path, size);
  if (!data) return false;
  DecodedPicture picture = decodeUpTo(path, data.get(), size, _limits.largestSide);
  data.reset();
  return picture.bitmap &&
         makeTexturePixels(picture.bitmap.get(), request.colourKey, request.kind, pixels);
}

}  // namespace vesk
