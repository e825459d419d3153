// The native model's answers, from the simulator tool of the same build.
import { execFileSync } from 'node:child_process';

const sim = process.env.DSCDMA_SIM;

// Windows-1252 0x80..0x9F; the rest is Latin-1. (Node's own decoder of that name reads Latin-1.)
const High = [
  0x20AC, 0x81, 0x201A, 0x192, 0x201E, 0x2026, 0x2020, 0x2021, 0x2C6, 0x2030, 0x160, 0x2039, 0x152, 0x8D, 0x17D, 0x8F,
  0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x2DC, 0x2122, 0x161, 0x203A, 0x153, 0x9D, 0x17E, 0x178,
];

export function fromCp1252(byte) {
  return String.fromCharCode(byte >= 0x80 && byte <= 0x9F ? High[byte - 0x80] : byte);
}

// Runs dscdma-sim for one set of inputs (page field texts) and returns what the page must show.
export function nativeAnswer({ a = 'Z', b = 'W', keyA = '23', keyB = '44', keyRx = '23', sf = 8 }) {
  if (!sim)
    throw new Error('DSCDMA_SIM names the dscdma-sim program');
  const args = ['--key-a', keyA, '--key-b', keyB, '--key-rx', keyRx, '--spread', String(sf), '--format', 'json'];
  args.push('--text-a', a, '--text-b', b);
  const out = JSON.parse(execFileSync(sim, args, { encoding: 'utf8' }));
  const received = fromCp1252(out.recovered_byte);
  return { received, code: out.recovered_byte, ok: out.transmission_ok, channel: out.selected_channel };
}
