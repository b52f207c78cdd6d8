#pragma once
// The controls of the window Form1 as the scene keeps them while the game runs: kind, container,
// place, size, border, visibility, caption, font, colour and pictures. Controls are addressed by
// name (an Id) and the control arrays by index (sob(i), darek(i), ...); how they are laid out is
// written once, in scene/layout.cpp.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/surface.h"

namespace nad {

// Sizes of the control arrays.
inline constexpr int sobCount = 10, darekCount = 12, starCount = 6, tableRowCount = 7;

// Every control of the window, in the order of the layout table (scene/layout.cpp), which
// describes each of them: an array's items follow its first one.
// clang-format off
enum Id : int {
  // children of Form1, top of the stacking order first
  Picture2, menu, logo, sobspecial0, sob0 = sobspecial0 + sobCount, santa = sob0 + sobCount, pic, Label2,
  // children of Picture2
  Picture1, Image6, highscore0, hiscr0 = highscore0 + tableRowCount,
  // children of Picture1
  Text1 = hiscr0 + tableRowCount, command1,
  // children of menu
  info, Image8, Image7, Label12, Image5, Image4, Image1, Image2,
  // child of info
  Image3,
  // children of logo
  l1, l2,
  // children of pic
  darek0, star0 = darek0 + darekCount, barak = star0 + starCount, Label11, Label7, Label6, Label5, Label4, Label3,
  Label1,
  ControlCount,
  Form1 = -1,
};
// clang-format on

constexpr Id sob(int i) { return Id(sob0 + i); }
constexpr Id sobspecial(int i) { return Id(sobspecial0 + i); }
constexpr Id darek(int i) { return Id(darek0 + i); }
constexpr Id star(int i) { return Id(star0 + i); }
constexpr Id highscore(int r) { return Id(highscore0 + r); }
constexpr Id hiscr(int r) { return Id(hiscr0 + r); }

enum class Kind { Panel, Label, ClickArea, TextBox };
// How a container reports its children's positions to code; 15 twips make a pixel.
enum class Scale { Pixels, Twips };

inline constexpr uint32_t kNightSky = rgbPixel(0, 40, 111);
inline constexpr uint32_t kWhite = colorValue(255, 255, 255);
inline constexpr uint32_t kRed = colorValue(255, 0, 0);
inline constexpr uint32_t kBlack = colorValue(0, 0, 0);

// A rectangle in client coordinates of the window.
struct ClientRect {
  int x = 0, y = 0, w = 0, h = 0;
  bool empty() const { return w <= 0 || h <= 0; }
  bool contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
  // The middle, rounded towards the top-left: a point safely inside for clicks.
  int centreX() const { return x + w / 2; }
  int centreY() const { return y + h / 2; }
};

struct Control {
  std::string name; // "Image1"; an array's items are "sob(3)"
  Kind kind = Kind::Panel;
  Id parent = Form1;
  float left = 0, top = 0;   // outer top-left in the container's inner area, pixels
  int width = 0, height = 0; // outer size, border included
  int border = 0;
  bool visible = true;
  bool autosize = false;   // labels take the size of their caption
  bool opaque = false;     // a label with its own background
  bool persistent = false; // a panel with an off-screen image that can be drawn into
  Scale scale = Scale::Pixels;
  Font font = Font::Default;
  uint32_t color = kWhite; // text colour value, red in the lowest byte
  std::string caption;     // labels; the text of a text box

  Surface picture; // the panel's picture at its inner origin
  Surface image;   // the persistent image (panels that have one)

  // What was drawn into the image since its last restore; all of it when unknown.
  struct Rect {
    int x, y, w, h;
  };
  std::vector<Rect> damage;
  bool damageUnknown = true;

  // Rendered caption, kept until the caption changes.
  TextImage rendered;
  bool renderedValid = false;

  int innerWidth() const { return width - 2 * border; }
  int innerHeight() const { return height - 2 * border; }
};

} // namespace nad
