// The repository's known answers (tests/data/hash_vectors.txt), read and run
// three ways: in one call, in random pieces, and by bit length (updateBits).
// Shared by the Node tests and the page of the browser test, so it imports
// nothing and takes the package's functions as an argument.

function bytesOfHex(hex) {
  return Uint8Array.from(hex === '-' ? [] : hex.match(/../g), (pair) => parseInt(pair, 16));
}

// Cases { digestBits, message, bitCount, digest } at the digest lengths the
// package takes (multiples of 8 from 8); a streamed line's message is its
// chunk repeated.
export function knownAnswers(text) {
  const [direct, streamed] = text.split('# Streamed');
  const fields = (part) => part.split('\n').filter((line) => /^\d/.test(line)).map((line) => line.trim().split(/\s+/));
  const cases = [
    ...fields(direct).map(([bits, messageBits, message, digest]) => ({
      digestBits: Number(bits), message: bytesOfHex(message), bitCount: Number(messageBits), digest,
    })),
    ...fields(streamed).map(([bits, chunk, repeat, digest]) => {
      const piece = bytesOfHex(chunk);
      const message = new Uint8Array(piece.length * Number(repeat));
      for (let i = 0; i < message.length; i += piece.length) message.set(piece, i);
      return { digestBits: Number(bits), message, bitCount: 8 * message.length, digest };
    }),
  ];
  return cases.filter((c) => c.digestBits >= 8 && c.digestBits % 8 === 0)
    .map((c) => ({ ...c, digest: c.digest.toLowerCase() }));
}

// A small seeded generator, so a failure can be run again.
export function randomSource(seed) {
  let state = seed >>> 0;
  return (limit) => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = Math.imul(state ^ (state >>> 15), state | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return (((t ^ (t >>> 14)) >>> 0) % limit);
  };
}

// The whole bytes in pieces of random lengths, then the partial byte, if any.
function inPieces(morv, c, random) {
  const hash = morv.createHash(c.digestBits);
  const whole = Math.floor(c.bitCount / 8);
  for (let at = 0; at < whole;) {
    const end = Math.min(whole, at + 1 + random(130));
    hash.update(c.message.subarray(at, end));
    at = end;
  }
  return hash.updateBits(c.message.subarray(whole), c.bitCount % 8).digest('hex');
}

// One line per way that does not give the known digest.
export function mismatches(morv, cases, random) {
  const found = [];
  for (const c of cases) {
    const ways = {
      'one call': c.bitCount % 8 === 0 ? morv.morv(c.message, c.digestBits, 'hex') : null,
      'random pieces': inPieces(morv, c, random),
      'bit length': morv.createHash(c.digestBits).updateBits(c.message, c.bitCount).digest('hex'),
    };
    if (c.bitCount % 8 === 0 && morv[`morv${c.digestBits}`]) ways.shorthand = morv[`morv${c.digestBits}`](c.message, 'hex');
    for (const [way, digest] of Object.entries(ways)) {
      if (digest !== null && digest !== c.digest) {
        found.push(`${c.digestBits} bits, message of ${c.bitCount} bits, ${way}: ${digest} instead of ${c.digest}`);
      }
    }
  }
  return found;
}
