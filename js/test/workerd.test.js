// morv/init in workerd, a host that refuses to compile WebAssembly from bytes:
// the worker bundled by esbuild with morv.wasm left to the host as a wasm
// module, served on 127.0.0.1 and asked for known answers. Both tools come
// from the package's devDependencies (npm ci); without them the test is
// skipped, and CI's JavaScript leg fails on any skip.
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { copyFileSync, existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { test } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';
import { fileURLToPath } from 'node:url';

import { knownAnswers } from './known_answers.js';

const packageRoot = fileURLToPath(new URL('..', import.meta.url));
const installed = ['workerd', 'esbuild'].every((name) => existsSync(join(packageRoot, 'node_modules', name)));

function freePort() {
  return new Promise((resolve) => {
    const server = createServer().listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

// Asks the worker until it answers (it takes a moment to start), for at most 20 s.
async function ask(url, worker) {
  for (let tries = 0; tries < 100; tries++) {
    if (worker.exitCode !== null) throw new Error(`workerd exited with status ${worker.exitCode}`);
    try {
      const response = await fetch(url);
      return `${response.status} ${await response.text()}`;
    } catch {
      await sleep(200);
    }
  }
  throw new Error('workerd did not answer within 20 s');
}

test('morv/init in workerd: the worker answers with known digests', { skip: !installed && 'workerd and esbuild are not installed (npm ci)' }, async () => {
  const { build } = await import('esbuild');
  // A CommonJS module: its exports object is the default export, its default the binary's path.
  const { default: { default: workerd, compatibilityDate } } = await import('workerd');
  const folder = mkdtempSync(join(tmpdir(), 'morv-workerd-'));
  const port = await freePort();
  await build({ entryPoints: [join(packageRoot, 'test/workerd/worker.js')], bundle: true, format: 'esm', external: ['*.wasm'],
    outfile: join(folder, 'worker.js'), logLevel: 'error' });
  copyFileSync(join(packageRoot, 'dist/morv.wasm'), join(folder, 'morv.wasm'));
  const config = readFileSync(join(packageRoot, 'test/workerd/config.capnp'), 'utf8');
  writeFileSync(join(folder, 'config.capnp'), config.replaceAll('PORT', port).replaceAll('DATE', compatibilityDate));
  const worker = spawn(workerd, ['serve', join(folder, 'config.capnp')], { stdio: ['ignore', 'ignore', 'pipe'] });
  let errors = '';
  worker.stderr.on('data', (text) => { errors += text; });
  try {
    const cases = knownAnswers(readFileSync(new URL('../../tests/data/hash_vectors.txt', import.meta.url), 'utf8'))
      .filter((c) => c.bitCount % 8 === 0 && c.bitCount <= 2048);
    for (const c of cases.filter((_, i) => i % 5 === 0)) {
      const hex = Buffer.from(c.message).toString('hex');
      assert.equal(await ask(`http://127.0.0.1:${port}/?bits=${c.digestBits}&hex=${hex}`, worker), `200 ${c.digest}`, errors);
    }
  } finally {
    worker.kill();
    rmSync(folder, { recursive: true, force: true });
  }
});
