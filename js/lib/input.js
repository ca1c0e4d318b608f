// What the hash takes as a message: bytes in any ArrayBuffer view or buffer,
// or a string, read as Buffer.from reads it. A view is only ever read through
// the built-in getters and set(), which read its internal slots: a subclass's
// own properties, getters or species constructor (which subarray() runs) could
// otherwise run user code, and a hash, in the middle of one.
import { detached, invalidType } from './errors.js';
import { bytesOfString } from './encodings.js';

const getter = (prototype, name) => Object.getOwnPropertyDescriptor(prototype, name).get;
const typedArrayPrototype = Object.getPrototypeOf(Uint8Array.prototype);
const typedArrayTag = getter(typedArrayPrototype, Symbol.toStringTag);
const viewGetters = (prototype) => ['buffer', 'byteOffset', 'byteLength'].map((name) => getter(prototype, name));
const typedArrayView = viewGetters(typedArrayPrototype);
const dataView = viewGetters(DataView.prototype);
const [typedBuffer, typedOffset, typedLength] = typedArrayView;
const bufferLengths = [ArrayBuffer, globalThis.SharedArrayBuffer].filter(Boolean).map((type) => getter(type.prototype, 'byteLength'));

// The buffer's length, or -1 when data is no ArrayBuffer or SharedArrayBuffer.
function bufferLength(data) {
  for (const length of bufferLengths) {
    try {
      return length.call(data);
    } catch {
      // not of this type
    }
  }
  return -1;
}

// A detached buffer fails here: its bytes are gone.
function bytesIn(buffer, offset, length, data, name) {
  try {
    return new Uint8Array(buffer, offset, length);
  } catch {
    throw detached(name, data);
  }
}

// The message's bytes as a Uint8Array: a Uint8Array given (a Buffer, a
// subclass) as it is, any other view or buffer as a plain one over its bytes.
export function bytesOf(data, name = 'data', encoding = undefined) {
  if (typeof data === 'string') return bytesOfString(data, encoding);
  if (encoding !== undefined) throw invalidType('encoding', 'undefined when data is not a string', encoding);
  if (typedArrayTag.call(data) === 'Uint8Array') {
    // A detached view has no bytes; an empty one is told apart by building a view on its buffer.
    if (typedLength.call(data) === 0) bytesIn(typedBuffer.call(data), 0, 0, data, name);
    return data;
  }
  if (ArrayBuffer.isView(data)) {
    let view;
    try {
      view = (typedArrayTag.call(data) ? typedArrayView : dataView).map((get) => get.call(data));
    } catch {
      throw detached(name, data);
    }
    return bytesIn(...view, data, name);
  }
  const length = bufferLength(data);
  if (length >= 0) return bytesIn(data, 0, length, data, name);
  throw invalidType(name, 'a string, an ArrayBuffer, or an ArrayBuffer view (such as a Uint8Array)', data);
}

// The count of bytes of what bytesOf gave, and a copy of bytes [start, end)
// to the start of target, through the built-in getters and set().
export const byteCount = (bytes) => typedLength.call(bytes);

export function copyBytes(target, bytes, start, end) {
  target.set(start === 0 && end === byteCount(bytes) ? bytes : new Uint8Array(typedBuffer.call(bytes), typedOffset.call(bytes) + start, end - start));
}
