// A whole game in the browser (130 s): it ends with the name box, the name typed (Czech letters
// included) goes into the table, and the table is still there after a reload (the browser's
// storage). A reload in the middle of a game is survived too.
"use strict";
const { Test, sleep, centre, rect, writeTable, readTable } = require("./lib.js");

const GAME_SECONDS = 130;
// The seventh row so low that a game without a gift qualifies for the name box.
const SCORES = [["Žofie", 5000], ["Sněhulák", 3000], ["Mikuláš", 1500], ["Anděl", 0], ["Čert", -200],
  ["Vločka", -400], ["Poslední", -1000000]];
const NAME = "Ježíšek Řehoř";

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
