// The worker of the workerd test, as a user of an edge host writes it: the
// module that the host's bundler imports, given to morv/init. It answers
// GET /?bits=B&hex=H with the B-bit digest of the bytes H.
import { createHash, init } from 'morv/init';
import wasm from 'morv/morv.wasm';

let loaded;

export default {
  async fetch(request) {
    await (loaded ??= init(wasm));
    const query = new URL(request.url).searchParams;
    return new Response(createHash(Number(query.get('bits'))).update(query.get('hex'), 'hex').digest('hex'));
  },
};
