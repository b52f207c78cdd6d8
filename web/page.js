// The page's side of the game's browser backend (engine/platform/web/): the canvas and its
// layout, the input queue the game takes its events from (keyboard, mouse, touch screen and its
// on-screen controls, game controllers), the modal boxes, the new tabs, the music and the
// browser's storage. The game calls these through small EM_JS functions.
"use strict";

// The frame's size is the canvas's, which the build writes into index.html from the game's own
// figure (engine/scene/scene.h).
const SCREEN = document.getElementById("screen");
const FRAME_W = SCREEN.width, FRAME_H = SCREEN.height;

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

// The keys by what they do (KeyboardEvent.key), for keyboards that do not say where the key is:
// a phone's on-screen keyboard sends an empty `code`.
const KEY_NAMES = {
  ArrowUp: 38, ArrowDown: 40, ArrowLeft: 37, ArrowRight: 39, " ": 32, Escape: 27, Esc: 27, Enter: 13,
  Backspace: 8, Delete: 46, Home: 36, End: 35, Tab: 9, Shift: 16, Control: 17, Alt: 18,
};

function keyCode(e) {
  if (e.code) return KEY_CODES[e.code] || 0;
  if (KEY_NAMES[e.key]) return KEY_NAMES[e.key];
  const c = e.key && e.key.length === 1 ? e.key.toUpperCase().charCodeAt(0) : 0;
  return (c >= 65 && c <= 90) || (c >= 48 && c <= 57) ? c : 0;
}

// The keyboard's auto-repeat as the X server gives it by default (the desktop's controllers
// repeat alike): the rules steer by the presses a held key repeats.
const REPEAT_DELAY_MS = 660, REPEAT_INTERVAL_MS = 40;

// The field typed text comes through always holds this, so that a phone keyboard's Backspace,
// which often comes only as an input event deleting a character, has one to delete.
const TYPING_KEEP = "\u00a0";

