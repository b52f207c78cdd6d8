// Measures the browser version in headless chromium against a local static server (see
// bench/web). Two visits, each in a fresh browser (no cache, no service worker):
//
//  - as it is: the time from navigation to the first menu frame; the bytes the server sends
//    before it, and all the bytes of the visit (the service worker's copy of the site, the
//    music, every other page of the site such as the credits); frame pacing during play at the
//    default loopBrake (20 ms: a frame every 21 ms), the main thread's busy share (Chromium's
//    TaskDuration) and the CPU the browser's processes take meanwhile, from 5 s after the music
//    started (the browser's optimizing compiler done with the program's hot code);
//  - a mid-range phone: the page's CPU slowed 4x (CDP Emulation.setCPUThrottlingRate) and its
//    network held to 10 Mbit/s (Network.emulateNetworkConditions): the first menu frame and the
//    pacing during play.
//
// Bytes are counted at the server, headers included, as a plain static server sends them: no
// compression, Last-Modified with each file and 304 to a request whose copy is still the same
// (what python3 -m http.server does).
// With RUNS above 1 both visits are made RUNS times, one after the other; the times, the pacing
// and the CPU shares are printed for each run and as the median of the runs (a busy moment of
// the machine shows in one run, not in the median). The bytes are the first run's.
//   node bench/web.js SITE_DIR NODE_MODULES LAYOUT_JSON [SECONDS] [RUNS]
// BENCH_CHROMIUM_ARGS adds flags to chromium's command line (to try one).
"use strict";
const fs = require("fs");
const http = require("http");
const path = require("path");

const [siteDir, nodeModules, layoutFile, seconds = "20", runsArg = "1"] = process.argv.slice(2);
const runs = Math.max(1, Number(runsArg) || 1);
const puppeteer = require(path.resolve(nodeModules, "puppeteer-core"));
const controls = JSON.parse(fs.readFileSync(layoutFile, "utf8")).controls;
const TYPES = {
  ".html": "text/html; charset=utf-8", ".js": "text/javascript", ".wasm": "application/wasm", ".png": "image/png",
  ".mp3": "audio/mpeg", ".webmanifest": "application/manifest+json", ".css": "text/css", ".txt": "text/plain; charset=utf-8",
};
const PHONE = { cpu: 4, bitsPerSecond: 10e6, latencyMs: 20 };
const SETTLE_MS = 5000;

const quantile = (sorted, q) => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// CPU seconds (user + system) the browser's processes have spent so far, by kind (browser,
// renderer, gpu-process, utility: the audio and network services): the browser and every process
// under it, read from /proc.
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
  const kinds = { total: 0 };
  for (const [pid, t] of ticks) {
    if (!under(pid)) continue;
    let kind = "browser";
    try {
      const cmd = fs.readFileSync(`/proc/${pid}/cmdline`, "utf8");
      const type = /--type=([a-z-]+)/.exec(cmd), service = /--utility-sub-type=([a-z_.]+)/.exec(cmd);
      if (type) kind = service ? service[1].replace(/\.mojom\..*$/, "") : type[1];
    } catch {}
    kinds[kind] = (kinds[kind] || 0) + t / 100; // USER_HZ
    kinds.total += t / 100;
  }
  return kinds;
}

