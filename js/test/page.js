// The browser test's page: the package's ES module and the known answers,
// run in the page; the result (or why there is none) goes to window.morvResult.
import * as morv from '../index.js';
import { knownAnswers, mismatches, randomSource } from './known_answers.js';

// For the benchmark: MB/s of a one-shot 512-bit digest of 16 MiB, in wall time.
let large;
window.morvRate = () => {
  large ??= Uint8Array.from({ length: 16 << 20 }, (_, i) => (i * 131 + 7) & 255);
  const start = performance.now();
  morv.morv512(large);
  return large.length / (performance.now() - start) / 1e3;
};

async function run() {
  try {
    await morv.ready;
  } catch (error) {
    return { loadError: error.message, callError: (() => { try { morv.morv512('abc'); } catch (e) { return e.message; } })() };
  }
  const cases = knownAnswers(await (await fetch('/vectors')).text());
  const streamed = await morv.hashStream(new Blob(['ab', 'c']).stream(), 256, 'hex');
  const result = {
    cases: cases.length,
    mismatches: mismatches(morv, cases, randomSource(21)),
    streams: streamed === morv.morv256('abc', 'hex') && await morv.hashStream(new Blob(['abc']), 256, 'hex') === streamed,
  };
  return result;
}

window.morvResult = run().catch((error) => ({ error: String(error.stack || error) }));