// A controller's inputs as the keys they stand for (the desktop's mapping).
const PAD_KEYS = {
  up: 38, stickUp: 38, down: 40, stickDown: 40, left: 37, stickLeft: 37, right: 39, stickRight: 39,
  a: 32, b: 27, back: 27, start: 80,
};

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
  held: new Map(), // key code -> { holders, silent, timer }: keys held by on-screen buttons and controllers
  touch: false, // the on-screen controls are shown

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
    this.header = document.querySelector("header");
    this.fullscreen = document.getElementById("fullscreen");
    this.coarse = window.matchMedia("(pointer: coarse)");
    for (const query of [this.coarse, window.matchMedia("(orientation: portrait)")])
      query.addEventListener("change", () => (this.coarse.matches && !this.touch ? this.showTouchControls() : this.layout()));
    window.addEventListener("resize", () => this.layout());
    if (window.visualViewport) window.visualViewport.addEventListener("resize", () => this.layout());
    document.addEventListener("fullscreenchange", () => this.layout());
    document.addEventListener("webkitfullscreenchange", () => this.layout());
    // A phone's Safari puts only videos on the whole screen: no button that does nothing.
    if (document.fullscreenEnabled === false || (!this.stage.requestFullscreen && !this.stage.webkitRequestFullscreen))
      this.fullscreen.hidden = true;
    this.fullscreen.addEventListener("click", () => {
      this.toggleFullscreen();
      this.giveBackFocus();
    });
    window.addEventListener("keydown", (e) => this.key(e, true), true);
    window.addEventListener("keyup", (e) => this.key(e, false), true);
    this.canvas.addEventListener("pointerdown", (e) => this.pointer(e, MOUSE_DOWN));
    this.canvas.addEventListener("pointerup", (e) => this.pointer(e, MOUSE_UP));
    this.canvas.addEventListener("touchend", (e) => {
      const touch = e.changedTouches[0];
      if (touch) this.typeByTouch(...this.frameAt(touch.clientX, touch.clientY));
    });
    this.stage.addEventListener("contextmenu", (e) => e.preventDefault());
    // Safari zooms by pinching whatever the viewport says; its own gesture events stop it.
    document.addEventListener("gesturestart", (e) => e.preventDefault());
    // The first touch anywhere shows the on-screen controls (a touch laptop has a fine pointer).
    window.addEventListener("pointerdown", (e) => {
      if (e.pointerType === "touch" && !this.touch) this.showTouchControls();
    }, true);
    for (const button of document.querySelectorAll(".pad button[data-key]")) this.touchButton(button);
    this.typing.value = TYPING_KEEP;
    this.typing.addEventListener("input", (e) => this.typed(e));
    this.typing.addEventListener("compositionend", (e) => this.typed(e));
    // The page's own fields (the shared table's) keep the focus they are given.
    this.typing.addEventListener("blur", (e) => {
      if (!this.refocusing && !this.pageField(e.relatedTarget)) this.keepTyping();
    });
    document.addEventListener("visibilitychange", () => {
      if (document.hidden) this.letGoAll();
      this.keepAwake();
    });
    window.addEventListener("blur", () => this.letGoAll());
    window.addEventListener("gamepadconnected", () => this.watchPads());
    this.watchPads();
    if (this.coarse.matches) this.showTouchControls();
    else this.layout();
  },

  showTouchControls() {
    this.touch = true;
    document.body.classList.add("touch");
    this.layout();
  },

  layout() {
    if (this.touch) return this.layoutTouch();
    // The largest whole number of device pixels per frame pixel that fits (sharp), or the frame
    // shrunk to fit where not even one does.
    const ratio = window.devicePixelRatio || 1;
    const scaleNow = () => {
      const w = this.stage.clientWidth, h = this.stage.clientHeight;
      const whole = Math.floor(Math.min((w * ratio) / FRAME_W, (h * ratio) / FRAME_H));
      return whole >= 1 ? whole / ratio : Math.min(w / FRAME_W, h / FRAME_H);
    };
    // The shared table beside the frame, or under it where that leaves the frame larger.
    const body = document.body;
    if (this.tableShown()) {
      body.classList.add("table-below");
      const below = scaleNow();
      body.classList.remove("table-below");
      if (below > scaleNow()) body.classList.add("table-below");
    } else {
      body.classList.remove("table-below");
    }
    this.setFrameSize(scaleNow());
  },

  tableShown() {
    const panel = document.getElementById("tables");
    return !!panel && !panel.hidden;
  },

  // A field or button of the page's own, outside the game's frame and controls.
  pageField(e) {
    return !!e && e !== this.typing && !!e.closest && !!e.closest("#tables, header");
  },

  setFrameSize(scale) {
    this.canvas.style.width = FRAME_W * scale + "px";
    this.canvas.style.height = FRAME_H * scale + "px";
  },

  // With the on-screen controls: beside the frame, the direction pad left and the other
  // buttons right (a phone held sideways, a tablet), or both under it (a phone held upright),
  // whichever leaves the frame larger. Where the frame beside them takes the whole height, the
  // title and the help give way and the fullscreen button joins the controls. With a coarse
  // pointer the frame fills what is left: at a phone's or a tablet's density uneven pixels do
  // not show, and whole ones would leave it half the size. A fine pointer keeps whole pixels.
  layoutTouch() {
    const body = document.body, style = body.style;
    const gap = 8, pad = 4, spacing = 6, least = 48, most = 72;
    const fit = (w, h) => {
      const any = Math.max(0, Math.min(w / FRAME_W, h / FRAME_H));
      if (this.coarse.matches) return any;
      const ratio = window.devicePixelRatio || 1;
      const whole = Math.floor(any * ratio);
      return whole >= 1 ? whole / ratio : any;
    };
    // The pads' widths and heights for buttons of size b: the directions 3 x 3, the others 2 wide
    // (pause and menu over the gift button, the fullscreen button under it when it is there).
    const dirs = (b) => 3 * b + 2 * spacing, others = (b) => 2 * b + spacing;
    const inset = this.insets();
    // The shared table goes under everything, and takes its height from the frame's room.
    body.classList.toggle("table-below", this.tableShown());
    const tableH = this.tableShown() ? document.getElementById("tables").offsetHeight : 0;
    const W = window.innerWidth - inset.left - inset.right, H = window.innerHeight - inset.top - inset.bottom - tableH;
    const fullscreen = !!(document.fullscreenElement || document.webkitFullscreenElement);
    body.classList.remove("beside", "bare");
    body.classList.add("below");
    if (this.fullscreen.parentNode !== this.header) this.header.appendChild(this.fullscreen);
    const headerH = fullscreen ? 0 : this.header.offsetHeight;

    const sideW = W - dirs(least) - others(least) - 2 * gap - 2 * pad;
    const beside = fit(sideW, H - 2 * pad);
    const below = fit(W - 2 * pad, H - headerH - dirs(least) - gap - 2 * pad);
    if (beside > below) {
      body.classList.replace("below", "beside");
      // The title stays where the frame leaves room for it.
      let scale = beside, high = H - 2 * pad;
      if (headerH > 0 && H - headerH - 2 * pad >= FRAME_H * beside - 0.5) {
        high -= headerH;
        scale = fit(sideW, high);
      } else {
        body.classList.add("bare");
        document.querySelector(".pad.actions").appendChild(this.fullscreen);
      }
      this.setFrameSize(scale);
      // The buttons grow into the room the frame leaves, up to a comfortable size.
      const room = W - FRAME_W * scale - 2 * gap - 2 * pad;
      const b = Math.max(least, Math.min(most, Math.floor((room - 3 * spacing) / 5), Math.floor((high - 3 * spacing) / 4)));
      const extra = Math.max(0, room - dirs(b) - others(b)) / 2;
      style.setProperty("--button", b + "px");
      style.setProperty("--columns", `${dirs(b) + extra}px auto ${others(b) + extra}px`);
    } else {
      this.setFrameSize(below);
      const left = H - headerH - FRAME_H * below - gap - 2 * pad;
      const b = Math.max(least, Math.min(most, Math.floor((left - 2 * spacing) / 3), Math.floor((W / 2 - pad - 3 * spacing) / 3)));
      style.setProperty("--button", b + "px");
      style.removeProperty("--columns");
    }
  },

  // The safe areas of a notched phone, as the page's padding takes them.
  insets() {
    const style = getComputedStyle(document.body);
    const px = (name) => parseFloat(style.getPropertyValue(name)) || 0;
    return { top: px("padding-top"), right: px("padding-right"), bottom: px("padding-bottom"), left: px("padding-left") };
  },

  toggleFullscreen() {
    const stage = this.stage;
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    else if (document.webkitFullscreenElement) document.webkitExitFullscreen();
    else if (stage.requestFullscreen) stage.requestFullscreen({ navigationUI: "hide" }).catch(() => {});
    else if (stage.webkitRequestFullscreen) stage.webkitRequestFullscreen();
  },

  // After the page's own button: the game's keys are the game's again (Space drops a gift).
  giveBackFocus() {
    if (this.textInput && !this.modal) this.keepTyping();
    else this.canvas.focus({ preventScroll: true });
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
    const name = e.code || e.key; // a key by its place, or by what it does where no place is given
    if (name === "F11") {
      e.preventDefault();
      if (down && !e.repeat) this.toggleFullscreen();
      return;
    }
    if (this.modal) {
      if (down) this.swallowed.add(name);
      return; // the box's own keys: Return, Space, Escape close it
    }
    if (!down && this.swallowed.delete(name)) return;
    // A button or a text field of the page with the focus keeps its keys (Enter and Space press
    // the fullscreen button); the key's release is its too.
    const focus = document.activeElement;
    if (down && focus && focus !== this.typing && focus.matches("button, input, select, textarea, [contenteditable]")) {
      this.swallowed.add(name);
      return;
    }
    const code = keyCode(e);
    // An input method's key (a phone keyboard's letters, 229 "Unidentified") brings its text
    // through the field: nothing for the game.
    if (!code && !e.code && (e.key === "Unidentified" || e.key === "Process" || e.keyCode === 229)) return;
    const typesText = this.textInput && [...e.key].length === 1 && !e.ctrlKey && !e.metaKey;
    if (!typesText && (PAGE_KEYS.has(e.code) || code)) {
      // Browser shortcuts with Ctrl or Meta stay the browser's, but the game still sees the keys.
      if (!e.ctrlKey && !e.metaKey && !(/^F[0-9]+$/.test(name))) e.preventDefault();
    }
    // Phone keyboards delete in the field even when their Backspace's key event is taken: that
    // deletion is then no second Backspace.
    if (code === 8 || code === 46) this.deleteKeyed = down;
    this.push([down ? KEY_DOWN : KEY_UP, code, 0, 0, down && e.repeat ? 1 : 0, down && e.shiftKey ? 1 : 0]);
  },

  // What the field holds beyond the character it always keeps is typed text. A shorter field
  // lost that character to a Backspace that came only as an input event (phone keyboards send
  // such, or a key event with no `code`): the game gets the key.
  typed(e) {
    if (e.isComposing) return;
    const value = this.typing.value;
    this.typing.value = TYPING_KEEP;
    const game = this.textInput && !this.modal;
    if (value.startsWith(TYPING_KEEP)) {
      const text = value.slice(TYPING_KEEP.length);
      if (text && game) this.push([TEXT, 0, 0, 0, 0, 0, text]);
    } else if (value === "" || (e.inputType || "").startsWith("delete")) {
      if (game && !this.deleteKeyed) this.tap(e.inputType === "deleteContentForward" ? 46 : 8);
    } else if (game) {
      this.push([TEXT, 0, 0, 0, 0, 0, value.replace(TYPING_KEEP, "")]);
    }
  },

  // A key pressed and let go at once.
  tap(code) {
    this.push([KEY_DOWN, code, 0, 0, 0, 0]);
    this.push([KEY_UP, code, 0, 0, 0, 0]);
  },

  // Keys held by the on-screen buttons and the controllers, as the keyboard holds them: a key
  // goes down with its first holder and up with its last, and while held it repeats (except
  // the one-press keys, P and Escape). Several keys repeat at once: a finger on "Dárek" does not
  // stop the one on a direction.
  hold(code, repeats) {
    let k = this.held.get(code);
    if (!k) this.held.set(code, (k = { holders: 0, silent: false, timer: 0 }));
    if (k.holders++ > 0) return;
    k.silent = this.modal;
    if (k.silent) return;
    this.push([KEY_DOWN, code, 0, 0, 0, 0]);
    if (!repeats) return;
    const again = () => {
      if (this.modal) return this.silence(k);
      this.push([KEY_DOWN, code, 0, 0, 1, 0]);
      k.timer = setTimeout(again, REPEAT_INTERVAL_MS);
    };
    k.timer = setTimeout(again, REPEAT_DELAY_MS);
  },

  letGo(code) {
    const k = this.held.get(code);
    if (!k || k.holders === 0) return;
    if (--k.holders > 0) return;
    clearTimeout(k.timer);
    this.held.delete(code);
    if (!k.silent && !this.modal) this.push([KEY_UP, code, 0, 0, 0, 0]);
  },

  // A key held when a box opened was released for the game when it closed: it stays silent
  // (no repeats, no release) until it is let go.
  silence(k) {
    clearTimeout(k.timer);
    k.silent = true;
  },

  // Fingers and controllers the page no longer hears from (the page hidden, the window left).
  letGoAll() {
    for (const button of document.querySelectorAll(".pad button.pressed")) button.dispatchEvent(new PointerEvent("pointercancel"));
    for (const code of [...this.held.keys()]) {
      const k = this.held.get(code);
      k.holders = 1;
      this.letGo(code);
    }
    this.padsHeld = new Map();
  },

  // An on-screen button: held while a finger (or the mouse) is on it, each button on its own,
  // so that several fingers work at once. It takes no focus, so the game's keys stay the game's.
  touchButton(button) {
    const code = Number(button.dataset.key), repeats = !("once" in button.dataset);
    let pointer = null;
    const release = (e) => {
      if (pointer === null || (e.pointerId !== undefined && e.pointerId !== pointer)) return;
      pointer = null;
      button.classList.remove("pressed");
      this.letGo(code);
    };
    button.addEventListener("pointerdown", (e) => {
      e.preventDefault();
      this.music.unlock(e);
      if (pointer !== null) return;
      pointer = e.pointerId;
      if (button.setPointerCapture) button.setPointerCapture(e.pointerId);
      button.classList.add("pressed");
      if (navigator.vibrate) navigator.vibrate(10);
      this.hold(code, repeats);
    });
    button.addEventListener("pointerup", release);
    button.addEventListener("pointercancel", (e) => release({ pointerId: e.pointerId || pointer }));
    button.addEventListener("lostpointercapture", release);
    // A screen reader's or a keyboard's activation comes as a click alone.
    button.addEventListener("click", (e) => {
      if (e.detail === 0 && pointer === null) this.tap(code);
    });
    button.addEventListener("contextmenu", (e) => e.preventDefault());
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
    const [x, y] = this.frameAt(e.clientX, e.clientY);
    this.push([kind, 0, x, y, 0, 0]);
    // A finger's tap gives the text field the focus in its touchend (below).
    if (e.pointerType !== "touch") this.keepTyping();
  },

  // Back to the frame's own pixels; off the frame the point lies outside it and hits nothing.
  frameAt(clientX, clientY) {
    const r = this.canvas.getBoundingClientRect();
    return [Math.floor(((clientX - r.left) * FRAME_W) / r.width), Math.floor(((clientY - r.top) * FRAME_H) / r.height)];
  },

  // A phone opens its keyboard only for a focus given in the handler of the tap itself (Safari:
  // a touchend or a click), and the game turns its text input on only after it has taken the
  // tap: a tap on the name box (while the box shows) or one while the game wants text focuses
  // the field here and now, afresh, so that a keyboard the player closed opens again.
  typeByTouch(x, y) {
    const want = this.textInput || this.onNameBox(x, y);
    if (!want || this.modal) return this.keepTyping();
    if (document.activeElement === this.typing) {
      this.refocusing = true;
      this.typing.blur();
      this.refocusing = false;
    }
    this.typing.focus({ preventScroll: true });
  },

  // The name box's place in the frame (Text1 of the high-score panel), and whether it shows:
  // its white field.
  // The game tells its place at the start (tellNameBoxPlace); the page needs it before the game
  // has taken a tap on it (see typeByTouch).
  nameBox: null,
  onNameBox(x, y) {
    if (!this.nameBox) return false;
    const [left, top, w, h] = this.nameBox;
    if (x < left || y < top || x >= left + w || y >= top + h || !this.image) return false;
    const p = this.image.data;
    let white = 0;
    for (let row = top + 2; row < top + h - 2; row += 4)
      for (let col = left + 2; col < left + w - 2; col += 4) {
        const i = (row * FRAME_W + col) * 4;
        if (p[i] === 255 && p[i + 1] === 255 && p[i + 2] === 255) ++white;
      }
    return white > 40;
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
    if (bottom > top) this.moving();
    if (!this.firstFrameAt) {
      this.firstFrameAt = performance.now();
      performance.mark("nadilka-first-frame");
      document.body.classList.add("playing");
      if (this.onFirstFrame) this.onFirstFrame();
    }
  },

  // While the game moves (a game runs; the menu and the panels stand still, and a box holds
  // it) the screen stays on, where the browser can keep it so; the lock goes two seconds after
  // the last change, and with the page hidden (the browser drops it then anyway).
  moving() {
    this.movedAt = performance.now();
    if (!this.stillTimer) this.stillTimer = setTimeout(() => this.checkStill(), 2000);
    // A refusal (no permission, a browser without it) is not asked again every frame.
    if (navigator.wakeLock && !this.wakeLock && !this.wakeLockAsked && !(this.movedAt < this.wakeLockRefusedAt + 10000)) this.keepAwake();
  },

  checkStill() {
    this.stillTimer = 0;
    const since = performance.now() - this.movedAt;
    if (since < 2000) this.stillTimer = setTimeout(() => this.checkStill(), 2000 - since);
    else this.keepAwake();
  },

  async keepAwake() {
    const want = !document.hidden && performance.now() - (this.movedAt || -1e9) < 2000;
    if (want && !this.wakeLock && !this.wakeLockAsked && navigator.wakeLock) {
      this.wakeLockAsked = true;
      try {
        const lock = await navigator.wakeLock.request("screen");
        lock.addEventListener("release", () => {
          if (this.wakeLock === lock) this.wakeLock = null;
        });
        this.wakeLock = lock;
        if (!(!document.hidden && performance.now() - this.movedAt < 2000)) this.keepAwake();
      } catch (err) {
        this.wakeLockRefusedAt = performance.now();
      }
      this.wakeLockAsked = false;
    } else if (!want && this.wakeLock) {
      const lock = this.wakeLock;
      this.wakeLock = null;
      lock.release().catch(() => {});
    }
  },

  // Game controllers as the desktop reads them, on the browser's standard mapping: the d-pad and
  // the left stick are the arrow keys (the stick past half its travel, let go below three
  // eighths), A the space bar, Start the P key, B and Back the Escape key; the directions and A
  // repeat as held keys do. At a box, Start, A or B close it, and that press is not the game's.
  // The browser names a controller only after its first button press (and some browsers
  // announce none): the page looks twice a second, and polls each frame while one is there.
  watchPads() {
    if (this.padTimer) return;
    const poll = () => {
      this.padTimer = 0;
      const any = this.pollPads();
      this.padTimer = setTimeout(poll, any ? 16 : 500);
    };
    poll();
  },

  pollPads() {
    const pads = navigator.getGamepads ? [...navigator.getGamepads()].filter((p) => p && p.connected !== false) : [];
    const now = new Map();
    for (const pad of pads) {
      const pressed = (i) => !!(pad.buttons[i] && (pad.buttons[i].pressed || pad.buttons[i].value > 0.5));
      const axis = (i) => pad.axes[i] || 0;
      const was = (this.padsHeld && this.padsHeld.get(pad.index)) || new Set();
      // The stick: past half its travel to take hold, below three eighths to let go.
      const stick = (input, value) => (was.has(input) ? value > 0.375 : value > 0.5);
      const inputs = {
        up: pressed(12), down: pressed(13), left: pressed(14), right: pressed(15),
        stickUp: stick("stickUp", -axis(1)), stickDown: stick("stickDown", axis(1)),
        stickLeft: stick("stickLeft", -axis(0)), stickRight: stick("stickRight", axis(0)),
        a: pressed(0), b: pressed(1), back: pressed(8), start: pressed(9),
      };
      now.set(pad.index, new Set(Object.keys(inputs).filter((k) => inputs[k])));
    }
    const before = this.padsHeld || new Map();
    for (const index of new Set([...before.keys(), ...now.keys()])) {
      const was = before.get(index) || new Set(), is = now.get(index) || new Set();
      for (const input of is) if (!was.has(input)) this.padInput(input, true);
      for (const input of was) if (!is.has(input)) this.padInput(input, false);
    }
    this.padsHeld = now;
    return pads.length > 0;
  },

  padInput(input, down) {
    const code = PAD_KEYS[input];
    if (down && this.modal && (input === "start" || input === "a" || input === "b")) {
      const box = document.getElementById("box");
      if (box.open) box.close();
    }
    if (down) this.hold(code, input !== "start" && input !== "b" && input !== "back");
    else this.letGo(code);
  },

  // A modal box in the page holding the game until it is closed: the same title, text and OK
  // as the desktop's box.
  dialog(warning, title, text) {
    const box = document.getElementById("box");
    box.classList.toggle("warning", warning);
    box.querySelector(".title").textContent = title;
    box.querySelector(".text").textContent = text;
    this.modal = true;
    for (const k of this.held.values()) this.silence(k);
    // The box makes the buttons under it inert: a finger lifted there would never be heard.
    for (const button of document.querySelectorAll(".pad button.pressed")) button.dispatchEvent(new PointerEvent("pointercancel"));
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
    n.textContent = dismissable ? text + (this.touch ? " (Klepnutím zavřete.)" : " (Kliknutím zavřete.)") : text;
    n.hidden = false;
    n.onclick = dismissable ? () => (n.hidden = true) : null;
    n.style.cursor = dismissable ? "pointer" : "";
  },

  // A game that ran to its end, with the tape of the whole run: the shared table may take it.
  gameResult(points, name, tape) {
    if (window.nadilkaTables) nadilkaTables.gameResult(points, name, tape);
  },

  // The run's tape reached its limit (some hundred games in one sitting): games from now on cannot
  // be proven, so the shared table cannot take them until the page is loaded again.
  tapeFull() {
    this.notice("Další hry už nelze zapsat do společné tabulky. Po znovunačtení stránky to zase půjde.", true);
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
