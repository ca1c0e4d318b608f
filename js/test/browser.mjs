// The browser test: the known answers in the package's page in headless
// Chromium, with no Content-Security-Policy and with one that allows
// 'wasm-unsafe-eval' but not 'unsafe-eval'; under a policy without
// 'wasm-unsafe-eval' the package must say that it could not load. Then the
// page dist/morv.html opened by its file:// URL: a 64 MiB file chosen gives
// morvsum's line and the bar reaches 100 %, a file dropped its digest, and
// pasted checksum lines get morvsum -c's results. Any mismatch, page error,
// console error or request fails it.
//
//   MORVSUM=path/to/morvsum node test/browser.mjs [--screenshot page.png]
import { execFileSync } from 'node:child_process';
import { randomFillSync } from 'node:crypto';
import { existsSync, mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { parseArgs } from 'node:util';

import { withBrowser, withPage } from '../tools/chromium.mjs';

const { screenshot } = parseArgs({ options: { screenshot: { type: 'string' } } }).values;
const morvsum = process.env.MORVSUM || fileURLToPath(new URL('../../build/cli/morvsum', import.meta.url));
const page = fileURLToPath(new URL('../dist/morv.html', import.meta.url));

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

// morvsum's output for the file, with these arguments.
const morvsumSays = (args, input) => execFileSync(morvsum, args, { input, encoding: 'utf8' });

async function checkFilePage(browser, folder) {
  const big = join(folder, 'big file.bin');
  writeFileSync(big, randomFillSync(Buffer.alloc(64 << 20)));
  const tab = await browser.newPage({ viewport: { width: 900, height: 620 } });
  const problems = [];
  tab.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  tab.on('console', (message) => message.type() === 'error' && problems.push(`console: ${message.text()}`));
  const pageUrl = pathToFileURL(page).href;
  tab.on('request', (request) => request.url() !== pageUrl && problems.push(`request: ${request.url()}`));
  await tab.goto(pageUrl);
  const shows = async (id, expected) => {
    try {
      await tab.waitForFunction(([i, e]) => document.getElementById(i).textContent === e, [id, expected], { timeout: 60000 });
    } catch {
      problems.push(`#${id} shows ${JSON.stringify(await tab.textContent(`#${id}`))}, not ${JSON.stringify(expected)}`);
    }
  };

  await tab.setInputFiles('#file', big);
  const [hex512] = morvsumSays([big]).split(' ');
  await shows('digest', `${hex512}  big file.bin`);
  const bar = await tab.$eval('#progress', (p) => [p.value, p.max]);
  if (bar[0] !== 64 << 20 || bar[1] !== 64 << 20) problems.push(`the bar ends at ${bar[0]} of ${bar[1]}`);
  await shows('status', `big file.bin: ${64 << 20} bytes read, 100 %`);

  // Lines as morvsum writes them: another length switches the page to it.
  const lines = [
    [`${hex512}  big file.bin`, 'big file.bin: OK'],
    [morvsumSays(['--tag', '-l', '256', big]).replace(big, 'big file.bin'), 'big file.bin: OK'],
    [`# sums\n${hex512.toUpperCase()} *other\r\n`, 'other: OK (the line names other; the file checked is big file.bin)'],
    [`\\${hex512}  new\\nline`, '\\new\\nline: OK (the line names new\nline; the file checked is big file.bin)'],
    [`0${hex512.slice(1)}  a\n${hex512.replace(/.$/, '0')}  big file.bin\ngarbage`, 'big file.bin: FAILED (1 improperly formatted line passed over)'],
    [`\\${hex512}  back\\slash`, 'no properly formatted checksum lines found'],
  ];
  for (const [line, verdict] of lines) {
    await tab.fill('#expected', line);
    await shows('verdict', verdict);
  }
  await tab.fill('#expected', `${hex512}  big file.bin`);
  await tab.fill('#bits', '512');
  await shows('verdict', 'big file.bin: OK');
  if (screenshot) await tab.screenshot({ path: screenshot });

  // A file dropped on the page, hashed at the length chosen (no line to set it).
  await tab.fill('#expected', '');
  await tab.fill('#bits', '384');
  await tab.$eval('#drop', (zone) => {
    const data = new DataTransfer();
    data.items.add(new File(['abc'], 'abc.txt'));
    zone.dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
  });
  await shows('digest', morvsumSays(['-l', '384'], 'abc').replace('-\n', 'abc.txt'));
  await tab.close();
  return problems;
}

if (!existsSync(page)) {
  report('the page dist/morv.html', ['it is not built: node build.mjs after npm ci']);
} else {
  const folder = mkdtempSync(join(tmpdir(), 'morv-page-'));
  try {
    report('the page by its file:// URL: a 64 MiB file, a dropped one, checksum lines', await withBrowser((browser) => checkFilePage(browser, folder)));
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}
console.log(`${4 - failed} passed, ${failed} failed`);
process.exitCode = failed ? 1 : 0;
