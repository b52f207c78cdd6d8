#pragma once
// Builds the play field anew off screen on every pass of the frame loop.
#include "core/form.h"

namespace nad {

void DrawFrame(Form &f);

// Copies a whole source picture to (x, y) of the play field, the coordinates rounded to
// whole pixels at the moment of the transfer.
void Transfer(Form &f, Id source, double x, double y, RasterOp op);

// The layers, in the order DrawFrame lays them.
void AdvanceDeerAnimation(Form &f); // step 1
void DrawHouses(Form &f);           // step 3
void DrawGifts(Form &f);            // step 4
void DrawTeam(Form &f);             // step 5: four reindeer and the sleigh
void DrawStars(Form &f);            // step 6

} // namespace nad
