// The known answers in Node, both widths, three ways each.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';

import * as morv from '../index.js';
import { knownAnswers, mismatches, randomSource } from './known_answers.js';

const cases = knownAnswers(readFileSync(new URL('../../tests/data/hash_vectors.txt', import.meta.url), 'utf8'));

test('every known answer, in one call, in random pieces and by bit length', () => {
  assert.ok(cases.some((c) => c.digestBits > 512) && cases.some((c) => c.bitCount % 8 !== 0));
  assert.ok(cases.length >= 60, `only ${cases.length} known answers were read`);
  assert.deepEqual(mismatches(morv, cases, randomSource(21)), []);
});
