#!/usr/bin/env python3
"""Mutation testing: how many small faults planted in the product code does the suite catch?

  tools/mutate.py [--n N] [--seed S] [--files GLOB ...] [--jobs J] [--timeout SECONDS]
                  [--out FILE] [--asan]

Copies the checkout's files (tracked, and untracked but not ignored, as the
working tree holds them) to a scratch folder, builds it once (Release; with
--asan, clang with AddressSanitizer and UndefinedBehaviorSanitizer as the
sanitizer leg of CI builds it, for faults that only a sanitizer sees) and runs
the suite once. Then it samples N mutants with the seed among every place in the
files where one of these textual operators applies:

  arithmetic   + and -, * and /, % to /, & | ^ and << >>, compound assignments too
  comparison   < and <=, > and >=, == and !=
  logical      && and ||, a ! dropped
  values       true and false, an integer constant + 1
  increments   ++ and --
  statements   a line that is a whole statement in a function body, deleted

Binary operators count only with a space on each side, which leaves templates,
pointers and references alone. Skipped: comments, string and character
literals, preprocessor lines, static_asserts, blank lines, asserts in a Release
build (NDEBUG compiles them out), and files that the build does not compile on
this host (such as cli/common/system_windows.cpp on Linux), whose faults would count
as survivors.

It plants the mutants one at a time, in file and line order, rebuilds
incrementally and runs ctest (stopping at the first failure): killed when the
suite fails or runs out of time, survived when it passes, did not compile when
the build fails. Every build and test run starts with setsid, in a process group
of its own, and when it ends or runs out of time every process it started is
killed, the programs that a test started and left running included (as a
subreaper, the script inherits a program whose parent died, even one that called
setsid). One line per mutant (verdict, seconds, file:line, the change, the line
as it was), then the score. Deterministic for a given seed and source text.
Runs by hand, not in CI.
"""
import argparse, ctypes, glob, os, random, re, shutil, signal, subprocess, sys, tempfile, time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_FILES = [f"{folder}/**/*.{ext}" for folder in ("hash", "kat", "files", "cli") for ext in ("cpp", "h")]

# The sanitizer leg's build and run-time options.
ASAN_FLAGS = "-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
ASAN_CONFIGURE = ["-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DCMAKE_CXX_COMPILER=clang++",
                  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g", f"-DCMAKE_CXX_FLAGS={ASAN_FLAGS}",
                  f"-DCMAKE_EXE_LINKER_FLAGS={ASAN_FLAGS}", "-DMORV_BUILD_PYTHON=OFF"]
ASAN_ENV = {"ASAN_OPTIONS": "detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1",
            "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1"}

# (what, replacement): found with a space on each side of a binary operator.
BINARY = [(" + ", " - "), (" - ", " + "), (" * ", " / "), (" / ", " * "), (" % ", " / "),
          (" & ", " | "), (" | ", " & "), (" ^ ", " | "), (" << ", " >> "), (" >> ", " << "),
          (" += ", " -= "), (" -= ", " += "), (" *= ", " /= "), (" /= ", " *= "),
          (" &= ", " |= "), (" |= ", " &= "), (" ^= ", " |= "), (" <<= ", " >>= "), (" >>= ", " <<= "),
          (" < ", " <= "), (" <= ", " < "), (" > ", " >= "), (" >= ", " > "),
          (" == ", " != "), (" != ", " == "), (" && ", " || "), (" || ", " && ")]
WORDS = re.compile(r"\+\+|--|(?<![\w)\]!])!(?!=)|\btrue\b|\bfalse\b"
                   r"|(?<![\w.'])(?:0[xX][0-9a-fA-F']+|\d[\d']*)(?=[uUlLzZ]*(?![\w.']))")
WORD_CHANGE = {"++": "--", "--": "++", "!": "", "true": "false", "false": "true"}
# What makes a whole line a declaration rather than a statement that can go.
DECLARATION = re.compile(r"^(?:(?:const|constexpr|static|auto|using|typedef|namespace|struct|class|enum|union"
                         r"|template|extern|friend|inline|explicit|virtual|return|case|default|public|private"
                         r"|protected|throw|goto)\b|\[\[|[}~#])"
                         r"|^[A-Za-z_][\w:]*(?:<.*>)?[\s*&]+[A-Za-z_]\w*\s*[=\[{(;]|= *(?:default|delete)\b")
