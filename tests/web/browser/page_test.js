// The page around the game: a clear message where the browser has no WebAssembly or no storage
// (the game then runs without keeping its table), a tap on the touch screen is a click, and
// after a first visit the game plays with the server gone (the service worker's cache).
"use strict";
const { Test, sleep, centre } = require("./lib.js");

// A page of its own (a fresh profile: no cache, no service worker) with `setup` run before the
// page's own scripts.
async function freshPage(t, setup, viewport = { width: 800, height: 600 }) {
  const context = await t.browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport(viewport);
  page.on("pageerror", (e) => {
    t.errors.push(e.message);
    t.log("page error: " + e.message);
  });
  if (setup) await page.evaluateOnNewDocument(setup);
  t.page = page;
  return context;
}

const notice = (t) => t.page.evaluate(() => {
  const n = document.getElementById("notice");
  return n.hidden || n.getBoundingClientRect().height === 0 ? "" : n.textContent;
});

(async () => {
  const t = new Test("page");
  try {
    await t.open(false);

    // No WebAssembly: the page says so and does not pretend to load.
    let context = await freshPage(t, () => delete window.WebAssembly);
    await t.page.goto(t.url, { waitUntil: "load" });
    await t.until(async () => (await notice(t)) !== "", 15000, "no message without WebAssembly");
    t.check(/WebAssembly/.test(await notice(t)), `without WebAssembly the page says so: "${await notice(t)}"`);
    t.check(await t.page.evaluate(() => getComputedStyle(document.getElementById("loading")).display === "none" ||
      document.getElementById("loading").hidden), "and no longer says it is loading");
    await t.shot("no-webassembly");
    await context.close();

    // No storage: the page says the table is kept only while it is open, and the game runs.
    context = await freshPage(t, () => Object.defineProperty(window, "indexedDB", { get: () => undefined }));
    await t.page.goto(t.url, { waitUntil: "load" });
    await t.page.waitForFunction("nadilkaPage.frames > 0", { timeout: 30000 });
    t.check(/ukládat/.test(await notice(t)), `without storage the page says so: "${await notice(t)}"`);
    await t.until(() => t.menuShown(), 15000, "no menu without storage");
    t.check(await t.menuShown(), "without storage the game still shows its menu");
    // The message covers the top of the frame (the points and the clock in a game): a click
    // takes it away.
    await t.page.click("#notice");
    t.check((await notice(t)) === "", "a click takes the message away");
    await t.shot("no-storage");
    await context.close();

    // A tap on "Nová hra" on a touch screen starts a game, and the page stays where it is.
    context = await freshPage(t, null, { width: 800, height: 600, hasTouch: true, isMobile: true });
    await t.page.goto(t.url, { waitUntil: "load" });
    await t.page.waitForFunction("nadilkaPage.frames > 0", { timeout: 30000 });
    await t.until(() => t.menuShown(), 15000, "no menu on the touch screen");
    const r = await t.page.evaluate(() => {
      const b = nadilkaPage.canvas.getBoundingClientRect();
      return [b.left, b.top, b.width / 642, b.height / 482];
    });
    const [x, y] = centre("Image1");
    await t.page.touchscreen.tap(r[0] + (x + 0.5) * r[2], r[1] + (y + 0.5) * r[3]);
    await t.until(() => t.gameShown(), 15000, "a tap on \"Nová hra\" started no game");
    t.check(await t.gameShown(), "a tap on \"Nová hra\" starts a game");
    t.check(await t.page.evaluate(() => window.scrollX === 0 && window.scrollY === 0), "the tap does not move the page");
    await context.close();

    // Offline after a first visit: once the service worker has kept the site, the game loads and
    // plays with the server gone.
    context = await freshPage(t);
    await t.page.goto(t.url, { waitUntil: "load" });
    await t.page.waitForFunction("nadilkaPage.frames > 0", { timeout: 30000 });
    const kept = await t.page.waitForFunction(async () => {
      const registration = await navigator.serviceWorker.getRegistration();
      return registration && registration.active && (await (await caches.open("nadilka")).match("nadilka.data")) !== undefined;
    }, { timeout: 60000, polling: 500 }).then(() => true, () => false);
    t.check(kept, "the service worker keeps the site after the first visit");
    t.server.goAway();
    await t.page.reload({ waitUntil: "load" });
    // (The menu's picture to compare with would come from the server: the game is judged by
    // its frames and by the play field a click brings.)
    const loaded = await t.page.waitForFunction("nadilkaPage.frames > 0", { timeout: 30000 }).then(() => true, () => false);
    t.check(loaded, "with the server gone the page loads the game");
    await sleep(500);
    await t.click(centre("Image1"));
    await t.until(() => t.gameShown(), 15000, "no game offline");
    t.check(await t.gameShown(), "and a game starts");
    await t.shot("offline");
    await context.close();
  } catch (e) {
    t.check(false, "unexpected: " + (e.stack || e));
  }
  await t.close();
})();
