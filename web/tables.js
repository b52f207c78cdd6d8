// The shared high-score tables on the page (?table=ID): the table beside or under the frame, the
// offer to enter a game that ran to its end (its tape goes with it, the server replays it), a new
// table with the link to pass on, and the results that could not be sent yet, kept in the
// browser's storage until the server takes them. Names come from anyone: they reach the page as
// text nodes only.
"use strict";

const TABLE_ID = /^[A-Za-z0-9_-]{1,64}$/;
const MAX_NAME = 20, MAX_TITLE = 60; // characters, as the server counts them
const REFRESH_MS = 60000;
// localStorage: the owners' keys by table, and one entry per result waiting to be sent, so that
// a full storage loses at most the one being added and a sent one goes with a single removal.
const KEYS_ITEM = "nadilka.tableKeys", PENDING_PREFIX = "nadilka.pending.";

// Characters as the server counts them (code points), blanks around trimmed.
const chars = (text) => [...text.trim()].length;

function base64(bytes) {
  let text = "";
  for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  return btoa(text);
}

// "1 bod", "2 body", "5 bodů" (and the negative ones alike).
function pointsText(points) {
  const n = Math.abs(points);
  const word = n === 1 ? "bod" : n >= 2 && n <= 4 ? "body" : "bodů";
  return `${points} ${word}`;
}

function element(tag, attributes = {}, text = null) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, v);
  if (text !== null) e.textContent = text;
  return e;
}

