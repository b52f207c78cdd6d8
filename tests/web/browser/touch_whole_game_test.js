// A whole game on a phone by touch alone (130 s): a tap starts it, it ends with the name box, a
// tap on the box gives the hidden text field the focus in the tap itself (what makes a phone
// open its keyboard), and the name is typed as phone keyboards send it: Backspace as a key
// event with an empty `code` and as an input event alone, letters (Czech ones) as text of an
// input method, Enter as a key event with an empty `code`, which confirms the name. The table
// keeps it after a reload.
"use strict";
const { Test, sleep, centre, rect, writeTable, readTable } = require("./lib.js");

const GAME_SECONDS = 130;
const PHONE = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };
// The seventh row so low that a game without a gift qualifies for the name box.
const SCORES = [["Žofie", 5000], ["Sněhulák", 3000], ["Mikuláš", 1500], ["Anděl", 0], ["Čert", -200],
  ["Vločka", -400], ["Poslední", -1000000]];
const NAME = "Štěpán Čížek";

(async () => {
  const t = new Test("touch-whole-game");
  try {
    await t.open(true, PHONE);
    await writeTable(t, SCORES.map(([n, p]) => `"${n}","${p}"\r\n`).join(""));
    await t.load(true);
    await t.until(() => t.menuShown(), 15000, "no menu");
    await t.tap(centre("Image1"));
    await t.until(() => t.gameShown(), 15000, "a tap on \"Nová hra\" started no game");
    t.check(await t.gameShown(), "a tap on \"Nová hra\" starts a game");
    const nameBox = async () => (await t.bright(rect("Text1"))) > 100;
    t.log(`a whole game: ${GAME_SECONDS} s`);
    await t.until(nameBox, (GAME_SECONDS + 60) * 1000, "the name box did not show at the end of the game", 1000);
    t.check(await nameBox(), "the game ends with the name box");

    // The tap near the box's right end puts the caret after "BRIMEL". The field must have the
    // focus when the tap's own events are done, not a frame later.
    const [x, y, w, h] = rect("Text1");
    const focused = t.page.evaluate(() => new Promise((resolve) => {
      nadilkaPage.canvas.addEventListener("touchend", () => resolve(document.activeElement === nadilkaPage.typing), { once: true });
      setTimeout(() => resolve(false), 20000);
    }));
    const cdp = await t.page.createCDPSession();
    const [px, py] = await t.onPage([x + w - 4, y + h / 2]);
    await cdp.send("Input.dispatchTouchEvent", { type: "touchStart", touchPoints: [{ x: px, y: py }] });
    await cdp.send("Input.dispatchTouchEvent", { type: "touchEnd", touchPoints: [] });
    t.check(await focused, "a tap on the name box gives the text field the focus in the tap itself (the phone's keyboard opens)");
    await sleep(300);

    const key = async (k, code) => {
      for (const type of ["rawKeyDown", "keyUp"])
        await cdp.send("Input.dispatchKeyEvent", { type, key: k, code: "", windowsVirtualKeyCode: code, nativeVirtualKeyCode: code });
    };
    // Three Backspaces as key events without a place, three as the field's own deletions.
    for (let i = 0; i < 3; i++) await key("Backspace", 8);
    for (let i = 0; i < 5; i++) await t.page.evaluate(() => document.execCommand("delete"));
    await sleep(300);
    await t.shot("name-erased");
    for (const word of NAME.split(/(?= )/)) await cdp.send("Input.insertText", { text: word });
    await sleep(300);
    await t.shot("name-typed");
    await key("Enter", 13);
    await t.until(async () => ((await readTable(t)) || "").includes(NAME), 15000,
      "Enter from the phone's keyboard did not confirm the name");
    await t.shot("table");
    await t.load(true);
    const table = await readTable(t);
    t.check(table !== null && table.includes(`"Mikuláš","1500"\r\n"${NAME}","0"\r\n"Anděl","0"\r\n`) && !table.includes("BRIMEL") &&
      !table.includes("Poslední"), `the name typed by touch is in the stored table after a reload: ${JSON.stringify(table)}`);
  } catch (e) {
    t.check(false, "unexpected: " + (e.stack || e));
  }
  await t.close();
})();
