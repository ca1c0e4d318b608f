// morvsum's checksum lines, for the page: read as `morvsum -c` reads them
// (cli/morvsum/checksum_line.cpp), and the lines it prints, written as it writes them.
const maxDigestBits = 65536;
const hexDigitsAt = (text, at) => /^[0-9a-fA-F]*/.exec(text.slice(at))[0].length;
const isBlank = (c) => c === ' ' || c === '\t';

// Undoes the escapes of a name that the line's leading backslash marks; null
// for any other escape or a trailing backslash.
function unescaped(name) {
  if (name.includes('\0')) return null;
  const escapes = { n: '\n', r: '\r', '\\': '\\' };
  let taken = '';
  for (let i = 0; i < name.length; i++) {
    if (name[i] !== '\\') taken += name[i];
    else if (Object.hasOwn(escapes, name[++i] ?? '')) taken += escapes[name[i]];
    else return null;
  }
  return taken;
}

// A name without escapes ends at a NUL, as the name of a file opened does.
const nameOf = (name, escaped) => (escaped ? unescaped(name) : name.split('\0')[0]);

// "MORV-BITS (NAME) = HEX" from after the tag's name.
function tagged(line, at, escaped) {
  const match = /^-(\d+) ?\((.*)\)[ \t]*=[ \t]*(.*)$/s.exec(line.slice(at));
  if (!match) return null;
  const [, digits, name, hex] = match;
  const bits = Number(digits);
  if (bits === 0 || bits > maxDigestBits || bits % 8 !== 0 || hex.length !== bits / 4 || hexDigitsAt(hex, 0) !== hex.length) return null;
  const taken = nameOf(name, escaped);
  return taken === null ? null : { bits, hex, name: taken };
}

// { bits, hex, name } of one line (its line end removed), or null when it is
// improperly formatted. form is the untagged form of the lines read before it
// ('two columns', 'reversed' or undefined), as morvsum decides it by the first.
export function parseChecksumLine(line, form = undefined) {
  let at = 0;
  while (isBlank(line[at])) at++;
  const escaped = line[at] === '\\';
  if (escaped) at++;
  if (line.startsWith('MORV', at)) return tagged(line, at + 4, escaped);

  // Untagged: the digest, one blank, then ' ' or '*' and the name; or, in the
  // reversed form, the name right after the blank.
  if (line.length - at < 3) return null;
  const digits = hexDigitsAt(line, at);
  if (digits < 2 || digits % 2 !== 0 || digits > maxDigestBits / 4) return null;
  const hex = line.slice(at, at + digits);
  at += digits;
  if (!isBlank(line[at])) return null;
  at++;
  const twoColumns = line.length - at > 1 && (line[at] === ' ' || line[at] === '*');
  if (form === 'two columns' && !twoColumns) return null;
  if (twoColumns && form !== 'reversed') at++;
  const taken = nameOf(line.slice(at), escaped);
  return taken === null ? null : { bits: 4 * digits, hex, name: taken, form: twoColumns && form !== 'reversed' ? 'two columns' : 'reversed' };
}

// The proper lines of a pasted checksum file: lines starting with '#', empty
// lines and a carriage return before the line end are passed over.
export function parseChecksumFile(text) {
  let form;
  const lines = { proper: [], improper: 0 };
  for (const raw of text.split('\n')) {
    if (raw.startsWith('#')) continue;
    const line = raw.endsWith('\r') ? raw.slice(0, -1) : raw;
    if (line === '') continue;
    const parsed = parseChecksumLine(line, form);
    if (parsed) {
      form = parsed.form ?? form;
      lines.proper.push(parsed);
    } else {
      lines.improper++;
    }
  }
  return lines;
}

const escapedName = (name) => name.replace(/[\\\n\r]/g, (c) => ({ '\\': '\\\\', '\n': '\\n', '\r': '\\r' })[c]);

// What `morvsum -l BITS NAME` prints: a name with a backslash or a line end escaped.
export function checksumLine(hex, name) {
  return /[\\\n\r]/.test(name) ? `\\${hex}  ${escapedName(name)}` : `${hex}  ${name}`;
}

// What `morvsum -c` prints for a file: the name escaped only when it holds a line end.
export function resultLine(name, result) {
  return name.includes('\n') ? `\\${escapedName(name)}: ${result}` : `${name}: ${result}`;
}
