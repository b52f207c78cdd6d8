#include "scene/layout.h"

namespace nad {
namespace {

using enum Kind;
using enum Scale;

// The reindeer frames lie in a row: sob(i) at y 0, sobspecial(i) at y 56.
constexpr Place kSobAt[sobCount] = {{328, 0}, {352, 0}, {384, 0}, {416, 0}, {432, 0},
                                    {464, 0}, {480, 0}, {504, 0}, {536, 0}, {552, 0}};
constexpr Place kSobSpecialAt[sobCount] = {{328, 56}, {352, 56}, {384, 56}, {416, 56}, {432, 56},
                                           {464, 56}, {480, 56}, {504, 56}, {536, 56}, {552, 56}};
// The table rows, 24 pixels apart.
constexpr Place kNameAt[tableRowCount] = {{104, 88},  {103, 112}, {104, 136}, {103, 160},
                                          {103, 184}, {104, 208}, {104, 232}};
constexpr Place kPointsAt[tableRowCount] = {{304, 88},  {303, 112}, {304, 136}, {303, 160},
                                            {303, 184}, {303, 208}, {304, 232}};
// Gifts 0 to 5 in a row, their masks 6 to 11 in the row below, mirrored.
constexpr Place kDarekAt[darekCount] = {{248, 272}, {264, 272}, {280, 272}, {296, 272}, {312, 272}, {328, 272},
                                        {328, 296}, {312, 296}, {296, 296}, {280, 296}, {264, 296}, {248, 296}};
// Stars 0 to 2 in a row, their masks 3 to 5 in the row below, mirrored.
constexpr Place kStarAt[starCount] = {{360, 160}, {384, 160}, {408, 160}, {408, 184}, {384, 184}, {360, 184}};

// clang-format off
constexpr LayoutRow kLayout[] = {
  // Form1
  {.id = Picture2, .name = "Picture2", .kind = Panel, .at = {88, 48}, .size = {469, 405}, .border = 1, .visible = false,
   .persistent = true, .scale = Twips},
  {.id = menu, .name = "menu", .kind = Panel, .at = {0, 0}, .size = {642, 482}, .border = 1, .scale = Twips},
  {.id = logo, .name = "logo", .kind = Panel, .at = {400, 0}, .size = {240, 73}, .persistent = true},
  {.id = sobspecial0, .name = "sobspecial", .kind = Panel, .items = kSobSpecialAt, .size = {70, 40}, .visible = false,
   .persistent = true},
  {.id = sob0, .name = "sob", .kind = Panel, .items = kSobAt, .size = {74, 44}, .border = 2, .visible = false,
   .persistent = true},
  {.id = santa, .name = "santa", .kind = Panel, .at = {184, 16}, .size = {65, 38}, .visible = false, .persistent = true},
  {.id = pic, .name = "pic", .kind = Panel, .at = {0, 0}, .size = {645, 485}, .border = 1, .persistent = true},
  {.id = Label2, .name = "Label2", .kind = Label, .at = {8, 8}, .size = {103, 13}, .caption = "přibrždování LOOPu :",
   .color = kBlack, .autosize = true, .opaque = true},

  // Picture2, the high-score panel
  {.id = Picture1, .name = "Picture1", .kind = Panel, .parent = Picture2, .at = {24, 0}, .size = {425, 265},
   .visible = false, .scale = Twips},
  {.id = Image6, .name = "Image6", .kind = ClickArea, .parent = Picture2, .at = {376, 368}, .size = {89, 25}},
  {.id = highscore0, .name = "highscore", .kind = Label, .parent = Picture2, .items = kNameAt, .size = {193, 25},
   .caption = "-", .font = Font::TableSerif},
  {.id = hiscr0, .name = "hiscr", .kind = Label, .parent = Picture2, .items = kPointsAt, .size = {57, 25},
   .caption = "0", .font = Font::TableSerif},

  // Picture1, the name-entry dialog
  {.id = Text1, .name = "Text1", .kind = TextBox, .parent = Picture1, .at = {136, 128}, .size = {161, 19},
   .caption = "BRIMEL"},
  {.id = command1, .name = "command1", .kind = ClickArea, .parent = Picture1, .at = {128, 216}, .size = {145, 49}},

  // menu
  {.id = info, .name = "info", .kind = Panel, .parent = menu, .at = {0, 232}, .size = {640, 165}, .visible = false,
   .persistent = true, .scale = Twips},
  {.id = Image8, .name = "Image8", .kind = ClickArea, .parent = menu, .at = {376, 416}, .size = {265, 57}},
  {.id = Image7, .name = "Image7", .kind = ClickArea, .parent = menu, .at = {8, 400}, .size = {217, 81}},
  {.id = Label12, .name = "Label12", .kind = Label, .parent = menu, .at = {584, 0}, .size = {53, 13},
   .caption = "Music : ON", .autosize = true},
  {.id = Image5, .name = "Image5", .kind = ClickArea, .parent = menu, .at = {224, 304}, .size = {193, 41}},
  {.id = Image4, .name = "Image4", .kind = ClickArea, .parent = menu, .at = {224, 264}, .size = {193, 41}},
  {.id = Image1, .name = "Image1", .kind = ClickArea, .parent = menu, .at = {232, 224}, .size = {177, 41}},
  {.id = Image2, .name = "Image2", .kind = ClickArea, .parent = menu, .at = {248, 344}, .size = {145, 41}},

  // info
  {.id = Image3, .name = "Image3", .kind = ClickArea, .parent = info, .at = {552, 0}, .size = {89, 33}},

  // logo: the two banners, each as large as the frame they slide in
  {.id = l1, .name = "l1", .kind = Panel, .parent = logo, .at = {0, 48}, .size = {240, 73}, .scale = Twips},
  {.id = l2, .name = "l2", .kind = Panel, .parent = logo, .at = {0, -32}, .size = {240, 73}, .scale = Twips},

  // pic, the play field
  {.id = darek0, .name = "darek", .kind = Panel, .parent = pic, .items = kDarekAt, .size = {15, 15}, .visible = false,
   .persistent = true},
  {.id = star0, .name = "star", .kind = Panel, .parent = pic, .items = kStarAt, .size = {19, 17}, .border = 1,
   .visible = false, .persistent = true},
  {.id = barak, .name = "barak", .kind = Panel, .parent = pic, .at = {616, 408}, .size = {2909, 211}, .border = 1,
   .visible = false, .persistent = true},
  {.id = Label11, .name = "Label11", .kind = Label, .parent = pic, .at = {8, 464}, .size = {53, 13},
   .caption = "Music : ON", .autosize = true},
  {.id = Label7, .name = "Label7", .kind = Label, .parent = pic, .at = {168, 32}, .size = {91, 13},
   .caption = "Rychlost : 25 Km/h", .autosize = true},
  {.id = Label6, .name = "Label6", .kind = Label, .parent = pic, .at = {8, 24}, .size = {99, 24},
   .caption = "Čas   : 130", .font = Font::LabelBig, .color = kRed, .autosize = true},
  {.id = Label5, .name = "Label5", .kind = Label, .parent = pic, .at = {8, 0}, .size = {79, 24},
   .caption = "Bodů : 0", .font = Font::LabelBig, .color = kRed, .autosize = true},
  {.id = Label4, .name = "Label4", .kind = Label, .parent = pic, .at = {168, 16}, .size = {84, 13},
   .caption = "Dárku zničeno : 0", .autosize = true},
  {.id = Label3, .name = "Label3", .kind = Label, .parent = pic, .at = {168, 0}, .size = {83, 13},
   .caption = "Dárku dodáno : 0", .autosize = true},
  {.id = Label1, .name = "Label1", .kind = Label, .parent = pic, .at = {0, 0}, .size = {38, 13}, .visible = false,
   .caption = "Fps : 40", .autosize = true},
};
// clang-format on

constexpr Id kTabOrder[] = {pic, santa, sob0,   sobspecial0, barak,    star0,    logo, menu,
                            l2,  l1,    darek0, info,        Picture2, Picture1, Text1};

} // namespace

std::span<const LayoutRow> layoutTable() { return kLayout; }
std::span<const Id> tabOrderTable() { return kTabOrder; }

} // namespace nad
