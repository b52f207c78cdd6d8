// The page's side of the game's browser backend (engine/platform/web/): the canvas, the input
// queue the game takes its events from, the modal boxes, the new tabs, the music and the
// browser's storage. The game calls these through small EM_JS functions.
"use strict";

const FRAME_W = 642, FRAME_H = 482;

// Event kinds as engine/platform/web/web_window.cpp reads them.
const KEY_DOWN = 0, KEY_UP = 1, MOUSE_DOWN = 2, MOUSE_UP = 3, TEXT = 4;

// The game's key codes (the classic desktop virtual-key numbers) by the key's place on the
// keyboard (KeyboardEvent.code), as the desktop's SDL backend gives them.
const KEY_CODES = (() => {
  const map = {
    ArrowUp: 38, ArrowDown: 40, ArrowLeft: 37, ArrowRight: 39, Space: 32, Escape: 27,
    Enter: 13, NumpadEnter: 13, Backspace: 8, Delete: 46, Home: 36, End: 35, Tab: 9,
    NumpadAdd: 107, NumpadSubtract: 109, Equal: 187, Minus: 189,
    ShiftLeft: 16, ShiftRight: 16, ControlLeft: 17, ControlRight: 17, AltLeft: 18, AltRight: 18,
  };
  for (let c = 65; c <= 90; ++c) map["Key" + String.fromCharCode(c)] = c;
  for (let d = 0; d <= 9; ++d) map["Digit" + d] = 48 + d;
  for (let f = 1; f <= 12; ++f) map["F" + f] = 111 + f;
  return map;
})();

// Keys the page would act on itself (scroll, move the focus, go back): the game's.
const PAGE_KEYS = new Set([
  "ArrowUp", "ArrowDown", "ArrowLeft", "ArrowRight", "Space", "Tab", "Backspace", "Home", "End",
  "PageUp", "PageDown", "Enter", "NumpadEnter", "Escape", "NumpadAdd", "NumpadSubtract",
]);

