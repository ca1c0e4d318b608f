// Strings to bytes exactly as Node's Buffer.from(string, encoding) reads them,
// quirks included, and digests to text: written once here, so that browsers,
// which have no Buffer, get the bytes that Node gets.
import { invalidValue } from './errors.js';

// Every name Buffer.from takes, in any case, to the decoder that reads it.
// 'ascii' keeps the low byte of each code unit, as 'latin1' does.
const decoderNames = {
  utf8: 'utf8', 'utf-8': 'utf8', ucs2: 'utf16le', 'ucs-2': 'utf16le', utf16le: 'utf16le', 'utf-16le': 'utf16le',
  latin1: 'latin1', binary: 'latin1', ascii: 'latin1', hex: 'hex', base64: 'base64', base64url: 'base64',
};
const lowerCase = (name) => (typeof name === 'string' ? name.toLowerCase() : name);

const utf8 = new TextEncoder();
const hexValue = new Int8Array(256).fill(-1);
for (let i = 0; i < 16; i++) hexValue['0123456789abcdef'.charCodeAt(i)] = hexValue['0123456789ABCDEF'.charCodeAt(i)] = i;
const base64Alphabet = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/';
const base64Value = new Int8Array(256).fill(-1);
for (let i = 0; i < 64; i++) base64Value[base64Alphabet.charCodeAt(i)] = i;
base64Value[0x2d] = 62; // '-' and '_': either alphabet decodes in both encodings
base64Value[0x5f] = 63;

// Node reads hex digits, base64 characters and latin1 bytes from the low byte
// of each UTF-16 code unit.
const decoders = {
  utf8: (text) => utf8.encode(text),
  latin1: (text) => Uint8Array.from({ length: text.length }, (_, i) => text.charCodeAt(i) & 0xff),
  utf16le(text) {
    const bytes = new Uint8Array(2 * text.length);
    for (let i = 0; i < text.length; i++) {
      const unit = text.charCodeAt(i);
      bytes[2 * i] = unit & 0xff;
      bytes[2 * i + 1] = unit >> 8;
    }
    return bytes;
  },
  // Pairs of digits up to the first pair that is not one; an odd last digit is dropped.
  hex(text) {
    const bytes = new Uint8Array(text.length >> 1);
    for (let i = 0; i < bytes.length; i++) {
      const high = hexValue[text.charCodeAt(2 * i) & 0xff];
      const low = hexValue[text.charCodeAt(2 * i + 1) & 0xff];
      if (high < 0 || low < 0) return bytes.slice(0, i);
      bytes[i] = (high << 4) | low;
    }
    return bytes;
  },
  // Characters of both alphabets up to the first '=', passing over any other;
  // a last group of two or three characters gives one or two bytes, of one nothing.
  base64(text) {
    const bytes = new Uint8Array((3 * text.length) >> 2);
    let count = 0;
    let bits = 0;
    let group = 0;
    for (let i = 0; i < text.length; i++) {
      const low = text.charCodeAt(i) & 0xff;
      if (low === 0x3d) break;
      const value = base64Value[low];
      if (value < 0) continue;
      group = (group << 6) | value;
      bits += 6;
      if (bits >= 8) {
        bits -= 8;
        bytes[count++] = group >> bits;
        group &= (1 << bits) - 1;
      }
    }
    return bytes.slice(0, count);
  },
};

export function bytesOfString(text, encoding = 'utf8') {
  const name = lowerCase(encoding);
  if (typeof name !== 'string' || !Object.hasOwn(decoderNames, name)) {
    throw invalidValue('encoding', encoding, `must be one of Buffer.from's encodings (${Object.keys(decoderNames).join(', ')})`);
  }
  return decoders[decoderNames[name]](text);
}

const hexDigits = Array.from({ length: 256 }, (_, i) => i.toString(16).padStart(2, '0'));

function base64(bytes, alphabet, pad) {
  let text = '';
  for (let i = 0; i < bytes.length; i += 3) {
    const group = (bytes[i] << 16) | ((bytes[i + 1] ?? 0) << 8) | (bytes[i + 2] ?? 0);
    const characters = Math.min(4, Math.ceil((8 * (bytes.length - i)) / 6));
    for (let c = 0; c < characters; c++) text += alphabet[(group >> (18 - 6 * c)) & 63];
    if (pad) text += '='.repeat(4 - characters);
  }
  return text;
}

// A digest as bytes, or as text, the encoding named in any case.
export function encoded(bytes, encoding) {
  switch (lowerCase(encoding)) {
    case undefined: return bytes;
    case 'hex': {
      let text = '';
      for (const byte of bytes) text += hexDigits[byte];
      return text;
    }
    case 'base64': return base64(bytes, base64Alphabet, true);
    case 'base64url': return base64(bytes, `${base64Alphabet.slice(0, 62)}-_`, false);
    default:
      throw invalidValue('encoding', encoding, "must be 'hex', 'base64', 'base64url' or undefined");
  }
}
