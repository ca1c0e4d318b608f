// The repository's known answers (tests/data/hash_vectors.txt), read and run
// three ways: in one call, in random pieces, and by bit length (updateBits).
// Shared by the Node tests and the browser test's page, so it imports nothing
// and takes the package's functions as an argument.
const bytesOfHex = (hex) => Uint8Array.from(hex.replace('-', '').match(/../g) ?? [], (pair) => parseInt(pair, 16));

// Cases { digestBits, message, bitCount, digest } at the digest lengths the
// package takes (multiples of 8 from 8); a streamed line's message is its
// chunk repeated.
export function knownAnswers(text) {
  const [direct, streamed] = text.split('# Streamed')
    .map((part) => part.split('\n').filter((line) => /^\d/.test(line)).map((line) => line.trim().split(/\s+/)));
  const repeated = (chunk, count) => bytesOfHex(chunk.repeat(count));
  return [
    ...direct.map(([bits, bitCount, message, digest]) => [bits, bytesOfHex(message), Number(bitCount), digest]),
    ...streamed.map(([bits, chunk, count, digest]) => [bits, repeated(chunk, count), chunk.length * 4 * count, digest]),
  ].map(([bits, message, bitCount, digest]) => ({ digestBits: Number(bits), message, bitCount, digest: digest.toLowerCase() }))
    .filter((c) => c.digestBits >= 8 && c.digestBits % 8 === 0);
}

// A small seeded generator of integers below limit, so that a failure can be run again.
export function randomSource(seed) {
  let state = seed >>> 0;
  return (limit) => ((state = (Math.imul(state, 1103515245) + 12345) >>> 0) >>> 8) % limit;
}

// One line for each way that does not give the known digest.
export function mismatches(morv, cases, random) {
  const found = [];
  for (const c of cases) {
    const whole = c.bitCount >> 3;
    const pieces = morv.createHash(c.digestBits);
    for (let at = 0, end; at < whole; at = end) pieces.update(c.message.subarray(at, (end = Math.min(whole, at + 1 + random(130)))));
    const ways = {
      'random pieces': pieces.updateBits(c.message.subarray(whole), c.bitCount % 8).digest('hex'),
      'bit length': morv.createHash(c.digestBits).updateBits(c.message, c.bitCount).digest('hex'),
    };
    if (c.bitCount % 8 === 0) ways['one call'] = morv.morv(c.message, c.digestBits, 'hex');
    if (c.bitCount % 8 === 0 && morv[`morv${c.digestBits}`]) ways.shorthand = morv[`morv${c.digestBits}`](c.message, 'hex');
    for (const [way, digest] of Object.entries(ways)) {
      if (digest !== c.digest) found.push(`${c.digestBits} bits, message of ${c.bitCount} bits, ${way}: ${digest}, not ${c.digest}`);
    }
  }
  return found;
}
