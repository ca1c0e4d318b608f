// The browser test's page: the package's ES module and the known answers,
// run in the page; the result (or why there is none) goes to window.morvResult.
import * as morv from '../index.js';
import { knownAnswers, mismatches, randomSource } from './known_answers.js';

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

// MB/s of one-shot 512-bit digests of 16 MiB, the median of `rounds` runs.
function throughput(rounds) {
  const message = new Uint8Array(16 << 20).map((_, i) => i * 131);
  const rates = [];
  for (let r = 0; r < rounds; r++) {
    const start = performance.now();
    morv.morv512(message);
    rates.push(message.length / (performance.now() - start) / 1e3);
  }
  return median(rates);
}

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
  const rounds = Number(new URLSearchParams(location.search).get('rounds'));
  if (rounds > 0) result.mbPerSecond = throughput(rounds);
  return result;
}

window.morvResult = run().catch((error) => ({ error: String(error.stack || error) }));
