// The browser tests' shared part: a static server for the site (each test its own, on a free
// port), Debian's chromium headless through puppeteer-core, and helpers that look at the
// game's frame (the canvas's own 642 x 482 pixels) and click and type at the frame's own
// coordinates, the controls' places read from the layout the desktop build writes. A test of
// the shared tables has the site served by the desktop build's nadilka-server instead, with
// the API on a database of its own.
//   node TEST.js SITE_DIR PICTURES_DIR LAYOUT_JSON NODE_MODULES OUT_DIR [GAME_DIR]
// (GAME_DIR: the desktop build's run folder, with nadilka-server and nadilka-replay)
"use strict";

const child_process = require("child_process");
const fs = require("fs");
const http = require("http");
const os = require("os");
const path = require("path");

const [siteDir, picturesDir, layoutFile, nodeModules, outDir, gameDir] = process.argv.slice(2);
if (!outDir) {
  console.error("usage: node TEST.js SITE_DIR PICTURES_DIR LAYOUT_JSON NODE_MODULES OUT_DIR [GAME_DIR]");
  process.exit(2);
}
if (!fs.existsSync(path.join(siteDir, "index.html"))) {
  console.error(`no site in ${siteDir}: build it with scripts/web --build`);
  process.exit(1);
}
const puppeteer = require(path.resolve(nodeModules, "puppeteer-core"));
const controls = JSON.parse(fs.readFileSync(layoutFile, "utf8")).controls;
fs.mkdirSync(outDir, { recursive: true });

const TEAM_COLOURS = [[206, 28, 38], [150, 96, 52]]; // the sleigh (santa.bmp), the reindeer (sob*.bmp)
const STATUS_POINTS = [9, 1, 150, 23]; // "Bodů : N"
const TEAM_BAND = [1, 75, 640, 245]; // where the team flies, under the banner
const TYPES = {
  ".html": "text/html; charset=utf-8", ".js": "text/javascript", ".wasm": "application/wasm",
  ".png": "image/png", ".webmanifest": "application/manifest+json", ".json": "application/json",
};

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const centre = (name) => controls[name].centre;
const rect = (name) => controls[name].reach;

