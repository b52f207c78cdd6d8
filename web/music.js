// The game's music in the page: the two MIDI files rendered at build time with the desktop's
// soundfont (tools/music/render-web, as music/*.mp3), decoded with Web Audio and played from
// the decoded samples. The player follows the desktop's: selecting a file starts it from its
// beginning, ten plays in a row; play continues a paused file or starts a finished one (or one
// whose ten plays are over) afresh; pause pauses.
//
// The ten plays are one looping source of exactly one play's samples (the MIDI file's length),
// so they join without a gap, and they are counted on the audio's own clock from when the music
// is heard. While nothing sounds (paused, the plays over) the audio device is let go
// (AudioContext.suspend), which also stops that clock.
//
// Browsers allow sound only after the first click or key: until then the music waits (its time
// does not run). The files are fetched and decoded once the first frame is up, so they never
// hold up the game. Without Web Audio, or should anything fail, the game plays in silence.
"use strict";

(() => {
  const PLAYS = 10;
  // The encoder's priming and the decoder's delay at the start of the MP3, at its 16 kHz (lame's
  // 576 samples and an MP3 decoder's 529): browsers that read the LAME tag drop them with the
  // padding at the end, others leave them in the decoded audio.
  const PRIMING_SECONDS = (576 + 529) / 16000;
  const DECODE_RATE = 16000; // the files' own rate: decoded at it, resampled only when heard
  const LEAD_SECONDS = 0.05; // from asking for sound to the start of a play
  const PREFETCH_AFTER_MS = 1000; // after the first frame

  const url = (name) => "music/" + name.replace(/^.*\//, "").replace(/\.mid$/i, "") + ".mp3";

  const music = {
    file: null, // {name, lengthMs}
    loaded: false, // a file has been started (the desktop's "music loaded")
    paused: false,
    context: null, // the AudioContext, made on the first click or key
    buffers: new Map(), // name -> Promise of its decoded AudioBuffer
    plays: new Map(), // name@length -> one play's AudioBuffer
    source: null, // the playing (or scheduled) source
    startedAt: 0, // the context's time at which the source's offset 0 of play 1 is heard
    playedBefore: 0, // seconds played before the source began (a paused file continued)
    failed: false,
    generation: 0,
    requested: [], // the music files asked for, for the tests

    // The first click or key: browsers allow sound from here on.
    unlock(event) {
      if (this.failed || !event.isTrusted) return;
      if (!["keydown", "pointerdown", "pointerup", "click", "touchend"].includes(event.type)) return;
      try {
        if (!this.context) {
          const Context = window.AudioContext || window.webkitAudioContext;
          if (!Context) throw new Error("no Web Audio");
          // Music needs no quick reaction: the largest buffers wake the audio thread least.
          try {
            this.context = new Context({ latencyHint: "playback" });
          } catch {
            this.context = new Context(); // a browser that takes no options
          }
          this.sound();
        } else if (this.wanted() && this.context.state !== "running") {
          this.context.resume().catch(() => {});
        }
      } catch (err) {
        this.fail(err);
      }
    },

    fail(err) {
      if (this.failed) return;
      console.warn("nadilka: no music, the game plays in silence:", err);
      this.failed = true;
      this.stopSource();
    },

    // The file's samples, fetched and decoded once (and again after a failure).
    buffer(name) {
      if (!this.buffers.has(name)) {
        const decode = async () => {
          this.requested.push(url(name));
          const response = await fetch(url(name));
          if (!response.ok) throw new Error(url(name) + ": " + response.status);
          const bytes = await response.arrayBuffer();
          const decoder = this.offlineDecoder() || this.context;
          if (!decoder) throw new Error("no Web Audio");
          return await new Promise((resolve, reject) => {
            const promise = decoder.decodeAudioData(bytes, resolve, reject);
            if (promise) promise.catch(reject);
          });
        };
        const decoded = decode();
        decoded.catch(() => this.buffers.delete(name));
        this.buffers.set(name, decoded);
      }
      return this.buffers.get(name);
    },

    // Decodes at the files' own rate, which a page's context seldom has; null where a browser
    // runs no offline context at that rate.
    offlineDecoder() {
      try {
        return new (window.OfflineAudioContext || window.webkitOfflineAudioContext)(2, 1, DECODE_RATE);
      } catch {
        return null;
      }
    },

    // One play, made once per file; the decoded whole is let go.
    async playOf(file) {
      const key = file.name + "@" + file.lengthMs;
      if (!this.plays.has(key)) {
        const play = this.onePlay(await this.buffer(file.name), file.lengthMs);
        this.plays.set(key, play);
        this.buffers.set(file.name, Promise.resolve(play));
      }
      return this.plays.get(key);
    },

    // Exactly one play: the MIDI file's length, after the priming where the decoder left it in.
    onePlay(decoded, lengthMs) {
      const rate = decoded.sampleRate;
      const frames = Math.max(1, Math.round((lengthMs / 1000) * rate));
      const extra = decoded.length - frames;
      const skip = extra > 0.02 * rate ? Math.min(extra, Math.round(PRIMING_SECONDS * rate)) : 0;
      const play = (this.context || this.offlineDecoder()).createBuffer(decoded.numberOfChannels, frames, rate);
      for (let c = 0; c < decoded.numberOfChannels; ++c)
        play.copyToChannel(decoded.getChannelData(c).subarray(skip, skip + frames), c);
      return play;
    },

    // Fetches and decodes both pieces once the game is up, before the first click needs them.
    prefetch(names) {
      if (this.failed || !this.offlineDecoder()) return;
      for (const name of names) this.buffer(name).catch(() => {});
    },

    wanted() { return !this.failed && this.loaded && !this.paused && !this.tenPlaysOver(); },
    lengthSeconds() { return this.file && this.file.lengthMs > 0 ? this.file.lengthMs / 1000 : 0; },
    played() {
      const now = this.source && this.context ? Math.max(0, this.context.currentTime - this.startedAt) : 0;
      return Math.min(this.playedBefore + now, PLAYS * this.lengthSeconds());
    },
    tenPlaysOver() { return this.lengthSeconds() > 0 && this.played() >= PLAYS * this.lengthSeconds() - 1e-3; },

    // bytes: the MIDI file (empty when it could not be read); only its length matters here.
    select(bytes, lengthMs, name) {
      this.file = bytes.length ? { name, lengthMs } : null;
      this.startFromBeginning();
    },

    startFromBeginning() {
      this.loaded = !!this.file;
      this.paused = false;
      this.stopSource();
      this.playedBefore = 0;
      this.sound();
    },

    play() {
      if (!this.file) return;
      if (!this.loaded || this.tenPlaysOver()) {
        this.startFromBeginning();
      } else if (this.paused) {
        this.paused = false;
        this.sound();
      }
    },

    pause() {
      if (!this.loaded || this.paused) return;
      this.paused = true;
      this.sound();
    },

    stopSource() {
      if (!this.source) return;
      this.playedBefore = this.played();
      this.source.onended = null;
      try { this.source.stop(); } catch {}
      this.source.disconnect();
      this.source = null;
    },

    // Makes the audio sound as the state says: the file's source scheduled from where its time
    // stands and the device running, or the device let go.
    async sound() {
      const context = this.context, generation = ++this.generation;
      if (!context || this.failed) return;
      if (!this.wanted()) {
        if (context.state === "running") context.suspend().catch(() => {});
        return;
      }
      if (context.state !== "running") context.resume().catch(() => {});
      if (this.source) return; // a paused source continues where the device stopped
      const file = this.file;
      try {
        const play = await this.playOf(file);
        if (generation !== this.generation || !this.wanted() || this.source) return;
        const source = context.createBufferSource();
        source.buffer = play;
        source.loop = true;
        source.connect(context.destination);
        // A MIDI file whose length could not be read: a play lasts as long as its recording.
        if (!(this.file.lengthMs > 0)) this.file.lengthMs = play.duration * 1000;
        const length = this.lengthSeconds();
        const when = context.currentTime + LEAD_SECONDS;
        source.start(when, this.playedBefore % length);
        source.stop(when + PLAYS * length - this.playedBefore);
        source.onended = () => {
          if (this.source !== source) return;
          this.stopSource();
          this.playedBefore = PLAYS * length;
          this.sound(); // the ten plays are over: let the device go
        };
        this.source = source;
        this.startedAt = when;
      } catch (err) {
        this.fail(err);
      }
    },

    // For the tests: what the player is doing.
    state() {
      return { file: this.file && this.file.name, loaded: this.loaded, paused: this.paused,
        audio: this.context ? this.context.state : "none", sounding: !!this.source && this.context.state === "running",
        failed: this.failed, playedMs: 1000 * this.played(), requested: this.requested.slice() };
    },
  };
  nadilkaPage.music = music;

  // The pieces are fetched once the first frame is shown: the game never waits for them.
  if (window.PerformanceObserver) {
    const observer = new PerformanceObserver((list) => {
      if (!list.getEntries().some((e) => e.name === "nadilka-first-frame")) return;
      observer.disconnect();
      setTimeout(() => music.prefetch(["menu.mid", "game.mid"]), PREFETCH_AFTER_MS);
    });
    try { observer.observe({ type: "mark" }); } catch {}
  }
})();
