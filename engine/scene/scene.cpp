#include "scene/scene.h"

#include <algorithm>
#include <stdexcept>

#include "platform/bmp_file.h"

namespace nad {
namespace {

struct Row {
  Id id;
  const char *name;
  Kind kind;
  Id parent;
  int x, y, w, h, border;
  bool visible;
  const char *caption = "";
  Font font = Font::Default;
  uint32_t color = kWhite;
  bool autosize = false;
  bool persistent = false;
  Scale scale = Scale::Pixels;
};

constexpr Kind P = Kind::Panel, L = Kind::Label, C = Kind::ClickArea, T = Kind::TextBox;
constexpr Scale Tw = Scale::Twips, Px = Scale::Pixels;

// Children of each container are listed top of the stacking order first.
// clang-format off
const Row kLayout[] = {
  // Form1
  {Picture2, "Picture2", P, Form1,  88, 48, 469, 405, 1, false, "", Font::Default, kWhite, false, true,  Tw},
  {menu,     "menu",     P, Form1,   0,  0, 642, 482, 1, true,  "", Font::Default, kWhite, false, false, Tw},
  {logo,     "logo",     P, Form1, 400,  0, 240,  73, 0, true,  "", Font::Default, kWhite, false, true,  Px},
  // sobspecial, sob (filled in below), then:
  {santa,    "santa",    P, Form1, 184, 16,  65,  38, 0, false, "", Font::Default, kWhite, false, true,  Px},
  {pic,      "pic",      P, Form1,   0,  0, 645, 485, 1, true,  "", Font::Default, kWhite, false, true,  Px},
  {Label2,   "Label2",   L, Form1,   8,  8, 103,  13, 0, true,  "přibrždování LOOPu :", Font::Default, kBlack, true},
  // Picture2, the high-score panel (rows filled in below)
  {Picture1, "Picture1", P, Picture2, 24,   0, 425, 265, 0, false, "", Font::Default, kWhite, false, false, Tw},
  {Image6,   "Image6",   C, Picture2, 376, 368,  89,  25, 0, true},
  // Picture1, the name-entry dialog
  {Text1,    "Text1",    T, Picture1, 136, 128, 161,  19, 0, true, "BRIMEL"},
  {command1, "command1", C, Picture1, 128, 216, 145,  49, 0, true},
  // menu
  {info,     "info",     P, menu,     0, 232, 640, 165, 0, false, "", Font::Default, kWhite, false, true, Tw},
  {Image8,   "Image8",   C, menu,   376, 416, 265,  57, 0, true},
  {Image7,   "Image7",   C, menu,     8, 400, 217,  81, 0, true},
  {Label12,  "Label12",  L, menu,   584,   0,  53,  13, 0, true, "Music : ON", Font::Default, kWhite, true},
  {Image5,   "Image5",   C, menu,   224, 304, 193,  41, 0, true},
  {Image4,   "Image4",   C, menu,   224, 264, 193,  41, 0, true},
  {Image1,   "Image1",   C, menu,   232, 224, 177,  41, 0, true},
  {Image2,   "Image2",   C, menu,   248, 344, 145,  41, 0, true},
  // info
  {Image3,   "Image3",   C, info,   552,   0,  89,  33, 0, true},
  // logo
  {l1,       "l1",       P, logo,     0,  48, 240,  73, 0, true, "", Font::Default, kWhite, false, false, Tw},
  {l2,       "l2",       P, logo,     0, -32, 240,  73, 0, true, "", Font::Default, kWhite, false, false, Tw},
  // pic, the play field (darek and star filled in below, above barak)
  {barak,    "barak",    P, pic,    616, 408, 2909, 211, 1, false, "", Font::Default, kWhite, false, true},
  {Label11,  "Label11",  L, pic,      8, 464,  53,  13, 0, true,  "Music : ON", Font::Default, kWhite, true},
  {Label7,   "Label7",   L, pic,    168,  32,  91,  13, 0, true,  "Rychlost : 25 Km/h", Font::Default, kWhite, true},
  {Label6,   "Label6",   L, pic,      8,  24,  99,  24, 0, true,  "Čas   : 130", Font::LabelBig, kRed, true},
  {Label5,   "Label5",   L, pic,      8,   0,  79,  24, 0, true,  "Bodů : 0", Font::LabelBig, kRed, true},
  {Label4,   "Label4",   L, pic,    168,  16,  84,  13, 0, true,  "Dárku zničeno : 0", Font::Default, kWhite, true},
  {Label3,   "Label3",   L, pic,    168,   0,  83,  13, 0, true,  "Dárku dodáno : 0", Font::Default, kWhite, true},
  {Label1,   "Label1",   L, pic,      0,   0,  38,  13, 0, false, "Fps : 40", Font::Default, kWhite, true},
};
// clang-format on

const int kDeerX[10] = {328, 352, 384, 416, 432, 464, 480, 504, 536, 552};
const int kNameRowX[7] = {104, 103, 104, 103, 103, 104, 104};
const int kPointsRowX[7] = {304, 303, 304, 303, 303, 303, 304};

void apply(Control &c, const Row &r) {
  c.name = r.name;
  c.kind = r.kind;
  c.parent = r.parent;
  c.left = float(r.x);
  c.top = float(r.y);
  c.width = r.w;
  c.height = r.h;
  c.border = r.border;
  c.visible = r.visible;
  c.caption = r.caption;
  c.font = r.font;
  c.color = r.color;
  c.autosize = r.autosize;
  c.persistent = r.persistent;
  c.scale = r.scale;
}

std::string arrayName(const char *base, int i) { return std::string(base) + "(" + std::to_string(i) + ")"; }

// Names of the control arrays' items, kept alive for the controls' name pointers.
std::array<std::string, ControlCount> gArrayNames;

// "sob(3)" is stored as pictures/sob3.bmp.
std::string pictureFile(const char *name) {
  std::string s;
  for (const char *p = name; *p; ++p)
    if (*p != '(' && *p != ')') s += *p;
  return s + ".bmp";
}

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

Scene::Scene() {
  for (const Row &r : kLayout) apply(controls_[size_t(r.id)], r);
  for (int i = 0; i < 10; ++i) {
    gArrayNames[size_t(sobspecial(i))] = arrayName("sobspecial", i);
    gArrayNames[size_t(sob(i))] = arrayName("sob", i);
    apply(controls_[size_t(sobspecial(i))], {sobspecial(i), gArrayNames[size_t(sobspecial(i))].c_str(), P, Form1,
                                             kDeerX[i], 56, 70, 40, 0, false, "", Font::Default, kWhite, false, true});
    apply(controls_[size_t(sob(i))], {sob(i), gArrayNames[size_t(sob(i))].c_str(), P, Form1, kDeerX[i], 0, 74, 44, 2,
                                      false, "", Font::Default, kWhite, false, true});
  }
  for (int r = 0; r < 7; ++r) {
    gArrayNames[size_t(highscore(r))] = arrayName("highscore", r);
    gArrayNames[size_t(hiscr(r))] = arrayName("hiscr", r);
    apply(controls_[size_t(highscore(r))], {highscore(r), gArrayNames[size_t(highscore(r))].c_str(), L, Picture2,
                                            kNameRowX[r], 88 + 24 * r, 193, 25, 0, true, "-", Font::TableSerif});
    apply(controls_[size_t(hiscr(r))], {hiscr(r), gArrayNames[size_t(hiscr(r))].c_str(), L, Picture2, kPointsRowX[r],
                                        88 + 24 * r, 57, 25, 0, true, "0", Font::TableSerif});
  }
  for (int i = 0; i < 12; ++i) {
    gArrayNames[size_t(darek(i))] = arrayName("darek", i);
    int x = i < 6 ? 248 + 16 * i : 328 - 16 * (i - 6);
    apply(controls_[size_t(darek(i))], {darek(i), gArrayNames[size_t(darek(i))].c_str(), P, pic, x, i < 6 ? 272 : 296,
                                        15, 15, 0, false, "", Font::Default, kWhite, false, true});
  }
  for (int i = 0; i < 6; ++i) {
    gArrayNames[size_t(star(i))] = arrayName("star", i);
    int x = i < 3 ? 360 + 24 * i : 408 - 24 * (i - 3);
    apply(controls_[size_t(star(i))], {star(i), gArrayNames[size_t(star(i))].c_str(), P, pic, x, i < 3 ? 160 : 184, 19,
                                       17, 1, false, "", Font::Default, kWhite, false, true});
  }
  controls_[size_t(Label2)].opaque = true;

  // Stacking order: the layout's order within each container, the arrays where they stand.
  auto &form = children_[ControlCount];
  form = {Picture2, menu, logo};
  for (int i = 0; i < 10; ++i) form.push_back(sobspecial(i));
  for (int i = 0; i < 10; ++i) form.push_back(sob(i));
  for (Id id : {santa, pic, Label2}) form.push_back(id);
  children_[Picture2] = {Picture1, Image6};
  for (int r = 0; r < 7; ++r) children_[Picture2].push_back(highscore(r));
  for (int r = 0; r < 7; ++r) children_[Picture2].push_back(hiscr(r));
  children_[Picture1] = {Text1, command1};
  children_[menu] = {info, Image8, Image7, Label12, Image5, Image4, Image1, Image2};
  children_[info] = {Image3};
  children_[logo] = {l1, l2};
  for (int i = 0; i < 12; ++i) children_[pic].push_back(darek(i));
  for (int i = 0; i < 6; ++i) children_[pic].push_back(star(i));
  for (Id id : {barak, Label11, Label7, Label6, Label5, Label4, Label3, Label1}) children_[pic].push_back(id);
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
  for (int i = 0; i < ControlCount; ++i) {
    Control &c = controls_[size_t(i)];
    if (c.kind != Kind::Panel) continue;
    c.picture = readBmp((folder / pictureFile(c.name)).string());
    if (Id(i) != Picture1) { // Picture1 is smaller than its picture and shows only its top-left part
      c.width = c.picture.width() + 2 * c.border;
      c.height = c.picture.height() + 2 * c.border;
    }
    if (c.persistent) c.image.copyFrom(c.picture);
  }
  dirty_ = true;
}

void Scene::setFocus(Id id) {
  if (focus_ == id) return;
  focus_ = id;
  if (id == Text1) caret_ = (*this)[Text1].caption.size();
  dirty_ = true;
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

void Scene::drawControl(Id id, Surface &frame, int ox, int oy, int cx0, int cy0, int cx1, int cy1, TextRenderer &text) {
  Control &c = (*this)[id];
  if (!c.visible) return;
  int x = ox + roundPixel(c.left), y = oy + roundPixel(c.top);
  Rect clip{cx0, cy0, cx1, cy1};
  switch (c.kind) {
  case Kind::ClickArea: return;
  case Kind::Label:
    layoutLabel(c, text);
    if (c.opaque) fillClipped(frame, clip, x, y, c.width, c.height, rgbPixel(212, 208, 200));
    drawText(frame, c, x, y, cx0, cy0, cx1, cy1);
    return;
  case Kind::TextBox: {
    Rect box = clip.clip(x, y, c.width, c.height);
    if (box.empty()) return;
    fillClipped(frame, clip, x, y, c.width, c.height, rgbPixel(128, 128, 128));
    fillClipped(frame, clip, x + 1, y + 1, c.width - 1, c.height - 1, rgbPixel(255, 255, 255));
    fillClipped(frame, clip, x + 1, y + 1, c.width - 2, 1, rgbPixel(64, 64, 64));
    fillClipped(frame, clip, x + 1, y + 1, 1, c.height - 2, rgbPixel(64, 64, 64));
    Rect inner = box.clip(x + 2, y + 2, c.width - 4, c.height - 4);
    Control shownText = c; // black text on the white field
    shownText.color = kBlack;
    shownText.autosize = true;
    layoutLabel(c, text);
    shownText.rendered = c.rendered;
    int ty = y + (c.height - c.rendered.h) / 2;
    int caretX = x + 4 + text.measure(c.font, std::string_view(c.caption).substr(0, caret_));
    int shift = std::max(0, caretX - (x + c.width - 4)); // keep the caret in view
    drawText(frame, shownText, x + 4 - shift, ty, inner.x0, inner.y0, inner.x1, inner.y1);
    if (focus_ == id)
      fillClipped(frame, {inner.x0, inner.y0, inner.x1, inner.y1}, caretX - shift, y + 3, 1, c.height - 6, 0);
    return;
  }
  case Kind::Panel: break;
  }
  Rect outer = clip.clip(x, y, c.width, c.height);
  if (outer.empty()) return;
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
  int ix = x + c.border, iy = y + c.border;
  Rect inner = outer.clip(ix, iy, c.innerWidth(), c.innerHeight());
  const Surface &img = c.persistent ? c.image : c.picture;
  if (img.empty())
    fillClipped(frame, inner, ix, iy, c.innerWidth(), c.innerHeight(), kNightSky);
  else {
    // Below and right of a smaller picture the panel shows its own background.
    if (img.width() < c.innerWidth() || img.height() < c.innerHeight())
      fillClipped(frame, inner, ix, iy, c.innerWidth(), c.innerHeight(), kNightSky);
    blitClipped(frame, inner, ix, iy, img);
  }
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
  for (auto it = kids.rbegin(); it != kids.rend(); ++it)
    if (!isWindow((*this)[*it])) drawControl(*it, frame, 0, 0, 0, 0, kClientWidth, kClientHeight, text);
  for (auto it = kids.rbegin(); it != kids.rend(); ++it)
    if (isWindow((*this)[*it])) drawControl(*it, frame, 0, 0, 0, 0, kClientWidth, kClientHeight, text);
  dirty_ = false;
}

void Scene::layoutLabels(TextRenderer &text) {
  for (Control &c : controls_)
    if (c.kind == Kind::Label) layoutLabel(c, text);
  dirty_ = false;
}

Id Scene::hitIn(Id container, int x, int y) const {
  const auto &kids = children_[container == Form1 ? size_t(ControlCount) : size_t(container)];
  int ox = 0, oy = 0;
  if (container != Form1) {
    clientOrigin(container, ox, oy);
    ox += (*this)[container].border;
    oy += (*this)[container].border;
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

} // namespace nad