// The site at /, the desktop build's PNG pictures at /test-pictures/ (to compare the frame with).
function serve() {
  const server = http.createServer((req, res) => {
    const url = decodeURIComponent(new URL(req.url, "http://x").pathname);
    const file = url.startsWith("/test-pictures/")
      ? path.join(picturesDir, path.basename(url))
      : path.join(siteDir, url.endsWith("/") ? url + "index.html" : url);
    fs.readFile(file, (err, data) => {
      if (err) {
        res.writeHead(404);
        res.end();
        return;
      }
      // The pictures are fetched from the tables server's pages too, another origin.
      res.writeHead(200, { "Content-Type": TYPES[path.extname(file)] || "application/octet-stream",
        "Access-Control-Allow-Origin": "*" });
      res.end(data);
    });
  });
  // Its connections, so that the server can be taken away at once (offline play).
  const sockets = new Set();
  server.on("connection", (socket) => {
    sockets.add(socket);
    socket.on("close", () => sockets.delete(socket));
  });
  server.goAway = () => {
    server.close();
    for (const socket of sockets) socket.destroy();
  };
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

// nadilka-server on a free port (or `port`), with the site and an SQLite database in `folder`;
// resolves to the process once it listens, its address in `url`.
function startTablesServer(folder, port = 0) {
  if (!gameDir) throw new Error("a tables test needs GAME_DIR, the desktop build's run folder");
  const server = child_process.spawn(path.join(gameDir, "nadilka-server"), ["--listen", `127.0.0.1:${port}`,
    "--database", "sqlite:" + path.join(folder, "tables.sqlite"), "--site", siteDir, "--workers", "1"],
  { stdio: ["ignore", "pipe", "inherit"] });
  return new Promise((resolve, reject) => {
    let out = "";
    server.stdout.on("data", (chunk) => {
      out += chunk;
      const m = /listening on (http:\/\/[^/\s]+\/)/.exec(out);
      if (m && !server.url) {
        server.url = m[1];
        resolve(server);
      }
    });
    server.on("exit", (code) => reject(new Error(`nadilka-server ended (${code}) before it listened: ${out}`)));
  });
}

function stopTablesServer(server) {
  if (!server || server.exitCode !== null) return Promise.resolve();
  return new Promise((resolve) => {
    server.on("exit", resolve);
    server.kill("SIGTERM");
  });
}

class Test {
  constructor(name) {
    this.name = name;
    this.started = Date.now();
    this.failures = 0;
    this.errors = [];
    this.outDir = outDir;
  }

  log(text) { console.log(`[${((Date.now() - this.started) / 1000).toFixed(1)} s] ${text}`); }

  check(ok, text) {
    if (ok) {
      this.log("ok: " + text);
    } else {
      this.failures++;
      this.log("FAILED: " + text);
    }
    return ok;
  }

  // The server and the browser, and the page on the game (unless `load` is false), in a
  // viewport of puppeteer's kind (a phone: `isMobile`, `hasTouch`, `deviceScaleFactor`).
  // With `tables`, the page comes from nadilka-server (this.tables), the pictures from the
  // test's own server.
  async open(load = true, viewport = { width: 800, height: 600 }, tables = false) {
    this.server = await serve();
    this.url = `http://127.0.0.1:${this.server.address().port}/`;
    this.pictures = this.url;
    if (tables) {
      this.folder = fs.mkdtempSync(path.join(os.tmpdir(), "nadilka-tables-"));
      this.tables = await startTablesServer(this.folder);
      this.url = this.tables.url;
    }
    this.browser = await puppeteer.launch({
      executablePath: "/usr/bin/chromium", headless: true,
      args: ["--no-sandbox", "--autoplay-policy=no-user-gesture-required", "--window-size=800,640"],
    });
    this.page = await this.browser.newPage();
    await this.page.setViewport(viewport);
    this.fingers = new Map(); // the touch points on the screen, by id
    this.errors = [];
    this.page.on("pageerror", (e) => {
      this.errors.push(e.message);
      this.log("page error: " + e.message);
    });
    this.page.on("console", (m) => {
      if (m.text().includes("willReadFrequently")) return; // the tests' own reading of the canvas
      if (m.type() === "error" || m.type() === "warn" || m.type() === "warning") this.log(`console ${m.type()}: ${m.text()}`);
    });
    if (load) await this.load();
  }

  // Loads (or reloads) the page and waits for the menu's first frame.
  async load(reload = false) {
    if (reload) await this.page.reload({ waitUntil: "load" });
    else await this.page.goto(this.url, { waitUntil: "load" });
    await this.page.waitForFunction("nadilkaPage.frames > 0", { timeout: 20000 });
  }

  // The tables server goes away (the page's requests then fail as offline) and comes back on
  // the same port and database.
  async stopTables() { await stopTablesServer(this.tables); }
  async startTables() { this.tables = await startTablesServer(this.folder, new URL(this.url).port); }

  async close() {
    if (this.browser) await this.browser.close();
    if (this.server) this.server.close();
    await stopTablesServer(this.tables);
    if (this.folder) fs.rmSync(this.folder, { recursive: true, force: true });
    this.check(this.errors.length === 0, "no script errors in the page");
    console.log(this.failures ? `${this.name}: FAILED (${this.failures})` : `${this.name}: passed`);
    process.exit(this.failures ? 1 : 0);
  }

  // The frame's pixels (RGBA) of a region, straight from the canvas, kept in the page
  // (window.testShot) for the comparisons below: shipping them out is slow.
  async keep([x, y, w, h] = [0, 0, 642, 482]) {
    await this.page.evaluate((x, y, w, h) => {
      window.testShot = nadilkaPage.context.getImageData(x, y, w, h).data;
    }, x, y, w, h);
  }

  // The share of the region's pixels that are the same in the frame and in a picture of the
  // game (PNG from the desktop build) placed at `at`, or in the frame kept earlier by keep().
  async same(region, picture = null, at = [0, 0]) {
    return this.page.evaluate(async (region, picture, at, pictures) => {
      const [x, y, w, h] = region;
      let other = window.testShot;
      if (picture) {
        window.testPictures = window.testPictures || {};
        if (!window.testPictures[picture]) {
          // As stored: no colour management between the file and its pixels.
          const file = await (await fetch(`${pictures}test-pictures/${picture}.png`)).blob();
          const img = await createImageBitmap(file, { colorSpaceConversion: "none", premultiplyAlpha: "none" });
          const c = document.createElement("canvas");
          c.width = img.width;
          c.height = img.height;
          c.getContext("2d").drawImage(img, 0, 0);
          window.testPictures[picture] = c.getContext("2d", { willReadFrequently: true });
        }
        other = window.testPictures[picture].getImageData(x - at[0], y - at[1], w, h).data;
      }
      const a = nadilkaPage.context.getImageData(x, y, w, h).data;
      let n = 0;
      for (let i = 0; i < a.length; i += 4) if (a[i] === other[i] && a[i + 1] === other[i + 1] && a[i + 2] === other[i + 2]) n++;
      return n / (a.length / 4);
    }, region, picture, at, this.pictures);
  }

  // The frame shows the menu: nearly every pixel is the menu picture's (the music label aside).
  async menuShown() { return (await this.same([1, 1, 640, 480], "menu", [1, 1])) > 0.95; }

  // Pixels of one colour in a region of the frame.
  async count([x, y, w, h], [r, g, b]) {
    return this.page.evaluate((x, y, w, h, r, g, b) => {
      const p = nadilkaPage.context.getImageData(x, y, w, h).data;
      let n = 0;
      for (let i = 0; i < p.length; i += 4) if (p[i] === r && p[i + 1] === g && p[i + 2] === b) n++;
      return n;
    }, x, y, w, h, r, g, b);
  }

  // Pixels brighter than 200 in every channel in a region of the frame.
  async bright([x, y, w, h]) {
    return this.page.evaluate((x, y, w, h) => {
      const p = nadilkaPage.context.getImageData(x, y, w, h).data;
      let n = 0;
      for (let i = 0; i < p.length; i += 4) if (p[i] > 200 && p[i + 1] > 200 && p[i + 2] > 200) n++;
      return n;
    }, x, y, w, h);
  }

  // The play field shows: the red "Bodů" label at the top left.
  async gameShown() { return (await this.count(STATUS_POINTS, [255, 0, 0])) > 30; }

  // Mean row of the team's own pixels where it flies: the sleigh's red and the reindeer's brown,
  // colours no star, gift or snowflake has (the stars it sheds linger where it was).
  async teamY() {
    return this.page.evaluate(([x, top, w, h], colours) => {
      const p = nadilkaPage.context.getImageData(x, top, w, h).data;
      let total = 0, weight = 0;
      for (let i = 0; i < p.length; i += 4) {
        if (!colours.some(([r, g, b]) => p[i] === r && p[i + 1] === g && p[i + 2] === b)) continue;
        total++;
        weight += top + Math.floor(i / 4 / w);
      }
      return total ? weight / total : null;
    }, TEAM_BAND, TEAM_COLOURS);
  }

  async until(cond, timeoutMs, what, intervalMs = 100) {
    const end = Date.now() + timeoutMs;
    while (Date.now() < end) {
      if (await cond()) return true;
      await sleep(intervalMs);
    }
    return this.check(false, what);
  }

  // A click at the frame's own coordinates, wherever and however large the canvas is shown.
  async click([x, y]) {
    const r = await this.page.evaluate(() => {
      const b = nadilkaPage.canvas.getBoundingClientRect();
      return [b.left, b.top, b.width / 642, b.height / 482];
    });
    await this.page.mouse.click(r[0] + (x + 0.5) * r[2], r[1] + (y + 0.5) * r[3]);
  }

  // The frame's own coordinates as the page's (CSS pixels).
  async onPage([x, y]) {
    const r = await this.page.evaluate(() => {
      const b = nadilkaPage.canvas.getBoundingClientRect();
      return [b.left, b.top, b.width / 642, b.height / 482];
    });
    return [r[0] + (x + 0.5) * r[2], r[1] + (y + 0.5) * r[3]];
  }

  // A tap with a finger at the frame's own coordinates.
  async tap(at) {
    const [x, y] = await this.onPage(at);
    await this.page.touchscreen.tap(x, y);
  }

  // The middle of a page element (a CSS selector) and its box.
  async box(selector) {
    return this.page.$eval(selector, (e) => {
      const b = e.getBoundingClientRect();
      return { x: b.left, y: b.top, width: b.width, height: b.height };
    });
  }

  // Fingers on the touch screen, each on its own (several at once): `finger(id, selector)` puts
  // finger `id` on the middle of an element, `finger(id, null)` lifts it. Chromium makes the
  // pointer events of each, as a real screen reports them.
  async finger(id, selector) {
    const session = this.cdp || (this.cdp = await this.page.createCDPSession());
    if (selector) {
      const b = await this.box(selector);
      const type = this.fingers.has(id) ? "touchMove" : "touchStart";
      this.fingers.set(id, { x: b.x + b.width / 2, y: b.y + b.height / 2, id, radiusX: 8, radiusY: 8, force: 1 });
      await session.send("Input.dispatchTouchEvent", { type, touchPoints: [...this.fingers.values()] });
    } else {
      // Chromium lifts the points a touchEnd names (all of them where it names none).
      const point = this.fingers.get(id);
      if (!point) return;
      this.fingers.delete(id);
      await session.send("Input.dispatchTouchEvent", { type: "touchEnd", touchPoints: [point] });
    }
  }

  // A button of the page by its accessible name, as a screen reader finds it.
  button(label) { return `button[aria-label="${label}"]`; }

  async frames() { return this.page.evaluate(() => nadilkaPage.frames); }

  async shot(label) {
    const file = path.join(outDir, `${this.name}-${label}.png`);
    await this.page.screenshot({ path: file });
    this.log("screenshot " + file);
  }
}

// The team's height every few frames (however long a starved machine takes to draw them) while
// `watch` gets each reading and says when to stop, or for at most `frames` frames.
async function follow(t, frames, watch) {
  const from = await t.frames();
  let read = from;
  for (const end = Date.now() + 60000; Date.now() < end;) {
    const now = await t.frames();
    if (now - read >= 4) {
      read = now;
      if (watch(await t.teamY())) break;
    }
    if (now - from >= frames) break;
    await sleep(20);
  }
  return read - from;
}

// Lets the team come to rest (it has inertia: the velocity changes by 0.1 pixel a frame).
async function settle(t) {
  let last = await t.teamY();
  await follow(t, 200, (y) => {
    const still = Math.abs(y - last) < 1;
    last = y;
    return still;
  });
}

// From rest, holds a key (`press`, then `release`; sign +1: the one that takes the team down
// the frame; a key of the keyboard, an on-screen button, a controller's input) until the team
// is more than 10 pixels that way, or for at most 80 frames. It must get there without first
// going the other way by more than 3 pixels (the team creeps up by itself, 0.05 pixel a frame
// on average).
async function steer(t, press, release, sign) {
  await settle(t);
  const start = await t.teamY();
  const heights = [start];
  let against = 0, along = 0;
  await press();
  const frames = await follow(t, 80, (y) => {
    heights.push(y);
    along = sign * (y - start);
    against = Math.max(against, -along);
    return along > 10;
  });
  await release();
  return { went: along > 10 && against <= 3, text: `${along.toFixed(1)} px that way after ${frames} frames, ` +
    `${against.toFixed(1)} px the other way first; heights ${heights.map((y) => (y === null ? "-" : y.toFixed(0))).join(" ")}` };
}

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

module.exports = { gameDir, Test, sleep, centre, rect, STATUS_POINTS, follow, settle, steer, writeTable, readTable };

