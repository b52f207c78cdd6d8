// A game in the browser: "Nová hra" starts it and the team flies, the arrow keys steer, P opens
// the pause box and the frame stays still until it is closed, Escape returns to the menu.
"use strict";
const { Test, sleep, centre } = require("./lib.js");

// The team's height every few frames (however long a starved machine takes to draw them) while
// `watch` gets each reading and says when to stop, or for at most `frames` frames.
async function follow(t, frames, watch) {
  const from = await t.frames();
  let read = from;
  for (const end = Date.now() + 60000; Date.now() < end;) {
    const now = await t.frames();
    if (now - read >= 4) {
      read = now;
      if (watch(await t.teamY())) break;
    }
    if (now - from >= frames) break;
    await sleep(20);
  }
  return read - from;
}

// Lets the team come to rest (it has inertia: the velocity changes by 0.1 pixel a frame).
async function settle(t) {
  let last = await t.teamY();
  await follow(t, 200, (y) => {
    const still = Math.abs(y - last) < 1;
    last = y;
    return still;
  });
}

// From rest, holds a key (sign +1: the one that takes the team down the frame) until the team
// is more than 10 pixels that way, or for at most 80 frames. It must get there without first
// going the other way by more than 3 pixels (the team creeps up by itself, 0.05 pixel a frame
// on average).
async function steer(t, key, sign) {
  await settle(t);
  const start = await t.teamY();
  const heights = [start];
  let against = 0, along = 0;
  await t.page.keyboard.down(key);
  const frames = await follow(t, 80, (y) => {
    heights.push(y);
    along = sign * (y - start);
    against = Math.max(against, -along);
    return along > 10;
  });
  await t.page.keyboard.up(key);
  return { went: along > 10 && against <= 3, text: `${along.toFixed(1)} px that way after ${frames} frames, ` +
    `${against.toFixed(1)} px the other way first; heights ${heights.map((y) => (y === null ? "-" : y.toFixed(0))).join(" ")}` };
}

(async () => {
  const t = new Test("play");
  try {
    await t.open();
    await t.click(centre("Image1"));
    await t.until(() => t.gameShown(), 15000, "the play field did not show after \"Nová hra\"");
    // The game runs: frames come (how evenly is bench/web's to measure, not a test's on a
    // shared machine).
    const f0 = await t.frames();
    await t.until(async () => (await t.frames()) >= f0 + 20, 15000, "the game draws no frames");
    t.check((await t.frames()) >= f0 + 20, "the team flies: the game draws its frames");
    await t.shot("play");

    const down = await steer(t, "ArrowDown", +1);
    t.check(down.went, `the down arrow takes the team down: ${down.text}`);
    const up = await steer(t, "ArrowUp", -1);
    t.check(up.went, `the up arrow takes the team up: ${up.text}`);
    t.check(await t.page.evaluate(() => window.scrollX === 0 && window.scrollY === 0), "the keys do not scroll the page");

    // P: the page's modal box with the desktop's title, text and OK; the game holds meanwhile.
    await t.page.keyboard.press("KeyP");
    await t.until(() => t.page.evaluate(() => document.getElementById("box").open), 15000, "no pause box after P");
    const box = await t.page.evaluate(() => {
      const b = document.getElementById("box");
      return [b.querySelector(".title").textContent, b.querySelector(".text").textContent, b.querySelector("button").textContent];
    });
    t.check(JSON.stringify(box) === JSON.stringify(["Pauza...", "Hra pozastavena ...", "OK"]), `the pause box: ${box.join(" | ")}`);
    await t.shot("pause");
    const framesAtPause = await t.frames();
    await t.keep();
    await sleep(1500);
    t.check((await t.frames()) === framesAtPause, "no frame while the pause box is open");
    t.check((await t.same([0, 0, 642, 482])) === 1, "the frame stays still while the pause box is open");
    // Each present puts only the rows that changed on the canvas: after a few hundred of them it
    // must still show exactly the frame the game drew last.
    const stale = await t.page.evaluate(() => {
      const shown = nadilkaPage.context.getImageData(0, 0, 642, 482).data, drawn = nadilkaPage.image.data;
      let rows = 0;
      for (let y = 0; y < 482; ++y)
        for (let i = y * 642 * 4; i < (y + 1) * 642 * 4; ++i)
          if (shown[i] !== drawn[i]) {
            ++rows;
            break;
          }
      return drawn.length === shown.length ? rows : -1;
    });
    t.check(stale === 0, `the canvas shows the game's last frame in every row (rows that differ: ${stale})`);
    await t.page.keyboard.press("ArrowUp"); // typed at the box: not the game's
    await t.page.keyboard.press("Enter");
    await t.until(() => t.page.evaluate(() => !document.getElementById("box").open), 15000, "Enter did not close the pause box");
    await t.until(async () => (await t.frames()) > framesAtPause + 10, 15000, "no frames after the box is closed");
    t.check((await t.frames()) > framesAtPause + 10, "the game goes on after the box is closed");

    await t.page.keyboard.press("Escape");
    await t.until(() => t.menuShown(), 15000, "Escape did not return to the menu");
    t.check(await t.menuShown(), "Escape returns to the menu");
  } catch (e) {
    t.check(false, "unexpected: " + (e.stack || e));
  }
  await t.close();
})();