ASSERT = re.compile(r"\bassert\s*\(")
SCOPE_KEYWORDS = re.compile(r"^(?:template\s*<.*>\s*)?(?:namespace|struct|class|enum|union|extern)\b")


def masked(text):
    """The text with the inside of comments and literals blanked out (newlines kept), so
    that operators are looked for in code only."""
    out, i, n = list(text), 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            end = text.find("\n", i)
            end = n if end < 0 else end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
        elif c == '"' or (c == "'" and not (i > 0 and text[i - 1].isalnum())):  # 1'000 is a number
            end = i + 1
            while end < n and text[end] not in (c, "\n"):
                end += 2 if text[end] == "\\" else 1
            i, end = i + 1, min(end, n)  # keep the quotes themselves
        else:
            i += 1
            continue
        for k in range(i, end):
            if out[k] != "\n":
                out[k] = " "
        i = end + 1 if c in "\"'" else end
    return "".join(out)


def mutable_lines(code):
    """(line number, code, deletable) for each line where a mutant may go: not blank, not a
    preprocessor line or its continuation, not in a static_assert; deletable when the line
    is a whole statement in a function body."""
    scopes = []  # for each open brace: does it open code (a function body, or a block in one)?
    pending = ""  # the code since the last ; { or }
    previous_end = ";"
    in_directive = False
    assert_depth = 0
    for number, line in enumerate(code.split("\n")):
        stripped = line.strip()
        directive = in_directive or stripped.startswith("#")
        in_directive = directive and stripped.endswith("\\")
        if directive or not stripped:
            continue
        if assert_depth or "static_assert" in line:
            assert_depth = max(0, assert_depth + line.count("(") - line.count(")"))
        else:
            whole = (previous_end in ";{}):" and stripped.endswith(";")
                     and stripped.count("(") == stripped.count(")") and stripped.count("{") == stripped.count("}"))
            in_code = bool(scopes) and scopes[-1]
            yield number, line, in_code and whole and not DECLARATION.search(stripped)
        for c in line + " ":
            if c == "{":
                head = pending.strip()
                opens_function = ("(" in head and "=" not in head.split("(")[0]
                                  and not SCOPE_KEYWORDS.match(head))
                scopes.append((bool(scopes) and scopes[-1]) or opens_function)
            elif c == "}" and scopes:
                scopes.pop()
            if c in "{};":
                pending = ""
            else:
                pending += c
        previous_end = stripped[-1]


def next_constant(literal):
    """The integer literal + 1, written in its base."""
    digits = literal.replace("'", "")
    if digits[:2].lower() == "0x":
        value = format(int(digits, 16) + 1, f"0{len(digits) - 2}x")
        return digits[:2] + (value.upper() if digits[2:].isupper() else value)
    if len(digits) > 1 and digits[0] == "0":
        return "0" + format(int(digits, 8) + 1, "o")
    return str(int(digits) + 1)


def mutants_of(path, text, with_asserts):
    """Every mutant of one file: (path, line index, column, what, replacement, how it reads).
    Lines with an assert count only where the build keeps them (not under NDEBUG)."""
    found = []
    lines = text.split("\n")
    for number, code, deletable in mutable_lines(masked(text)):
        if not with_asserts and ASSERT.search(code):
            continue
        for what, replacement in BINARY:
            column = code.find(what)
            while column >= 0:
                found.append((path, number, column, what, replacement, f"{what.strip()} -> {replacement.strip()}"))
                column = code.find(what, column + 1)
        for match in WORDS.finditer(code):
            word = match.group()
            replacement = WORD_CHANGE[word] if word in WORD_CHANGE else next_constant(word)
            found.append((path, number, match.start(), word, replacement, f"{word} -> {replacement or 'nothing'}"))
        if deletable:
            line = lines[number]
            found.append((path, number, 0, line, line[:len(line) - len(line.lstrip())] + ";", "line deleted"))
    return found


def plant(text, mutant):
    """The text with the mutant planted, and the line it changed as it was."""
    _, number, column, what, replacement, _ = mutant
    lines = text.split("\n")
    before = lines[number]
    lines[number] = before[:column] + replacement + before[column + len(what):]
    return "\n".join(lines), before


