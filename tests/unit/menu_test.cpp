// The menu's click areas, the information panel and the four web links, driven by scripted
// clicks at window coordinates so that the routing to the control under the pointer counts.
#include "harness.h"

#include "frontend/menu.h"
#include "input/keyboard.h"

namespace nad::test {
namespace {

// A client point inside the banner frame at the top right of the window.
constexpr int kBannerX = 410, kBannerY = 10;

std::vector<bool> visibility(const Game &g) {
  std::vector<bool> v;
  v.reserve(ControlCount);
  for (int i = 0; i < ControlCount; ++i) v.push_back(g.sc[Id(i)].visible);
  return v;
}

TEST(Menu, EachLogoInTheMenuHandsOverItsAddressOnce) {
  const struct {
    Id control;
    const char *address;
  } cases[] = {{Image7, "www.vorlanix.cz"}, {Image8, "https://www.brimel-studio.cz/"}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.address);
    Game g;
    g.clickOn(100, c.control, 5, 5);
    g.run();
    EXPECT_EQ(g.calls("url"), std::vector<std::string>{c.address});
    EXPECT_TRUE(g.sc[menu].visible);
  }
}

TEST(Menu, BannersOpenTheirPagesDuringAGameWhichGoesOn) {
  // l2 fills the frame for the first 20 seconds of the first game, l1 after its slide in.
  const struct {
    int64_t clickAt;
    const char *address;
  } cases[] = {{1000, "www.vorlanix.cz"}, {22000, "https://www.brimel-studio.cz/"}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.address);
    Game g;
    g.clickOn(0, Image1);
    g.hp.click(c.clickAt, kBannerX, kBannerY);
    g.hp.press(c.clickAt + 500, key::Escape);
    int framesAfterClick = 0;
    g.log.afterUpdate = [&] { framesAfterClick += g.log.starts.back() > c.clickAt; };
    g.run();
    EXPECT_EQ(g.calls("url"), std::vector<std::string>{c.address});
    EXPECT_GT(framesAfterClick, 20) << "the game did not stop for the browser";
  }
}

TEST(Menu, ABannerOutsideItsFrameCannotBeClicked) {
  // At 22 s l1 fills the frame and l2 waits right of it, reaching past the frame's right edge
  // into the last window columns; at 2 s l1 waits below the frame, over the play field.
  const struct {
    int64_t at;
    int x, y;
  } cases[] = {{22000, 641, 10}, {2000, 410, 100}, {2000, 410, 140}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.at);
    Game g;
    g.clickOn(0, Image1);
    g.hp.click(c.at, c.x, c.y);
    g.hp.press(c.at + 100, key::Escape);
    g.run();
    EXPECT_TRUE(g.calls("url").empty());
  }
}

TEST(Menu, BannersCannotBeClickedThroughTheMenu) {
  Game g;
  for (int y : {kBannerY, 40, 70}) g.hp.click(100 + y, kBannerX, y);
  g.run();
  EXPECT_TRUE(g.calls("url").empty());
}

TEST(Menu, AClickOutsideEveryAreaDoesNothing) {
  Game g;
  const std::pair<int, int> blank[] = {{20, 120}, {320, 30}, {620, 200}};
  for (auto [x, y] : blank) ASSERT_EQ(g.sc.hitTest(x, y), menu) << x << "," << y;
  const auto before = visibility(g);
  const size_t callsBefore = g.hp.calls.size();
  int64_t t = 100;
  for (auto [x, y] : blank) g.hp.click(t += 100, x, y);
  EXPECT_FALSE(g.run());
  EXPECT_EQ(visibility(g), before);
  EXPECT_EQ(g.hp.calls.size(), callsBefore);
  EXPECT_FALSE(g.s.gameRunning);
}

TEST(Menu, InformationPanelShowsAtItsPlaceAndHides) {
  Game g;
  ASSERT_FALSE(g.sc[info].visible);
  g.sc.move(info, 40, 7); // wherever it was, the entry puts it back in its place
  g.clickOn(100, Image4);
  g.run();
  EXPECT_TRUE(g.sc[info].visible);
  EXPECT_EQ(g.sc[info].left, 0);
  EXPECT_EQ(g.sc[info].top, 232);

  Image4_Click(g.f); // a second time changes nothing
  EXPECT_TRUE(g.sc[info].visible);
  EXPECT_EQ(g.sc[info].top, 232);

  g.clickOn(200, Image3);
  g.run();
  EXPECT_FALSE(g.sc[info].visible);
  Image3_Click(g.f);
  EXPECT_FALSE(g.sc[info].visible);
  EXPECT_TRUE(g.sc[menu].visible);
  EXPECT_EQ(g.hp.calls.size(), 2u) << "only the load's music calls";
}

TEST(Menu, OpenInformationPanelCoversTheEntriesBelowIt) {
  Game g;
  Image4_Click(g.f);
  for (Id entry : {Image4, Image5, Image2}) {
    auto [x, y] = g.at(entry, 5, 5);
    EXPECT_NE(g.sc.hitTest(x, y), entry) << g.sc[entry].name;
  }
}

TEST(Menu, InformationPanelKeepsItsVisibilityAcrossAGame) {
  for (bool shown : {true, false}) {
    for (bool byClock : {false, true}) {
      SCOPED_TRACE(std::string(shown ? "shown" : "hidden") + (byClock ? ", game to its end" : ", Escape"));
      Game g;
      if (shown) Image4_Click(g.f);
      g.clickOn(0, Image1, 5, 2); // the top rows of the first entry stay reachable
      if (byClock)
        g.clickOn(135000, Image6, 10, 10);
      else
        g.hp.press(3000, key::Escape);
      int frames = 0;
      g.log.afterUpdate = [&] { ++frames; };
      g.run();
      ASSERT_GT(frames, 0) << "the game started";
      EXPECT_TRUE(g.sc[menu].visible);
      EXPECT_EQ(g.sc[info].visible, shown);
    }
  }
}

TEST(Menu, QuitEndsTheProgramAndLeavesTheTableFileAlone) {
  Game g;
  const std::string table = "\"Ann\",\"900\"\r\n\"Bob\",\"700\"\r\n";
  g.writeScores(table);
  g.clickOn(100, Image2);
  g.clickOn(200, Image4); // never handled: the program is gone
  EXPECT_TRUE(g.run());
  EXPECT_EQ(g.readScores(), table);
  EXPECT_FALSE(g.sc[info].visible);
  EXPECT_EQ(g.hp.calls.size(), 2u) << "nothing after the quit, no music call of its own";
}

} // namespace
} // namespace nad::test
