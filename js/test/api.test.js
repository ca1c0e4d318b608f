// The package's behaviour beyond the known answers: refusals, the forms of
// input and output, objects and copies, large inputs, streams and loading.
// Expected digests come from the paths that the known answers pin.
import assert from 'node:assert/strict';
import { File } from 'node:buffer';
import { spawnSync } from 'node:child_process';
import { Readable } from 'node:stream';
import { describe, test } from 'node:test';

import { Hash, createHash, hashMany, hashStream, morv, morv256, morv512, ready } from '../index.js';
import { randomSource } from './known_answers.js';

const abc = new Uint8Array([0x61, 0x62, 0x63]);
const reference = (data, bits = 512) => createHash(bits).update(data).digest('hex');
const ended = () => createHash().updateBits(new Uint8Array([0xff]), 3);

describe('refusals, as Node names them', () => {
  const rows = [
    ['a number as data', () => morv512(5), TypeError, 'ERR_INVALID_ARG_TYPE', /"data" argument must be .* Received type number \(5\)/],
    ['null as data', () => createHash().update(null), TypeError, 'ERR_INVALID_ARG_TYPE', /Received null/],
    ['an array as data', () => morv([0x61], 256), TypeError, 'ERR_INVALID_ARG_TYPE', /Received an instance of Array/],
    ['a digest length of 7', () => createHash(7), RangeError, 'ERR_OUT_OF_RANGE', /"bits" .* multiple of 8 from 8 to 65536\. Received 7$/],
    ['a digest length of 0', () => morv(abc, 0), RangeError, 'ERR_OUT_OF_RANGE', /Received 0$/],
    ['a digest length past 65536', () => createHash(65544), RangeError, 'ERR_OUT_OF_RANGE', /Received 65544$/],
    ['a fractional digest length', () => createHash(511.5), RangeError, 'ERR_OUT_OF_RANGE', /Received 511\.5$/],
    ['a digest length as text', () => createHash('512'), TypeError, 'ERR_INVALID_ARG_TYPE', /"bits" argument must be of type number/],
    ['a negative bit count', () => createHash().updateBits(abc, -1), RangeError, 'ERR_OUT_OF_RANGE', /from 0 to 24, .* Received -1$/],
    ['more bits than the data has', () => createHash().updateBits(abc, 25), RangeError, 'ERR_OUT_OF_RANGE', /Received 25$/],
    ['a bit count as text', () => createHash().updateBits(abc, '3'), TypeError, 'ERR_INVALID_ARG_TYPE', /"bitCount"/],
    ['update after a partial byte', () => ended().update(abc), Error, 'ERR_MORV_MESSAGE_ENDED', /partial byte/],
    ['updateBits after a partial byte', () => ended().updateBits(abc, 0), Error, 'ERR_MORV_MESSAGE_ENDED', /only digest\(\) and copy\(\)/],
    ['an unknown encoding', () => createHash().digest('utf9'), TypeError, 'ERR_INVALID_ARG_VALUE', /'encoding' must be 'hex', 'base64'/],
    ['hashMany without a list', () => hashMany(5), TypeError, 'ERR_INVALID_ARG_TYPE', /"messages"/],
    ['hashMany with a number in the list', () => hashMany([abc, 1]), TypeError, 'ERR_INVALID_ARG_TYPE', /"data"/],
  ];
  for (const [name, call, type, code, message] of rows) {
    test(name, () => assert.throws(call, (e) => e.constructor === type && e.code === code && message.test(e.message)));
  }

  test('a refused call leaves the object as it was', () => {
    const hash = createHash(256).update('ab');
    assert.throws(() => hash.updateBits(abc, 99), RangeError);
    assert.throws(() => hash.update({}), TypeError);
    assert.equal(hash.update('c').digest('hex'), reference(abc, 256));
    const stopped = ended();
    const before = stopped.digest('hex');
    assert.throws(() => stopped.update(abc));
    assert.equal(stopped.digest('hex'), before);
    assert.equal(stopped.copy().digest('hex'), before);
    assert.throws(() => stopped.copy().update(abc), /partial byte/);
  });

  test('a stream helper given no stream rejects with a TypeError', async () => {
    await assert.rejects(hashStream(42), { name: 'TypeError', code: 'ERR_INVALID_ARG_TYPE' });
  });
});