# --- Running a command and everything it starts --------------------------------------------

PR_SET_CHILD_SUBREAPER = 36


def adopt_orphans():
    """Makes this process the subreaper of everything it starts: a program whose parent
    died (a test that ctest killed, a process group's leader) becomes our child rather
    than init's, so that no program a planted fault set looping escapes end_all."""
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        sys.exit(f"mutate.py: cannot become a subreaper: {os.strerror(ctypes.get_errno())}")


def descendants():
    """The live processes under this one."""
    parents = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as stat:
                    fields = stat.read().rsplit(")", 1)[1].split()
            except (OSError, IndexError):
                continue
            if fields[0] != "Z":
                parents[int(entry)] = int(fields[1])
    found, frontier = set(), {os.getpid()}
    while frontier:
        frontier = {pid for pid, parent in parents.items() if parent in frontier} - found
        found |= frontier
    return found


def end_all(process):
    """Kills the command's process group, then every process still under this one (those
    that moved to a group of their own), until none is left, and reaps them."""
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    process.wait()
    while True:
        left = descendants()
        for pid in left:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        while True:
            try:
                if os.waitpid(-1, os.WNOHANG)[0] == 0:
                    break
            except ChildProcessError:
                break
        if not left:
            return
        time.sleep(0.05)


def run(command, cwd, limit, log, env):
    """Runs the command with its output in log: its status, or None when it ran out of time."""
    with open(log, "wb") as out:
        process = subprocess.Popen(command, cwd=cwd, stdin=subprocess.DEVNULL, stdout=out,
                                   stderr=subprocess.STDOUT, env=env, preexec_fn=os.setsid)
        try:
            return process.wait(timeout=limit)
        except subprocess.TimeoutExpired:
            return None
        finally:
            end_all(process)


# --- The run -------------------------------------------------------------------------------

def copy_checkout(scratch):
    listed = subprocess.run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                            cwd=ROOT, capture_output=True, check=True).stdout.decode().split("\0")
    for name in filter(None, listed):
        source = os.path.join(ROOT, name)
        if os.path.lexists(source) and not os.path.isdir(source):
            os.makedirs(os.path.join(scratch, os.path.dirname(name)), exist_ok=True)
            shutil.copy2(source, os.path.join(scratch, name), follow_symlinks=False)


def compiled_files(scratch, build):
    """The files of the scratch tree that the build compiled or included, from the
    compiler's dependency files."""
    found = set()
    for depfile in glob.glob(os.path.join(build, "**", "*.d"), recursive=True):
        with open(depfile, errors="replace") as deps:
            for word in deps.read().replace("\\\n", " ").split():
                path = os.path.realpath(word.rstrip(":"))
                if path.startswith(scratch + os.sep):
                    found.add(os.path.relpath(path, scratch))
    return found


