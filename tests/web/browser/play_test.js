// A game in the browser: "Nová hra" starts it and the team flies, the arrow keys steer, P opens
// the pause box and the frame stays still until it is closed, Escape returns to the menu.
"use strict";
const { Test, sleep, centre } = require("./lib.js");

async function hold(t, key, ms) {
  await t.page.keyboard.down(key);
  await sleep(ms);
  await t.page.keyboard.up(key);
  await sleep(300);
}

(async () => {
  const t = new Test("play");
  try {
    await t.open();
    await t.click(centre("Image1"));
    await t.until(() => t.gameShown(), 5000, "the play field did not show after \"Nová hra\"");
    const f0 = await t.frames();
    await sleep(1000);
    const f1 = await t.frames();
    t.check(f1 - f0 >= 10, `the team flies: ${f1 - f0} frames in a second`);
    await t.shot("play");

    const start = await t.teamY();
    await hold(t, "ArrowDown", 1200);
    const lower = await t.teamY();
    t.check(lower > start + 10, `the down arrow takes the team down (${start.toFixed(1)} -> ${lower.toFixed(1)})`);
    await hold(t, "ArrowUp", 1500);
    const upper = await t.teamY();
    t.check(upper < lower - 10, `the up arrow takes the team up (${lower.toFixed(1)} -> ${upper.toFixed(1)})`);
    t.check(await t.page.evaluate(() => window.scrollX === 0 && window.scrollY === 0), "the keys do not scroll the page");

    // P: the page's modal box with the desktop's title, text and OK; the game holds meanwhile.
    await t.page.keyboard.press("KeyP");
    await t.until(() => t.page.evaluate(() => document.getElementById("box").open), 3000, "no pause box after P");
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
    await t.page.keyboard.press("ArrowUp"); // typed at the box: not the game's
    await t.page.keyboard.press("Enter");
    await t.until(() => t.page.evaluate(() => !document.getElementById("box").open), 3000, "Enter did not close the pause box");
    await sleep(500);
    t.check((await t.frames()) > framesAtPause + 10, "the game goes on after the box is closed");

    await t.page.keyboard.press("Escape");
    await t.until(() => t.menuShown(), 3000, "Escape did not return to the menu");
    t.check(await t.menuShown(), "Escape returns to the menu");
  } catch (e) {
    t.check(false, "unexpected: " + (e.stack || e));
  }
  await t.close();
})();
