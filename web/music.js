// The game's music in the page: the two MIDI files through FluidSynth (js-synthesizer, in an
// AudioWorklet off the main thread) with the General MIDI soundfont the desktop uses. The
// player follows the desktop's: selecting a file starts it from its beginning, ten plays in a
// row; play continues a paused file or starts a finished one (or one whose ten plays are over)
// afresh; pause pauses. Browsers allow sound only after the first click or key: until then the
// music waits (its time does not run), and the soundfont is fetched only then, so it never holds
// up the game. Without a sound device, or should anything fail, the game plays in silence.
"use strict";

(() => {
  const PLAYS = 10;
  const now = () => performance.now();
  const loadScript = (src) =>
    new Promise((resolve, reject) => {
      const script = document.createElement("script");
      script.src = src;
      script.onload = resolve;
      script.onerror = () => reject(new Error("cannot load " + src));
      document.head.appendChild(script);
    });

  const music = {
    file: null, // {name, bytes, lengthMs}
    loaded: false, // a file has been started (the desktop's "music loaded")
    paused: false,
    playedMs: 0, // time played before `since`, while sound ran
    since: 0,
    ready: false, // the synthesizer runs and has its soundfont
    opening: false,
    failed: false,
    generation: 0,

    // The first click or key: browsers allow sound from here on.
    unlock(event) {
      if (this.opening || this.failed || !event.isTrusted) return;
      if (!["keydown", "pointerdown", "pointerup", "click"].includes(event.type)) return;
      this.opening = true;
      this.open().catch((err) => {
        console.warn("nadilka: no music, the game plays in silence:", err);
        this.failed = true;
      });
    },

    async open() {
      if (typeof JSSynth === "undefined") await loadScript("synth/js-synthesizer.min.js");
      const context = new AudioContext();
      context.resume().catch(() => {});
      await context.audioWorklet.addModule("synth/libfluidsynth.js");
      await context.audioWorklet.addModule("synth/js-synthesizer.worklet.min.js");
      const synth = new JSSynth.AudioWorkletNodeSynthesizer();
      synth.init(context.sampleRate);
      synth.createAudioNode(context).connect(context.destination);
      const font = await fetch("synth/TimGM6mb.sf2");
      if (!font.ok) throw new Error("the soundfont: " + font.status);
      await synth.loadSFont(await font.arrayBuffer());
      this.context = context;
      this.synth = synth;
      this.ready = true;
      this.since = now();
      // What the game asked for meanwhile starts now, from the beginning.
      if (this.loaded) this.sound(true);
    },

    running() { return this.ready && this.loaded && !this.paused; },
    played() { return this.playedMs + (this.running() ? now() - this.since : 0); },
    tenPlaysOver() { return this.file && this.file.lengthMs > 0 && this.played() >= PLAYS * this.file.lengthMs; },

    select(bytes, lengthMs, name) {
      this.file = bytes.length ? { name, bytes, lengthMs } : null;
      this.startFromBeginning();
    },

    startFromBeginning() {
      this.loaded = !!this.file;
      this.paused = false;
      this.playedMs = 0;
      this.since = now();
      this.sound(true);
    },

    play() {
      if (!this.file) return;
      if (!this.loaded || this.tenPlaysOver()) {
        this.startFromBeginning();
      } else if (this.paused) {
        this.paused = false;
        this.since = now();
        this.sound(false);
      }
    },

    pause() {
      if (!this.loaded || this.paused) return;
      this.playedMs = this.played();
      this.paused = true;
      this.sound(false);
    },

    // Makes the synthesizer sound as the state says: the file afresh (fromStart) or the same
    // file paused or continued.
    async sound(fromStart) {
      if (!this.ready) return;
      const synth = this.synth, generation = ++this.generation;
      try {
        synth.stopPlayer();
        synth.midiAllSoundsOff();
        if (fromStart) {
          await synth.resetPlayer();
          if (generation !== this.generation || !this.file) return;
          await synth.addSMFDataToPlayer(this.file.bytes.slice().buffer);
          synth.setPlayerLoop(PLAYS);
        }
        if (generation !== this.generation || !this.running()) return;
        await synth.playPlayer();
      } catch (err) {
        console.warn("nadilka: the music stopped:", err);
      }
    },

    // For the tests: what the player is doing.
    state() {
      return { file: this.file && this.file.name, loaded: this.loaded, paused: this.paused, ready: this.ready,
        failed: this.failed, playedMs: this.played() };
    },
  };
  nadilkaPage.music = music;
})();
