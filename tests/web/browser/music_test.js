// The music in the page: silent until the first click or key, then the menu's piece sounds;
// the switch lets it go and brings it back where it was; a new game plays the game's piece from
// its beginning. What sounds is the rendered music: one play is exactly the MIDI file's length
// and ends without a pause (the joins have no gap), and the page asks for no synthesizer or
// soundfont.
"use strict";
const { Test, sleep, centre } = require("./lib.js");

const state = (t) => t.page.evaluate(() => nadilkaPage.music.state());
const sounding = async (t) => (await state(t)).sounding;

// The piece now playing, as the page holds one play of it: its length against the MIDI file's,
// and the loudness of its last and first 100 ms (a silent end would be a gap at every join).
const onePlay = (t) => t.page.evaluate(() => {
  const m = nadilkaPage.music;
  const b = m.plays.get(m.file.name + "@" + m.file.lengthMs);
  const rms = (from, to) => {
    let sum = 0, n = 0;
    for (let c = 0; c < b.numberOfChannels; ++c) {
      const d = b.getChannelData(c).subarray(from, to);
      for (const x of d) sum += x * x;
      n += d.length;
    }
    return Math.sqrt(sum / n);
  };
  const tenth = Math.round(b.sampleRate / 10);
  return { seconds: b.duration, midiSeconds: m.file.lengthMs / 1000, head: rms(0, tenth), tail: rms(b.length - tenth, b.length) };
});

(async () => {
  const t = new Test("music");
  try {
    await t.open(false);
    const requests = [];
    t.page.on("request", (r) => requests.push(new URL(r.url()).pathname));
    await t.load();
    await t.until(() => t.menuShown(), 15000, "no menu");

    await sleep(1500);
    let s = await state(t);
    t.check(s.audio === "none" && !s.sounding, `no sound before the first click or key (${s.audio})`);

    // The first click (on the menu picture, off every control) starts the menu's piece.
    const clicked = Date.now();
    await t.click([40, 400]);
    await t.until(() => sounding(t), 20000, "no music after the first click");
    s = await state(t);
    t.check(s.sounding && /menu\.mid$/.test(s.file) && s.audio === "running", `the first click starts ${s.file}`);
    const heard = (await state(t)).playedMs;
    await sleep(1000);
    const later = (await state(t)).playedMs;
    t.check(later > heard && later <= Date.now() - clicked + 50,
      `its time runs from when it is heard: ${heard.toFixed(0)} -> ${later.toFixed(0)} ms, ${Date.now() - clicked} ms after the click`);

    const play = await onePlay(t);
    t.check(Math.abs(play.seconds - play.midiSeconds) < 0.001,
      `one play lasts the MIDI file's length: ${play.seconds.toFixed(4)} s against ${play.midiSeconds.toFixed(4)} s`);
    t.check(play.tail > 0.003 && play.head > 0.003,
      `a play sounds to its end and from its start (RMS ${play.tail.toFixed(4)}, ${play.head.toFixed(4)}): no gap at the joins`);

    // The switch lets the music go, its time stands; pressed again, the music goes on from there.
    await t.click(centre("Label12"));
    await t.until(async () => (await state(t)).paused, 20000, "the switch did not pause the music");
    await sleep(300);
    const at = (await state(t)).playedMs;
    await sleep(1000);
    s = await state(t);
    t.check(s.paused && !s.sounding && s.audio !== "running" && Math.abs(s.playedMs - at) < 1,
      `switched off: silent, the audio device let go (${s.audio}), its time stands (${at.toFixed(0)} -> ${s.playedMs.toFixed(0)} ms)`);
    const switchedOn = Date.now();
    await t.click(centre("Label12"));
    await t.until(() => sounding(t), 20000, "the switch did not bring the music back");
    await sleep(500);
    s = await state(t);
    t.check(s.sounding && s.playedMs > at && s.playedMs <= at + Date.now() - switchedOn + 50,
      `switched on: the piece goes on where it stood (${at.toFixed(0)} -> ${s.playedMs.toFixed(0)} ms)`);

    // A new game: the game's piece from its beginning.
    const started = Date.now();
    await t.click(centre("Image1"));
    await t.until(async () => /game\.mid$/.test((await state(t)).file) && (await sounding(t)), 20000,
      "no game music after \"Nová hra\"");
    s = await state(t);
    t.check(/game\.mid$/.test(s.file) && s.sounding && s.playedMs <= Date.now() - started + 50,
      `"Nová hra" plays ${s.file} from its beginning (${s.playedMs.toFixed(0)} ms)`);

    // Ten plays and no more (a piece made 0.3 s long to see them end): then the device is let
    // go; the switch, off and on, starts the piece again.
    await t.page.evaluate(() => nadilkaPage.music.select(new Uint8Array(1), 300, "/game/menu.mid"));
    await t.until(() => sounding(t), 20000, "the short piece did not start");
    await t.until(async () => !(await sounding(t)), 30000, "ten plays of 0.3 s went on for 30 s");
    s = await state(t);
    t.check(!s.sounding && s.playedMs === 3000 && s.audio !== "running",
      `after ten plays the music stops (${s.playedMs.toFixed(0)} ms played), the device let go (${s.audio})`);
    const again = Date.now();
    await t.click(centre("Label11"));
    await t.click(centre("Label11"));
    await t.until(() => sounding(t), 20000, "the switch did not start the piece again");
    s = await state(t);
    t.check(s.sounding && s.playedMs < 3000 && s.playedMs <= Date.now() - again + 50, `the switch starts it again from its beginning (${s.playedMs.toFixed(0)} ms)`);

    t.check(requests.includes("/music/menu.mp3") && requests.includes("/music/game.mp3"), "the page fetched both pieces");
    const synth = requests.filter((p) => /synth|fluid|\.sf2|\.sf3|soundfont/i.test(p));
    t.check(synth.length === 0, `no request for a synthesizer or soundfont (${synth.join(", ") || "none"})`);

    // A key is a first gesture too.
    const context = await t.browser.createBrowserContext();
    t.page = await context.newPage();
    await t.load();
    await t.until(() => t.menuShown(), 15000, "no menu in the second page");
    t.check((await state(t)).audio === "none", "a fresh page is silent");
    await t.page.keyboard.press("KeyA");
    await t.until(() => sounding(t), 20000, "no music after the first key");
    t.check(await sounding(t), "the first key starts the music");
    await context.close();
  } catch (e) {
    t.check(false, "the test ran to its end: " + e.stack);
  }
  await t.close();
})();
