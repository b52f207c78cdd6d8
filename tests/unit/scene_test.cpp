// The control tree: layout, stacking, click routing and the composed window.
#include "harness.h"

namespace nad::test {
namespace {

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