// The site as a plain static server sends it; every response noted with its size (headers and
// body) and the wall time it was sent.
function serve() {
  const sent = [];
  const server = http.createServer((req, res) => {
    const url = decodeURIComponent(new URL(req.url, "http://x").pathname);
    const file = path.join(siteDir, url.endsWith("/") ? url + "index.html" : url);
    fs.stat(file, (err, st) => {
      const note = (status, body) => {
        const socket = res.socket;
        res.on("finish", () => {
          // The connection's bytes since its last response: this one's headers and body.
          sent.push({ url, status, bytes: socket.bytesWritten - socket.counted, at: Date.now() });
          socket.counted = socket.bytesWritten;
        });
        res.writeHead(status, status === 200 ? {
          "Content-Type": TYPES[path.extname(file)] || "application/octet-stream",
          "Content-Length": body.length, "Last-Modified": st.mtime.toUTCString(),
        } : {});
        res.end(body);
      };
      if (err || !st.isFile()) return note(404, Buffer.alloc(0));
      const since = Date.parse(req.headers["if-modified-since"] || "");
      if (since >= Math.floor(st.mtimeMs / 1000) * 1000) return note(304, Buffer.alloc(0));
      note(200, fs.readFileSync(file));
    });
  });
  server.on("connection", (socket) => { socket.counted = 0; });
  server.take = () => sent.splice(0); // what was sent since the last call
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

async function visit(server, { phone }) {
  const browser = await puppeteer.launch({ executablePath: "/usr/bin/chromium", headless: true,
    args: ["--no-sandbox", "--autoplay-policy=no-user-gesture-required",
      ...(process.env.BENCH_CHROMIUM_ARGS || "").split(" ").filter(Boolean)] });
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  const cdp = await page.target().createCDPSession();
  if (phone) {
    await cdp.send("Emulation.setCPUThrottlingRate", { rate: PHONE.cpu });
    await cdp.send("Network.enable");
    await cdp.send("Network.emulateNetworkConditions", { offline: false, latency: PHONE.latencyMs,
      downloadThroughput: PHONE.bitsPerSecond / 8, uploadThroughput: PHONE.bitsPerSecond / 8 });
  }
  // Every present's time, as the page sees it, and how late the frame wait's sleeps end.
  await page.evaluateOnNewDocument(() => {
    window.benchPresents = [];
    window.benchLate = [];
    const watch = setInterval(() => {
      if (!window.nadilkaPage) return;
      clearInterval(watch);
      const present = nadilkaPage.present, sleep = nadilkaPage.sleep;
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
  server.take();
  const url = `http://127.0.0.1:${server.address().port}/`;
  await page.goto(url, { waitUntil: "load" });
  await page.waitForFunction("nadilkaPage.frames > 0", { timeout: 60000 });
  const [firstFrame, firstFrameAt, origin] = await page.evaluate(() => {
    const t = performance.getEntriesByName("nadilka-first-frame")[0].startTime;
    return [t, performance.timeOrigin + t, performance.timeOrigin];
  });
  // What the first frame waited for: the page's files (each one's end as the page saw it) and
  // the program's start after the last of them.
  const loads = await page.evaluate(() => performance.getEntriesByType("resource")
    .map((e) => [e.name.replace(location.origin + "/", ""), e.responseEnd])
    .filter(([, end]) => end <= performance.getEntriesByName("nadilka-first-frame")[0].startTime));

  const b = await page.evaluate(() => { const r = nadilkaPage.canvas.getBoundingClientRect(); return [r.left, r.top, r.width / 642]; });
  const [cx, cy] = controls.Image1.centre;
  await page.mouse.click(b[0] + (cx + 0.5) * b[2], b[1] + (cy + 0.5) * b[2]);
  // Play as it goes on: the music playing, the program's hot code compiled by the browser's
  // optimizing tier (which runs in the first seconds).
  await page.waitForFunction(() => nadilkaPage.music.state().sounding, { timeout: 60000, polling: 100 })
    .catch(() => console.log("(no music)"));
  await sleep(SETTLE_MS);
  await cdp.send("Performance.enable");
  const metric = async () => Object.fromEntries((await cdp.send("Performance.getMetrics")).metrics.map((m) => [m.name, m.value]));
  const before = await metric();
  const cpuBefore = browserCpuSeconds(browser.process().pid);
  const from = await page.evaluate(() => window.benchPresents.length);
  const lateFrom = await page.evaluate(() => window.benchLate.length);
  await sleep(Number(seconds) * 1000);
  const after = await metric();
  const cpuAfter = browserCpuSeconds(browser.process().pid);
  const cpu = Object.fromEntries(Object.keys(cpuAfter).map((k) => [k, cpuAfter[k] - (cpuBefore[k] || 0)]));
  const music = await page.evaluate(() => nadilkaPage.music.state());
  const times = await page.evaluate((from) => window.benchPresents.slice(from), from);
  const late = (await page.evaluate((from) => window.benchLate.slice(from), lateFrom)).sort((x, y) => x - y);
  const gaps = times.slice(1).map((t, i) => t - times[i]).sort((x, y) => x - y);
  const window_ = after.Timestamp - before.Timestamp;

  // The rest of the first visit: the service worker's copy of the site, then every other page.
  await page.waitForFunction(async () => {
    const r = await navigator.serviceWorker.getRegistration();
    return r && r.active && r.active.state === "activated";
  }, { timeout: 120000, polling: 500 }).catch(() => console.log("(the service worker did not finish)"));
  const pages = fs.readdirSync(siteDir).filter((f) => f.endsWith(".html") && f !== "index.html");
  for (const other of pages) await page.goto(url + other, { waitUntil: "networkidle0" });
  await sleep(500);
  const sent = server.take();
  await browser.close();
  return { firstFrame, firstFrameAt, loads, sent, gaps, late, busy: (after.TaskDuration - before.TaskDuration) / window_,
    cpu: Object.fromEntries(Object.entries(cpu).map(([k, v]) => [k, v / window_])), music, pages };
}

function bytesBy(sent) {
  const by = new Map();
  for (const s of sent) by.set(s.url, (by.get(s.url) || 0) + s.bytes);
  return by;
}

const sum = (sent) => sent.reduce((n, s) => n + s.bytes, 0);

function pacing(label, r) {
  const g = r.gaps, l = r.late;
  console.log(`${label}frames: ${g.length + 1} in ${seconds} s of play`);
  console.log(`${label}frame interval ms: median ${quantile(g, 0.5).toFixed(2)}, p90 ${quantile(g, 0.9).toFixed(2)}, ` +
    `p99 ${quantile(g, 0.99).toFixed(2)}, max ${g[g.length - 1].toFixed(2)}, min ${g[0].toFixed(2)}`);
  console.log(`${label}frame wait's sleeps ending late, ms: median ${quantile(l, 0.5).toFixed(2)}, ` +
    `p90 ${quantile(l, 0.9).toFixed(2)}, p99 ${quantile(l, 0.99).toFixed(2)}, max ${l[l.length - 1].toFixed(2)}`);
  console.log(`${label}main thread busy during play: ${(100 * r.busy).toFixed(1)} %`);
  const kinds = Object.entries(r.cpu).filter(([k]) => k !== "total").sort((a, b) => b[1] - a[1]);
  console.log(`${label}the browser's processes during play: ${(100 * r.cpu.total).toFixed(1)} % of one core (` +
    kinds.map(([k, v]) => `${k} ${(100 * v).toFixed(1)}`).join(", ") + ")");
}

function report(plain, phone) {

  console.log(`navigation to the first menu frame: ${plain.firstFrame.toFixed(0)} ms; ` +
    `CPU 4x slower, 10 Mbit/s: ${phone.firstFrame.toFixed(0)} ms`);
  for (const [label, r] of [["", plain], ["CPU 4x slower, 10 Mbit/s: ", phone]]) {
    const last = r.loads.reduce((a, b) => (b[1] > a[1] ? b : a), ["", 0]);
    console.log(`${label}the page's files before the first frame loaded by ${last[1].toFixed(0)} ms (the last: ` +
      `${last[0]}); then ${(r.firstFrame - last[1]).toFixed(0)} ms to the first frame`);
  }
  pacing("", plain);
  console.log(`music during play: ${plain.music.sounding ? "sounding" : "silent"} (${plain.music.file})`);
  pacing("CPU 4x slower: ", phone);
}

function bytes(plain) {
  const early = plain.sent.filter((s) => s.at <= plain.firstFrameAt);
  console.log(`bytes sent before the first menu frame: ${sum(early)}`);
  console.log(`bytes sent in the whole first visit (other pages: ${plain.pages.join(", ") || "none"}): ${sum(plain.sent)}`);
  console.log("by file (requests; status codes; before the first frame / in all):");
  const earlyBy = bytesBy(early);
  const files = new Map();
  for (const s of plain.sent) {
    const f = files.get(s.url) || { n: 0, status: new Set(), bytes: 0 };
    f.n++;
    f.status.add(s.status);
    f.bytes += s.bytes;
    files.set(s.url, f);
  }
  for (const [url, f] of [...files].sort((a, b) => b[1].bytes - a[1].bytes)) {
    console.log(`  ${url.padEnd(28)} ${String(f.n).padStart(2)}x ${[...f.status].join("/").padEnd(7)} ` +
      `${String(earlyBy.get(url) || 0).padStart(9)} ${String(f.bytes).padStart(9)}`);
  }
}

// The figures of one visit that depend on the machine's moment, by name.
function figures(r) {
  const g = r.gaps;
  return { firstFrame: r.firstFrame, median: quantile(g, 0.5), p90: quantile(g, 0.9), p99: quantile(g, 0.99),
    busy: 100 * r.busy, cpu: 100 * r.cpu.total, renderer: 100 * (r.cpu.renderer || 0) };
}

function summary(label, all) {
  const keys = Object.keys(all[0]);
  const med = (k) => quantile(all.map((f) => f[k]).sort((x, y) => x - y), 0.5);
  const each = (k) => all.map((f) => f[k].toFixed(1)).join("; ");
  console.log(`${label}median of ${all.length} runs (each run):`);
  for (const k of keys) console.log(`  ${k.padEnd(10)} ${med(k).toFixed(2).padStart(8)}   (${each(k)})`);
}

(async () => {
  const server = await serve();
  const plainRuns = [], phoneRuns = [];
  for (let i = 0; i < runs; ++i) {
    plainRuns.push(await visit(server, { phone: false }));
    phoneRuns.push(await visit(server, { phone: true }));
    if (runs > 1) console.log(`run ${i + 1} of ${runs} done`);
  }
  server.close();
  for (let i = 0; i < runs; ++i) {
    if (runs > 1) console.log(`--- run ${i + 1}`);
    report(plainRuns[i], phoneRuns[i]);
  }
  if (runs > 1) {
    console.log("---");
    summary("", plainRuns.map(figures));
    summary("CPU 4x slower, 10 Mbit/s: ", phoneRuns.map(figures));
  }
  bytes(plainRuns[0]);
})().catch((e) => { console.error(e); process.exit(1); });
