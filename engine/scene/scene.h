#pragma once
// The control tree of the window, its compositor, click routing and keyboard focus.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "scene/controls.h"

namespace nad {

inline constexpr int kClientWidth = 642, kClientHeight = 482;
inline constexpr char kWindowCaption[] = "Krásne prožití Vánočních svátku přejí Vorlanix  a  BRIMEL";

class Scene {
public:
  Scene();

  Control &operator[](Id id) { return controls_[size_t(id)]; }
  const Control &operator[](Id id) const { return controls_[size_t(id)]; }

  // Changes that show on screen mark the window for recomposition.
  void setVisible(Id id, bool v);
  void setCaption(Id id, std::string_view text);
  void setColor(Id id, uint32_t color);
  void move(Id id, float left, float top);
  void setLeft(Id id, float left) { move(id, left, (*this)[id].top); }
  void setTop(Id id, float top) { move(id, (*this)[id].left, top); }
  void releasePicture(Id id);
  void markDirty() { dirty_ = true; }
  bool dirty() const { return dirty_; }

  // The persistent image of a panel (its picture when it has none): drawn into, copied from
  // and read pixel by pixel also while the panel is hidden.
  const Surface &pixels(Id id) const;
  // Raw access for drawing of one's own; the next restore then copies the whole picture.
  Surface &image(Id id);
  // A block transfer of a w x h rectangle of source's image at (sx, sy) into target's image
  // at (x, y); the restore afterwards needs to copy back only what transfers covered.
  void transfer(Id target, int x, int y, int w, int h, Id source, int sx, int sy, RasterOp op);
  // Cls: the persistent image back to the panel's picture.
  void restoreImage(Id id);

  // Loads every picture from folder/<name>.bmp and sizes the auto-size panels to them.
  // Throws std::runtime_error naming the file that is missing or unreadable.
  void loadPictures(const std::filesystem::path &folder);

  // Draws the whole client area from the tree into frame (642 x 482).
  void compose(Surface &frame, TextRenderer &text);
  // Sizes the auto-size labels to their captions without drawing anything.
  void layoutLabels(TextRenderer &text);

  // The control that a click at client (x, y) reaches: the topmost visible one under the
  // pointer, a panel covering the windowless controls of its container. Form1 if none.
  Id hitTest(int x, int y) const;
  // Top-left of a control's outer rectangle in client coordinates.
  void clientOrigin(Id id, int &x, int &y) const;
  bool shown(Id id) const; // visible together with all its containers

  // Keyboard focus (only the text box matters to the game).
  Id focus() const { return focus_; }
  void setFocus(Id id);
  size_t caret() const { return caret_; }
  void setCaret(size_t c) {
    caret_ = c;
    dirty_ = true;
  }

private:
  void layoutLabel(Control &c, TextRenderer &text);
  void drawControl(Id id, Surface &frame, int ox, int oy, int cx0, int cy0, int cx1, int cy1, TextRenderer &text);
  void drawText(Surface &frame, const Control &c, int x, int y, int cx0, int cy0, int cx1, int cy1) const;
  Id hitIn(Id container, int x, int y) const;

  std::array<Control, ControlCount> controls_;
  std::array<std::vector<Id>, ControlCount + 1> children_; // per container, top first; [ControlCount] = Form1
  Id focus_ = pic;
  size_t caret_ = 0;
  bool dirty_ = true;
};

} // namespace nad
