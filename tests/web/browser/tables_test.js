// The shared tables on the page, against a real nadilka-server with a database of its own: a
// table made through the page (its link, its key kept), games entered with tapes the desktop's
// replay wrote from two sessions, refused when the points are not the tape's, kept while the
// server is unreachable and sent when it is back (at load and on the `online` event), names
// with markup shown as text, /api/ never answered from the service worker's cache, and the
// layouts with a table shown: the frame still as large on a wide screen, the table under it on
// a phone. (A whole game entered from the browser's own tape: whole_game_test.js.)
"use strict";
const child_process = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");
const { gameDir, Test, sleep } = require("./lib.js");

const TITLE = "Vánoce u Nováků";
// Names at most 20 characters, as the server takes them; `i`, read by the handler, is a getter
// that tells whether any markup ran.
const MARKUP_NAMES = ["<b>Tučný</b>", "<img src onerror=i>"];
const PHONE = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };

// A tape of a scripted session (a game that runs to its end) and the points it ends with, as the
// desktop's replay tells them.
function sessionTape(session, folder) {
  const replay = path.join(gameDir, "nadilka-replay");
  const file = path.join(folder, session + ".tape");
  child_process.execFileSync(replay, [path.join(__dirname, "..", "..", "sessions", session + ".session"), "--tape-out", file],
    { stdio: ["ignore", "ignore", "inherit"] });
  const told = child_process.spawnSync(replay, ["--tape", file], { encoding: "utf8", stdio: ["ignore", "ignore", "pipe"] });
  const m = /with points (?:-?\d+, )*(-?\d+)\s*$/.exec(told.stderr.trim());
  if (told.status !== 0 || !m) throw new Error(`no points from the tape of ${session}: ${told.stderr}`);
  return { points: Number(m[1]), tape: fs.readFileSync(file).toString("base64") };
}

