// The game on a phone and a tablet, by touch alone (chromium's touch emulation): the on-screen
// controls show, are large enough for a thumb and leave the frame alone; the frame fills the
// screen (portrait, landscape, tablet); a tap starts a game, a held "Dolů" takes the team down
// and "Nahoru" up, "Dárek" tapped by a second finger while a direction is held drops gifts and
// the direction keeps repeating, "Pauza" opens the pause box, "Nabídka" returns to the menu. On
// a desktop (a fine pointer) the frame keeps the whole-number scale and no control shows.
"use strict";
const { Test, sleep, centre, rect, follow, settle, steer } = require("./lib.js");

const LABELS = ["Nahoru", "Dolů", "Doleva", "Doprava", "Dárek", "Pauza", "Nabídka"];

// What each device's frame must take of the screen.
const DEVICES = [
  { name: "phone-portrait", viewport: { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true },
    frame: (f, v) => [f.width >= 0.95 * v.width, `${f.width.toFixed(0)} of ${v.width} px wide`], below: true },
  { name: "phone-landscape", viewport: { width: 844, height: 390, deviceScaleFactor: 3, isMobile: true, hasTouch: true, isLandscape: true },
    frame: (f, v) => [f.height >= 0.9 * v.height, `${f.height.toFixed(0)} of ${v.height} px high`], below: false },
  { name: "tablet", viewport: { width: 1024, height: 768, deviceScaleFactor: 2, isMobile: true, hasTouch: true, isLandscape: true },
    frame: (f, v) => [f.height >= 0.7 * v.height, `${f.height.toFixed(0)} of ${v.height} px high`] },
];
// A desktop monitor: the whole-number scale fitting the stage below the page's header.
const DESKTOPS = [{ width: 1366, height: 768, scale: 1 }, { width: 1920, height: 1080, scale: 2 }];

const overlap = (a, b) => a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;

// The gifts' counters (delivered, destroyed) as pixels: each gift that falls changes one.
const COUNTERS = () => {
  const [a, b] = [rect("Label3"), rect("Label4")];
  const x = Math.min(a[0], b[0]), y = Math.min(a[1], b[1]);
  return [x, y, Math.max(a[0] + a[2], b[0] + b[2]) - x, Math.max(a[1] + a[3], b[1] + b[3]) - y];
};

async function checkLayout(t, device, label) {
  const v = device.viewport;
  const frame = await t.box("#screen");
  const [big, text] = device.frame(frame, v);
  t.check(big, `${device.name} (${label}): the frame fills the screen: ${text}`);
  t.check(frame.x >= -0.5 && frame.y >= -0.5 && frame.x + frame.width <= v.width + 0.5 && frame.y + frame.height <= v.height + 0.5,
    `${device.name} (${label}): the frame lies on the screen`);
  for (const name of LABELS) {
    const b = await t.box(t.button(name));
    t.check(b.width >= 44 && b.height >= 44 && !overlap(b, frame) && b.x >= 0 && b.y >= 0 &&
      b.x + b.width <= v.width + 0.5 && b.y + b.height <= v.height + 0.5,
    `${device.name} (${label}): "${name}" is ${b.width.toFixed(0)} x ${b.height.toFixed(0)} px on the screen, off the frame`);
  }
  if (device.below !== undefined) {
    const pad = await t.box(t.button("Dolů"));
    const below = pad.y >= frame.y + frame.height - 0.5, beside = pad.x + pad.width <= frame.x + 0.5;
    t.check(device.below ? below : beside, `${device.name} (${label}): the controls are ${device.below ? "below" : "beside"} the frame`);
  }
  const fullscreen = await t.box("#fullscreen");
  t.check(fullscreen.width > 0 && !overlap(fullscreen, frame), `${device.name} (${label}): the fullscreen button shows, off the frame`);
  t.check(await t.page.evaluate(() => window.scrollX === 0 && window.scrollY === 0 &&
    document.documentElement.scrollHeight <= window.innerHeight + 1), `${device.name} (${label}): the page does not scroll`);
  // No zoom by taps or pinches, no pull to refresh, no selection or long-press menu on the game.
  const style = await t.page.evaluate(() => {
    const body = getComputedStyle(document.body), html = getComputedStyle(document.documentElement);
    return [body.touchAction, body.userSelect || body.webkitUserSelect, html.overscrollBehaviorY, body.webkitTouchCallout || "none"];
  });
  t.check(JSON.stringify(style) === JSON.stringify(["none", "none", "none", "none"]),
    `${device.name} (${label}): no zoom, pull to refresh, selection or long-press menu: ${style.join(", ")}`);
}

// A finger held on an on-screen button while the team is followed.
const hold = (t, id, label) => [() => t.finger(id, t.button(label)), () => t.finger(id, null)];

