// What the lab's tests share: the keys of the lab page's entries in a shipped language file.
import fs from 'node:fs';
import path from 'node:path';

const Heading = '\r\nLab page (lab.html)';

// The keys under the lab page's heading of dscdma.LANG.itl, as written there.
export function labKeys(lang) {
  const folder = process.env.DSCDMA_LANGUAGES;
  if (!folder)
    throw new Error('DSCDMA_LANGUAGES names the folder of the language files');
  const text = fs.readFileSync(path.join(folder, `dscdma.${lang}.itl`), 'latin1');
  const at = text.indexOf(Heading);
  if (at < 0)
    throw new Error(`dscdma.${lang}.itl has no lab page entries`);
  return text.slice(at).split('\r\n').filter((l) => l.startsWith('[')).map((l) => l.slice(1, l.indexOf(']=')));
}
