// Hashing a message that arrives in chunks: a Node Readable, a web
// ReadableStream, a Blob or File, or any (async) iterable of chunks. Each
// chunk is hashed as it comes and then let go, so no input is held whole.
import { invalidType } from './errors.js';
import { Hash } from './hash.js';

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
  if (typeof Blob === 'function' && source instanceof Blob) return readerChunks(source.stream());
  if (source && typeof source.getReader === 'function') return readerChunks(source);
  if (source && (typeof source[Symbol.asyncIterator] === 'function' || typeof source[Symbol.iterator] === 'function')) {
    return source;
  }
  throw invalidType('source', 'a Readable, a ReadableStream, a Blob, or an iterable of chunks', source);
}

export async function hashStream(source, bits = 512, encoding = undefined) {
  const hash = new Hash(bits);
  for await (const chunk of chunksOf(source)) hash.update(chunk);
  return hash.digest(encoding);
}
