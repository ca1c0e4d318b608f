// morv for JavaScript: the library's hash, compiled to WebAssembly. This entry
// compiles the module inlined in the package as it is imported; morv/init
// (init.js) is the one for hosts that compile no bytes.
import base64 from './dist/morv_wasm.js';
import { bytesOfString } from './lib/encodings.js';
import { compileNow } from './lib/module.js';

compileNow(bytesOfString(base64, 'base64'));

export * from './lib/api.js';
