#include "scene/scene.h"

#include <algorithm>
#include <stdexcept>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "platform/bmp_file.h"
#include "scene/layout.h"

namespace nad {
namespace {

uint32_t toPixel(uint32_t colorValue) {
  return rgbPixel(uint8_t(colorValue), uint8_t(colorValue >> 8), uint8_t(colorValue >> 16));
}

struct Rect {
  int x0, y0, x1, y1;
  Rect clip(int x, int y, int w, int h) const {
    return {std::max(x0, x), std::max(y0, y), std::min(x1, x + w), std::min(y1, y + h)};
  }
  bool empty() const { return x0 >= x1 || y0 >= y1; }
  bool contains(int x, int y) const { return x >= x0 && y >= y0 && x < x1 && y < y1; }
};

void blitClipped(Surface &frame, const Rect &clip, int x, int y, const Surface &src) {
  Rect r = clip.clip(x, y, src.width(), src.height());
  if (r.empty()) return;
  frame.blit(r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0, src, r.x0 - x, r.y0 - y, RasterOp::SrcCopy);
}

void fillClipped(Surface &frame, const Rect &clip, int x, int y, int w, int h, uint32_t pixel) {
  Rect r = clip.clip(x, y, w, h);
  if (!r.empty()) frame.fillRect(r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0, pixel);
}

bool isWindow(const Control &c) { return c.kind == Kind::Panel || c.kind == Kind::TextBox; }

} // namespace

std::string pictureFileName(std::string_view controlName) {
  std::string s;
  for (char ch : controlName)
    if (ch != '(' && ch != ')') s += ch;
  return s + ".bmp";
}

Scene::Scene() {
  const auto rows = layoutTable();
  for (const LayoutRow &r : rows)
    for (int i = 0; i < r.count(); ++i) {
      const Id id = Id(r.id + i);
      const Place at = r.items.empty() ? r.at : r.items[size_t(i)];
      Control &c = controls_[size_t(id)];
      c.name = r.items.empty() ? std::string(r.name) : std::string(r.name) + "(" + std::to_string(i) + ")";
      c.kind = r.kind;
      c.parent = r.parent;
      c.left = float(at.x);
      c.top = float(at.y);
      c.width = r.size.w;
      c.height = r.size.h;
      c.border = r.border;
      c.visible = r.visible;
      c.autosize = r.autosize;
      c.opaque = r.opaque;
      c.persistent = r.persistent;
      c.scale = r.scale;
      c.font = r.font;
      c.color = r.color;
      c.caption = r.caption;
      // The table lists each container's children top first.
      children_[containerIndex(r.parent)].push_back(id);
    }
  for (Id first : tabOrderTable()) {
    auto row = std::find_if(rows.begin(), rows.end(), [&](const LayoutRow &r) { return r.id == first; });
    for (int i = 0; i < (row == rows.end() ? 1 : row->count()); ++i) tabOrder_.push_back(Id(first + i));
  }
}

void Scene::setVisible(Id id, bool v) {
  Control &c = (*this)[id];
  if (c.visible == v) return;
  c.visible = v;
  if (!v && focus_ != pic && (focus_ == id || !shown(focus_))) setFocus(pic);
  dirty_ = true;
}

void Scene::setCaption(Id id, std::string_view text) {
  Control &c = (*this)[id];
  if (c.caption == text) return;
  c.caption.assign(text);
  c.renderedValid = false;
  dirty_ = true;
}

void Scene::setColor(Id id, uint32_t color) {
  Control &c = (*this)[id];
  if (c.color == color) return;
  c.color = color;
  dirty_ = true;
}

void Scene::move(Id id, float left, float top) {
  Control &c = (*this)[id];
  if (c.left == left && c.top == top) return;
  c.left = left;
  c.top = top;
  dirty_ = true;
}

void Scene::releasePicture(Id id) {
  Control &c = (*this)[id];
  c.picture = Surface();
  c.image = Surface();
  dirty_ = true;
}

const Surface &Scene::pixels(Id id) const {
  const Control &c = (*this)[id];
  return c.persistent ? c.image : c.picture;
}

Surface &Scene::image(Id id) {
  Control &c = (*this)[id];
  c.damageUnknown = true;
  return c.persistent ? c.image : c.picture;
}

void Scene::transfer(Id target, int x, int y, int w, int h, Id source, int sx, int sy, RasterOp op) {
  Control &t = (*this)[target];
  Surface &dst = t.persistent ? t.image : t.picture;
  dst.blit(x, y, w, h, pixels(source), sx, sy, op);
  if (!t.damageUnknown) {
    // Clip to the image: a restore touches only what the transfer could have changed.
    int x0 = std::max(x, 0), y0 = std::max(y, 0);
    int x1 = std::min(x + w, dst.width()), y1 = std::min(y + h, dst.height());
    if (x0 < x1 && y0 < y1) t.damage.push_back({x0, y0, x1 - x0, y1 - y0});
  }
}

void Scene::restoreImage(Id id) {
  Control &c = (*this)[id];
  if (!c.persistent) return;
  if (c.damageUnknown || c.image.width() != c.picture.width() || c.image.height() != c.picture.height()) {
    c.image.copyFrom(c.picture);
  } else {
    for (const Control::Rect &r : c.damage) c.image.blit(r.x, r.y, r.w, r.h, c.picture, r.x, r.y, RasterOp::SrcCopy);
  }
  c.damage.clear();
  c.damageUnknown = false;
}

void Scene::loadPictures(const std::filesystem::path &folder) {
  loadPictures([&folder](const std::string &fileName) { return readBmp((folder / fileName).string()); });
}

void Scene::loadPictures(const std::function<Surface(const std::string &fileName)> &read) {
  for (int i = 0; i < ControlCount; ++i) {
    Control &c = controls_[size_t(i)];
    if (c.kind != Kind::Panel) continue;
    c.picture = read(pictureFileName(c.name));
    if (Id(i) != Picture1) { // Picture1 is smaller than its picture and shows only its top-left part
      c.width = c.picture.width() + 2 * c.border;
      c.height = c.picture.height() + 2 * c.border;
    }
    if (c.persistent) c.image.copyFrom(c.picture);
  }
  dirty_ = true;
}

uint64_t Scene::picturesHash() const {
  XXH3_state_t *state = XXH3_createState();
  XXH3_64bits_reset(state);
  std::vector<uint32_t> row;
  for (const Control &c : controls_) {
    if (c.kind != Kind::Panel) continue;
    const int size[2] = {c.picture.width(), c.picture.height()};
    XXH3_64bits_update(state, size, sizeof size);
    row.resize(size_t(size[0]));
    for (int y = 0; y < size[1]; ++y) {
      // Only the colour: the byte above it is whatever the decoder left.
      const uint32_t *px = c.picture.row(y);
      for (int x = 0; x < size[0]; ++x) row[size_t(x)] = px[x] & 0xFFFFFFu;
      XXH3_64bits_update(state, row.data(), row.size() * sizeof(uint32_t));
    }
  }
  const uint64_t hash = XXH3_64bits_digest(state);
  XXH3_freeState(state);
  return hash;
}

void Scene::setFocus(Id id) {
  if (focus_ == id) return;
  focus_ = id;
  if (id == Text1) caret_ = (*this)[Text1].caption.size();
  dirty_ = true;
}

void Scene::focusNext(bool backwards) {
  const size_t n = tabOrder_.size();
  if (n == 0) return;
  auto at = std::find(tabOrder_.begin(), tabOrder_.end(), focus_);
  // From a control outside the order the search starts at its beginning (or end).
  size_t from = at == tabOrder_.end() ? (backwards ? 0 : n - 1) : size_t(at - tabOrder_.begin());
  for (size_t step = 1; step <= n; ++step) {
    Id id = tabOrder_[backwards ? (from + n - step) % n : (from + step) % n];
    if (shown(id)) {
      setFocus(id);
      return;
    }
  }
}

bool Scene::shown(Id id) const {
  for (Id i = id; i != Form1; i = (*this)[i].parent)
    if (!(*this)[i].visible) return false;
  return true;
}

void Scene::clientOrigin(Id id, int &x, int &y) const {
  x = y = 0;
  for (Id i = id; i != Form1; i = (*this)[i].parent) {
    const Control &c = (*this)[i];
    x += roundPixel(c.left);
    y += roundPixel(c.top);
    if (c.parent != Form1) {
      x += (*this)[c.parent].border;
      y += (*this)[c.parent].border;
    }
  }
}

ClientRect Scene::clientRect(Id id) const {
  ClientRect r{0, 0, (*this)[id].width, (*this)[id].height};
  clientOrigin(id, r.x, r.y);
  return r;
}

ClientRect Scene::reachableRect(Id id) const {
  Rect r{0, 0, kClientWidth, kClientHeight};
  ClientRect outer = clientRect(id);
  r = r.clip(outer.x, outer.y, outer.w, outer.h);
  for (Id p = (*this)[id].parent; p != Form1; p = (*this)[p].parent) {
    ClientRect in = clientRect(p);
    const int b = (*this)[p].border;
    r = r.clip(in.x + b, in.y + b, in.w - 2 * b, in.h - 2 * b);
  }
  if (r.empty()) return {r.x0, r.y0, 0, 0};
  return {r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0};
}

void Scene::layoutLabel(Control &c, TextRenderer &text) {
  if (c.renderedValid) return;
  text.render(c.font, c.caption, c.rendered);
  c.renderedValid = true;
  if (c.autosize) {
    c.width = c.rendered.w;
    c.height = c.rendered.h;
  }
}

void Scene::drawText(Surface &frame, const Control &c, int x, int y, int cx0, int cy0, int cx1, int cy1) const {
  const TextImage &t = c.rendered;
  Rect r = Rect{cx0, cy0, cx1, cy1}.clip(x, y, c.autosize ? t.w : c.width, c.autosize ? t.h : c.height);
  r = r.clip(x, y, t.w, t.h);
  uint32_t fg = toPixel(c.color);
  for (int yy = r.y0; yy < r.y1; ++yy) {
    const uint8_t *cov = t.coverage.data() + size_t(yy - y) * size_t(t.w) - x;
    uint32_t *d = frame.row(yy);
    for (int xx = r.x0; xx < r.x1; ++xx) {
      unsigned a = cov[xx];
      if (a == 0) continue;
      if (a == 255) {
        d[xx] = fg;
        continue;
      }
      uint32_t bg = d[xx], out = 0;
      for (int sh = 0; sh <= 16; sh += 8) {
        unsigned f = (fg >> sh) & 255, b = (bg >> sh) & 255;
        out |= ((f * a + b * (255 - a) + 127) / 255) << sh;
      }
      d[xx] = out;
    }
  }
}

namespace {

// A panel's border ring and its picture (or the night sky) within `inner`.
void drawPanel(Surface &frame, const Control &c, int x, int y, Rect clip, Rect inner) {
  const int ix = x + c.border, iy = y + c.border;
  if (c.border > 0) {
    // Only the ring: the inner area is painted in full below, and the play field's border
    // filled whole would cost another pass over the entire window.
    uint32_t edge = c.border == 1 ? 0 : rgbPixel(128, 128, 128);
    int b = c.border;
    fillClipped(frame, clip, x, y, c.width, b, edge);
    fillClipped(frame, clip, x, y + c.height - b, c.width, b, edge);
    fillClipped(frame, clip, x, y + b, b, c.height - 2 * b, edge);
    fillClipped(frame, clip, x + c.width - b, y + b, b, c.height - 2 * b, edge);
  }
  const Surface &img = c.persistent ? c.image : c.picture;
  if (img.empty())
    fillClipped(frame, inner, ix, iy, c.innerWidth(), c.innerHeight(), kNightSky);
  else {
    // Below and right of a smaller picture the panel shows its own background.
    if (img.width() < c.innerWidth() || img.height() < c.innerHeight())
      fillClipped(frame, inner, ix, iy, c.innerWidth(), c.innerHeight(), kNightSky);
    blitClipped(frame, inner, ix, iy, img);
  }
}

} // namespace

void Scene::drawControl(Id id, Surface *frame, int ox, int oy, int cx0, int cy0, int cx1, int cy1, TextRenderer &text) {
  Control &c = (*this)[id];
  if (!c.visible) return;
  int x = ox + roundPixel(c.left), y = oy + roundPixel(c.top);
  Rect clip{cx0, cy0, cx1, cy1};
  switch (c.kind) {
  case Kind::ClickArea: return;
  case Kind::Label:
    layoutLabel(c, text);
    if (!frame) return;
    if (c.opaque) fillClipped(*frame, clip, x, y, c.width, c.height, rgbPixel(212, 208, 200));
    drawText(*frame, c, x, y, cx0, cy0, cx1, cy1);
    return;
  case Kind::TextBox: {
    Rect box = clip.clip(x, y, c.width, c.height);
    if (box.empty()) return;
    if (!frame) {
      layoutLabel(c, text);
      return;
    }
    fillClipped(*frame, clip, x, y, c.width, c.height, rgbPixel(128, 128, 128));
    fillClipped(*frame, clip, x + 1, y + 1, c.width - 1, c.height - 1, rgbPixel(255, 255, 255));
    fillClipped(*frame, clip, x + 1, y + 1, c.width - 2, 1, rgbPixel(64, 64, 64));
    fillClipped(*frame, clip, x + 1, y + 1, 1, c.height - 2, rgbPixel(64, 64, 64));
    Rect inner = box.clip(x + 2, y + 2, c.width - 4, c.height - 4);
    Control shownText = c; // black text on the white field
    shownText.color = kBlack;
    shownText.autosize = true;
    layoutLabel(c, text);
    shownText.rendered = c.rendered;
    int ty = y + (c.height - c.rendered.h) / 2;
    int caretX = x + 4 + text.measure(c.font, std::string_view(c.caption).substr(0, caret_));
    int shift = std::max(0, caretX - (x + c.width - 4)); // keep the caret in view
    drawText(*frame, shownText, x + 4 - shift, ty, inner.x0, inner.y0, inner.x1, inner.y1);
    if (focus_ == id)
      fillClipped(*frame, {inner.x0, inner.y0, inner.x1, inner.y1}, caretX - shift, y + 3, 1, c.height - 6, 0);
    return;
  }
  case Kind::Panel: break;
  }
  Rect outer = clip.clip(x, y, c.width, c.height);
  if (outer.empty()) return;
  int ix = x + c.border, iy = y + c.border;
  Rect inner = outer.clip(ix, iy, c.innerWidth(), c.innerHeight());
  if (frame) drawPanel(*frame, c, x, y, clip, inner);
  const auto &kids = children_[size_t(id)];
  for (auto it = kids.rbegin(); it != kids.rend(); ++it)
    if (!isWindow((*this)[*it])) drawControl(*it, frame, ix, iy, inner.x0, inner.y0, inner.x1, inner.y1, text);
  for (auto it = kids.rbegin(); it != kids.rend(); ++it)
    if (isWindow((*this)[*it])) drawControl(*it, frame, ix, iy, inner.x0, inner.y0, inner.x1, inner.y1, text);
}

void Scene::compose(Surface &frame, TextRenderer &text) {
  if (frame.width() != kClientWidth || frame.height() != kClientHeight) frame = Surface(kClientWidth, kClientHeight);
  const auto &kids = children_[ControlCount];
  // The window's own background shows only where no panel lies; a panel paints all of its
  // outer rectangle, and during play the field covers the whole window.
  bool covered = false;
  for (Id k : kids) {
    const Control &c = (*this)[k];
    int x = roundPixel(c.left), y = roundPixel(c.top);
    if (c.kind == Kind::Panel && c.visible && x <= 0 && y <= 0 && x + c.width >= kClientWidth &&
        y + c.height >= kClientHeight)
      covered = true;
  }
  if (!covered) frame.fill(rgbPixel(212, 208, 200));
  walk(&frame, text);
}

void Scene::walk(Surface *frame, TextRenderer &text) {
  const auto &kids = children_[ControlCount];
  for (auto it = kids.rbegin(); it != kids.rend(); ++it)
    if (!isWindow((*this)[*it])) drawControl(*it, frame, 0, 0, 0, 0, kClientWidth, kClientHeight, text);
  for (auto it = kids.rbegin(); it != kids.rend(); ++it)
    if (isWindow((*this)[*it])) drawControl(*it, frame, 0, 0, 0, 0, kClientWidth, kClientHeight, text);
  dirty_ = false;
}

void Scene::layoutLabels(TextRenderer &text) { walk(nullptr, text); }

Id Scene::hitIn(Id container, int x, int y) const {
  const auto &kids = children_[containerIndex(container)];
  int ox = 0, oy = 0;
  if (container != Form1) {
    const Control &box = (*this)[container];
    clientOrigin(container, ox, oy);
    ox += box.border;
    oy += box.border;
    // The border and whatever of a child sticks out beyond the inner area belong to the container.
    if (x < ox || y < oy || x >= ox + box.innerWidth() || y >= oy + box.innerHeight()) return container;
  }
  auto inside = [&](const Control &c) {
    int cx = ox + roundPixel(c.left), cy = oy + roundPixel(c.top);
    return c.visible && x >= cx && y >= cy && x < cx + c.width && y < cy + c.height;
  };
  for (Id k : kids)
    if (isWindow((*this)[k]) && inside((*this)[k])) return (*this)[k].kind == Kind::Panel ? hitIn(k, x, y) : k;
  for (Id k : kids)
    if (!isWindow((*this)[k]) && inside((*this)[k])) return k;
  return container;
}

Id Scene::hitTest(int x, int y) const {
  if (x < 0 || y < 0 || x >= kClientWidth || y >= kClientHeight) return Form1;
  return hitIn(Form1, x, y);
}

void Scene::mouseDown(int x, int y) { pressed_ = hitTest(x, y); }

Id Scene::mouseUp(int x, int y) {
  // Pressed on one control and released over another: neither is clicked.
  Id clicked = hitTest(x, y) == pressed_ ? pressed_ : Form1;
  pressed_ = Form1;
  return clicked;
}

} // namespace nad