(async () => {
  const t = new Test("tables");
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "nadilka-tapes-"));
  try {
    const games = ["quiet-game", "name-entry"].map((s) => sessionTape(s, folder));
    t.check(games[0].tape !== games[1].tape, `two tapes of different games (points ${games.map((g) => g.points)})`);
    await t.open(false, { width: 1366, height: 768 }, true);
    await t.page.evaluateOnNewDocument(() => Object.defineProperty(window, "i", { get() { window.injected = 1; return 0; } }));
    await t.load();
    const wholeScale = await t.page.evaluate(() => nadilkaPage.canvas.getBoundingClientRect().width / 642);

    // A table made through the page.
    await t.page.click("#new-table");
    await t.page.type("#create-table input", TITLE);
    await t.page.keyboard.press("Enter");
    await t.page.waitForFunction(() => new URL(location.href).searchParams.get("table") && !document.querySelector("#tables .share").hidden,
      { timeout: 10000 });
    const made = await t.page.evaluate(() => ({
      id: new URL(location.href).searchParams.get("table"), link: document.querySelector("#tables .share a").href,
      title: document.querySelector("#tables h2").textContent, keys: JSON.parse(localStorage.getItem("nadilka.tableKeys")),
      focus: document.activeElement.tagName,
    }));
    t.check(made.link === `${t.url}?table=${made.id}` && made.title === TITLE && typeof made.keys[made.id] === "string" &&
      made.keys[made.id].length > 16, `the page made the table, shows its link and title, keeps its key: ${JSON.stringify(made)}`);
    t.check(made.focus !== "INPUT" && made.focus !== "BUTTON", `the game has its keys back after the form (${made.focus})`);
    const scale = await t.page.evaluate(() => nadilkaPage.canvas.getBoundingClientRect().width / 642);
    t.check(scale === wholeScale, `on a wide screen the table beside takes nothing from the frame (${scale}x, ${wholeScale}x)`);
    await t.shot("desktop");

    // Hands the page a game that ran to its end, as the program does, and enters it as `name`.
    const enter = async (game, name, points = game.points) => {
      await t.page.evaluate((points, tape) => {
        nadilkaPage.gameResult(points, "BRIMEL", Uint8Array.from(atob(tape), (c) => c.charCodeAt(0)));
        document.querySelector("#tables .message").textContent = "";
      }, points, game.tape);
      const offered = await t.page.evaluate(() => ({
        shown: !document.querySelector("#tables .offer").hidden, name: document.querySelector("#tables .offer input").value,
      }));
      t.check(offered.shown && offered.name === "BRIMEL", `the game is offered under the name last typed: ${JSON.stringify(offered)}`);
      await t.page.$eval("#tables .offer input", (e) => (e.value = ""));
      await t.page.type("#tables .offer input", name);
      await t.page.click("#tables .offer button[type=submit]");
      await t.page.waitForFunction(() => document.querySelector("#tables .message").textContent !== "", { timeout: 30000 });
      return t.page.$eval("#tables .message", (e) => e.textContent);
    };
    const waiting = () => t.page.evaluate(() => Object.keys(localStorage).filter((k) => k.startsWith("nadilka.pending.")).length);
    const rows = () => t.page.$$eval("#tables tbody tr", (trs) => trs.map((tr) => [...tr.children].map((td) => td.textContent)));

    const wrong = await enter(games[0], "Podvodník", games[0].points + 100);
    t.check(/^Server hru nepřijal: /.test(wrong) && (await waiting()) === 0 && (await rows()).length === 0,
      `points the tape does not end with are refused and not kept: "${wrong}"`);

    // The server gone: both results wait in the browser's storage, through a reload.
    await t.stopTables();
    for (const [i, name] of MARKUP_NAMES.entries()) {
      const said = await enter(games[i], name);
      t.check(/^Bez spojení/.test(said), `with the server unreachable the page says the result will be sent later: "${said}"`);
    }
    t.check((await waiting()) === 2, "both results wait in the browser's storage");
    await t.startTables();
    await t.load(true);
    await t.until(async () => (await rows()).length === 2, 30000, "the waiting results were not sent at load");
    const shown = await rows();
    const expected = MARKUP_NAMES.map((n, i) => [n, games[i].points]).sort((a, b) => b[1] - a[1]);
    t.check(JSON.stringify(shown.map((r) => [r[1], Number(r[2])])) === JSON.stringify(expected) && (await waiting()) === 0,
      `after a reload with the server back both are in the table, the names as text: ${JSON.stringify(shown)}`);
    const markup = await t.page.evaluate(() => ({
      elements: document.querySelectorAll("#tables tbody b, #tables tbody img").length, injected: window.injected,
    }));
    t.check(markup.elements === 0 && markup.injected === undefined, `no markup from names made it into the page: ${JSON.stringify(markup)}`);

    // Offline in the browser's own sense: kept, and sent on the `online` event (the same game
    // again: the server says it has it).
    await t.page.setOfflineMode(true);
    const offline = await enter(games[0], "Znovu");
    t.check(/^Bez spojení/.test(offline) && (await waiting()) === 1, `offline, the result waits: "${offline}"`);
    await t.page.evaluate(() => (document.querySelector("#tables .message").textContent = ""));
    await t.page.setOfflineMode(false);
    await t.until(async () => (await waiting()) === 0, 30000, "the waiting result was not sent when the page came online");
    const again = await t.page.$eval("#tables .message", (e) => e.textContent);
    t.check(again === "Tato hra už v tabulce je.", `back online, the same game entered twice is told so: "${again}"`);

    // With the service worker in charge, the table is the server's: a row removed there (with
    // the owner's key) is gone from the page, and the cache holds nothing of /api/.
    await t.until(() => t.page.evaluate(() => Promise.race([navigator.serviceWorker.ready.then(() => true), new Promise((r) => setTimeout(r, 1000, false))])),
      30000, "no service worker");
    await t.load(true);
    const controlled = await t.page.evaluate(() => !!navigator.serviceWorker.controller);
    t.check(controlled, "the service worker serves the reloaded page");
    await t.until(async () => (await rows()).length === 2, 10000, "the table did not load under the service worker");
    const table = await (await fetch(`${t.url}api/tables/${made.id}`)).json();
    const gone = await fetch(`${t.url}api/tables/${made.id}/scores/${table.rows[0].row}`,
      { method: "DELETE", headers: { Authorization: `Bearer ${made.keys[made.id]}` } });
    t.check(gone.status === 204, `the owner's key removes a row (${gone.status})`);
    await t.page.evaluate(() => nadilkaTables.refresh());
    await t.until(async () => (await rows()).length === 1, 10000, "the page still shows the removed row");
    const cached = await t.page.evaluate(async () => (await (await caches.open("nadilka")).keys()).map((r) => r.url).filter((u) => u.includes("/api/")));
    t.check(cached.length === 0, `the service worker's cache holds nothing of the API: ${JSON.stringify(cached)}`);

    // A phone upright: the table under the controls, the frame as wide as the screen.
    await t.page.setViewport(PHONE);
    await t.load(true);
    await sleep(500);
    const phone = await t.page.evaluate(() => {
      const frame = nadilkaPage.canvas.getBoundingClientRect(), table = document.getElementById("tables").getBoundingClientRect();
      const pad = document.querySelector(".pad.directions").getBoundingClientRect();
      return { frame: frame.width, below: table.top >= pad.bottom - 1 && table.bottom <= innerHeight + 1, width: innerWidth };
    });
    t.check(phone.frame >= phone.width - 10 && phone.below, `on a phone the frame keeps the width and the table is under the controls: ${JSON.stringify(phone)}`);
    await t.shot("phone");
  } catch (e) {
    t.check(false, "unexpected: " + (e.stack || e));
  }
  fs.rmSync(folder, { recursive: true, force: true });
  await t.close();
})();
