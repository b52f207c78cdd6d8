// Measures the browser version in headless chromium against a local server (see bench/web):
// frame pacing during play at the default loopBrake (20 ms: a frame every 21 ms), the time from
// navigation to the first menu frame, the bytes the page transfers by file up to the first
// click (the music's files come after it), and the main thread's busy share during play from
// Chromium's own metrics (TaskDuration), and the CPU the browser's processes take meanwhile.
//   node bench/web.js SITE_DIR NODE_MODULES LAYOUT_JSON [SECONDS]
// BENCH_CHROMIUM_ARGS adds flags to chromium's command line (to try one).
"use strict";
const fs = require("fs");
const http = require("http");
const path = require("path");

const [siteDir, nodeModules, layoutFile, seconds = "20"] = process.argv.slice(2);
const puppeteer = require(path.resolve(nodeModules, "puppeteer-core"));
const controls = JSON.parse(fs.readFileSync(layoutFile, "utf8")).controls;
const TYPES = { ".html": "text/html; charset=utf-8", ".js": "text/javascript", ".wasm": "application/wasm" };

const quantile = (sorted, q) => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];

// CPU seconds (user + system) the browser's processes have spent so far: the browser and every
// process under it (renderer, GPU, utility), read from /proc.
function browserCpuSeconds(rootPid) {
  const parent = new Map(), ticks = new Map();
  for (const pid of fs.readdirSync("/proc").filter((d) => /^\d+$/.test(d))) {
    let stat;
    try { stat = fs.readFileSync(`/proc/${pid}/stat`, "utf8"); } catch { continue; }
    const f = stat.slice(stat.lastIndexOf(")") + 2).split(" ");
    parent.set(Number(pid), Number(f[1]));
    ticks.set(Number(pid), Number(f[11]) + Number(f[12]));
  }
  const under = (pid) => { for (; pid > 1; pid = parent.get(pid) || 0) if (pid === rootPid) return true; return false; };
  let total = 0;
  for (const [pid, t] of ticks) if (under(pid)) total += t;
  return total / 100; // USER_HZ
}

(async () => {
  const server = http.createServer((req, res) => {
    const url = decodeURIComponent(new URL(req.url, "http://x").pathname);
    const file = path.join(siteDir, url.endsWith("/") ? url + "index.html" : url);
    fs.readFile(file, (err, data) => {
      if (err) return res.writeHead(404), res.end();
      res.writeHead(200, { "Content-Type": TYPES[path.extname(file)] || "application/octet-stream" });
      res.end(data);
    });
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  const browser = await puppeteer.launch({ executablePath: "/usr/bin/chromium", headless: true,
    args: ["--no-sandbox", "--autoplay-policy=no-user-gesture-required",
      ...(process.env.BENCH_CHROMIUM_ARGS || "").split(" ").filter(Boolean)] });
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  // Every present's time, as the page sees it.
  await page.evaluateOnNewDocument(() => {
    window.benchPresents = [];
    const watch = setInterval(() => {
      if (!window.nadilkaPage) return;
      clearInterval(watch);
      const present = nadilkaPage.present;
      // How late the frame wait's sleeps end: the tail of the pacing.
      window.benchLate = [];
      const sleep = nadilkaPage.sleep;
      nadilkaPage.sleep = function (ms) {
        const from = performance.now();
        return sleep.call(this, ms).then(() => { window.benchLate.push(performance.now() - from - ms); });
      };
      nadilkaPage.present = function (...args) {
        window.benchPresents.push(performance.now());
        return present.apply(this, args);
      };
    }, 0);
  });
  await page.goto(`http://127.0.0.1:${server.address().port}/`, { waitUntil: "load" });
  await page.waitForFunction("nadilkaPage.frames > 0", { timeout: 20000 });
  const firstFrame = await page.evaluate(() => performance.getEntriesByName("nadilka-first-frame")[0].startTime);
  const files = await page.evaluate(() => performance.getEntriesByType("resource").concat(performance.getEntriesByType("navigation"))
    .map((e) => [e.name.replace(location.origin + "/", "") || "index.html", e.transferSize, e.encodedBodySize]));

  const b = await page.evaluate(() => { const r = nadilkaPage.canvas.getBoundingClientRect(); return [r.left, r.top, r.width / 642]; });
  const [cx, cy] = controls.Image1.centre;
  await page.mouse.click(b[0] + (cx + 0.5) * b[2], b[1] + (cy + 0.5) * b[2]);
  await new Promise((r) => setTimeout(r, 2000)); // the game's first frames, the music's start
  const cdp = await page.target().createCDPSession();
  await cdp.send("Performance.enable");
  const metric = async () => Object.fromEntries((await cdp.send("Performance.getMetrics")).metrics.map((m) => [m.name, m.value]));
  const before = await metric();
  const cpuBefore = browserCpuSeconds(browser.process().pid);
  const from = await page.evaluate(() => window.benchPresents.length);
  const lateFrom = await page.evaluate(() => window.benchLate.length);
  await new Promise((r) => setTimeout(r, Number(seconds) * 1000));
  const after = await metric();
  const cpu = browserCpuSeconds(browser.process().pid) - cpuBefore;
  const times = await page.evaluate((from) => window.benchPresents.slice(from), from);
  const late = (await page.evaluate((from) => window.benchLate.slice(from), lateFrom)).sort((x, y) => x - y);
  const gaps = times.slice(1).map((t, i) => t - times[i]).sort((x, y) => x - y);
  const busy = (after.TaskDuration - before.TaskDuration) / (after.Timestamp - before.Timestamp);

  console.log(`frames: ${gaps.length + 1} in ${seconds} s of play`);
  console.log(`frame interval ms: median ${quantile(gaps, 0.5).toFixed(2)}, p90 ${quantile(gaps, 0.9).toFixed(2)}, ` +
    `p99 ${quantile(gaps, 0.99).toFixed(2)}, max ${gaps[gaps.length - 1].toFixed(2)}, min ${gaps[0].toFixed(2)}`);
  console.log(`frame wait's sleeps ending late, ms: median ${quantile(late, 0.5).toFixed(2)}, ` +
    `p90 ${quantile(late, 0.9).toFixed(2)}, p99 ${quantile(late, 0.99).toFixed(2)}, max ${late[late.length - 1].toFixed(2)}`);
  console.log(`navigation to the first menu frame: ${firstFrame.toFixed(0)} ms`);
  console.log(`main thread busy during play: ${(100 * busy).toFixed(1)} %`);
  console.log(`the browser's processes during play: ${(100 * cpu / (after.Timestamp - before.Timestamp)).toFixed(1)} % of one core`);
  console.log("bytes transferred before the first click, by file:");
  let total = 0;
  for (const [name, transfer, body] of files) {
    console.log(`  ${name.padEnd(28)} ${String(transfer).padStart(9)} (body ${body})`);
    total += transfer;
  }
  console.log(`  ${"total".padEnd(28)} ${String(total).padStart(9)}`);
  await browser.close();
  server.close();
})().catch((e) => { console.error(e); process.exit(1); });
