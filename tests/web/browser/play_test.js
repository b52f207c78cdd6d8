// A game in the browser: "Nová hra" starts it and the team flies, the arrow keys steer, P opens
// the pause box and the frame stays still until it is closed, Escape returns to the menu.
"use strict";
const { Test, sleep, centre, steer } = require("./lib.js");

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

    const down = await steer(t, () => t.page.keyboard.down("ArrowDown"), () => t.page.keyboard.up("ArrowDown"), +1);
    t.check(down.went, `the down arrow takes the team down: ${down.text}`);
    const up = await steer(t, () => t.page.keyboard.down("ArrowUp"), () => t.page.keyboard.up("ArrowUp"), -1);
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
