// What the hash takes as a message: bytes in any ArrayBuffer view or buffer,
// or a string, which is hashed as its UTF-8 bytes.
import { invalidType } from './errors.js';

const utf8 = new TextEncoder();

export function bytesOf(data, name = 'data') {
  if (data instanceof Uint8Array) return data;
  if (ArrayBuffer.isView(data)) return new Uint8Array(data.buffer, data.byteOffset, data.byteLength);
  if (typeof data === 'string') return utf8.encode(data);
  if (data instanceof ArrayBuffer || (typeof SharedArrayBuffer === 'function' && data instanceof SharedArrayBuffer)) {
    return new Uint8Array(data);
  }
  throw invalidType(name, 'a string, an ArrayBuffer, or an ArrayBuffer view (such as a Uint8Array)', data);
}
