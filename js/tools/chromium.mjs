// Headless Chromium (the system's, driven by playwright-core), and the
// package's test page in it, served from 127.0.0.1 under a chosen
// Content-Security-Policy: for the browser test and the benchmark.
// CHROMIUM=... names another browser.
import { readFile } from 'node:fs/promises';
import { createServer } from 'node:http';
import { extname, join, normalize } from 'node:path';
import { fileURLToPath } from 'node:url';

import { chromium } from 'playwright-core';

const root = fileURLToPath(new URL('..', import.meta.url));
const vectors = new URL('../../tests/data/hash_vectors.txt', import.meta.url);
const types = { '.js': 'text/javascript', '.html': 'text/html', '.txt': 'text/plain' };
const page = '<!doctype html><meta charset="utf-8"><title>morv</title><script type="module" src="/test/page.js"></script>';

// Serves the package folder, the known answers at /vectors and the page at
// /page.html, with the policy that the query's csp names.
const policies = {
  none: null,
  wasm: "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'",
  strict: "default-src 'self'; script-src 'self'",
};

function serve() {
  const server = createServer(async (request, response) => {
    const url = new URL(request.url, 'http://127.0.0.1');
    const policy = policies[url.searchParams.get('csp') ?? 'none'];
    const headers = policy ? { 'Content-Security-Policy': policy } : {};
    try {
      let body;
      if (url.pathname === '/page.html') body = page;
      else if (url.pathname === '/vectors') body = await readFile(vectors);
      else if (url.pathname === '/favicon.ico') body = '';
      else body = await readFile(join(root, normalize(url.pathname).replace(/^(\.\.[/\\])+/, '')));
      response.writeHead(200, { ...headers, 'Content-Type': types[extname(url.pathname)] ?? 'text/html' });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// use(browser) on the system's Chromium, headless.
export async function withBrowser(use) {
  const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
  try {
    return await use(browser);
  } finally {
    await browser.close();
  }
}

// use(tab, errors) on the page under a policy, once the page has its result.
export async function withPage(csp, use) {
  const server = await serve();
  try {
    return await withBrowser(async (browser) => {
      const tab = await browser.newPage();
      const errors = [];
      tab.on('pageerror', (error) => errors.push(`page error: ${error.message}`));
      tab.on('console', (message) => message.type() === 'error' && errors.push(`console: ${message.text()}`));
      await tab.goto(`http://127.0.0.1:${server.address().port}/page.html?csp=${csp}`);
      await tab.waitForFunction(() => window.morvResult, null, { timeout: 120000 });
      return await use(tab, errors);
    });
  } finally {
    server.close();
  }
}
