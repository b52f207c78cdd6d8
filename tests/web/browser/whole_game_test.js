// A whole game in the browser (130 s): it ends with the name box, the name typed (Czech letters
// included) goes into the table, and the table is still there after a reload (the browser's
// storage). A reload in the middle of a game is survived too.
"use strict";
const { Test, sleep, centre, rect } = require("./lib.js");

const GAME_SECONDS = 130;
// The seventh row so low that a game without a gift qualifies for the name box.
const SCORES = [["Žofie", 5000], ["Sněhulák", 3000], ["Mikuláš", 1500], ["Anděl", 0], ["Čert", -200],
  ["Vločka", -400], ["Poslední", -1000000]];
const NAME = "Ježíšek Řehoř";

// The table as the game keeps it, in IndexedDB where the page mounts its storage: written
// before the game loads it, read back after a reload.
async function writeTable(t, text) {
  await t.page.evaluate(async (text) => {
    const cp1250 = { "Ž": 0x8e, "ě": 0xec, "á": 0xe1, "š": 0x9a, "Č": 0xc8, "č": 0xe8, "í": 0xed, "ž": 0x9e, "Ř": 0xd8, "ř": 0xf8 };
    const bytes = Uint8Array.from([...text].map((ch) => cp1250[ch] || ch.charCodeAt(0)));
    const db = await new Promise((resolve, reject) => {
      const open = indexedDB.open("/storage", 21);
      open.onupgradeneeded = () => open.result.createObjectStore("FILE_DATA").createIndex("timestamp", "timestamp");
      open.onsuccess = () => resolve(open.result);
      open.onerror = () => reject(open.error);
    });
    const store = db.transaction("FILE_DATA", "readwrite").objectStore("FILE_DATA");
    store.put({ timestamp: new Date(), mode: 0o40755 }, "/storage/nadilka");
    store.put({ timestamp: new Date(), mode: 0o100644, contents: bytes }, "/storage/nadilka/extract.ext");
    await new Promise((resolve) => (store.transaction.oncomplete = resolve));
    db.close();
  }, text);
}

async function readTable(t) {
  return t.page.evaluate(async () => {
    const db = await new Promise((resolve, reject) => {
      const open = indexedDB.open("/storage", 21);
      open.onsuccess = () => resolve(open.result);
      open.onerror = () => reject(open.error);
    });
    const get = db.transaction("FILE_DATA").objectStore("FILE_DATA").get("/storage/nadilka/extract.ext");
    const entry = await new Promise((resolve) => (get.onsuccess = () => resolve(get.result)));
    db.close();
    return entry ? new TextDecoder("windows-1250").decode(entry.contents) : null;
  });
}

(async () => {
  const t = new Test("whole-game");
  try {
    await t.open();
    // A reload in the middle of a game: the page comes back to the menu and plays again.
    await t.click(centre("Image1"));
    await t.until(() => t.gameShown(), 15000, "the play field did not show after \"Nová hra\"");
    await sleep(1500);
    await t.load(true);
    await t.until(() => t.menuShown(), 15000, "no menu after a reload in the middle of a game");
    t.check(await t.menuShown(), "a reload in the middle of a game brings the menu back");

    await writeTable(t, SCORES.map(([n, p]) => `"${n}","${p}"\r\n`).join(""));
    await t.load(true);
    await t.click(centre("Image1"));
    await t.until(() => t.gameShown(), 15000, "the play field did not show after \"Nová hra\"");
    t.check(await t.gameShown(), "a game starts after the reload");
    // The name box's white field over the high-score panel.
    const nameBox = async () => (await t.bright(rect("Text1"))) > 100;
    t.log(`a whole game: ${GAME_SECONDS} s`);
    await t.until(nameBox, (GAME_SECONDS + 60) * 1000, "the name box did not show at the end of the game", 1000);
    t.check(await nameBox(), "the game ends with the name box");
    await t.shot("name-box");

    await t.click(centre("Text1"));
    for (let i = 0; i < 25; i++) await t.page.keyboard.press("Backspace");
    await t.page.keyboard.type(NAME);
    await sleep(300);
    await t.click(centre("command1"));
    // Stored in the background after the save; a starved machine may take a while.
    await t.until(async () => ((await readTable(t)) || "").includes(NAME), 15000, "the name never reached the browser's storage");
    await t.shot("table");
    await t.load(true);
    const table = await readTable(t);
    // A game without a gift scores 0: above the equal row, and the last row drops out.
    t.check(table !== null && table.includes(`"Mikuláš","1500"\r\n"${NAME}","0"\r\n"Anděl","0"\r\n`) &&
      !table.includes("Poslední"), `the name is in the stored table: ${JSON.stringify(table)}`);
    t.check(table !== null && table.split("\r\n").length === 8, "the stored table has its seven rows");
    // The game reads it back: the high-score panel shows the same rows as right after the save.
    await t.click(centre("Image5"));
    await sleep(500);
    await t.shot("table-after-reload");
  } catch (e) {
    t.check(false, "unexpected: " + (e.stack || e));
  }
  await t.close();
})();