def fail(message, log=None):
    if log:
        with open(log, errors="replace") as out:
            sys.stderr.write("".join(out.readlines()[-40:]))
    sys.exit(f"mutate.py: {message}")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter,
                                     usage=argparse.SUPPRESS)
    parser.add_argument("--n", type=int, default=120, help="mutants to run (default 120)")
    parser.add_argument("--seed", type=int, default=20261207, help="the sample's seed (default 20261207)")
    parser.add_argument("--files", nargs="+", default=DEFAULT_FILES, metavar="GLOB",
                        help="the files to plant faults in, relative to the checkout, ** for any folders "
                             "(default: the .cpp and .h files under hash/, kat/, files/ and cli/)")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2,
                        help="parallel jobs of each build and test run (default: the CPUs)")
    parser.add_argument("--timeout", type=float, default=None, metavar="SECONDS",
                        help="time for the suite on one mutant, after which it is killed and the mutant "
                             "counts as killed (default: three times the suite's time on the code as it is, "
                             "at least 60)")
    parser.add_argument("--out", metavar="FILE", help="also write the lines to FILE")
    parser.add_argument("--asan", action="store_true",
                        help="build and test with AddressSanitizer and UndefinedBehaviorSanitizer (clang)")
    args = parser.parse_args()
    if args.n < 1 or args.jobs < 1 or (args.timeout is not None and args.timeout <= 0):
        parser.error("--n, --jobs and --timeout must be positive")

    adopt_orphans()
    out = open(args.out, "w") if args.out else None

    def say(line):
        print(line, flush=True)
        if out:
            out.write(line + "\n")
            out.flush()

    scratch = os.path.realpath(tempfile.mkdtemp(prefix="morv-mutate-"))
    try:
        mutate(args, scratch, say)
    except KeyboardInterrupt:
        sys.exit("mutate.py: interrupted")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def mutate(args, scratch, say):
    started = time.monotonic()
    copy_checkout(scratch)
    matched = set()
    for pattern in args.files:
        found = {os.path.relpath(path, scratch) for path in glob.glob(os.path.join(scratch, pattern), recursive=True)
                 if os.path.isfile(path)}
        if not found:
            fail(f"no file of the checkout matches {pattern}")
        matched |= found
    build, log = os.path.join(scratch, "build"), os.path.join(scratch, "log")
    # Whatever the tests leave in the temporary folder goes with the scratch tree.
    env = dict(os.environ, TMPDIR=os.path.join(scratch, "tmp"), **(ASAN_ENV if args.asan else {}))
    os.mkdir(env["TMPDIR"])
    configure = ["cmake", "-S", scratch, "-B", build] + (ASAN_CONFIGURE if args.asan else
                                                          ["-DCMAKE_BUILD_TYPE=Release"])
    make = ["cmake", "--build", build, "-j", str(args.jobs)]
    ctest = ["ctest", "--test-dir", build, "-j", str(args.jobs), "--stop-on-failure"]

    clock = time.monotonic()
    if run(configure, scratch, None, log, env) != 0 or run(make, scratch, None, log, env) != 0:
        fail("the build of the code as it is failed", log)
    build_limit = max(600.0, 3 * (time.monotonic() - clock))
    clock = time.monotonic()
    if run(ctest, scratch, None, log, env) != 0:
        fail("the test suite fails on the code as it is", log)
    suite_time = time.monotonic() - clock
    limit = args.timeout or max(60.0, 3 * suite_time)

    compiled = compiled_files(scratch, build)
    for name in sorted(matched):
        if name not in compiled:
            say(f"skipped, not compiled on this host: {name}")
    files = sorted(matched & compiled)
    texts = {name: open(os.path.join(scratch, name), encoding="utf-8").read() for name in files}
    candidates = [m for name in files for m in mutants_of(name, texts[name], with_asserts=args.asan)]
    if not candidates:
        fail("no place to plant a fault in the files given")
    sample = sorted(random.Random(args.seed).sample(candidates, min(args.n, len(candidates))))
    say(f"{len(sample)} mutants of {len(candidates)} in {len(files)} files, seed {args.seed}"
        f"{', ASan build' if args.asan else ''}; the suite took {suite_time:.0f} s, "
        f"it gets {limit:.0f} s on each mutant")

    counts = {"killed": 0, "survived": 0, "did not compile": 0}
    for mutant in sample:
        name = mutant[0]
        path = os.path.join(scratch, name)
        text, before = plant(texts[name], mutant)
        clock = time.monotonic()
        with open(path, "w", encoding="utf-8") as source:
            source.write(text)
        status = run(make, scratch, build_limit, log, env)
        if status != 0:
            verdict = "did not compile"
        else:
            status = run(ctest, scratch, limit, log, env)
            verdict = "survived" if status == 0 else "killed"
        # Written anew, so that the next build sees it newer than the mutant's objects.
        with open(path, "w", encoding="utf-8") as source:
            source.write(texts[name])
        counts[verdict] += 1
        note = " (time ran out)" if status is None else ""
        say(f"{verdict + note:30} {time.monotonic() - clock:4.0f} s  {name}:{mutant[1] + 1}  {mutant[5]}"
            f"  | {before.strip()[:100]}")

    valid = counts["killed"] + counts["survived"]
    share = f" ({100 * counts['killed'] / valid:.1f} %)" if valid else ""
    say(f"score: {counts['killed']} of {valid} killed{share}, {counts['survived']} survived, "
        f"{counts['did not compile']} did not compile; {(time.monotonic() - started) / 60:.1f} minutes in all")


if __name__ == "__main__":
    main()