const nadilkaTables = {
  id: null, // the table shown
  table: null, // its last answer from the server
  result: null, // the last game that ran to its end: { points, name, tape (base64) }
  offered: false, // that game was offered for the table shown
  inFlight: new Set(), // the waiting results' keys being sent now

  start(page) {
    this.page = page;
    this.panel = document.getElementById("tables");
    this.title = this.panel.querySelector(".table-title");
    this.rows = this.panel.querySelector("tbody");
    this.state = this.panel.querySelector(".table-state");
    this.offer = this.panel.querySelector(".offer");
    this.share = this.panel.querySelector(".share");
    this.message = this.panel.querySelector(".message");
    this.creating = document.getElementById("create-table");
    document.getElementById("new-table").addEventListener("click", () => this.askTitle());
    this.creating.addEventListener("submit", (e) => {
      e.preventDefault();
      this.create(this.creating.querySelector("input").value);
    });
    this.creating.querySelector(".cancel").addEventListener("click", () => this.closeForm(this.creating));
    this.offer.addEventListener("submit", (e) => {
      e.preventDefault();
      this.enter(this.offer.querySelector("input").value);
    });
    this.offer.querySelector(".cancel").addEventListener("click", () => this.closeForm(this.offer));
    this.share.querySelector(".copy").addEventListener("click", () => this.copyLink());
    // The panel changes the frame's room: the page lays out again.
    if (window.ResizeObserver) new ResizeObserver(() => page.layout()).observe(this.panel);

    const id = new URLSearchParams(location.search).get("table");
    if (id !== null) {
      if (TABLE_ID.test(id)) this.show(id);
      else this.say("Odkaz na společnou tabulku je poškozený: taková tabulka neexistuje.");
    }
    window.addEventListener("online", () => this.sendWaiting());
    document.addEventListener("visibilitychange", () => {
      if (!document.hidden && this.id) this.refresh();
    });
    setInterval(() => {
      if (!document.hidden && this.id) this.refresh();
    }, REFRESH_MS);
    this.sendWaiting();
  },

  // Shows the table `id` (and says so in the address, so that a reload keeps it).
  show(id) {
    this.id = id;
    this.table = null;
    this.panel.hidden = false;
    this.panel.classList.remove("no-table");
    this.title.textContent = "Společná tabulka";
    this.state.textContent = "Načítám tabulku…";
    this.rows.replaceChildren();
    const url = new URL(location.href);
    url.searchParams.set("table", id);
    if (url.href !== location.href) history.replaceState(null, "", url.href);
    this.refresh();
  },

  async refresh() {
    const id = this.id;
    let answer;
    try {
      answer = await fetch(`api/tables/${encodeURIComponent(id)}`, { cache: "no-store" });
    } catch (err) {
      if (id === this.id) this.state.textContent = this.table ? "Bez spojení: tabulka nemusí být aktuální." : "Bez spojení: tabulku teď nelze načíst.";
      return;
    }
    if (id !== this.id) return;
    if (answer.status === 404) {
      this.state.textContent = "Taková tabulka na serveru není.";
      return;
    }
    const body = await answer.json().catch(() => null);
    if (!answer.ok || !body || !Array.isArray(body.rows)) {
      this.state.textContent = "Tabulku se nepodařilo načíst" + (body && body.error ? `: ${body.error}` : ".");
      return;
    }
    this.table = body;
    this.draw();
  },

  draw() {
    const t = this.table;
    this.title.textContent = t.title;
    this.rows.replaceChildren(...t.rows.map((r, i) => {
      const tr = element("tr", { "data-row": String(r.row) });
      tr.append(element("td", { class: "rank" }, `${i + 1}.`), element("td", { class: "name" }, String(r.name)),
        element("td", { class: "points" }, String(r.points)));
      return tr;
    }));
    this.state.textContent = t.rows.length ? "" : "Zatím prázdná: zapište první hru.";
  },

  // From the game: a game ran to its end. With a table shown, the page offers to enter it.
  gameResult(points, name, tape) {
    this.result = { points: Math.round(points), name, tape: base64(tape) };
    this.offered = false;
    if (this.id) this.offerResult();
  },

  offerResult() {
    const r = this.result;
    if (!r || this.offered) return;
    this.offered = true;
    this.offer.querySelector(".points").textContent = pointsText(r.points);
    this.offer.querySelector("input").value = r.name;
    this.offer.hidden = false;
  },

  closeForm(form) {
    form.hidden = true;
    // Without a table the panel was there only for the form.
    if (!this.id) this.panel.hidden = true;
    this.page.giveBackFocus();
  },

  // The name the player confirmed goes into the browser's storage first, then to the server:
  // nothing the player entered is lost to a closed tab or a dropped connection.
  enter(name) {
    const r = this.result;
    const n = chars(name);
    if (n < 1 || n > MAX_NAME) {
      this.say(`Jméno musí mít 1 až ${MAX_NAME} znaků.`);
      return;
    }
    this.closeForm(this.offer);
    if (!r) return;
    const entry = { table: this.id, name: name.trim(), points: r.points, tape: r.tape };
    const key = PENDING_PREFIX + Date.now().toString(36) + Math.random().toString(36).slice(2, 8);
    try {
      localStorage.setItem(key, JSON.stringify(entry));
    } catch (err) {
      console.warn("nadilka: the result was not kept for later:", err);
    }
    this.result = null;
    this.send(key, entry);
  },

  // Sends one entry; true when the server decided about it (taken or refused for good).
  async send(key, entry) {
    if (this.inFlight.has(key)) return false;
    this.inFlight.add(key);
    try {
      return await this.sendNow(key, entry);
    } finally {
      this.inFlight.delete(key);
    }
  },

  async sendNow(key, entry) {
    const forget = () => {
      try {
        localStorage.removeItem(key);
      } catch (err) { /* nothing to forget */ }
    };
    let answer;
    try {
      answer = await fetch(`api/tables/${encodeURIComponent(entry.table)}/scores`, {
        method: "POST", headers: { "Content-Type": "application/json" }, cache: "no-store",
        body: JSON.stringify({ name: entry.name, points: entry.points, tape: entry.tape }),
      });
    } catch (err) {
      this.waitToSend(null);
      return false;
    }
    const body = await answer.json().catch(() => ({}));
    const reason = typeof body.error === "string" ? body.error : `stav ${answer.status}`;
    const where = entry.table === this.id ? "" : " (jiná tabulka)";
    if (answer.status === 201) {
      forget();
      this.say(`Zapsáno${where}: ${entry.name}, ${pointsText(entry.points)}, ${body.rank}. místo.`);
    } else if (answer.status === 409) {
      forget();
      this.say(`Tato hra už v tabulce je${where}.`);
    } else if (answer.status === 422) {
      forget();
      this.say(`Server hru nepřijal${where}: ${reason}`);
    } else if (answer.status === 429 || answer.status >= 500) {
      // Busy or down: kept, and tried again after the server's pause.
      this.waitToSend(Number(answer.headers.get("Retry-After")) || 30);
      return false;
    } else {
      forget();
      this.say(`Výsledek nelze zapsat${where}: ${reason}`);
    }
    if (entry.table === this.id) this.refresh();
    return true;
  },

  waitToSend(seconds) {
    this.say(seconds === null ? "Bez spojení: výsledek se odešle, až bude stránka zase online."
      : "Server je teď zaneprázdněný: výsledek se odešle později.");
    clearTimeout(this.retryTimer);
    this.retryTimer = setTimeout(() => this.sendWaiting(), (seconds === null ? 30 : seconds) * 1000);
  },

  // The results kept for later, oldest first, one at a time; a failure leaves the rest waiting.
  async sendWaiting() {
    if (this.sending) return;
    this.sending = true;
    try {
      const keys = [];
      for (let i = 0; i < localStorage.length; i++) {
        const key = localStorage.key(i);
        if (key && key.startsWith(PENDING_PREFIX)) keys.push(key);
      }
      keys.sort();
      for (const key of keys) {
        let entry = null;
        try {
          entry = JSON.parse(localStorage.getItem(key));
        } catch (err) { /* unreadable: dropped below */ }
        if (!entry || typeof entry.table !== "string" || typeof entry.tape !== "string") {
          localStorage.removeItem(key);
          continue;
        }
        if (!(await this.send(key, entry))) break;
      }
    } catch (err) {
      console.warn("nadilka: the waiting results could not be read:", err);
    }
    this.sending = false;
  },

  askTitle() {
    this.creating.hidden = false;
    this.panel.classList.toggle("no-table", !this.id);
    this.panel.hidden = false;
    this.creating.querySelector("input").focus();
  },

  async create(title) {
    const n = chars(title);
    if (n < 1 || n > MAX_TITLE) {
      this.say(`Název musí mít 1 až ${MAX_TITLE} znaků.`);
      return;
    }
    let answer, body;
    try {
      answer = await fetch("api/tables", {
        method: "POST", headers: { "Content-Type": "application/json" }, cache: "no-store",
        body: JSON.stringify({ title: title.trim() }),
      });
      body = await answer.json().catch(() => ({}));
    } catch (err) {
      this.say("Bez spojení: tabulku teď nelze založit.");
      return;
    }
    if (answer.status !== 201 || typeof body.id !== "string" || !TABLE_ID.test(body.id)) {
      this.say("Tabulku se nepodařilo založit: " + (body.error || `stav ${answer.status}`));
      return;
    }
    const keys = this.keys();
    keys[body.id] = body.key;
    try {
      localStorage.setItem(KEYS_ITEM, JSON.stringify(keys));
    } catch (err) {
      console.warn("nadilka: the table's key was not kept:", err);
    }
    this.closeForm(this.creating);
    this.creating.querySelector("input").value = "";
    this.show(body.id);
    this.title.textContent = title.trim();
    const link = this.share.querySelector("a");
    link.href = link.textContent = this.link(body.id);
    this.share.querySelector(".copy").hidden = !(navigator.clipboard && navigator.clipboard.writeText);
    this.share.hidden = false;
    this.say("Tabulka je založená. Pošlete odkaz těm, kdo mají hrát s vámi.");
    // The game just played may go in at once.
    this.offered = false;
    this.offerResult();
  },

  link(id) { return location.origin + location.pathname + "?table=" + encodeURIComponent(id); },

  async copyLink() {
    try {
      await navigator.clipboard.writeText(this.share.querySelector("a").href);
      this.say("Odkaz je zkopírovaný.");
    } catch (err) {
      this.say("Odkaz se nepodařilo zkopírovat; označte ho a zkopírujte sami.");
    }
    this.page.giveBackFocus();
  },

  // The owners' keys, by table (kept for removing rows).
  keys() {
    try {
      const keys = JSON.parse(localStorage.getItem(KEYS_ITEM) || "{}");
      return keys && typeof keys === "object" ? keys : {};
    } catch (err) {
      return {};
    }
  },

  say(text) {
    this.message.textContent = text;
    this.message.hidden = false;
    if (this.panel.hidden) this.page.notice(text, true);
  },
};
window.nadilkaTables = nadilkaTables;