const nadilkaPage = {
  queue: [],
  wakeInput: null,
  modal: false,
  textInput: false,
  swallowed: new Set(), // keys pressed at a box: their release is not the game's
  image: null,
  firstFrameAt: 0,
  frames: 0,

  start() {
    this.canvas = document.getElementById("screen");
    // Desynchronized: the canvas reaches the screen without waiting for the page's own
    // rendering steps, which halves the main thread's share and steadies the frame pacing.
    this.context = this.canvas.getContext("2d", { alpha: false, desynchronized: true });
    this.canvas.addEventListener("contextrestored", () => (this.putWhole = true));
    this.stage = document.getElementById("stage");
    this.typing = document.getElementById("typing");
    this.channel = new MessageChannel();
    this.channel.port1.onmessage = () => {
      const resume = this.resumeYield;
      this.resumeYield = null;
      if (resume) resume();
    };
    window.addEventListener("resize", () => this.layout());
    document.addEventListener("fullscreenchange", () => this.layout());
    document.getElementById("fullscreen").addEventListener("click", () => this.toggleFullscreen());
    window.addEventListener("keydown", (e) => this.key(e, true), true);
    window.addEventListener("keyup", (e) => this.key(e, false), true);
    this.canvas.addEventListener("pointerdown", (e) => this.pointer(e, MOUSE_DOWN));
    this.canvas.addEventListener("pointerup", (e) => this.pointer(e, MOUSE_UP));
    this.canvas.addEventListener("contextmenu", (e) => e.preventDefault());
    this.typing.addEventListener("input", (e) => this.typed(e));
    this.typing.addEventListener("compositionend", (e) => this.typed(e));
    this.typing.addEventListener("blur", () => this.keepTyping());
    this.layout();
  },

  // The largest whole number of device pixels per frame pixel that fits (sharp), or the frame
  // shrunk to fit where not even one does.
  layout() {
    const ratio = window.devicePixelRatio || 1;
    const w = this.stage.clientWidth, h = this.stage.clientHeight;
    const whole = Math.floor(Math.min((w * ratio) / FRAME_W, (h * ratio) / FRAME_H));
    const scale = whole >= 1 ? whole / ratio : Math.min(w / FRAME_W, h / FRAME_H);
    this.canvas.style.width = FRAME_W * scale + "px";
    this.canvas.style.height = FRAME_H * scale + "px";
  },

  toggleFullscreen() {
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    else if (this.stage.requestFullscreen) this.stage.requestFullscreen().catch(() => {});
  },

  push(e) {
    this.queue.push(e);
    if (this.wakeInput) this.wakeInput();
  },

  takeEvent() { return this.queue.shift(); },

  waitInput(ms) {
    if (this.queue.length) return Promise.resolve();
    return new Promise((resolve) => {
      const timer = setTimeout(done, ms);
      const self = this;
      function done() {
        clearTimeout(timer);
        self.wakeInput = null;
        resolve();
      }
      this.wakeInput = done;
    });
  },

  // The frame wait's two steps. A yield goes round the page's task queue once: input, drawing
  // and the music get their turn, and a message is not held back as a timer is.
  yieldOnce() {
    return new Promise((resolve) => {
      this.resumeYield = resolve;
      this.channel.port2.postMessage(0);
    });
  },

  // A sleep is a delayed task of the highest priority where the browser has them: those come
  // on time more often than timers (p99 1.2 ms late against 3.2 ms, measured in chromium).
  // Otherwise a timer set from a message, not from the timer that ended the last sleep:
  // browsers make nested timers wait at least 4 ms, and the frame wait sleeps every frame.
  sleep(ms) {
    if (window.scheduler && scheduler.postTask)
      return scheduler.postTask(() => {}, { delay: ms, priority: "user-blocking" });
    return new Promise((resolve) => {
      this.resumeYield = () => setTimeout(resolve, ms);
      this.channel.port2.postMessage(0);
    });
  },

  key(e, down) {
    this.music.unlock(e);
    if (e.code === "F11") {
      e.preventDefault();
      if (down && !e.repeat) this.toggleFullscreen();
      return;
    }
    if (this.modal) {
      if (down) this.swallowed.add(e.code);
      return; // the box's own keys: Return, Space, Escape close it
    }
    if (!down && this.swallowed.delete(e.code)) return;
    const code = KEY_CODES[e.code] || 0;
    const typesText = this.textInput && [...e.key].length === 1 && !e.ctrlKey && !e.metaKey;
    if (!typesText && (PAGE_KEYS.has(e.code) || code)) {
      // Browser shortcuts with Ctrl or Meta stay the browser's, but the game still sees the keys.
      if (!e.ctrlKey && !e.metaKey && !(e.code.startsWith("F") && e.code.length <= 3)) e.preventDefault();
    }
    this.push([down ? KEY_DOWN : KEY_UP, code, 0, 0, down && e.repeat ? 1 : 0, down && e.shiftKey ? 1 : 0]);
  },

  typed(e) {
    if (e.isComposing) return;
    const text = this.typing.value;
    this.typing.value = "";
    if (text && this.textInput && !this.modal) this.push([TEXT, 0, 0, 0, 0, 0, text]);
  },

  setTextInput(on) {
    this.textInput = on;
    this.keepTyping();
  },

  // Typed text comes through a hidden text field, so that keyboard layouts, input methods and
  // touch keyboards all give their letters (Czech ones included).
  keepTyping() {
    if (this.textInput && !this.modal) {
      if (document.activeElement !== this.typing) this.typing.focus({ preventScroll: true });
    } else if (document.activeElement === this.typing) {
      this.typing.blur();
    }
  },

  pointer(e, kind) {
    this.music.unlock(e);
    if (e.button !== 0 || this.modal) return;
    e.preventDefault();
    if (kind === MOUSE_DOWN) this.canvas.setPointerCapture(e.pointerId);
    // Back to the frame's own pixels; off the frame the point lies outside it and hits nothing.
    const r = this.canvas.getBoundingClientRect();
    const x = Math.floor(((e.clientX - r.left) * FRAME_W) / r.width);
    const y = Math.floor(((e.clientY - r.top) * FRAME_H) / r.height);
    this.push([kind, 0, x, y, 0, 0]);
    this.keepTyping();
  },

  // The frame's rows top to bottom changed since the last present (none: top == bottom). The
  // whole frame is put after the canvas lost its contents.
  present(heap, ptr, w, h, top, bottom) {
    if (!this.image || this.image.data.buffer !== heap.buffer || this.imageAt !== ptr) {
      this.image = new ImageData(new Uint8ClampedArray(heap.buffer, ptr, w * h * 4), w, h);
      this.imageAt = ptr;
      this.putWhole = true;
    }
    if (this.putWhole) {
      this.putWhole = false;
      this.context.putImageData(this.image, 0, 0);
    } else if (bottom > top) {
      this.context.putImageData(this.image, 0, 0, 0, top, w, bottom - top);
    }
    ++this.frames;
    if (!this.firstFrameAt) {
      this.firstFrameAt = performance.now();
      performance.mark("nadilka-first-frame");
      document.body.classList.add("playing");
      if (this.onFirstFrame) this.onFirstFrame();
    }
  },

  // A modal box in the page holding the game until it is closed: the same title, text and OK
  // as the desktop's box.
  dialog(warning, title, text) {
    const box = document.getElementById("box");
    box.classList.toggle("warning", warning);
    box.querySelector(".title").textContent = title;
    box.querySelector(".text").textContent = text;
    this.modal = true;
    this.keepTyping();
    return new Promise((resolve) => {
      box.addEventListener("close", () => {
        this.modal = false;
        this.keepTyping();
        resolve();
      }, { once: true });
      box.showModal();
      box.querySelector("button").focus();
    });
  },

  openUrl(url) {
    window.open(url, "_blank", "noopener");
  },

  // A message over the top of the frame. One the game goes on under (`dismissable`) goes away
  // with a click or a tap, so that it does not hide the points and the clock for the whole game.
  notice(text, dismissable = false) {
    const n = document.getElementById("notice");
    n.textContent = dismissable ? text + " (Kliknutím zavřete.)" : text;
    n.hidden = false;
    n.onclick = dismissable ? () => (n.hidden = true) : null;
    n.style.cursor = dismissable ? "pointer" : "";
  },

  gameEnded(status) {
    this.notice(status === 0 ? "Hra skončila. Novou hru spustíte znovunačtením stránky."
      : "Hru se nepodařilo spustit (podrobnosti jsou v konzoli prohlížeče).");
  },

  // The high-score table's folder in the browser's IndexedDB, read in before the game starts.
  async mountStorage(FS, IDBFS, folder) {
    FS.mkdir(folder);
    try {
      if (!IDBFS || !window.indexedDB) throw new Error("no IndexedDB");
      FS.mount(IDBFS, {}, folder);
      await new Promise((resolve, reject) => FS.syncfs(true, (err) => (err ? reject(err) : resolve())));
      this.storage = true;
      return 1;
    } catch (err) {
      console.warn("nadilka: no persistent storage:", err);
      this.notice("Prohlížeč nedovoluje ukládat data: tabulka nejlepších výsledků zůstane jen do zavření stránky.", true);
      return 0;
    }
  },

  // After a save: written back in the background, one write at a time.
  keepStorage(FS) {
    if (!this.storage) return;
    if (this.syncing) {
      this.syncAgain = true;
      return;
    }
    this.syncing = true;
    FS.syncfs(false, (err) => {
      if (err) console.warn("nadilka: the high-score table was not stored:", err);
      this.syncing = false;
      if (this.syncAgain) {
        this.syncAgain = false;
        this.keepStorage(FS);
      }
    });
  },

  music: null, // music.js
};
window.nadilkaPage = nadilkaPage;
