// The page's script: hashes the file chosen or dropped with hashStream, shows
// the bytes read on the bar, the line morvsum prints at the length chosen, and
// checks the file against pasted checksum lines as `morvsum -c` does. The
// package's build bundles it into morv.html as a classic script.
import { hashStream } from '../index.js';
import { checksumLine, parseChecksumFile, resultLine } from './checksum_line.js';

const element = (id) => document.getElementById(id);
const [drop, chooser, bitsInput, bitsError, progress, status, digestLine, expected, verdict] =
  ['drop', 'file', 'bits', 'bits-error', 'progress', 'status', 'digest', 'expected', 'verdict'].map(element);

let file = null;
let digest = null; // { bits, hex } of the file once hashed, or { bits, error }
let run = 0; // a newer run supersedes the one in progress
const superseded = new Error('superseded');

const percent = (read, size) => `${size ? Math.floor((100 * read) / size) : 100} %`;

function chosenBits() {
  const bits = Number(bitsInput.value);
  const valid = Number.isInteger(bits) && bits >= 8 && bits <= 65536 && bits % 8 === 0;
  bitsError.textContent = valid ? '' : 'a multiple of 8 from 8 to 65536';
  return valid ? bits : null;
}

async function hashFile() {
  const bits = chosenBits();
  const thisRun = ++run;
  digest = null;
  digestLine.textContent = '';
  check();
  if (!file || !bits) return;
  progress.max = Math.max(file.size, 1);
  progress.value = 0;
  status.textContent = `Reading ${file.name}: 0 %`;
  const onProgress = (bytesRead) => {
    if (thisRun !== run) throw superseded;
    progress.value = bytesRead;
    status.textContent = `Reading ${file.name}: ${percent(bytesRead, file.size)}`;
  };
  try {
    const hex = await hashStream(file, bits, 'hex', { onProgress });
    if (thisRun !== run) return;
    progress.value = progress.max;
    status.textContent = `${file.name}: ${file.size} bytes read, 100 %`;
    digest = { bits, hex };
    digestLine.textContent = checksumLine(hex, file.name);
  } catch (error) {
    if (error === superseded) return;
    status.textContent = `${file.name}: ${error.message}`;
    digest = { bits, error };
  }
  check();
}

// The line for the file: the only one pasted, or the one that names it. A
// line of another length hashes the file again at that length.
function check() {
  const { proper, improper } = parseChecksumFile(expected.value);
  verdict.className = '';
  if (expected.value.trim() === '') {
    verdict.textContent = '';
  } else if (proper.length === 0) {
    verdict.textContent = 'no properly formatted checksum lines found';
  } else if (!file) {
    verdict.textContent = 'Choose the file to check.';
  } else {
    const line = proper.length === 1 ? proper[0] : proper.find((l) => l.name === file.name);
    const skipped = improper ? ` (${improper} improperly formatted ${improper === 1 ? 'line' : 'lines'} passed over)` : '';
    if (!line) {
      verdict.textContent = `No line names ${file.name}.${skipped}`;
    } else if (line.bits !== Number(bitsInput.value)) {
      bitsInput.value = line.bits;
      hashFile();
    } else if (digest?.error) {
      verdict.className = 'failed';
      verdict.textContent = resultLine(line.name, 'FAILED open or read') + skipped;
    } else if (digest) {
      const ok = digest.hex === line.hex.toLowerCase();
      verdict.className = ok ? 'ok' : 'failed';
      const other = line.name === file.name ? '' : ` (the line names ${line.name}; the file checked is ${file.name})`;
      verdict.textContent = resultLine(line.name, ok ? 'OK' : 'FAILED') + other + skipped;
    } else {
      verdict.textContent = 'Hashing...';
    }
  }
}

function choose(chosen) {
  if (!chosen) return;
  file = chosen;
  hashFile();
}

chooser.addEventListener('change', () => choose(chooser.files[0]));
bitsInput.addEventListener('input', hashFile);
expected.addEventListener('input', check);
// A file dropped anywhere else would make the browser open it in place of the page.
for (const type of ['dragover', 'drop']) window.addEventListener(type, (event) => event.preventDefault());
drop.addEventListener('dragover', () => drop.classList.add('over'));
drop.addEventListener('dragleave', () => drop.classList.remove('over'));
drop.addEventListener('drop', (event) => {
  drop.classList.remove('over');
  choose(event.dataTransfer.files[0]);
});
