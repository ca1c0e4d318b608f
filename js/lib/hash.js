// The hash objects and one-shot functions over the WebAssembly module. Every
// call copies what it needs into the module's scratch context and buffers and
// reads the result back, so a hash object is its digest length and its
// context's bytes, held by JavaScript and freed by its garbage collector.
import { encoded } from './encodings.js';
import { invalidType, outOfRange, partialByteEnded } from './errors.js';
import { byteCount, bytesOf, copyBytes } from './input.js';
import { check, module } from './module.js';

// Digest lengths are whole bytes, up to the module's digest buffer.
function digestBitsOf(bits) {
  if (typeof bits !== 'number') throw invalidType('bits', 'of type number', bits);
  const maxBits = 8 * module().digest.length;
  if (!Number.isInteger(bits) || bits < 8 || bits > maxBits || bits % 8 !== 0) {
    throw outOfRange('bits', `a multiple of 8 from 8 to ${maxBits}`, bits);
  }
  return bits;
}

// Feeds the first bitCount bits of bytes to the scratch context, a piece of
// the input buffer at a time, so the module's memory stays as it is.
function absorb(wasm, bytes, bitCount) {
  const pieceBits = 8 * wasm.input.length;
  let offset = 0;
  for (; bitCount - 8 * offset > pieceBits; offset += wasm.input.length) {
    copyBytes(wasm.input, bytes, offset, offset + wasm.input.length);
    check(wasm.exports.update(pieceBits));
  }
  const restBits = bitCount - 8 * offset;
  copyBytes(wasm.input, bytes, offset, offset + Math.ceil(restBits / 8));
  check(wasm.exports.update(restBits));
}

function hashBytes(bytes, bits) {
  const wasm = module();
  const length = byteCount(bytes);
  if (length <= wasm.input.length) {
    wasm.input.set(bytes);
    check(wasm.exports.hashInput(bits, 8 * length));
  } else {
    check(wasm.exports.init(bits));
    absorb(wasm, bytes, 8 * length);
    check(wasm.exports.final());
  }
  return wasm.digest.slice(0, bits / 8);
}

// A message in progress. digest() ends a copy of the context, so update may follow it.
export class Hash {
  #bits;
  #state;
  #ended = false;

  constructor(bits = 512) {
    this.#bits = digestBitsOf(bits);
    const wasm = module();
    check(wasm.exports.init(bits));
    this.#state = wasm.context.slice();
  }

  get name() { return `morv-${this.#bits}`; }
  get digestSize() { return this.#bits / 8; }
  get blockSize() { return this.#bits > 512 ? 128 : 64; }

  // A string is read in the encoding given, as Buffer.from reads it.
  update(data, encoding = undefined) {
    const bytes = bytesOf(data, 'data', encoding);
    return this.#absorb(bytes, 8 * byteCount(bytes));
  }

  // The first bitCount bits of data; a partial last byte (its high bits) ends the message.
  updateBits(data, bitCount) {
    const bytes = bytesOf(data);
    if (typeof bitCount !== 'number') throw invalidType('bitCount', 'of type number', bitCount);
    const bits = 8 * byteCount(bytes);
    if (!Number.isInteger(bitCount) || bitCount < 0 || bitCount > bits) {
      throw outOfRange('bitCount', `an integer from 0 to ${bits}, the bits in data`, bitCount);
    }
    this.#absorb(bytes, bitCount);
    if (bitCount % 8 !== 0) this.#ended = true;
    return this;
  }

  digest(encoding) {
    const wasm = module();
    wasm.context.set(this.#state);
    check(wasm.exports.final());
    return encoded(wasm.digest.slice(0, this.digestSize), encoding);
  }

  copy() {
    const other = new Hash(this.#bits);
    other.#state = this.#state.slice();
    other.#ended = this.#ended;
    return other;
  }

  #absorb(bytes, bitCount) {
    if (this.#ended) throw partialByteEnded();
    const wasm = module();
    wasm.context.set(this.#state);
    absorb(wasm, bytes, bitCount);
    this.#state.set(wasm.context);
    return this;
  }
}

export function createHash(bits = 512) {
  return new Hash(bits);
}

export function morv(data, bits = 512, encoding = undefined) {
  const bytes = bytesOf(data);
  return encoded(hashBytes(bytes, digestBitsOf(bits)), encoding);
}

export const morv224 = (data, encoding) => morv(data, 224, encoding);
export const morv256 = (data, encoding) => morv(data, 256, encoding);
export const morv384 = (data, encoding) => morv(data, 384, encoding);
export const morv512 = (data, encoding) => morv(data, 512, encoding);
export const morv1024 = (data, encoding) => morv(data, 1024, encoding);

// The digests of many messages, in their order.
export function hashMany(messages, bits = 512, encoding = undefined) {
  // A string is iterable, but hashing each of its characters is never what was meant.
  if (messages == null || typeof messages[Symbol.iterator] !== 'function' || typeof messages === 'string' || messages instanceof String) {
    throw invalidType('messages', 'an iterable of messages (not a string)', messages);
  }
  digestBitsOf(bits);
  return Array.from(messages, (data) => encoded(hashBytes(bytesOf(data), bits), encoding));
}
