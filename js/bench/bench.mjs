// The package's throughput beside its peers in the same Node process, and the
// native library's in the same run: one-shot digests of 16 MiB and of 64
// bytes, medians of interleaved rounds, and with --browser the 16 MiB figure
// in headless Chromium's page.
//
//   cd js/bench && npm ci && node bench.mjs [--core ../../build-bench-g++/bench/morv_bench] [--rounds 11] [--browser]
//
// morv_bench is built by tools/bench.sh. Figures are CPU time, as
// morv_bench's are, so that other work on a shared machine does not count;
// the page can only measure wall time, so it is compared with Node's wall time.
import { execFileSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import { parseArgs } from 'node:util';

import { sha512 as nobleSha512 } from '@noble/hashes/sha2.js';
import { createBLAKE2b, createSHA512 } from 'hash-wasm';

import { morv512 } from '../index.js';

const { values: options } = parseArgs({
  options: { core: { type: 'string' }, rounds: { type: 'string', default: '11' }, browser: { type: 'boolean' } },
});
const rounds = Number(options.rounds);

// The bytes morv_bench hashes: byte i is i * 131 + 7.
const bytes = (size) => Uint8Array.from({ length: size }, (_, i) => (i * 131 + 7) & 255);
const large = bytes(16 << 20);
const small = bytes(64);

const hashWasmSha512 = await createSHA512();
const hashWasmBlake2b = await createBLAKE2b(512);
const throughHashWasm = (hasher) => (data) => hasher.init().update(data).digest('binary');
const contenders = {
  morv512: (data) => morv512(data),
  'hash-wasm SHA-512': throughHashWasm(hashWasmSha512),
  'hash-wasm BLAKE2b-512': throughHashWasm(hashWasmBlake2b),
  '@noble/hashes SHA-512': (data) => nobleSha512(data),
  'node:crypto sha512': (data) => createHash('sha512').update(data).digest(),
};

function nativeRate() {
  const out = execFileSync(options.core, ['--benchmark_filter=^Morv512/16777216$', '--benchmark_min_time=0.2',
    '--benchmark_format=json'], { encoding: 'utf8' });
  return JSON.parse(out).benchmarks[0].bytes_per_second / 1e6;
}

// CPU and wall seconds per call, over calls calls.
function seconds(call, data, calls) {
  const cpu = process.cpuUsage();
  const wall = performance.now();
  for (let i = 0; i < calls; i++) call(data);
  const used = process.cpuUsage(cpu);
  return { cpu: (used.user + used.system) / 1e6 / calls, wall: (performance.now() - wall) / 1e3 / calls };
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const shuffled = (list) => list.map((x) => [Math.random(), x]).sort((a, b) => a[0] - b[0]).map(([, x]) => x);

const rates = {};      // MB/s at 16 MiB
const latencies = {};  // ns per 64-byte call
for (const name of [...Object.keys(contenders), 'native library']) {
  rates[name] = [];
  latencies[name] = [];
}
for (const call of Object.values(contenders)) {  // warm-up
  seconds(call, small, 20000);
  seconds(call, large, 2);
}
for (let round = 0; round < rounds; round++) {
  for (const name of shuffled([...Object.keys(contenders), 'native library'])) {
    if (name === 'native library') {
      if (options.core) rates[name].push(nativeRate());
      continue;
    }
    const time = seconds(contenders[name], large, 1);
    rates[name].push(large.length / time.cpu / 1e6);
    latencies[name].push(seconds(contenders[name], small, 20000).cpu * 1e9);
  }
}

const ratio = (a, b) => median(rates[a].map((rate, i) => rate / rates[b][i]));
console.log(`Node ${process.versions.node}, ${rounds} rounds, medians`);
console.log(`${'one-shot digest, CPU time'.padEnd(24)} ${'16 MiB, MB/s'.padStart(13)} ${'64 B, ns'.padStart(9)}`);
for (const name of Object.keys(rates)) {
  if (!rates[name].length) continue;
  const latency = latencies[name].length ? median(latencies[name]).toFixed(0) : '';
  console.log(`${name.padEnd(24)} ${median(rates[name]).toFixed(0).padStart(13)} ${latency.padStart(9)}`);
}
console.log('\ntarget                                          figure  aim');
const target = (name, value, low, high = Infinity) => {
  const aim = high === Infinity ? `${low} or more` : `${low} to ${high}`;
  const met = value >= low && value <= high;
  console.log(`${name.padEnd(46)} ${value.toFixed(2).padStart(7)}  ${aim}${met ? '' : '  (missed)'}`);
};
if (options.core) target('16 MiB, morv512 to the native library', ratio('morv512', 'native library'), 0.7);
target('16 MiB, morv512 to hash-wasm SHA-512', ratio('morv512', 'hash-wasm SHA-512'), 1.5);
target('64 B, morv512 calls to node:crypto sha512 calls',
  median(latencies['node:crypto sha512'].map((ns, i) => ns / latencies.morv512[i])), 1.0);
if (options.browser) {
  // Rounds in the page and in Node alternate, so that both meet the same load.
  const { withPage } = await import('../tools/chromium.mjs');
  const page = [];
  const node = [];
  await withPage('none', async (tab) => {
    for (let round = 0; round < rounds + 2; round++) {
      page.push(await tab.evaluate(async () => {
        const { morv512: inPage } = await import('/index.js');
        window.large ??= Uint8Array.from({ length: 16 << 20 }, (_, i) => (i * 131 + 7) & 255);
        const start = performance.now();
        inPage(window.large);
        return window.large.length / (performance.now() - start) / 1e3;
      }));
      node.push(large.length / seconds(contenders.morv512, large, 1).wall / 1e6);
    }
  });
  page.splice(0, 2);  // warm-up
  node.splice(0, 2);
  const ratios = page.map((rate, i) => rate / node[i]);
  console.log(`\n16 MiB in wall time: Chromium's page ${median(page).toFixed(0)} MB/s, Node ${median(node).toFixed(0)} MB/s`);
  target("16 MiB, Chromium's page to Node", median(ratios), 0.8, 1.2);
}
