#!/usr/bin/env bash
# Static checks of hash/, kat/, files/ and cli/: clang-tidy with the checks in .clang-tidy,
# on the compile commands of a build tree of its own, and cppcheck. Both must be clean,
# the generated kernel must be what its generator writes today, and every relative
# link of the Markdown pages must resolve.
set -euo pipefail
cd "$(dirname "$0")/../.."
source .ci/lib.sh

ensure_packages cmake clang clang-tidy cppcheck python3 g++-mingw-w64-x86-64-posix

echo "== generated kernel"
python3 tools/gen_kernel1024_x86_64.py --check

sources=(hash/*.cpp kat/*.cpp files/*.cpp cli/*/*.cpp)
linux_sources=(hash/*.cpp kat/*.cpp $(ls files/*.cpp cli/*/*.cpp | grep -v '_windows\.cpp$'))

echo "== links"
python3 tools/check_links.py

echo "== clang-tidy"
cmake -S . -B build-tidy -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
  -DMORV_BUILD_TESTS=OFF > /dev/null
# One run per source: clang-tidy 14 carries analyser state from one file to the
# next, and then reports a va_list after va_start as uninitialised.
# clang-tidy counts the warnings it filtered out of system headers on stderr; only findings matter.
printf '%s\n' "${linux_sources[@]}" | xargs -n 1 clang-tidy -p build-tidy --quiet 2>&1 |
  { grep -v '^[0-9]* warnings\? generated\.$' || true; }
# The Windows sources, for the MinGW-w64 target with its C++ headers.
mingw=/usr/lib/gcc/x86_64-w64-mingw32/12-posix/include/c++
for source in files/*_windows.cpp cli/*/*_windows.cpp; do
  clang-tidy --quiet "$source" -- --target=x86_64-w64-mingw32 -std=c++20 -Ihash -Ifiles -Icli/common \
    -isystem "$mingw" -isystem "$mingw/x86_64-w64-mingw32" 2>&1 |
    { grep -v '^[0-9]* warnings\? generated\.$' || true; }
done

echo "== cppcheck"
# Style findings are left out: they are matters of taste that the compilers'
# warnings and clang-tidy already cover where they matter.
cppcheck --std=c++20 --language=c++ --enable=warning,performance,portability --inline-suppr \
  --error-exitcode=1 --quiet -I hash -I kat -I files -I cli/common -I cli/morvsum -I cli/katcheck \
  "${sources[@]}"
echo "static checks clean"
