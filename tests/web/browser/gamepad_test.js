// Keyboard-only play and a game controller in the browser. A controller (a stand-in for
// navigator.getGamepads with the browser's standard mapping), plugged in during the menu: the
// d-pad and the left stick steer, Start pauses and closes the pause box (and that press is no
// second pause), B returns to the menu. The fullscreen button works with Enter and Space when it
// has the focus and gives the focus back to the frame, where Space then drops a gift. The screen
// is kept on during play and let go in the menu (a stand-in for the Wake Lock API).
"use strict";
const { Test, sleep, centre, rect, steer } = require("./lib.js");

// The standard mapping's buttons.
const A = 0, B = 1, START = 9, DOWN = 13, UP = 12;

const COUNTERS = () => {
  const [a, b] = [rect("Label3"), rect("Label4")];
  const x = Math.min(a[0], b[0]), y = Math.min(a[1], b[1]);
  return [x, y, Math.max(a[0] + a[2], b[0] + b[2]) - x, Math.max(a[1] + a[3], b[1] + b[3]) - y];
};

// The controller's state, as the page reads it on its next poll.
const button = (t, i, pressed) => t.page.evaluate((i, pressed) => {
  window.testPad.buttons[i] = { pressed, touched: pressed, value: pressed ? 1 : 0 };
}, i, pressed);
const stick = (t, y) => t.page.evaluate((y) => (window.testPad.axes[1] = y), y);
const boxOpen = (t) => t.page.evaluate(() => document.getElementById("box").open);

