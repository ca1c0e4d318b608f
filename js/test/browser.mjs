// The browser test: the known answers in the package's page in headless
// Chromium, with no Content-Security-Policy and with one that allows
// 'wasm-unsafe-eval' but not 'unsafe-eval'; under a policy without
// 'wasm-unsafe-eval' the package must say that it could not load. Any
// mismatch, page error or console error fails it.
//
//   node test/browser.mjs
import { withPage } from '../tools/chromium.mjs';

const runPage = (csp) => withPage(csp, async (tab, errors) => ({ ...(await tab.evaluate(() => window.morvResult)), errors }));
let failed = 0;
const report = (name, problems) => {
  console.log(`${problems.length ? 'not ok' : 'ok'} - ${name}${problems.map((p) => `\n#   ${p}`).join('')}`);
  failed += problems.length > 0;
};
for (const csp of ['none', 'wasm']) {
  const result = await runPage(csp);
  const problems = [...result.errors, ...(result.mismatches ?? []), result.error, result.loadError].filter(Boolean);
  if (!(result.cases >= 60)) problems.push(`only ${result.cases} known answers ran`);
  if (!result.streams) problems.push('hashStream of a Blob and a ReadableStream did not give the one-call digest');
  report(`policy ${csp}: ${result.cases} known answers and the stream helper in the page`, problems);
}
// The page's console reports the blocked compile; the package must say so too.
const refused = await runPage('strict');
report(`policy without 'wasm-unsafe-eval': ${refused.callError}`,
  /could not be loaded/.test(refused.callError) && refused.loadError ? [] : [JSON.stringify(refused)]);
console.log(`${3 - failed} passed, ${failed} failed`);
process.exitCode = failed ? 1 : 0;
