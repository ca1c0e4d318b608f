// The API, the same from both entries.
export { Hash, createHash, hashMany, morv, morv224, morv256, morv384, morv512, morv1024 } from './hash.js';
export { ready } from './module.js';
export { hashStream } from './streams.js';
