// Block transfers, the three raster operations, clipping, pixel reads and rounding.
#include <gtest/gtest.h>

#include "platform/bmp_file.h"
#include "platform/surface.h"

namespace nad {
namespace {

Surface pattern4x4(uint32_t base) {
  Surface s(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) s.at(x, y) = base + uint32_t(y * 4 + x);
  return s;
}

TEST(Surface, RasterOperationsCombineEveryBit) {
  struct Case {
    RasterOp op;
    uint32_t dst, src, expect;
  } cases[] = {
      {RasterOp::SrcCopy, 0x00F0F0F0, 0x00123456, 0x00123456},
      {RasterOp::SrcAnd, 0x00F0F0F0, 0x00123456, 0x00103050},
      {RasterOp::SrcPaint, 0x00F0F0F0, 0x00123456, 0x00F2F4F6},
      {RasterOp::SrcAnd, 0x0000286F, 0x00FFFFFF, 0x0000286F},   // white mask keeps the scene
      {RasterOp::SrcPaint, 0x00000000, 0x00ABCDEF, 0x00ABCDEF}, // sprite into a cut shape
  };
  for (const Case &c : cases) {
    Surface d(2, 2, c.dst), s(2, 2, c.src);
    d.blit(0, 0, 2, 2, s, 0, 0, c.op);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x) EXPECT_EQ(d.at(x, y), c.expect) << int(c.op);
  }
}

TEST(Surface, TransfersAreClippedToBothSurfaces) {
  struct Case {
    int dx, dy, w, h, sx, sy;
    int copied;         // pixels written
    int firstX, firstY; // where source (sx', sy') = its first visible pixel landed
  } cases[] = {
      {0, 0, 4, 4, 0, 0, 16, 0, 0},  {-2, -1, 4, 4, 0, 0, 6, 0, 0}, // off the top-left: source starts at (2, 1)
      {2, 3, 4, 4, 0, 0, 2, 2, 3},                                  // off the bottom-right
      {0, 0, 4, 4, -1, 0, 12, 1, 0}, // source left of the picture: nothing comes from there
      {0, 0, 9, 9, 2, 2, 4, 0, 0},   // rectangle larger than the source
      {4, 0, 4, 4, 0, 0, 0, 0, 0},   // entirely outside
  };
  for (const Case &c : cases) {
    Surface d(4, 4, 0xFFFFFFFF);
    Surface s = pattern4x4(0x100);
    d.blit(c.dx, c.dy, c.w, c.h, s, c.sx, c.sy, RasterOp::SrcCopy);
    int written = 0;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) written += d.at(x, y) != 0xFFFFFFFF;
    EXPECT_EQ(written, c.copied) << c.dx << "," << c.dy;
    if (c.copied > 0) {
      int sx = c.firstX - c.dx + c.sx, sy = c.firstY - c.dy + c.sy;
      EXPECT_EQ(d.at(c.firstX, c.firstY), s.at(sx, sy));
    }
  }
}

TEST(Surface, PixelReadGivesRedInTheLowestByteAndNothingOutside) {
  Surface s(2, 1, rgbPixel(16, 23, 16));
  s.at(1, 0) = rgbPixel(255, 0, 0);
  EXPECT_EQ(s.colorAt(0, 0), colorValue(16, 23, 16));
  EXPECT_EQ(s.colorAt(1, 0), 255u);
  for (auto [x, y] : {std::pair{-1, 0}, {2, 0}, {0, 1}, {0, -1}}) {
    EXPECT_EQ(s.colorAt(x, y), 0xFFFFFFFFu);
    EXPECT_NE(s.colorAt(x, y), colorValue(0, 0, 0));
  }
}

TEST(Surface, RoundingSendsAnExactHalfToTheEvenNeighbour) {
  struct Case {
    double v;
    int expect;
  } cases[] = {{2.5, 2},   {3.5, 4},    {100.5, 100}, {101.5, 102}, {-0.5, 0},
               {-1.5, -2}, {2.4999, 2}, {2.5001, 3},  {-100, -100}};
  for (const Case &c : cases) EXPECT_EQ(roundPixel(c.v), c.expect) << c.v;
}

TEST(Surface, BmpRoundTripKeepsEveryPixel) {
  Surface s(3, 2); // odd width: rows are padded to four bytes
  uint32_t v = 0x00010203;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) s.at(x, y) = v += 0x00111111;
  std::string path = ::testing::TempDir() + "/roundtrip.bmp";
  ASSERT_TRUE(writeBmp(path, s).ok());
  Surface back = readBmp(path);
  ASSERT_EQ(back.width(), 3);
  ASSERT_EQ(back.height(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(back.at(x, y), s.at(x, y));
  EXPECT_THROW(readBmp(::testing::TempDir() + "/no-such.bmp"), std::runtime_error);
}

} // namespace
} // namespace nad
