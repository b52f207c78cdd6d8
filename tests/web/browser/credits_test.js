// The credits and licences as a player finds them: a link on the game's page opens them, they
// lead back to the game, and after a first visit they open with the server gone (the service
// worker keeps them with the game). Which files they must list is packaging/credits.py's check.
"use strict";
const { Test } = require("./lib.js");

// What the page shows of the credits: the parts' names, the licences' names, the licence texts.
const shown = (t) => t.page.evaluate(() => ({
  title: document.querySelector("h1") ? document.querySelector("h1").textContent : "",
  rows: [...document.querySelectorAll("table tr")].slice(1).map((r) => [...r.cells].map((c) => c.textContent)),
  texts: [...document.querySelectorAll("details pre")].map((p) => p.textContent),
  back: !!document.querySelector('a[href="./"]'),
}));

(async () => {
  const t = new Test("credits");
  try {
    await t.open();

    // The link is on the page beside the game, and visible.
    const link = await t.page.$('a[href="credits.html"]');
    t.check(link !== null, "the game's page links to the credits");
    const box = link && (await link.boundingBox());
    t.check(box && box.width > 20 && box.height > 8 && box.y < 600, `the link is visible: ${JSON.stringify(box)}`);
    await t.shot("page");
    await Promise.all([t.page.waitForNavigation({ waitUntil: "load" }), link.click()]);
    t.check(t.page.url() === t.url + "credits.html", `the link opens the credits: ${t.page.url()}`);

    const credits = await shown(t);
    t.check(/licence/i.test(credits.title), `the credits have their heading: "${credits.title}"`);
    const licences = credits.rows.map((r) => r[2]);
    // The parts that oblige most: the fonts, the soundfont, the game itself.
    for (const [part, licence] of [["Liberation", "OFL-1.1"], ["TimGM6mb", "GPL-2.0-only"], ["Nadílka", "MIT"]]) {
      const row = credits.rows.find((r) => r[0].includes(part));
      t.check(row && row[2] === licence, `${part} is listed under ${licence}: ${JSON.stringify(row)}`);
    }
    t.check(licences.length >= 5, `every part has its row (${licences.length})`);
    t.check(credits.texts.some((x) => x.includes("GNU GENERAL PUBLIC LICENSE") && x.includes("Version 2, June 1991")),
      "the GPL-2's full text is there");
    t.check(credits.texts.some((x) => x.includes("SIL OPEN FONT LICENSE Version 1.1")), "the OFL's full text is there");
    const offer = await t.page.evaluate(() => document.body.textContent.includes("three years"));
    t.check(offer, "the written offer of the source is there");
    await t.shot("credits");

    // Back to the game.
    t.check(credits.back, "the credits lead back to the game");
    await Promise.all([t.page.waitForNavigation({ waitUntil: "load" }), t.page.click('a[href="./"]')]);
    const again = await t.page.waitForFunction("nadilkaPage.frames > 0", { timeout: 30000 }).then(() => true, () => false);
    t.check(again, "and the game runs again");

    // Offline: once the service worker has kept the site, the credits open without the server.
    const kept = await t.page.waitForFunction(async () => {
      const registration = await navigator.serviceWorker.getRegistration();
      return registration && registration.active && (await (await caches.open("nadilka")).match("credits.html")) !== undefined;
    }, { timeout: 60000, polling: 500 }).then(() => true, () => false);
    t.check(kept, "the service worker keeps the credits");
    t.server.goAway();
    await t.page.goto(t.url + "credits.html", { waitUntil: "load" }).catch((e) => t.log("offline: " + e.message));
    const offline = await shown(t);
    t.check(offline.rows.length === credits.rows.length && offline.texts.length === credits.texts.length,
      "with the server gone the credits open whole");
  } catch (e) {
    t.check(false, "unexpected: " + (e.stack || e));
  }
  await t.close();
})();
