// How long the lab page's next slice of the curve may take. Early in a frame's interval a slice
// may take long; once the frame is older than its window (the browser lays out and paints at the
// end of the interval, and a frame that drew a view may have used it all), slices are short, so
// that the next frame waits for one short slice at most. Each slice is sized from the rate the
// last ones ran at, to the time it may take. Without a frame to keep (none of the page's waits,
// or the page is hidden) every slice may take long.
'use strict';

(function (root) {
  class SliceClock {
    // windowMs: from a frame's beginning, the time in which slices may be long; sliceMs: the
    // longest slice; leastMs: the short ones; bits: the first slice's.
    constructor({ windowMs = 10, sliceMs = 8, leastMs = 1.5, bits = 2000 } = {}) {
      this.windowMs = windowMs;
      this.sliceMs = sliceMs;
      this.leastMs = leastMs;
      this.rate = bits / sliceMs; // bits per millisecond
      this.frameStart = -Infinity;
    }

    frameBegun(now) {
      this.frameStart = now;
    }

    // The milliseconds the next slice may take at `now`; `framed`: a frame is waited for.
    allowance(now, framed) {
      if (!framed)
        return this.sliceMs;
      return Math.max(this.leastMs, Math.min(this.sliceMs, this.frameStart + this.windowMs - now));
    }

    // The bits a slice of `ms` takes at the rate measured so far.
    bitsFor(ms) {
      return Math.max(SliceClock.LeastBits, Math.min(SliceClock.MostBits, Math.round(this.rate * ms)));
    }

    // A slice of `bits` took `ms`: the rate follows it, within a factor of two per slice, as one
    // slice may have been held up by something else.
    ran(bits, ms) {
      const measured = ms > 0.05 ? bits / ms : Infinity;
      this.rate = Math.min(this.rate * 2, Math.max(this.rate / 2, measured));
      this.rate = Math.min(this.rate, SliceClock.MostBits / this.sliceMs);
    }
  }
  SliceClock.LeastBits = 100;
  SliceClock.MostBits = 1e7;

  if (typeof module === 'object' && module.exports)
    module.exports = { SliceClock };
  else
    root.SliceClock = SliceClock;
})(this);
