// The browser tests' shared part: a static server for the site (each test its own, on a free
// port), Debian's chromium headless through puppeteer-core, and helpers that look at the
// game's frame (the canvas's own 642 x 482 pixels) and click and type at the frame's own
// coordinates, the controls' places read from the layout the desktop build writes.
//   node TEST.js SITE_DIR PICTURES_DIR LAYOUT_JSON NODE_MODULES OUT_DIR
"use strict";

const fs = require("fs");
const http = require("http");
const path = require("path");

const [siteDir, picturesDir, layoutFile, nodeModules, outDir] = process.argv.slice(2);
if (!outDir) {
  console.error("usage: node TEST.js SITE_DIR PICTURES_DIR LAYOUT_JSON NODE_MODULES OUT_DIR");
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
      res.writeHead(200, { "Content-Type": TYPES[path.extname(file)] || "application/octet-stream" });
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

class Test {
  constructor(name) {
    this.name = name;
    this.started = Date.now();
    this.failures = 0;
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

  // The server and the browser, and the page on the game (unless `load` is false).
  async open(load = true) {
    this.server = await serve();
    this.url = `http://127.0.0.1:${this.server.address().port}/`;
    this.browser = await puppeteer.launch({
      executablePath: "/usr/bin/chromium", headless: true,
      args: ["--no-sandbox", "--autoplay-policy=no-user-gesture-required", "--window-size=800,640"],
    });
    this.page = await this.browser.newPage();
    await this.page.setViewport({ width: 800, height: 600 });
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

  async close() {
    if (this.browser) await this.browser.close();
    if (this.server) this.server.close();
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
    return this.page.evaluate(async (region, picture, at) => {
      const [x, y, w, h] = region;
      let other = window.testShot;
      if (picture) {
        window.testPictures = window.testPictures || {};
        if (!window.testPictures[picture]) {
          // As stored: no colour management between the file and its pixels.
          const file = await (await fetch(`/test-pictures/${picture}.png`)).blob();
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
    }, region, picture, at);
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

  async frames() { return this.page.evaluate(() => nadilkaPage.frames); }

  async shot(label) {
    const file = path.join(outDir, `${this.name}-${label}.png`);
    await this.page.screenshot({ path: file });
    this.log("screenshot " + file);
  }
}

module.exports = { Test, sleep, centre, rect, STATUS_POINTS };
