#pragma once
// The window's layout as data: one row per control or control array, the only place where a
// control's kind, container, place, size, look and start visibility are written down. The
// scene builds its tree from it, the stacking order included; the artwork generator draws a
// picture for every panel in it; the build writes the click points of the tests from it.
#include <cstdint>
#include <span>

#include "scene/controls.h"

namespace nad {

struct Place {
  int x = 0, y = 0;
};

struct Size {
  int w = 0, h = 0;
};

struct LayoutRow {
  Id id;            // the control, or the first item of a control array
  const char *name; // "Image1"; "sob" for the array sob(0..9)
  Kind kind;
  Id parent = Form1;
  Place at;                     // outer top-left in the container's inner area, pixels
  std::span<const Place> items; // a control array: the place of each item, in index order
  Size size;                    // outer size, border included
  int border = 0;
  bool visible = true;
  const char *caption = ""; // labels; the text of a text box
  Font font = Font::Default;
  uint32_t color = kWhite; // text colour value, red in the lowest byte
  bool autosize = false;   // labels take the size of their caption
  bool opaque = false;     // a label with its own background
  bool persistent = false; // a panel with an off-screen image that can be drawn into
  Scale scale = Scale::Pixels;

  int count() const { return items.empty() ? 1 : int(items.size()); }
};

// The rows in the order of the design: the children of each container follow one another, top
// of the stacking order first.
std::span<const LayoutRow> layoutTable();

// The keyboard's tab order of the controls that can hold the focus (the picture panels and
// the text box); an array's first item stands for all its items in index order.
std::span<const Id> tabOrderTable();

} // namespace nad
