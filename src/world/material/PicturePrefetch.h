// Pictures decoded ahead of the textures that will load them. Given the texture requests a
// schedule will make, in order, worker threads read and decode the pictures and make their
// texture words (TexturePixels) a bounded amount ahead; the texture that asks for one takes the
// words and only fills the device texture. A step of the plan may also be a data file (a scene)
// whose own picture requests a lister reads from it when a worker comes to it.
//
// Workers do nothing that shows: they log nothing, report nothing and touch neither the device
// nor any engine object. Whatever is unusual about a picture (missing, unreadable, refused by
// its loader, too large) makes the worker leave it, and the texture then loads it the ordinary
// way, which reports it as always and at the same moment.
//
// Requests are matched in plan order: taking one passes over the steps before it (their words
// are freed), so that a schedule that went another way does not keep memory. A request that
// no worker has started yet is left to the caller rather than waited for.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/File.h"
#include "base/Memory.h"
#include "world/material/TexturePixels.h"

namespace vesk {

// A texture request: the file under "data\textures\", the colour key and the kind.
struct PictureRequest {
  std::string fileName;
  bool colourKey = false;
  int kind = 0;

  auto operator<=>(const PictureRequest&) const = default;
};

// The picture requests that loading a data file will make, read from its bytes; it must report
// nothing and touch no engine object.
using PictureLister = std::vector<PictureRequest> (*)(Bytes data, std::size_t size);

// A picture to decode, or a data file (named as File::get names it) whose pictures come there.
struct PrefetchStep {
  PictureRequest picture;
  std::string dataFile;
  PictureLister lister = nullptr;

  static PrefetchStep decoding(PictureRequest picture);
  static PrefetchStep listing(std::string dataFile, PictureLister lister);
};

struct PrefetchLimits {
  std::uint32_t largestSide = 0;  // larger pictures are left to the texture (0: no limit)
  std::size_t aheadBytes = 0;     // words made and not taken yet, at most (about)
  int threads = 1;
};

class PicturePrefetch : public MemoryItem {
 public:
  // Starts the workers at once. `mode` is how the data files are read (File::mode()).
  PicturePrefetch(std::vector<PrefetchStep> plan, const PrefetchLimits& limits, File::Mode mode);
  ~PicturePrefetch() override;
  PicturePrefetch(const PicturePrefetch&) = delete;
  PicturePrefetch& operator=(const PicturePrefetch&) = delete;

  // The words made for the plan's next request equal to this one, waiting while a worker is on
  // it. False, and the caller loads the picture itself, when no such request is found before
  // a data file that no worker has listed yet, when no worker has started on it, or when the
  // worker left it.
  bool take(const PictureRequest& request, TexturePixels& pixels);

  // Stops the workers (each finishes the step it is on), joins them and frees every word not
  // taken. Later takes answer false.
  void stop();

  // How many requests were served with words made ahead.
  std::size_t served() const;
  // Waits until the workers have nothing to do: every step is made, left or passed over, or
  // the words ahead are at their bound (for tests).
  void waitUntilIdle();

 private:
  enum class State { Waiting, Working, Ready, Left, Done, Passed };
  struct Entry {
    PrefetchStep step;
    State state = State::Waiting;
    TexturePixels pixels;
  };
  using Entries = std::list<Entry>;

  void work();
  // The first step from the cursor on that a worker may start, or the end; `anyWaiting` tells
  // whether any step waits at all.
  Entries::iterator nextWaiting(bool& anyWaiting);
  // Decodes the picture, or lists the data file's pictures; false when the step is left.
  bool run(const PrefetchStep& step, TexturePixels& pixels,
           std::vector<PictureRequest>& listed) const;
  bool decode(const PictureRequest& request, TexturePixels& pixels) const;
  Bytes readQuietly(const std::string& name, std::size_t& size) const;

  const PrefetchLimits _limits;
  const File::Mode _mode;

  mutable std::mutex _mutex;
  std::condition_variable _changed;
  Entries _entries;
  Entries::iterator _cursor;   // every step before it is done, taken or passed over
  std::size_t _heldBytes = 0;  // in ready steps
  std::size_t _served = 0;
  bool _stopping = false;
  std::vector<std::thread> _threads;
};

}  // namespace vesk
