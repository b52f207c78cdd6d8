// The control tree: layout, stacking, click routing, keyboard focus and the composed window.
#include "harness.h"

#include <algorithm>
#include <map>
#include <set>

#include "input/keyboard.h"
#include "platform/report.h"
#include "scene/layout.h"

namespace nad::test {
namespace {

TEST(Layout, EveryControlIsDescribedExactlyOnce) {
  const Scene sc;
  std::vector<int> rowsOf(ControlCount, 0);
  for (const LayoutRow &r : layoutTable()) {
    SCOPED_TRACE(r.name);
    ASSERT_GE(int(r.id), 0);
    ASSERT_LE(int(r.id) + r.count(), int(ControlCount));
    for (int i = 0; i < r.count(); ++i) ++rowsOf[size_t(r.id) + size_t(i)];
    // Containers are panels, and a container comes before its children.
    if (r.parent != Form1) {
      EXPECT_EQ(sc[r.parent].kind, Kind::Panel);
      EXPECT_LT(int(r.parent), int(r.id));
    }
  }
  std::set<std::string> names;
  for (int i = 0; i < ControlCount; ++i) {
    EXPECT_EQ(rowsOf[size_t(i)], 1) << "control number " << i << ", " << sc[Id(i)].name;
    EXPECT_TRUE(names.insert(sc[Id(i)].name).second) << "a second " << sc[Id(i)].name;
  }
  EXPECT_EQ(sc[sob(3)].name, "sob(3)");
  EXPECT_EQ(sc[hiscr(6)].name, "hiscr(6)");
  EXPECT_EQ(pictureFileName(sc[darek(11)].name), "darek11.bmp");
}

// The browser hands over its own decoded pictures: each panel's by its file name, sized to it
// as from the files, and a picture that cannot be had stops the loading with its error.
TEST(Layout, PicturesFromElsewhereSizeTheirPanelsAsFilesDo) {
  Scene sc;
  std::map<std::string, int> asked;
  sc.loadPictures([&](const std::string &fileName) {
    ++asked[fileName];
    return Surface(int(fileName.size()), 3);
  });
  for (int i = 0; i < ControlCount; ++i) {
    const Control &c = sc[Id(i)];
    if (c.kind != Kind::Panel) continue;
    SCOPED_TRACE(c.name);
    const std::string file = pictureFileName(c.name);
    EXPECT_EQ(asked[file], 1);
    EXPECT_EQ(c.picture.width(), int(file.size()));
    if (Id(i) != Picture1) {
      EXPECT_EQ(c.width, int(file.size()) + 2 * c.border);
    }
  }
  const auto unreadable = [](const std::string &fileName) -> Surface {
    throw StartupError("cannot read picture " + fileName);
  };
  EXPECT_THROW(sc.loadPictures(unreadable), StartupError);
}

TEST(Layout, TabOrderHoldsEveryControlThatCanTakeTheFocusOnce) {
  std::map<Id, int> count;
  for (Id first : tabOrderTable()) {
    auto row =
        std::find_if(layoutTable().begin(), layoutTable().end(), [&](const LayoutRow &r) { return r.id == first; });
    ASSERT_NE(row, layoutTable().end()) << "the tab order names an array item other than the first";
    for (int i = 0; i < row->count(); ++i) ++count[Id(first + i)];
  }
  const Scene sc;
  for (int i = 0; i < ControlCount; ++i) {
    const bool takesFocus = sc[Id(i)].kind == Kind::Panel || sc[Id(i)].kind == Kind::TextBox;
    EXPECT_EQ(count[Id(i)], takesFocus ? 1 : 0) << sc[Id(i)].name;
  }
}

// The window's own children lie on one another in the table's order.
TEST(Layout, StackingFollowsTheTableTopFirst) {
  Game g(false);
  auto within = [&](Id hit, Id control) {
    for (Id i = hit; i != Form1; i = g.sc[i].parent)
      if (i == control) return true;
    return false;
  };
  // A point where the first lies over the second.
  const struct {
    int x, y;
    Id over, under;
  } cases[] = {{100, 60, Picture2, menu}, {620, 60, menu, logo},         {560, 60, logo, sobspecial(9)},
               {560, 20, logo, sob(9)},   {340, 70, sobspecial(0), pic}, {340, 20, sob(0), pic},
               {200, 30, santa, pic}};
  for (const auto &c : cases) {
    SCOPED_TRACE(g.sc[c.over].name + " over " + g.sc[c.under].name);
    for (Id id : {Picture2, menu, logo, sobspecial(0), sobspecial(9), sob(0), sob(9), santa})
      g.sc.setVisible(id, false);
    g.sc.setVisible(c.over, true);
    g.sc.setVisible(c.under, true);
    EXPECT_TRUE(within(g.sc.hitTest(c.x, c.y), c.over)) << g.sc[g.sc.hitTest(c.x, c.y)].name;
    g.sc.setVisible(c.over, false);
    EXPECT_TRUE(within(g.sc.hitTest(c.x, c.y), c.under)) << g.sc[g.sc.hitTest(c.x, c.y)].name;
  }
}

TEST(Scene, ClicksReachTheTopmostControlUnderThePointer) {
  Game g;
  // Client coordinates: menu's inner area starts at (1, 1), so Image1 (232, 224) is at (233, 225).
  struct Case {
    int x, y;
    bool infoShown, menuShown;
    Id expect;
  } cases[] = {
      {233, 225, false, true, Image1},
      {409, 260, false, true, Image1},
      {410, 260, false, true, menu},
      {300, 265, false, true, Image4}, // Image4 overlaps Image1's last row and lies above it
      {300, 290, false, true, Image4},
      {300, 330, false, true, Image5},
      {300, 370, false, true, Image2},
      {20, 410, false, true, Image7},
      {500, 430, false, true, Image8},
      {600, 5, false, true, Label12},
      {5, 5, false, true, menu},
      {500, 20, false, true, menu}, // the banners lie beneath the menu
      // the information panel covers the entries but the top 8 rows of Image1
      {300, 230, true, true, Image1},
      {300, 232, true, true, Image1},
      {300, 233, true, true, info},
      {300, 290, true, true, info},
      {300, 330, true, true, info},
      {300, 370, true, true, info},
      {600, 240, true, true, Image3},
      // with the menu hidden the play field and the banners are reachable
      {500, 20, false, false, l2},
      {20, 470, false, false, Label11},
      {300, 200, false, false, pic},
  };
  for (const Case &c : cases) {
    g.sc.setVisible(info, c.infoShown);
    g.sc.setVisible(menu, c.menuShown);
    g.sc.compose(g.f.frame, g.hp); // lays out the auto-size labels
    EXPECT_EQ(g.sc.hitTest(c.x, c.y), c.expect) << c.x << "," << c.y << " info " << c.infoShown;
  }
}

TEST(Scene, ChildrenTakeClicksOnlyInsideTheirContainersInnerArea) {
  Game g;
  // Image8 reaches one column, Image7 one row, Image3 one column past the inner area of their
  // container: those belong to the menu's border.
  struct Case {
    int x, y;
    bool infoShown;
    Id expect;
  } cases[] = {
      {640, 430, false, Image8}, {641, 430, false, menu},  {641, 417, false, menu},  {100, 480, false, Image7},
      {100, 481, false, menu},   {9, 481, false, menu},    {640, 240, true, Image3}, {641, 240, true, menu},
      {641, 233, true, menu},    {553, 233, true, Image3}, {0, 0, false, menu},      {641, 481, false, menu},
  };
  for (const Case &c : cases) {
    g.sc.setVisible(info, c.infoShown);
    EXPECT_EQ(g.sc.hitTest(c.x, c.y), c.expect) << c.x << "," << c.y << " info " << c.infoShown;
  }
  const struct {
    Id id;
    ClientRect reach;
  } rects[] = {{Image8, {377, 417, 264, 57}}, {Image7, {9, 401, 217, 80}}, {Image3, {553, 233, 88, 33}},
               {l2, {400, 0, 240, 41}},       {l1, {400, 48, 240, 25}},    {Image1, {233, 225, 177, 41}}};
  for (const auto &r : rects) {
    const ClientRect got = g.sc.reachableRect(r.id);
    EXPECT_EQ(std::vector<int>({got.x, got.y, got.w, got.h}),
              std::vector<int>({r.reach.x, r.reach.y, r.reach.w, r.reach.h}))
        << g.sc[r.id].name;
  }
}

TEST(Scene, AClickNeedsThePressAndTheReleaseOverOneControl) {
  Game g;
  struct Case {
    int downX, downY, upX, upY;
    Id expect;
  } cases[] = {
      {321, 245, 233, 225, Image1},                             // anywhere over it
      {321, 245, 300, 290, Form1},                              // released over another entry
      {300, 290, 321, 245, Form1},  {20, 300, 321, 245, Form1}, // pressed on the menu, released over an entry
      {321, 245, 20, 300, Form1},                               // and the other way round
      {321, 245, -5, -5, Form1},                                // released outside the window
      {700, 10, 321, 245, Form1},                               // pressed outside
      {20, 300, 30, 310, menu},                                 // the menu panel itself
      {641, 430, 600, 430, Form1},                              // pressed on the menu's border, released over Image8
  };
  for (const Case &c : cases) {
    g.sc.mouseDown(c.downX, c.downY);
    EXPECT_EQ(g.sc.mouseUp(c.upX, c.upY), c.expect) << c.downX << "," << c.downY << " -> " << c.upX << "," << c.upY;
  }
  EXPECT_EQ(g.sc.mouseUp(321, 245), Form1) << "a release without its press";
}

TEST(Scene, PressOnOneEntryAndReleaseOnAnotherDoesNothing) {
  Game g;
  const ClientRect start = g.sc.reachableRect(Image1), information = g.sc.reachableRect(Image4);
  g.hp.mouseDown(100, start.centreX(), start.centreY());
  g.hp.mouseUp(200, information.centreX(), information.centreY());
  g.hp.mouseDown(300, information.centreX(), information.centreY());
  g.hp.mouseUp(400, start.centreX(), start.centreY());
  g.hp.idleUntil(1000);
  g.run();
  EXPECT_TRUE(g.log.starts.empty()) << "a game started";
  EXPECT_FALSE(g.sc[info].visible);
  // Pressed and released at different points of the same entry: a click.
  g.hp.mouseDown(1100, start.x + 2, start.y + 2);
  g.hp.mouseUp(1300, start.x + start.w - 3, start.y + start.h - 3);
  g.hp.press(2000, key::Escape);
  g.run();
  EXPECT_FALSE(g.log.starts.empty()) << "no game started";
}

TEST(Scene, TabVisitsTheShownControlsInTabOrder) {
  Game g(false);
  auto tabs = [&](int n, bool backwards) {
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) {
      g.sc.focusNext(backwards);
      out.push_back(g.sc[g.sc.focus()].name);
    }
    return out;
  };
  using Names = std::vector<std::string>;
  ASSERT_EQ(g.sc.focus(), pic);
  // The menu as the window loads: the sprites, the information panel and the high-score panel
  // are hidden.
  EXPECT_EQ(tabs(5, false), (Names{"logo", "menu", "l2", "l1", "pic"}));
  EXPECT_EQ(tabs(5, true), (Names{"l1", "l2", "menu", "logo", "pic"}));
  // The name box shows only with its dialog.
  g.sc.setVisible(Picture2, true);
  EXPECT_EQ(tabs(6, false), (Names{"logo", "menu", "l2", "l1", "Picture2", "pic"}));
  g.sc.setVisible(Picture1, true);
  EXPECT_EQ(tabs(7, false), (Names{"logo", "menu", "l2", "l1", "Picture2", "Picture1", "Text1"}));
  // Everything shown: the whole order.
  for (int i = 0; i < ControlCount; ++i) g.sc.setVisible(Id(i), true);
  g.sc.setFocus(pic);
  Names all = {"santa"};
  for (const char *array : {"sob", "sobspecial"})
    for (int i = 0; i < sobCount; ++i) all.push_back(std::string(array) + "(" + std::to_string(i) + ")");
  all.push_back("barak");
  for (int i = 0; i < starCount; ++i) all.push_back("star(" + std::to_string(i) + ")");
  for (const char *name : {"logo", "menu", "l2", "l1"}) all.push_back(name);
  for (int i = 0; i < darekCount; ++i) all.push_back("darek(" + std::to_string(i) + ")");
  for (const char *name : {"info", "Picture2", "Picture1", "Text1", "pic"}) all.push_back(name);
  EXPECT_EQ(tabs(int(all.size()), false), all);
}

TEST(Scene, HighScorePanelAndNameBoxLieOverEverything) {
  Game g;
  g.sc.setVisible(Picture2, true);
  auto [x6, y6] = g.at(Image6, 5, 5);
  EXPECT_EQ(g.sc.hitTest(x6, y6), Image6);
  auto [tx, ty] = g.at(Text1, 5, 5);
  EXPECT_EQ(g.sc.hitTest(tx, ty), highscore(1)) << "the name box shows only with its dialog";
  g.sc.setVisible(Picture1, true);
  EXPECT_EQ(g.sc.hitTest(tx, ty), Text1);
  auto [cx, cy] = g.at(command1, 5, 5);
  EXPECT_EQ(g.sc.hitTest(cx, cy), command1);
  auto [rx, ry] = g.at(highscore(0), 5, 5);
  EXPECT_EQ(g.sc.hitTest(rx, ry), Picture1) << "the dialog covers the rows";
}

TEST(Scene, LayoutSizesThatTheGameReads) {
  Game g(false);
  EXPECT_EQ(g.sc[sob(0)].width, 74);
  EXPECT_EQ(g.sc[sob(0)].height, 44);
  EXPECT_EQ(g.sc[santa].width, 65);
  EXPECT_EQ(g.sc[barak].innerHeight(), 209);
  EXPECT_EQ(g.sc[logo].innerWidth(), 240);
  EXPECT_EQ(g.sc[logo].innerHeight(), 73);
  EXPECT_EQ(g.sc[darek(0)].innerWidth(), 15);
  EXPECT_EQ(g.sc[star(0)].innerWidth(), 17);
  EXPECT_EQ(g.sc[pic].innerWidth(), 643);
  EXPECT_EQ(g.sc[pic].innerHeight(), 483);
  EXPECT_EQ(std::string(kWindowCaption), "Krásne prožití Vánočních svátku přejí Vorlanix  a  BRIMEL");
}

TEST(Scene, ComposedMenuShowsNightSkyAndLabelsStayOutOfThePicture) {
  Game g;
  g.sc.compose(g.f.frame, g.hp);
  EXPECT_EQ(g.f.frame.at(1, 1 + 479), g.sc[menu].picture.at(0, 479));
  g.sc.setVisible(menu, false);
  g.sc.compose(g.f.frame, g.hp);
  EXPECT_EQ(g.f.frame.at(300, 200), kNightSky) << "the play field shows once the menu is hidden";
  // Captions are painted over the play field when it is shown, never into its image.
  g.sc.setCaption(Label5, "Bodů : 12345");
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 120; ++x) ASSERT_EQ(g.sc.image(pic).at(x, y), kNightSky);
}

TEST(Scene, AutoSizeLabelGrowsWithItsCaptionFromTheSamePlace) {
  Game g;
  g.sc.setCaption(Label3, "Dárku dodáno : 12");
  g.sc.compose(g.f.frame, g.hp);
  int w12 = g.sc[Label3].width;
  g.sc.setCaption(Label3, "Dárku dodáno : 1234");
  g.sc.compose(g.f.frame, g.hp);
  EXPECT_GT(g.sc[Label3].width, w12);
  EXPECT_EQ(g.sc[Label3].left, 168);
  EXPECT_EQ(g.sc[Label3].top, 0);
}

} // namespace
} // namespace nad::test
