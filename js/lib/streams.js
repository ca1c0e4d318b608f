// Hashing a message that arrives in chunks: a Node Readable, a web
// ReadableStream, a Blob or File, or any (async) iterable of chunks. Each
// chunk is hashed as it comes and then let go, so no input is held whole;
// onProgress hears the bytes read so far after each.
import { invalidType, invalidValue } from './errors.js';
import { Hash } from './hash.js';
import { byteCount, bytesOf } from './input.js';

async function* readerChunks(stream) {
  const reader = stream.getReader();
  try {
    for (;;) {
      const { done, value } = await reader.read();
      if (done) return;
      yield value;
    }
  } finally {
    reader.releaseLock();
  }
}

function chunksOf(source) {
  if (source && typeof source.stream === 'function') return readerChunks(source.stream());
  if (source && typeof source.getReader === 'function') return readerChunks(source);
  if (source && (typeof source[Symbol.asyncIterator] === 'function' || typeof source[Symbol.iterator] === 'function')) {
    return source;
  }
  throw invalidType('source', 'a Readable, a ReadableStream, a Blob, or an iterable of chunks', source);
}

// The options object, when there is one, is the last argument: after the
// source, the bits or the encoding.
function optionsOf(args) {
  const last = args.at(-1);
  if (args.length < 3 && (last === null || typeof last !== 'object')) return {};
  const options = args.pop();
  if (options === null || typeof options !== 'object') throw invalidType('options', 'of type object', options);
  for (const name of Object.keys(options)) {
    if (name !== 'onProgress') throw invalidValue('options', options, `has no option '${name}' (only onProgress)`);
  }
  if (options.onProgress !== undefined && typeof options.onProgress !== 'function') {
    throw invalidType('options.onProgress', 'of type function', options.onProgress);
  }
  return options;
}

export async function hashStream(source, ...args) {
  const { onProgress } = optionsOf(args);
  const [bits = 512, encoding = undefined] = args;
  const hash = new Hash(bits);
  let bytesRead = 0;
  for await (const chunk of chunksOf(source)) {
    const bytes = bytesOf(chunk);
    hash.update(bytes);
    bytesRead += byteCount(bytes);
    onProgress?.(bytesRead);
  }
  return hash.digest(encoding);
}