(async () => {
  const t = new Test("gamepad");
  try {
    await t.open(false);
    await t.page.evaluateOnNewDocument(() => {
      window.testPads = [null, null, null, null];
      navigator.getGamepads = () => window.testPads;
      window.testLocks = { held: 0, asked: 0 };
      const lock = () => {
        const listeners = [];
        return { addEventListener: (type, f) => listeners.push(f),
          release: async () => { window.testLocks.held--; listeners.forEach((f) => f()); } };
      };
      Object.defineProperty(navigator, "wakeLock", { value: { request: async () => {
        window.testLocks.asked++;
        window.testLocks.held++;
        return lock();
      } } });
      // The keys the page hands the game.
      window.testKeys = [];
      window.addEventListener("DOMContentLoaded", () => {
        const push = nadilkaPage.push.bind(nadilkaPage);
        nadilkaPage.push = (e) => {
          if (e[0] === 0 || e[0] === 1) window.testKeys.push(e[1]);
          push(e);
        };
      });
    });
    await t.load();
    await t.until(() => t.menuShown(), 15000, "no menu");

    // Plugged in now, after the page started.
    await t.page.evaluate(() => {
      window.testPad = { index: 0, id: "test pad", connected: true, mapping: "standard", timestamp: 0,
        axes: [0, 0, 0, 0], buttons: Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 })) };
      window.testPads[0] = window.testPad;
    });
    await t.click(centre("Image1"));
    await t.until(() => t.gameShown(), 15000, "no game after \"Nová hra\"");

    const locks = () => t.page.evaluate(() => window.testLocks);
    await t.until(async () => (await locks()).held === 1, 10000, "the screen is not kept on during play");
    t.check((await locks()).held === 1, "during play the screen is kept on");

    // The page hidden (another tab, the phone's screen off): the lock goes, and comes back.
    const hide = (hidden) => t.page.evaluate((hidden) => {
      Object.defineProperty(document, "hidden", { configurable: true, get: () => hidden });
      document.dispatchEvent(new Event("visibilitychange"));
    }, hidden);
    await hide(true);
    await t.until(async () => (await locks()).held === 0, 10000, "the lock stays with the page hidden");
    t.check((await locks()).held === 0, "with the page hidden the screen is let go");
    await hide(false);
    await t.until(async () => (await locks()).held === 1, 10000, "no lock when the page shows again");
    t.check((await locks()).held === 1, "and kept on again when the page shows");

    const dpad = await steer(t, () => button(t, DOWN, true), () => button(t, DOWN, false), +1);
    t.check(dpad.went, `the d-pad's down takes the team down: ${dpad.text}`);
    const up = await steer(t, () => button(t, UP, true), () => button(t, UP, false), -1);
    t.check(up.went, `the d-pad's up takes the team up: ${up.text}`);
    const pushed = await steer(t, () => stick(t, 0.9), () => stick(t, 0), +1);
    t.check(pushed.went, `the left stick pushed down takes the team down: ${pushed.text}`);

    // Start: the pause box; Start again closes it, and its release is no second pause.
    await button(t, START, true);
    await sleep(100);
    await button(t, START, false);
    await t.until(() => boxOpen(t), 15000, "no pause box after Start");
    t.check(await boxOpen(t), "Start opens the pause box");
    await sleep(300);
    await button(t, START, true);
    await sleep(100);
    await button(t, START, false);
    await t.until(async () => !(await boxOpen(t)), 15000, "Start did not close the pause box");
    const f = await t.frames();
    await t.until(async () => (await t.frames()) > f + 30, 15000, "no frames after the box");
    t.check(!(await boxOpen(t)) && (await t.frames()) > f + 30, "Start closes the box, and the game goes on without a second pause");

    // A drops a gift.
    await t.keep(COUNTERS());
    await button(t, A, true);
    await sleep(100);
    await button(t, A, false);
    await t.until(async () => (await t.same(COUNTERS())) < 1, 20000, "no gift fell after A");
    t.check((await t.same(COUNTERS())) < 1, "A drops a gift (the gift counters change)");

    await button(t, B, true);
    await sleep(100);
    await button(t, B, false);
    await t.until(() => t.menuShown(), 15000, "B did not return to the menu");
    t.check(await t.menuShown(), "B returns to the menu");
    await t.until(async () => (await locks()).held === 0, 10000, "the screen is still kept on in the menu");
    const l = await locks();
    t.check(l.held === 0, `in the menu the screen is let go (asked ${l.asked} times)`);

    // The keyboard alone: the fullscreen button takes Enter, then the frame has the focus again.
    await t.click(centre("Image1"));
    await t.until(() => t.gameShown(), 15000, "no game after \"Nová hra\"");
    await t.page.focus("#fullscreen");
    await t.page.evaluate(() => (window.testKeys = []));
    await t.page.keyboard.press("Enter");
    await t.until(() => t.page.evaluate(() => !!document.fullscreenElement), 5000, "Enter on the button: no fullscreen");
    t.check(await t.page.evaluate(() => !!document.fullscreenElement), "Enter on the fullscreen button: the game fills the screen");
    t.check((await t.page.evaluate(() => window.testKeys.length)) === 0, "and the Enter key is not the game's");
    t.check(await t.page.evaluate(() => document.activeElement === nadilkaPage.canvas), "and the frame has the focus again");
    await t.keep(COUNTERS());
    await t.page.keyboard.press("Space");
    await t.until(async () => (await t.same(COUNTERS())) < 1, 20000, "Space after the button dropped no gift");
    t.check((await t.same(COUNTERS())) < 1, "Space then drops a gift");
    await t.shot("fullscreen");
    // Left as the browser's Escape leaves it; then Space on the button.
    await t.page.evaluate(() => document.exitFullscreen());
    await t.until(() => t.page.evaluate(() => !document.fullscreenElement), 5000, "fullscreen not left");
    await t.page.focus("#fullscreen");
    await t.page.evaluate(() => (window.testKeys = []));
    await t.page.keyboard.press("Space");
    await t.until(() => t.page.evaluate(() => !!document.fullscreenElement), 5000, "Space on the button: no fullscreen");
    t.check(await t.page.evaluate(() => !!document.fullscreenElement), "Space on the fullscreen button: the game fills the screen");
    t.check(await t.page.evaluate(() => document.activeElement === nadilkaPage.canvas), "and the frame has the focus again");
    t.check((await t.page.evaluate(() => window.testKeys.length)) === 0, "and the Space key is not the game's");
  } catch (e) {
    t.check(false, "unexpected: " + (e.stack || e));
  }
  await t.close();
})();
