// morv/init: the entry for hosts that run only the WebAssembly modules their
// bundler imports (edge runtimes, among others). Importing it compiles
// nothing; init(source) instantiates morv.wasm, given as a WebAssembly.Module,
// its bytes or a Response (or a promise of one), and the API works once it has
// resolved.
import { invalidType } from './lib/errors.js';
import { attach, awaiting } from './lib/module.js';

awaiting('is not loaded; await init(source) before hashing');

export async function init(source) {
  const given = await source;
  let compiled = given;
  if (given && typeof given.arrayBuffer === 'function') {
    if (given.ok === false) throw new Error(`morv: morv.wasm could not be fetched: ${given.status} ${given.statusText}`);
    compiled = await given.arrayBuffer();
  }
  const isModule = compiled instanceof WebAssembly.Module;
  if (!isModule && !(compiled instanceof ArrayBuffer) && !ArrayBuffer.isView(compiled)) {
    throw invalidType('source', 'a WebAssembly.Module, an ArrayBuffer or view of its bytes, or a Response', given);
  }
  const result = await WebAssembly.instantiate(compiled, {});
  attach(isModule ? result : result.instance);
}

export * from './lib/api.js';
