// The page's reading and writing of checksum lines, row by row from
// checksum_lines.json.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';

import * as lines from '../page/checksum_line.js';

const table = JSON.parse(readFileSync(new URL('./checksum_lines.json', import.meta.url), 'utf8'));
const expand = (text) => text.replace(/\{(\d+)\}/g, (_, bits) => 'aB'.repeat(bits / 8));

test('checksum lines read as morvsum -c reads them, in a line and in a pasted file; the lines morvsum writes', () => {
  for (const [line, form, expected] of table.read) {
    const parsed = lines.parseChecksumLine(expand(line), form ?? undefined);
    assert.deepEqual(parsed && [parsed.bits, parsed.name, parsed.form ?? form], expected, JSON.stringify(line));
    if (parsed) assert.equal(parsed.hex.length, parsed.bits / 4);
  }
  // Comments, empty lines and carriage returns passed over; the first untagged line decides the form.
  const [text, names, improper] = table.file;
  const parsed = lines.parseChecksumFile(expand(text));
  assert.deepEqual([parsed.proper.map((p) => p.name), parsed.improper], [names, improper]);
  // Hashing mode escapes \\, line ends and carriage returns; -c only a name with a line end.
  for (const [name, args, expected] of table.written) assert.equal(lines[name](...args), expected);
});
