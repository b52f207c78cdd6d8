// The menu in the browser: it appears as the desktop's, the information panel opens and
// closes, and the two logos open their web pages in new tabs.
"use strict";
const { Test, sleep, centre, rect } = require("./lib.js");


(async () => {
  const t = new Test("menu");
  try {
    await t.open();
    await t.until(() => t.menuShown(), 15000, "the menu did not appear");
    t.check(await t.menuShown(), "the menu appears as its picture");
    await t.shot("menu");

    // The information panel over the menu's lower part, and back.
    const info = rect("info");
    await t.click(centre("Image4"));
    const infoShown = async () => (await t.same(info, "info", info)) > 0.95;
    await t.until(infoShown, 15000, "the information panel did not open");
    t.check(await infoShown(), "the information panel opens");
    await t.click(centre("Image3"));
    await t.until(() => t.menuShown(), 15000, "the information panel did not close");
    t.check(await t.menuShown(), "the information panel closes");

    // Each logo opens its page in a new tab, the game staying where it is.
    for (const [logo, address] of [["Image7", "http://www.vorlanix.cz/"], ["Image8", "https://www.brimel-studio.cz/"]]) {
      const opened = t.browser.waitForTarget((target) => target.url() === address, { timeout: 15000 }).catch(() => null);
      await t.click(centre(logo));
      const target = await opened;
      t.check(target !== null, `${logo} opens ${address} in a new tab`);
      // noopener: the new tab cannot reach the game's window.
      if (target) t.check(target._getTargetInfo().canAccessOpener === false,
        `the new tab for ${address} has no access to the game's window`);
      await sleep(300);
    }
    t.check(await t.menuShown(), "the game stays on the menu after the links");
  } catch (e) {
    t.check(false, "unexpected: " + (e.stack || e));
  }
  await t.close();
})();