describe('inputs and outputs', () => {
  test('every kind of bytes, and a string as its UTF-8 bytes, give the same digest', () => {
    const padded = new Uint8Array([0, 0x61, 0x62, 0x63, 0]);
    const forms = [abc, 'abc', abc.buffer, Buffer.from('abc'), padded.subarray(1, 4), new DataView(padded.buffer, 1, 3),
      new Int8Array(padded.buffer, 1, 3)];
    for (const form of forms) assert.equal(morv512(form, 'hex'), reference(abc));
    const wide = new Uint8Array([1, 0, 2, 0]);
    assert.equal(morv512(new Uint16Array([1, 2]), 'hex'), reference(wide));
    const text = new Uint8Array([0xc3, 0xa9, 0xe2, 0x82, 0xac, 0xf0, 0x9f, 0x98, 0x80]);
    assert.equal(morv256('é€😀', 'hex'), reference(text, 256));
  });

  test('bytes by default, hex or base64 on request', () => {
    const bytes = morv256(abc);
    assert.ok(bytes instanceof Uint8Array && bytes.length === 32);
    assert.equal(morv256(abc, 'hex'), Buffer.from(bytes).toString('hex'));
    assert.equal(morv(abc, 256, 'base64'), Buffer.from(bytes).toString('base64'));
    assert.equal(createHash(256).update(abc).digest('base64'), Buffer.from(bytes).toString('base64'));
  });

  for (const [bits, digestSize, blockSize] of [[8, 1, 64], [512, 64, 64], [520, 65, 128], [65536, 8192, 128]]) {
    test(`a ${bits}-bit hash: its name, sizes and digest`, () => {
      const hash = new Hash(bits);
      assert.deepEqual([hash.name, hash.digestSize, hash.blockSize, hash.digest().length],
        [`morv-${bits}`, digestSize, blockSize, digestSize]);
      assert.equal(morv(abc, bits, 'hex'), hash.update(abc).digest('hex'));
    });
  }
});

describe('objects', () => {
  test('update chains, digest does not end the message, copies go their own way', () => {
    const hash = createHash(256);
    assert.equal(hash.update('a'), hash);
    const copy = hash.copy();
    const first = hash.digest('hex');
    assert.equal(hash.digest('hex'), first);
    copy.update('bc');
    assert.equal(hash.digest('hex'), first);
    assert.equal(hash.update('b').update('c').digest('hex'), copy.digest('hex'));
    assert.equal(copy.digest('hex'), reference(abc, 256));
  });

  test('objects of both widths interleaved keep their own messages', () => {
    const hashes = [224, 512, 1024, 2048].map((bits) => createHash(bits));
    for (const byte of abc) for (const hash of hashes) hash.update(new Uint8Array([byte]));
    for (const hash of hashes) assert.equal(hash.digest('hex'), reference(abc, 8 * hash.digestSize));
  });
});

describe('messages longer than the module\'s input buffer', () => {
  const random = randomSource(7);
  const big = Uint8Array.from({ length: 3 * 65536 + 77 }, () => random(256));
  const inPieces = (bits, bitCount) => {
    const hash = createHash(bits);
    const whole = Math.floor(bitCount / 8);
    for (let at = 0; at < whole; at += 1000) hash.update(big.subarray(at, Math.min(whole, at + 1000)));
    return hash.updateBits(big.subarray(whole), bitCount % 8).digest('hex');
  };
  for (const bits of [512, 1024]) {
    test(`${bits} bits: one call equals small pieces, whole bytes and a partial last byte`, () => {
      assert.equal(morv(big, bits, 'hex'), inPieces(bits, 8 * big.length));
      assert.equal(createHash(bits).update(big).digest('hex'), inPieces(bits, 8 * big.length));
      assert.equal(createHash(bits).updateBits(big, 8 * big.length - 3).digest('hex'), inPieces(bits, 8 * big.length - 3));
      assert.equal(hashMany([big, abc], bits, 'hex')[0], inPieces(bits, 8 * big.length));
    });
  }

  test('hashMany gives each message\'s digest in order', () => {
    const messages = [abc, 'x', new Uint8Array(0), big.subarray(0, 64)];
    assert.deepEqual(hashMany(messages, 384, 'hex'), messages.map((m) => reference(m, 384)));
    assert.deepEqual(hashMany([]), []);
  });
});

