#pragma once
// The control tree of the window, its compositor, click routing and keyboard focus.
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "scene/controls.h"

namespace nad {

inline constexpr int kClientWidth = 642, kClientHeight = 482;
inline constexpr char kWindowCaption[] = "Krásne prožití Vánočních svátku přejí Vorlanix  a  BRIMEL";

// The file a panel's picture is kept in: "sob(3)" is pictures/sob3.bmp.
std::string pictureFileName(std::string_view controlName);

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
  // Throws StartupError naming the file that is missing or unreadable.
  void loadPictures(const std::filesystem::path &folder);
  // The same with pictures from elsewhere: `read` is given each picture's file name
  // (pictureFileName) and returns the picture, or throws StartupError naming it.
  void loadPictures(const std::function<Surface(const std::string &fileName)> &read);
  // A hash of every picture's size and colours, the same for the BMP and the PNG of a picture:
  // a tape names the pictures it was played with.
  uint64_t picturesHash() const;

  // Draws the whole client area from the tree into frame (642 x 482).
  void compose(Surface &frame, TextRenderer &text);
  // Sizes the auto-size labels a frame would show to their captions, without drawing anything.
  void layoutLabels(TextRenderer &text);

  // The control that the pointer at client (x, y) is over: the topmost visible one there, a
  // panel covering the windowless controls of its container. A child lies inside its
  // container's inner area: over the container's border the container itself is hit. Form1 if
  // none.
  Id hitTest(int x, int y) const;
  // The left button went down at (x, y); the control under the pointer takes the press.
  void mouseDown(int x, int y);
  // The left button came up at (x, y): the control clicked, the one that took the press if the
  // pointer is still over it, else Form1 (nothing is clicked).
  Id mouseUp(int x, int y);
  // Top-left of a control's outer rectangle in client coordinates.
  void clientOrigin(Id id, int &x, int &y) const;
  // A control's outer rectangle in client coordinates.
  ClientRect clientRect(Id id) const;
  // The part of it that can show and take clicks: its outer rectangle within the inner areas of
  // all its containers and within the client area (where it lies, visible or not).
  ClientRect reachableRect(Id id) const;
  bool shown(Id id) const; // visible together with all its containers

  // Keyboard focus (only the text box matters to the game).
  Id focus() const { return focus_; }
  void setFocus(Id id);
  // Tab: the focus to the next control in the tab order that is shown (Shift+Tab: the
  // previous one), round the end.
  void focusNext(bool backwards = false);
  size_t caret() const { return caret_; }
  void setCaret(size_t c) {
    caret_ = c;
    dirty_ = true;
  }

private:
  void layoutLabel(Control &c, TextRenderer &text);
  // Draws a control and what it holds into `frame`; without a frame it only lays out the labels a
  // frame would show, as a frame would (the same visible, unclipped ones, at the same time).
  void drawControl(Id id, Surface *frame, int ox, int oy, int cx0, int cy0, int cx1, int cy1, TextRenderer &text);
  void walk(Surface *frame, TextRenderer &text);
  void drawText(Surface &frame, const Control &c, int x, int y, int cx0, int cy0, int cx1, int cy1) const;
  Id hitIn(Id container, int x, int y) const;
  static size_t containerIndex(Id container) { return container == Form1 ? size_t(ControlCount) : size_t(container); }

  std::array<Control, ControlCount> controls_;
  std::array<std::vector<Id>, ControlCount + 1> children_; // per container, top first; [ControlCount] = Form1
  std::vector<Id> tabOrder_;
  Id pressed_ = Form1; // the control that took the last press of the button
  Id focus_ = pic;
  size_t caret_ = 0;
  bool dirty_ = true;
};

} // namespace nad
