// The WebAssembly module, compiled from the inlined bytes when the package is
// imported, and views of the buffers it exports. Compiling at import keeps the
// whole API synchronous; a host that refuses to compile on its main thread
// gets the module asynchronously instead, and `ready` says when.
import base64 from '../dist/morv_wasm.js';

function decode(text) {
  if (typeof Buffer === 'function') return Buffer.from(text, 'base64');
  return Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
}

let wasm = null;
let failure = null;

// The module has no allocator and never grows its memory, so the views stay valid.
function attach(instance) {
  const e = instance.exports;
  const bytes = new Uint8Array(e.memory.buffer);
  wasm = {
    exports: e,
    memory: e.memory,
    context: bytes.subarray(e.context(), e.context() + e.contextBytes()),
    input: bytes.subarray(e.input(), e.input() + e.inputBytes()),
    digest: bytes.subarray(e.digest(), e.digest() + e.digestBytes()),
  };
}

const code = decode(base64);
let loading;
try {
  attach(new WebAssembly.Instance(new WebAssembly.Module(code), {}));
  loading = Promise.resolve();
} catch (error) {
  // Only a refusal of synchronous compilation is worth a second, asynchronous try.
  if (!(error instanceof RangeError)) failure = error;
  loading = (failure ? Promise.reject(failure) : WebAssembly.instantiate(code, {})).then(
    (result) => attach(result.instance),
    (cause) => {
      failure = cause;
      throw cause;
    });
}

// Resolves once the module is there; rejects when the host refuses it (a
// Content-Security-Policy without 'wasm-unsafe-eval', for one).
export const ready = loading;
ready.catch(() => {});

// The module, for every call that hashes.
export function module() {
  if (wasm) return wasm;
  if (failure) throw new Error(`morv: the WebAssembly module could not be loaded: ${failure.message}`, { cause: failure });
  throw new Error('morv: the WebAssembly module is still loading; await ready before hashing');
}

// Fails loudly if the core refuses a call that the layer above checked.
export function check(result) {
  if (result !== 0) throw new Error(`morv: the core refused a call (result ${result})`);
}
