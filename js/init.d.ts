// Types of morv/init, the entry for hosts that compile no WebAssembly bytes.
export * from './index.js';

/** A fetch Response, or anything whose arrayBuffer() gives the module's bytes. */
export interface ResponseLike {
  readonly ok?: boolean;
  arrayBuffer(): Promise<ArrayBuffer>;
}

/**
 * morv.wasm as a WebAssembly.Module (what a host's bundler imports; typed as
 * `object`, since the es2022 library declares no WebAssembly), its bytes, or a
 * Response.
 */
export type WasmSource = object | ArrayBuffer | ArrayBufferView | ResponseLike;

/** Instantiates morv.wasm; the rest of the API works once the promise has resolved. */
export declare function init(source: WasmSource | PromiseLike<WasmSource>): Promise<void>;
