#pragma once
// One step of the world per frame, run right after the frame is drawn.
#include "core/form.h"

namespace nad {

void UpdateWorld(Form &f);
void Timer5_Timer(Form &f); // the speed step
void Timer3_Timer(Form &f); // the banner phase

// The steps of UpdateWorld that live in their own files.
void ShiftTrail(GameState &s);               // step 3
void MoveLeadHeight(Form &f);                // step 4: one random draw
void SteerVertically(GameState &s);          // step 5
void SteerHorizontallyAndMove(GameState &s); // step 6
void SlideBanners(Form &f);                  // step 8
void MoveGifts(Form &f);                     // step 10

// The space bar: a gift into the lowest free slot, if any.
void DropGift(Form &f);

} // namespace nad
