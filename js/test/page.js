// The browser test's page: the package's ES module and the known answers in
// the page; the result, or why there is none, goes to window.morvResult.
import * as morv from '../index.js';
import { knownAnswers, mismatches, randomSource } from './known_answers.js';

async function run() {
  const refusal = await morv.ready.then(() => null, (error) => error.message);
  if (refusal) return { loadError: refusal, callError: (() => { try { morv.morv512('abc'); } catch (e) { return e.message; } })() };
  const cases = knownAnswers(await (await fetch('/vectors')).text());
  const oneCall = morv.morv256('abc', 'hex');
  const streams = await Promise.all([new Blob(['ab', 'c']).stream(), new Blob(['a', 'bc'])].map((s) => morv.hashStream(s, 256, 'hex')));
  return { cases: cases.length, mismatches: mismatches(morv, cases, randomSource(21)), streams: streams.every((d) => d === oneCall) };
}
window.morvResult = run().catch((error) => ({ error: String(error.stack || error) }));

