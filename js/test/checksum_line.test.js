// The page's reading of checksum lines, row by row as morvsum's table
// (tests/data/morvsum.table, its --check rows) has morvsum -c read them, and
// the lines it writes.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { checksumLine, parseChecksumFile, parseChecksumLine, resultLine } from '../page/checksum_line.js';

const hex = (bits) => 'aB'.repeat(bits / 8);
const h = hex(512);

// [line, the untagged form decided before it, [bits, name, form after] or null when improperly formatted]
const lineRows = [
  ['4c  k8', undefined, [8, 'k8', 'two columns']],
  ['MORV-8 (k8) = 4c', 'reversed', [8, 'k8', 'reversed']],
  [`${h} *a`, undefined, [512, 'a', 'two columns']],
  [` \t${h}  a`, 'two columns', [512, 'a', 'two columns']],
  [`\\${h}  back\\\\slash`, undefined, [512, 'back\\slash', 'two columns']],
  [`\\MORV-512 (new\\nline) = ${h}`, undefined, [512, 'new\nline', undefined]],
  [`MORV-1024 (c\rr) = ${hex(1024)}`, undefined, [1024, 'c\rr', undefined]],
  [`MORV-1000 (b) = ${hex(1000)}`, undefined, [1000, 'b', undefined]],
  [`MORV-2048 (k2048) = ${hex(2048)}`, undefined, [2048, 'k2048', undefined]],
  [`MORV-512 (a)= ${h}`, undefined, [512, 'a', undefined]],
  [`MORV-512(a)\t=\t${h}`, undefined, [512, 'a', undefined]],
  [`MORV-0512 (a)b) = ${h}`, undefined, [512, 'a)b', undefined]],
  [`${h}  caf\u00e9 d\\f`, undefined, [512, 'caf\u00e9 d\\f', 'two columns']],
  [`${h}  a\0b`, undefined, [512, 'a', 'two columns']],
  [`${h} a`, undefined, [512, 'a', 'reversed']],
  [`${h}  a`, 'reversed', [512, ' a', 'reversed']],
  [`${h} *`, undefined, [512, '*', 'reversed']],
  [`${h} a`, 'two columns', null],
  [`\\${h}  back\\slash`, undefined, null],
  [`\\${h}  a\0b`, undefined, null],
  [`\\${h}  ends\\`, undefined, null],
  [`MORV_512 (a) = ${h}`, undefined, null],
  [`MORV-512  (a) = ${h}`, undefined, null],
  [`MORV-256 (a) = ${h}`, undefined, null],
  [`MORV-512 (a) : ${h}`, undefined, null],
  [`MORV-512 xa) = ${h}`, undefined, null],
  [`MORV-65544 (a) = ${hex(65544)}`, undefined, null],
  [`${hex(65544)}  a`, undefined, null],
  ['MORV-7 (a) = ab', undefined, null],
  ['MORV-4 (a) = a', undefined, null],
  [`${h.slice(1)}  a`, undefined, null],
  [`${h}`, undefined, null],
  ['garbage', undefined, null],
  ['0a', undefined, null],
];

test('checksum lines read as morvsum -c reads them', () => {
  for (const [line, form, expected] of lineRows) {
    const parsed = parseChecksumLine(line, form);
    const got = parsed && [parsed.bits, parsed.name, parsed.form ?? form];
    assert.deepEqual(got, expected, JSON.stringify(line));
    if (parsed) assert.equal(parsed.hex.length, parsed.bits / 4);
  }
});

test('a pasted file: comments, empty lines and carriage returns passed over, the first untagged line decides the form', () => {
  const { proper, improper } = parseChecksumFile(`#x\n${h} a\r\n\n${h}  a\nMORV-8 (t) = 4c\ngarbage\n`);
  assert.deepEqual(proper.map((p) => p.name), ['a', ' a', 't']);
  assert.equal(improper, 1);
});

test('the lines morvsum writes: hashing mode escapes \\, line ends and carriage returns; -c only a name with a line end', () => {
  const rows = [
    [checksumLine('4c', 'k8'), '4c  k8'],
    [checksumLine('4c', 'back\\slash'), '\\4c  back\\\\slash'],
    [checksumLine('4c', 'c\rr\n'), '\\4c  c\\rr\\n'],
    [resultLine('a', 'OK'), 'a: OK'],
    [resultLine('c\rr', 'OK'), 'c\rr: OK'],
    [resultLine('new\nline\\', 'FAILED'), '\\new\\nline\\\\: FAILED'],
  ];
  for (const [got, expected] of rows) assert.equal(got, expected);
});
