// morv for JavaScript: the library's hash, compiled to WebAssembly.
export { Hash, createHash, hashMany, morv, morv224, morv256, morv384, morv512, morv1024 } from './lib/hash.js';
export { ready } from './lib/module.js';
export { hashStream } from './lib/streams.js';
