#pragma once
// Where the game's frame goes in a window of any size, and back: plain arithmetic, no SDL, so
// that the rules of scaling can be tested on their own. The game composes its frame at its
// own size; only the backend knows the window is larger.

namespace nad {

struct FramePlacement {
  int x = 0, y = 0, w = 0, h = 0; // the frame's rectangle in the window
  int scale = 1;                  // whole-number factor, or 0 when w x h is no whole multiple
  bool smooth = false;            // filtered (linear) instead of nearest-neighbour
  bool operator==(const FramePlacement &) const = default;
};

// Sharp: the largest whole-number scale that fits, centred, the rest black. Smooth: as large
// as fits with the frame's shape kept, centred. A window smaller than the frame gets the frame
// shrunk to fit (scale 0) either way.
FramePlacement placeFrame(int windowW, int windowH, int frameW, int frameH, bool smooth);

// A window point in the frame's own coordinates; false on the black border around it, where
// the point lies outside the frame (left of or above it: negative).
bool windowToFrame(const FramePlacement &p, int frameW, int frameH, int x, int y, int &fx, int &fy);

// The whole-number scale that gives the frame about the size it has on a 96 dpi screen: the
// nearest whole multiple of 96 dpi, at least 1; an unknown density (0 or less) gives 1.
int scaleForDensity(float dpi);
// The largest whole-number scale, at least 1, at which the frame and `spareH` rows more (a
// window manager's title bar) fit into an area.
int largestScaleThatFits(int areaW, int areaH, int frameW, int frameH, int spareH);

} // namespace nad