describe('streams', () => {
  const chunks = ['ab', 'c'];
  const expected = reference(abc);
  const sources = {
    'a Node Readable': () => Readable.from(chunks.map((c) => Buffer.from(c))),
    'a Node Readable of strings': () => Readable.from(chunks),
    'a web ReadableStream': () => new Blob(chunks).stream(),
    'a Blob': () => new Blob(chunks),
    'a File': () => new File(chunks, 'abc.txt'),
    'an async iterable': () => (async function* () { yield* chunks; }()),
    'an array of chunks': () => chunks,
  };
  for (const [name, source] of Object.entries(sources)) {
    test(name, async () => assert.equal(await hashStream(source(), 512, 'hex'), expected));
  }

  test('a stream that fails rejects with its error, and a ReadableStream is released', async () => {
    const failing = new Readable({ read() { this.destroy(new Error('disk gone')); } });
    await assert.rejects(hashStream(failing), /disk gone/);
    const stream = new Blob(['x']).stream();
    await assert.rejects(hashStream(stream, 7), RangeError);
    await hashStream(stream);
    assert.equal(stream.locked, false);
  });
});

// A Node process of its own, for what needs a fresh module or the garbage collector.
function runNode(flags, code) {
  const child = spawnSync(process.execPath, [...flags, '--input-type=module', '-e', code],
    { cwd: new URL('..', import.meta.url), encoding: 'utf8' });
  assert.equal(child.status, 0, child.stderr);
  return child.stdout.trim();
}

describe('loading and memory', () => {
  test('the module is loaded at import', async () => {
    await ready;
    assert.equal(morv256(abc).length, 32);
  });

  test('where the host refuses to compile synchronously, calls wait for ready', () => {
    const out = runNode([], `
      WebAssembly.Module = function () { throw new RangeError('too big for the main thread'); };
      const m = await import('./index.js');
      let early; try { m.morv512('abc'); } catch (e) { early = e.message; }
      await m.ready;
      console.log(early + '|' + m.morv512('abc', 'hex'));`);
    assert.equal(out, `morv: the WebAssembly module is still loading; await ready before hashing|${morv512('abc', 'hex')}`);
  });

  test('where the host refuses WebAssembly, ready rejects and calls say why', () => {
    const out = runNode([], `
      WebAssembly.Module = function () { throw new WebAssembly.CompileError('refused by policy'); };
      const m = await import('./index.js');
      const why = await m.ready.then(() => 'resolved', (e) => e.message);
      let call; try { new m.Hash(); } catch (e) { call = e.message; }
      console.log(why + '|' + call);`);
    assert.equal(out, 'refused by policy|morv: the WebAssembly module could not be loaded: refused by policy');
  });

  test('dropped objects are collected and the module\'s memory does not grow', () => {
    const out = runNode(['--expose-gc'], `
      const m = await import('./index.js');
      const { module } = await import('./lib/module.js');
      const pages = module().memory.buffer.byteLength;
      const round = () => {
        for (let i = 0; i < 100000; i++) m.createHash(i % 2 ? 512 : 1024).update('some bytes').copy();
        gc();
        return process.memoryUsage().heapUsed;
      };
      const first = round();
      let last = first;
      for (let r = 0; r < 5; r++) last = round();
      m.morv512(new Uint8Array(64 << 20));
      console.log(JSON.stringify({ grown: last - first, memory: module().memory.buffer.byteLength - pages }));`);
    const { grown, memory } = JSON.parse(out);
    assert.equal(memory, 0);
    assert.ok(grown < 4 << 20, `the heap grew by ${grown} bytes over five rounds of 200,000 dropped objects`);
  });
});
