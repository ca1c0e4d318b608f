// The package in Node: the known answers, both widths, three ways each; then
// refusals, the forms of input and output, objects and copies, large inputs,
// streams and loading, with expected digests from the paths the answers pin.
import assert from 'node:assert/strict';
import { File } from 'node:buffer';
import { spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { Readable } from 'node:stream';
import { test } from 'node:test';

import * as morvPackage from '../index.js';
import { knownAnswers, mismatches, randomSource } from './known_answers.js';

const { Hash, createHash, hashMany, hashStream, morv, morv256, morv512 } = morvPackage;

const abc = new Uint8Array([0x61, 0x62, 0x63]);
const reference = (data, bits = 512) => createHash(bits).update(data).digest('hex');
const readJson = (name) => JSON.parse(readFileSync(new URL(name, import.meta.url), 'utf8'));
const ended = () => new Hash().updateBits(new Uint8Array([0xff]), 3);

test('every known answer, in one call, in random pieces and by bit length', () => {
  const cases = knownAnswers(readFileSync(new URL('../../tests/data/hash_vectors.txt', import.meta.url), 'utf8'));
  assert.ok(cases.length >= 60 && cases.some((c) => c.digestBits > 512) && cases.some((c) => c.bitCount % 8 !== 0));
  assert.deepEqual(mismatches(morvPackage, cases, randomSource(21)), []);
});

test('the refusals of refusals.json, as Node names them, leave the object as it was', async () => {
  const buffer = new ArrayBuffer(8);
  const detached = [buffer, new Uint8Array(buffer, 2), new DataView(buffer)];
  structuredClone(buffer, { transfer: [buffer] });
  const names = { ...morvPackage, abc, detached, ended: ended(), hash: createHash(256).update('ab') };
  for (const [call, type, code, message] of readJson('./refusals.json').rows) {
    const run = new Function(...Object.keys(names), `return ${call};`);
    await assert.rejects(async () => run(...Object.values(names)),
      (e) => e.constructor.name === type && e.code === code && new RegExp(message).test(e.message), call);
  }
  assert.equal(names.hash.update('c').digest('hex'), reference(abc, 256));
  assert.equal(names.ended.copy().digest('hex'), ended().digest('hex'));
});

test('every kind of bytes, a string as UTF-8, and digests as bytes, hex or base64', () => {
  const padded = new Uint8Array([0, 0x61, 0x62, 0x63, 0]);
  for (const form of [abc, 'abc', abc.buffer, Buffer.from('abc'), padded.subarray(1, 4), new DataView(padded.buffer, 1, 3)]) assert.equal(morv512(form, 'hex'), reference(abc));
  assert.equal(morv512(new Uint16Array([1, 2]), 'hex'), reference(new Uint8Array([1, 0, 2, 0])));
  const bytes = Buffer.from(morv256(abc));
  assert.ok(morv256(abc) instanceof Uint8Array && bytes.length === 32);
  assert.equal(morv256(abc, 'hex'), bytes.toString('hex'));
  for (const [bits, digestSize, blockSize] of [[8, 1, 64], [512, 64, 64], [520, 65, 128], [65536, 8192, 128]]) {
    const hash = new Hash(bits);
    assert.deepEqual([hash.name, hash.digestSize, hash.blockSize, hash.digest().length], [`morv-${bits}`, digestSize, blockSize, digestSize]);
    assert.equal(morv(abc, bits, 'hex'), hash.update(abc).digest('hex'));
  }
});

test('update(string, encoding) reads the bytes that Buffer.from reads; digests also in base64url, encodings named in any case', () => {
  const random = randomSource(30);
  const { encodings, strings, randomAlphabet } = readJson('./encodings.json');
  const randomStrings = Array.from({ length: 300 }, () => Array.from({ length: random(24) }, () => randomAlphabet[random(randomAlphabet.length)]).join(''));
  const differing = [];
  for (const encoding of encodings) {
    for (const text of [...strings, ...randomStrings]) {
      const got = createHash(256).update(text, encoding).digest('hex');
      if (got !== reference(Buffer.from(text, encoding), 256)) differing.push(`${JSON.stringify(text)} in ${encoding}`);
    }
  }
  assert.deepEqual(differing, []);
  assert.equal(createHash(256).update('abc', undefined).digest('hex'), reference(abc, 256));
  for (const bits of [8, 16, 24, 32, 40, 512]) {
    const bytes = Buffer.from(morv(abc, bits));
    for (const encoding of ['base64url', 'BASE64', 'Hex']) assert.equal(createHash(bits).update(abc).digest(encoding), bytes.toString(encoding));
  }
});

// User code in the argument (a subclass's constructor, run by subarray()'s
// species lookup, or getters on the view) must not run in the middle of a
// hash, where a hash of its own would overwrite the module's one context.
test('a message whose subclass or getters hash something gets its own digest', () => {
  class Logging extends Uint8Array {
    constructor(...args) {
      super(...args);
      createHash().update('log');
    }
  }
  const plain = new Uint8Array(200000).fill(7);
  const expected = reference(plain);
  const sneaky = (view) => {
    for (const name of ['buffer', 'byteOffset', 'byteLength', 'length']) {
      Object.defineProperty(view, name, { get: () => { morv512('inner'); return name === 'buffer' ? new ArrayBuffer(4) : 1; } });
    }
    return Object.defineProperty(view, 'constructor', { value: Logging });
  };
  for (const make of [() => new Logging(plain), () => sneaky(new Uint8Array(plain)), () => sneaky(new DataView(new Uint8Array(plain).buffer))]) {
    assert.equal(morv512(make(), 'hex'), expected);
    assert.equal(createHash().update(make()).digest('hex'), expected);
    assert.deepEqual(hashMany([make(), make()], 512, 'hex'), [expected, expected]);
  }
});

test('update chains, digest does not end the message, copies and interleaved objects keep their own', () => {
  const hash = createHash(256);
  const copy = hash.update('a').copy();
  assert.equal(hash.update(''), hash);
  const first = hash.digest('hex');
  copy.update('bc');
  assert.equal(hash.digest('hex'), first);
  assert.equal(hash.updateBits('b', 8).update('c').digest('hex'), copy.digest('hex'));
  const hashes = [224, 512, 1024, 2048].map((bits) => createHash(bits));
  for (const byte of abc) for (const h of hashes) h.update(new Uint8Array([byte]));
  for (const h of hashes) assert.equal(h.digest('hex'), morv(abc, 8 * h.digestSize, 'hex'));
});

test('a message longer than the module\'s input buffer: one call equals small pieces, partial byte included', () => {
  const random = randomSource(7);
  const big = Uint8Array.from({ length: 3 * 65536 + 77 }, () => random(256));
  for (const bits of [512, 1024]) {
    const inPieces = (bitCount) => {
      const hash = createHash(bits);
      for (let at = 0; at < bitCount >> 3; at += 1000) hash.update(big.subarray(at, Math.min(bitCount >> 3, at + 1000)));
      return hash.updateBits(big.subarray(bitCount >> 3), bitCount % 8).digest('hex');
    };
    assert.equal(morv(big, bits, 'hex'), inPieces(8 * big.length));
    assert.equal(createHash(bits).updateBits(big, 8 * big.length - 3).digest('hex'), inPieces(8 * big.length - 3));
    assert.deepEqual(hashMany([big, abc, ''], bits, 'hex'), [inPieces(8 * big.length), reference(abc, bits), reference('', bits)]);
  }
});

test('hashStream: Node Readable, ReadableStream, Blob, File, iterables; the bytes read after each chunk through an options object, its last argument; failures', async () => {
  const chunks = () => ['ab', new Uint8Array(5), 'é'];
  const whole = new Uint8Array([0x61, 0x62, 0, 0, 0, 0, 0, 0xc3, 0xa9]);
  const web = new Blob(chunks()).stream();
  for (const source of [Readable.from(chunks().map((c) => Buffer.from(c))), web, new Blob(chunks()), new File(chunks(), 'f.txt'),
    (async function* () { yield* chunks(); }())]) {
    assert.equal(await hashStream(source, 512, 'hex'), reference(whole));
  }
  assert.equal(web.locked, false);
  assert.equal(await hashStream(Readable.from(['ab', 'c']), 512, 'hex'), reference(abc));
  const heard = [];
  const onProgress = (bytesRead) => heard.push(bytesRead);
  for (const [args, bits] of [[[{ onProgress }], 512], [[256, { onProgress }], 256], [[256, 'hex', { onProgress }], 256], [[undefined, undefined, {}], 512]]) {
    heard.length = 0;
    const digest = await hashStream(chunks(), ...args);
    assert.equal(typeof digest === 'string' ? digest : Buffer.from(digest).toString('hex'), reference(whole, bits));
    assert.deepEqual(heard, args.at(-1).onProgress ? [2, 7, 9] : []);
  }
  await assert.rejects(hashStream(new Readable({ read() { this.destroy(new Error('disk gone')); } })), /disk gone/);
  const failing = new Blob(['abc']).stream();
  await assert.rejects(hashStream(failing, { onProgress: () => { throw new Error('stop'); } }), /stop/);
  assert.equal(failing.locked, false);
});

// A Node process of its own, for a fresh module or the garbage collector.
function runNode(flags, code) {
  const child = spawnSync(process.execPath, [...flags, '--input-type=module', '-e', code], { cwd: new URL('..', import.meta.url), encoding: 'utf8' });
  assert.equal(child.status, 0, child.stderr);
  return child.stdout.trim();
}

test('where the host compiles WebAssembly only asynchronously, calls wait for ready; where it refuses, they say why', () => {
  const attempt = (refusal) => runNode([], `
    WebAssembly.Module = function () { throw ${refusal}; };
    const m = await import('./index.js');
    let early; try { m.morv512('abc'); } catch (e) { early = e.message; }
    console.log(early + '|' + await m.ready.then(() => m.morv512('abc', 'hex'), (e) => 'rejected: ' + e.message));`);
  assert.equal(attempt("new RangeError('too big for the main thread')"),
    `morv: the WebAssembly module is still loading; await ready before hashing|${morv512('abc', 'hex')}`);
  assert.equal(attempt("new WebAssembly.CompileError('refused by policy')"),
    'morv: the WebAssembly module could not be loaded: refused by policy|rejected: refused by policy');
});

test('morv/init compiles nothing when imported; init takes a WebAssembly.Module, its bytes or a Response, and refuses the rest', () => {
  const lines = JSON.parse(runNode([], `
    import { readFileSync } from 'node:fs';
    const names = ['Module', 'Instance', 'compile', 'instantiate'];
    const real = Object.fromEntries(names.map((name) => [name, WebAssembly[name]]));
    for (const name of names) WebAssembly[name] = () => { throw new Error('compiled at import'); };
    const m = await import('morv/init');
    Object.assign(WebAssembly, real);
    const lines = [];
    try { m.morv512('abc'); } catch (e) { lines.push(e.message); }
    const bytes = readFileSync('dist/morv.wasm');
    for (const source of [bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length), bytes, new WebAssembly.Module(bytes),
      new Response(bytes), Promise.resolve(new Response(bytes))]) {
      await m.init(source);
      lines.push(m.morv512('abc', 'hex'));
    }
    const empty = new Uint8Array([0, 0x61, 0x73, 0x6d, 1, 0, 0, 0]);
    for (const bad of [42, undefined, new Response('gone', { status: 404, statusText: 'Not Found' }), empty]) {
      lines.push(await m.init(bad).then(() => 'resolved', (e) => [e.constructor.name, e.code, e.message].join(' ')));
    }
    console.log(JSON.stringify(lines));`));
  assert.deepEqual(lines, [
    'morv: the WebAssembly module is not loaded; await init(source) before hashing',
    ...Array(5).fill(morv512('abc', 'hex')),
    'TypeError ERR_INVALID_ARG_TYPE The "source" argument must be a WebAssembly.Module, an ArrayBuffer or view of its bytes, or a Response. Received type number (42)',
    'TypeError ERR_INVALID_ARG_TYPE The "source" argument must be a WebAssembly.Module, an ArrayBuffer or view of its bytes, or a Response. Received type undefined (undefined)',
    'Error  morv: morv.wasm could not be fetched: 404 Not Found',
    "TypeError  morv: the WebAssembly module is not morv's: it lacks memory, context, contextBytes, input, inputBytes, digest, digestBytes, init, update, final, hashInput",
  ]);
});

test('dropped objects are collected and the module\'s memory does not grow', () => {
  const { grown, memory } = JSON.parse(runNode(['--expose-gc'], `
    const m = await import('./index.js');
    const { module } = await import('./lib/module.js');
    const pages = module().memory.buffer.byteLength;
    const round = () => { for (let i = 0; i < 100000; i++) m.createHash(i % 2 ? 512 : 1024).update('bytes').copy(); gc(); return process.memoryUsage().heapUsed; };
    const first = round();
    for (let r = 0; r < 4; r++) round();
    m.morv512(new Uint8Array(64 << 20));
    console.log(JSON.stringify({ grown: round() - first, memory: module().memory.buffer.byteLength - pages }));`));
  assert.equal(memory, 0);
  assert.ok(grown < 4 << 20, `the heap grew by ${grown} bytes over five rounds of 200,000 dropped objects`);
});
