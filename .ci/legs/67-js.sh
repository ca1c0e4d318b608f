#!/usr/bin/env bash
# The JavaScript package (js/): built by CMake, with its Node tests run by
# ctest; built again from a clone at another path, where it must have the same
# bytes; with its devDependencies, the Node tests again, none skipped (morv/init
# in workerd), and the browser test in headless Chromium (the page by its
# file:// URL among it); the package as users get it (npm pack with the license
# texts, an offline install into a fresh project, imported as an ES module,
# through require() and through morv/init with morv/morv.wasm, its types checked
# with tsc without and with the DOM library); then the benchmark once, briefly.
# 5 minutes on a busy machine, its CMake build included.
set -euo pipefail
cd "$(dirname "$0")/../.."
source .ci/lib.sh

ensure_packages cmake make g++ git clang lld wasi-libc libc++-14-dev-wasm32 chromium libbenchmark-dev libssl-dev
# The machines come with Node 20; a bare one gets Debian's.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then ensure_packages nodejs npm; fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
repo=$PWD
npm_ci() { npm ci --prefer-offline --no-audit --no-fund --loglevel=error >/dev/null; }

echo "-- CMake build and ctest"
cmake -S . -B build-js-ci -DMORV_BUILD_BENCH=ON >"$work/configure.log" || { cat "$work/configure.log"; exit 1; }
if grep "JavaScript package not built" "$work/configure.log"; then fail "the package was not configured"; fi
cmake --build build-js-ci -j2 --target morv_js morvsum morv_bench >/dev/null
ctest --test-dir build-js-ci -R '^js_package$' --output-on-failure

echo "-- the same module from a clone at another path"
clone=$work/another/path/morv
git clone -q --no-local . "$clone"
(cd "$clone/js" && node build.mjs >/dev/null)
for f in morv.wasm morv_wasm.js; do
  cmp "js/dist/$f" "$clone/js/dist/$f" || fail "js/dist/$f differs when built at another path"
done
echo "ok: the same bytes"

echo "-- the Node tests with the devDependencies, none skipped, and the browser test"
(cd js && npm_ci && node build.mjs >/dev/null && node --test --test-reporter=tap test/*.test.js >"$work/node-tests.tap") ||
  { cat "$work/node-tests.tap"; fail "the Node tests"; }
grep -qx '# skipped 0' "$work/node-tests.tap" || { grep -i '# skip' "$work/node-tests.tap"; fail "Node tests were skipped"; }
echo "ok: $(grep -x '# pass [0-9]*' "$work/node-tests.tap" | cut -d' ' -f3) Node tests, none skipped"
(cd js && MORVSUM="$repo/build-js-ci/cli/morvsum" node test/browser.mjs)

echo "-- npm pack, and an offline install into a fresh project"
(cd "$clone/js" && npm pack --silent --pack-destination "$work" >/dev/null)
tarball=$work/morv-1.0.0.tgz
tar -tzf "$tarball" >"$work/files"
for f in dist/morv_wasm.js dist/morv.wasm init.js LICENSE-MIT LICENSE-APACHE; do
  grep -qx "package/$f" "$work/files" || fail "the tarball lacks $f"
done
cmp LICENSE-MIT <(tar -xzOf "$tarball" package/LICENSE-MIT) || fail "the tarball's LICENSE-MIT is not the repository's"
if grep -E 'package/(test|bench|tools|wasm|page)/' "$work/files"; then fail "the tarball holds files users do not need"; fi
mkdir "$work/app"
cd "$work/app"
npm init -y >/dev/null && npm pkg set type=module
npm install --offline --no-audit --no-fund --loglevel=error "$tarball" >/dev/null
expected=$(printf abc | "$repo/build-js-ci/cli/morvsum" | cut -d' ' -f1)
got=$(node --input-type=module -e "import { morv512 } from 'morv'; console.log(morv512('abc', 'hex'))")
[ "$got" = "$expected" ] || fail "the installed package gives $got, morvsum $expected"
echo "ok: the installed ES module gives morvsum's digest"
if [ "$(node -p 'process.features.require_module === true')" = true ]; then
  got=$(node -e "console.log(require('morv').morv512('abc', 'hex'))" 2>&1)
  [ "$got" = "$expected" ] || fail "require('morv') gives $got"
  echo "ok: require('morv') too"
fi
got=$(node --input-type=module -e "
  import { readFile } from 'node:fs/promises';
  import { init, morv512 } from 'morv/init';
  await init(await readFile(new URL(import.meta.resolve('morv/morv.wasm'))));
  console.log(morv512('abc', 'hex'));")
[ "$got" = "$expected" ] || fail "morv/init with morv/morv.wasm gives $got"
echo "ok: morv/init with morv/morv.wasm too"
cat >app.ts <<'TS'
import { createHash, hashMany, hashStream, morv, morv512, ready, type Data } from 'morv';
import { init } from 'morv/init';

await ready;
const message: Data = new Uint16Array([1, 2]);
const hex: string = morv512(message, 'hex');
const bytes: Uint8Array = createHash(256).update('a').update('6162', 'hex').updateBits(new Uint8Array([0xa0]), 3).digest();
const url: string = createHash().digest('base64url');
const many: string[] = hashMany(['a', new ArrayBuffer(2)], 384, 'hex');
const chunks = (async function* () { yield new Uint8Array(1); })();
const streamed: Promise<string> = hashStream(chunks, 256, 'hex', { onProgress: (bytesRead: number) => bytesRead });
const plain: Promise<Uint8Array> = hashStream(['a'], { onProgress() {} });
await init(new Uint8Array(8));
// @ts-expect-error: a number is not a message
morv(5);
// @ts-expect-error: with an encoding, digest() gives a string
const wrong: Uint8Array = createHash().digest('hex');
// @ts-expect-error: no such encoding
createHash().update('a', 'utf9');
// @ts-expect-error: an encoding is for a string
createHash().update(new Uint8Array(1), 'hex');
export { hex, bytes, url, many, streamed, plain, wrong };
TS
# The DOM's Blob, ReadableStream, Response and WebAssembly.Module fit the shapes the types declare.
cat >dom.ts <<'TS'
import { hashStream } from 'morv';
import { init } from 'morv/init';

const blob: Promise<Uint8Array> = hashStream(new Blob(['abc']));
const stream: Promise<string> = hashStream(new Blob(['abc']).stream(), 512, 'hex');
declare const compiled: WebAssembly.Module;
await init(compiled);
await init(fetch('/morv.wasm'));
export { blob, stream };
TS
cat >tsconfig.json <<'JSON'
{ "compilerOptions": { "strict": true, "noEmit": true, "module": "nodenext", "moduleResolution": "nodenext",
                       "target": "es2022", "lib": ["es2022"], "types": [] }, "files": ["app.ts"] }
JSON
echo '{ "extends": "./tsconfig.json", "compilerOptions": { "lib": ["es2022", "dom"] }, "files": ["app.ts", "dom.ts"] }' >tsconfig.dom.json
"$repo/js/node_modules/.bin/tsc" -p . || fail "tsc with lib es2022 alone rejects the package's types"
"$repo/js/node_modules/.bin/tsc" -p tsconfig.dom.json || fail "tsc with the DOM library rejects the package's types"
echo "ok: tsc accepts the types and refuses what they refuse"
cd "$repo"

echo "-- the benchmark script, once (figures come from a quiet machine)"
(cd js/bench && npm_ci && node bench.mjs --rounds 1 --core ../../build-js-ci/bench/morv_bench --browser)