async function playByTouch(t, device) {
  await t.page.setViewport(device.viewport);
  await t.load();
  await t.until(() => t.menuShown(), 15000, `${device.name}: no menu`);
  t.check(await t.page.evaluate(() => document.body.classList.contains("touch")), `${device.name}: the on-screen controls show`);
  await checkLayout(t, device, "menu");
  await t.shot(`${device.name}-menu`);

  await t.tap(centre("Image1"));
  await t.until(() => t.gameShown(), 15000, `${device.name}: a tap on "Nová hra" started no game`);
  t.check(await t.gameShown(), `${device.name}: a tap on "Nová hra" starts a game`);
  await checkLayout(t, device, "play");

  const down = await steer(t, ...hold(t, 1, "Dolů"), +1);
  t.check(down.went, `${device.name}: a finger on "Dolů" takes the team down: ${down.text}`);
  const up = await steer(t, ...hold(t, 1, "Nahoru"), -1);
  t.check(up.went, `${device.name}: a finger on "Nahoru" takes the team up: ${up.text}`);

  // One finger holds "Dolů" past the keyboard's repeat delay; a second taps "Dárek" twice.
  await settle(t);
  await t.keep(COUNTERS());
  await t.finger(1, t.button("Dolů"));
  t.check(await t.page.evaluate(() => document.querySelector('button[aria-label="Dolů"]').classList.contains("pressed")),
    `${device.name}: a held button shows it is pressed`);
  await sleep(900);
  const repeats = async () => t.page.evaluate(() => nadilkaPage.testRepeats);
  const counts = [await repeats()];
  await t.finger(2, t.button("Dárek"));
  await sleep(100);
  await t.finger(2, null);
  await t.finger(2, t.button("Dárek"));
  await sleep(300);
  counts.push(await repeats());
  await t.shot(`${device.name}-play`);
  await t.finger(2, null);
  await sleep(300);
  counts.push(await repeats());
  const stillPressed = await t.page.evaluate(() => document.querySelector('button[aria-label="Dolů"]').classList.contains("pressed") &&
    !document.querySelector('button[aria-label="Dárek"]').classList.contains("pressed"));
  await t.finger(1, null);
  t.check(counts[1] > counts[0] && counts[2] > counts[1] && stillPressed, `${device.name}: "Dolů" keeps repeating while ` +
    `"Dárek" is tapped and after (repeated presses ${counts.join(" -> ")}), and it alone shows pressed`);
  await t.until(async () => (await t.same(COUNTERS())) < 1, 20000, `${device.name}: no gift fell after "Dárek"`);
  t.check((await t.same(COUNTERS())) < 1, `${device.name}: "Dárek" drops gifts (the gift counters change)`);

  await t.finger(1, t.button("Pauza"));
  await t.finger(1, null);
  await t.until(() => t.page.evaluate(() => document.getElementById("box").open), 15000, `${device.name}: no pause box after "Pauza"`);
  t.check(await t.page.evaluate(() => document.getElementById("box").open), `${device.name}: "Pauza" opens the pause box`);
  await t.shot(`${device.name}-pause`);
  const ok = await t.box("#box button");
  await t.page.touchscreen.tap(ok.x + ok.width / 2, ok.y + ok.height / 2);
  await t.until(() => t.page.evaluate(() => !document.getElementById("box").open), 15000, `${device.name}: a tap on OK did not close the box`);
  const f = await t.frames();
  await t.until(async () => (await t.frames()) > f + 10, 15000, `${device.name}: no frames after the box`);

  await t.finger(1, t.button("Nabídka"));
  await t.finger(1, null);
  await t.until(() => t.menuShown(), 15000, `${device.name}: "Nabídka" did not return to the menu`);
  t.check(await t.menuShown(), `${device.name}: "Nabídka" returns to the menu`);
}

(async () => {
  const t = new Test("touch");
  try {
    await t.open(false, DEVICES[0].viewport);
    // Counts the repeated presses the page sends, to see a held key repeat.
    await t.page.evaluateOnNewDocument(() => {
      window.addEventListener("DOMContentLoaded", () => {
        nadilkaPage.testRepeats = 0;
        const push = nadilkaPage.push.bind(nadilkaPage);
        nadilkaPage.push = (e) => {
          if (e[0] === 0 && e[4] === 1) nadilkaPage.testRepeats++;
          push(e);
        };
      });
    });
    for (const device of DEVICES) await playByTouch(t, device);

    // The phone turned: the layout follows at once, in the menu as in play.
    await t.page.setViewport(DEVICES[0].viewport);
    await t.load(true);
    await t.page.setViewport(DEVICES[1].viewport);
    await sleep(300);
    await checkLayout(t, DEVICES[1], "turned");
    await t.page.setViewport(DEVICES[0].viewport);
    await sleep(300);
    await checkLayout(t, DEVICES[0], "turned back");

    // A desktop: no controls, the frame at the largest whole number of pixels that fits.
    for (const d of DESKTOPS) {
      const context = await t.browser.createBrowserContext();
      const page = await context.newPage();
      const phone = t.page;
      t.page = page;
      await page.setViewport({ width: d.width, height: d.height });
      await t.load();
      const frame = await t.box("#screen");
      t.check(frame.width === 642 * d.scale && frame.height === 482 * d.scale,
        `${d.width} x ${d.height}: the frame is ${frame.width} x ${frame.height} (${d.scale} x 642 x 482)`);
      t.check(await page.evaluate(() => !document.body.classList.contains("touch") &&
        getComputedStyle(document.querySelector(".pad")).display === "none"), `${d.width} x ${d.height}: no on-screen controls`);
      await t.shot(`desktop-${d.width}-menu`);
      await t.click(centre("Image1"));
      await t.until(() => t.gameShown(), 15000, `${d.width} x ${d.height}: no game after "Nová hra"`);
      const inPlay = await t.box("#screen");
      t.check(inPlay.width === frame.width && inPlay.height === frame.height, `${d.width} x ${d.height}: the same frame in play`);
      await t.shot(`desktop-${d.width}-play`);
      t.page = phone;
      await context.close();
    }
  } catch (e) {
    t.check(false, "unexpected: " + (e.stack || e));
  }
  await t.close();
})();
