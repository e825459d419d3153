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

// The received-character label's text for a byte: the character, or for one that the code page
// has nothing printable for, its name in the ASCII table, or its number.
const ControlNames = ['NUL', 'SOH', 'STX', 'ETX', 'EOT', 'ENQ', 'ACK', 'BEL', 'BS', 'HT', 'LF', 'VT', 'FF', 'CR',
  'SO', 'SI', 'DLE', 'DC1', 'DC2', 'DC3', 'DC4', 'NAK', 'SYN', 'ETB', 'CAN', 'EM', 'SUB', 'ESC', 'FS', 'GS', 'RS', 'US'];
export function shownName(byte) {
  if (byte < 32)
    return ControlNames[byte];
  if (byte === 127)
    return 'DEL';
  if ([0x81, 0x8D, 0x8F, 0x90, 0x9D].includes(byte))
    return '#' + byte;
  return fromCp1252(byte);
}

// Runs dscdma-sim for one set of inputs (page field texts) and returns what the page must show
// (`shown`) and post (`received`).
export function nativeAnswer({ a = 'Z', b = 'W', keyA = '23', keyB = '44', keyRx = '23', sf = 8 }) {
  if (!sim)
    throw new Error('DSCDMA_SIM names the dscdma-sim program');
  const args = ['--key-a', keyA, '--key-b', keyB, '--key-rx', keyRx, '--spread', String(sf), '--format', 'json'];
  args.push('--text-a', a, '--text-b', b);
  const out = JSON.parse(execFileSync(sim, args, { encoding: 'utf8' }));
  const received = fromCp1252(out.recovered_byte);
  return { received, shown: shownName(out.recovered_byte), code: out.recovered_byte, ok: out.transmission_ok,
           channel: out.selected_channel };
}
