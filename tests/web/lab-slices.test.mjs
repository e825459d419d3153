// The lab page's slices of the curve, without a browser: how long a slice may take at each moment
// of a frame's interval (short ones once the frame is old, or drew long), and how many bits a
// slice of a given length takes.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const { SliceClock } = createRequire(import.meta.url)(path.join(here, '../../web/site/lab-slices.js'));

const Options = { windowMs: 10, sliceMs: 8, leastMs: 1.5, bits: 2000 };

test('a slice takes what is left of the frame\'s window, and a short one once less is left', () => {
  const cases = [
    { at: 0, want: 8, why: 'the longest slice at the frame\'s start' },
    { at: 2, want: 8, why: 'the window holds a whole slice' },
    { at: 4, want: 6, why: 'the rest of the window' },
    { at: 8.4, want: 1.6, why: 'the rest of the window, a little longer than a short slice' },
    { at: 8.6, want: 1.5, why: 'less than a short slice left: a short one' },
    { at: 30, want: 1.5, why: 'a frame that drew past its window: short ones' },
  ];
  for (const { at, want, why } of cases) {
    const clock = new SliceClock(Options);
    clock.frameBegun(1016);
    const got = clock.allowance(1016 + at, true);
    assert.ok(Math.abs(got - want) < 1e-9, `${why}: ${got} ms at +${at}`);
  }
  const clock = new SliceClock(Options);
  clock.frameBegun(0);
  assert.equal(clock.allowance(12, true), 1.5, 'late in a frame');
  clock.frameBegun(17);
  assert.equal(clock.allowance(18, true), 8, 'early in the next');
});

test('without frames to keep, slices are long at any moment', () => {
  const clock = new SliceClock(Options);
  clock.frameBegun(0);
  for (const at of [0, 9, 50, 1e6])
    assert.equal(clock.allowance(at, false), 8, `at +${at}`);
});

test('a slice\'s bits follow the rate measured, by at most a factor of two per slice, within bounds', () => {
  const cases = [
    { ran: [2000, 8], ms: 8, want: 2000, why: 'as fast as before' },
    { ran: [2000, 4], ms: 8, want: 4000, why: 'twice as fast' },
    { ran: [2000, 1], ms: 8, want: 4000, why: 'eight times as fast: twice only' },
    { ran: [2000, 32], ms: 8, want: 1000, why: 'a slice held up: half only' },
    { ran: [2000, 0], ms: 8, want: 4000, why: 'too quick to time: twice' },
    { ran: [2000, 8], ms: 2, want: 500, why: 'a shorter slice' },
    { ran: [2000, 8], ms: 0.01, want: SliceClock.LeastBits, why: 'never fewer than the least' },
  ];
  for (const { ran, ms, want, why } of cases) {
    const clock = new SliceClock(Options);
    clock.ran(...ran);
    assert.equal(clock.bitsFor(ms), want, why);
  }
  const fast = new SliceClock(Options);
  for (let i = 0; i < 40; ++i)
    fast.ran(fast.bitsFor(8), 0);
  assert.equal(fast.bitsFor(8), SliceClock.MostBits, 'never more than the most');
});
