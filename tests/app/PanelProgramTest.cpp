// The configuration panel on screen, driven like a person with xdotool: checking the party
// version greys and forces the other controls (seen in the window's pixels), "Exit" ends the
// program before the show, "Run demo" starts the show with the panel's settings.
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/ProcessRunner.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

using namespace std::chrono_literals;

// Spots of the panel, in pixels from its top-left corner (the layout of PanelWindow).
struct Spot {
  int x, y;
};
constexpr Spot kPartyBox{17, 313};
constexpr Spot kDesktopBox{309, 91};
constexpr Spot kNoSoundBox{309, 191};
constexpr Spot kRunDemo{365, 315};
constexpr Spot kExit{467, 315};
// The caption "Loop mode": its darkest pixel tells black from greyed lettering.
constexpr Spot kLoopCaption{323, 206};

class Panel {
 public:
  Panel(const PrivateDisplay& display, const TempDir& dir)
      : _x("DISPLAY=" + display.name() + " "),
        _program(VESK_EXE, {}, dir.path(), {{"DISPLAY", display.name()}}) {
    _window =
        runCommand(_x + "timeout 60 xdotool search --sync --onlyvisible --pid " +
                   std::to_string(_program.pid()) + " --name 'Configuration panel$' | head -1");
    while (!_window.empty() && _window.back() == '\n')
      _window.pop_back();
    std::this_thread::sleep_for(500ms);
  }
  bool shown() const { return !_window.empty(); }
  ChildProcess& program() { return _program; }

  void click(Spot spot) {
    runCommand(_x + "xdotool mousemove --window " + _window + " " + std::to_string(spot.x) + " " +
               std::to_string(spot.y) + " sleep 0.3 click 1 sleep 0.3");
  }
  // The window's pixels; the caller unloads them.
  FIBITMAP* screenshot(const TempDir& dir, const char* name) {
    const std::filesystem::path file = dir / name;
    runCommand(_x + "import -window " + _window + " '" + file.string() + "'");
    return FreeImage_Load(FIF_PNG, file.c_str(), PNG_DEFAULT);
  }

 private:
  std::string _x;
  ChildProcess _program;
  std::string _window;
};

RGBQUAD pixel(FIBITMAP* image, int x, int y) {
  RGBQUAD colour{};
  FreeImage_GetPixelColor(image, static_cast<unsigned>(x),
                          FreeImage_GetHeight(image) - 1 - static_cast<unsigned>(y), &colour);
  return colour;
}

// A check mark is blue; an empty box is light grey or white. Counted over the box's 13 × 13
// middle.
bool checked(FIBITMAP* image, Spot box) {
  int blue = 0;
  for (int y = box.y - 6; y <= box.y + 6; ++y) {
    for (int x = box.x - 6; x <= box.x + 6; ++x) {
      const RGBQUAD c = pixel(image, x, y);
      if (c.rgbBlue > c.rgbRed + 60) ++blue;
    }
  }
  return blue > 8;
}

int darkest(FIBITMAP* image, Spot from) {
  int least = 255;
  for (int y = from.y - 6; y <= from.y + 6; ++y) {
    for (int x = from.x; x < from.x + 50; ++x)
      least = std::min<int>(least, pixel(image, x, y).rgbGreen);
  }
  return least;
}

void makeEndPicture(const TempDir& dir) {
  std::filesystem::create_directories(dir / "data/textures");
  int status = -1;
  runCommand("convert -size 8x8 xc:black '" + (dir / "data/textures/end.jpg").string() + "'",
             &status);
  ASSERT_EQ(status, 0) << "ImageMagick makes the end picture";
}

TEST(PanelProgram, PartyVersionGreysAndForcesTheControlsAndExitEndsTheProgram) {
  PrivateDisplay display;
  ASSERT_TRUE(display.ok());
  TempDir dir;
  makeEndPicture(dir);
  Panel panel(display, dir);
  ASSERT_TRUE(panel.shown()) << "a visible window named \"... - Configuration panel\"";

  FIBITMAP* before = panel.screenshot(dir, "before.png");
  ASSERT_TRUE(before);
  EXPECT_EQ(FreeImage_GetWidth(before), 520u);
  EXPECT_FALSE(checked(before, kPartyBox));
  EXPECT_TRUE(checked(before, kDesktopBox));
  EXPECT_TRUE(checked(before, kNoSoundBox));
  EXPECT_LT(darkest(before, kLoopCaption), 60) << "black lettering";
  FreeImage_Unload(before);

  panel.click(kPartyBox);
  FIBITMAP* after = panel.screenshot(dir, "after.png");
  ASSERT_TRUE(after);
  EXPECT_TRUE(checked(after, kPartyBox));
  EXPECT_FALSE(checked(after, kDesktopBox)) << "forced to full screen";
  EXPECT_FALSE(checked(after, kNoSoundBox)) << "forced to sound on";
  EXPECT_GT(darkest(after, kLoopCaption), 100) << "greyed lettering";
  FreeImage_Unload(after);

  panel.click(kExit);
  EXPECT_EQ(panel.program().wait(60s).value_or(-1), 0);
  const std::string log = readFile(dir / "Log.txt");
  EXPECT_EQ(log.find("Initialising renderer"), std::string::npos) << "no show after Exit";
  EXPECT_EQ(log.find("Detected memory leaks"), std::string::npos) << log;
}

TEST(PanelProgram, RunDemoStartsTheShowWithThePanelsSettings) {
  PrivateDisplay display;
  ASSERT_TRUE(display.ok());
  TempDir dir;
  makeEndPicture(dir);
  Panel panel(display, dir);
  ASSERT_TRUE(panel.shown());
  panel.click(kPartyBox);
  panel.click(kRunDemo);

  const std::string x = "DISPLAY=" + display.name() + " ";
  std::string show =
      runCommand(x + "timeout 60 xdotool search --sync --onlyvisible --pid " +
                 std::to_string(panel.program().pid()) + " --name '^Vesk$' | head -1");
  while (!show.empty() && show.back() == '\n')
    show.pop_back();
  ASSERT_FALSE(show.empty()) << "the show's window follows the panel";
  std::this_thread::sleep_for(300ms);
  runCommand(x + "xdotool key --window " + show + " Escape");
  EXPECT_EQ(panel.program().wait(60s).value_or(-1), 0);

  const std::string log = readFile(dir / "Log.txt");
  EXPECT_NE(log.find("Settings (changed): full screen, mode 0, device 1, vertex processing 0x20, "
                     "anti-aliasing off, sound on, volume 100, loop off, party version on, gamma "
                     "15"),
            std::string::npos)
      << log;
}

}  // namespace
}  // namespace vesk::test
