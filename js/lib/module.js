// The WebAssembly module that every call hashes with, and views of the buffers
// it exports. Nothing here compiles at import: the default entry (index.js)
// compiles the inlined bytes when it is imported, morv/init (init.js) what
// init(source) is given.
let wasm = null;
let failure = null;
let pending = 'is still loading; await ready before hashing';
let settle;

// Resolves once a module is attached; rejects when the host refuses the
// inlined one (a Content-Security-Policy without 'wasm-unsafe-eval', for one).
export const ready = new Promise((resolve, reject) => {
  settle = { resolve, reject };
});
ready.catch(() => {});

const exportNames = ['memory', 'context', 'contextBytes', 'input', 'inputBytes', 'digest', 'digestBytes',
  'init', 'update', 'final', 'hashInput'];

// The module has no allocator and never grows its memory, so the views stay valid.
export function attach(instance) {
  const e = instance.exports;
  const missing = exportNames.filter((name) => !(name in e));
  if (missing.length) throw new TypeError(`morv: the WebAssembly module is not morv's: it lacks ${missing.join(', ')}`);
  const bytes = new Uint8Array(e.memory.buffer);
  wasm = {
    exports: e,
    memory: e.memory,
    context: bytes.subarray(e.context(), e.context() + e.contextBytes()),
    input: bytes.subarray(e.input(), e.input() + e.inputBytes()),
    digest: bytes.subarray(e.digest(), e.digest() + e.digestBytes()),
  };
  failure = null;
  settle.resolve();
}

// What a call made before any module is attached is told to wait for.
export function awaiting(what) {
  pending = what;
}

// Compiles the bytes at once, which keeps the whole API synchronous; a host
// that refuses to compile on its main thread gets them asynchronously instead.
export function compileNow(code) {
  try {
    attach(new WebAssembly.Instance(new WebAssembly.Module(code), {}));
  } catch (error) {
    // Only a refusal of synchronous compilation is worth a second, asynchronous try.
    const retry = error instanceof RangeError ? WebAssembly.instantiate(code, {}) : Promise.reject(error);
    retry.then((result) => attach(result.instance), (cause) => {
      failure = cause;
      settle.reject(cause);
    });
  }
}

// The module, for every call that hashes.
export function module() {
  if (wasm) return wasm;
  if (failure) throw new Error(`morv: the WebAssembly module could not be loaded: ${failure.message}`, { cause: failure });
  throw new Error(`morv: the WebAssembly module ${pending}`);
}

// Fails loudly if the core refuses a call that the layer above checked.
export function check(result) {
  if (result !== 0) throw new Error(`morv: the core refused a call (result ${result})`);
}
