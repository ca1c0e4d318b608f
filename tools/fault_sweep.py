#!/usr/bin/env python3
"""The fault sweep: every I/O call of genkat, morvsum and katcheck failed once, in turn.

  tools/fault_sweep.py BUILD [-j JOBS]

BUILD is a build folder with kat/genkat, cli/morvsum and cli/katcheck. Each run
below goes once clean under strace, which lists its calls of each kind, then once
for each of those calls and each error of its kind with that one call failing
(strace -e inject). A run passes when it exits 0 with standard output, standard
error and every file in its folder byte for byte as in the clean run, or exits
non-zero having said so: genkat with its error line last on standard output
(nothing on standard error), except status 6 when the failed call wrote or
closed its own standard output, where nothing can be said; morvsum and katcheck
on standard error, katcheck in exactly one line. A signal, a hang, or a failure
that strace did not inject where it should have fails the sweep. The dynamic
loader's calls, made before main, are left alone. Prints the runs per program,
call and error, with how they passed (exit 0 with the same output, or failed
and said so), and exits 1 when a run failed.
"""
import argparse, concurrent.futures, os, re, shutil, subprocess, sys, tempfile, time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SMALL_RUN = os.path.join(ROOT, "tests", "data", "small-run")
# The options of every morvsum run: one worker, so that its calls come in the
# same order in every run.
MORVSUM_OPTIONS = ["--threads=1"]
ERRORS = {"read": ["EIO", "EINTR"], "write": ["EIO", "ENOSPC", "EINTR"],
          "openat": ["EACCES", "EMFILE", "EIO"], "close": ["EIO"],
          "newfstatat": ["EIO"], "fstat": ["EIO"], "statx": ["EIO"], "lseek": ["EIO"]}
KAT_INPUTS = ["ShortMsgKAT.txt", "LongMsgKAT.txt", "ExtremelyLongMsgKAT.txt", "MonteCarlo.txt"]


class Program:
    """One program run: its arguments, the files of its folder (copies, or a name
    and the command whose output it holds), its standard input."""

    def __init__(self, name, argv, files, stdin=None, made=None):
        self.name, self.argv, self.files, self.stdin, self.made = name, argv, files, stdin, made


def programs(build):
    tool = lambda name: os.path.join(build, "cli", name)
    morvsum = [tool("morvsum")] + MORVSUM_OPTIONS
    inputs = {name: os.path.join(SMALL_RUN, "input", name) for name in KAT_INPUTS}
    katfiles = {name: os.path.join(SMALL_RUN, "expected", name)
                for name in ["ShortMsgKAT_224.txt", "ExtremelyLongMsgKAT_224.txt", "MonteCarlo_224.txt"]}
    # Regular files go on the lanes, standard input is read on its own, and so is
    # any file whose digest is longer than the lanes make.
    return [
        Program("genkat", [os.path.join(build, "kat", "genkat")], inputs),
        Program("morvsum", morvsum + ["ShortMsgKAT.txt", "LongMsgKAT.txt", "-", "ExtremelyLongMsgKAT.txt"],
                inputs, stdin="MonteCarlo.txt"),
        Program("morvsum -l 1024", morvsum + ["-l", "1024", "LongMsgKAT.txt"], inputs),
        Program("morvsum -c", morvsum + ["-c", "SUMS"], inputs, made=("SUMS", morvsum + KAT_INPUTS)),
        Program("katcheck", [tool("katcheck")] + list(katfiles), katfiles),
    ]


def folder(program):
    """A fresh folder with the program's files."""
    path = tempfile.mkdtemp(prefix="morv-sweep-")
    for name, source in program.files.items():
        shutil.copy(source, os.path.join(path, name))
    if program.made:
        name, argv = program.made
        with open(os.path.join(path, name), "wb") as out:
            subprocess.run(argv, cwd=path, stdout=out, check=True)
    return path


def contents(path):
    return {name: open(os.path.join(path, name), "rb").read() for name in sorted(os.listdir(path))}


def run(program, strace_args):
    """Runs the program under strace in a fresh folder: (status, stdout, stderr, files, trace)."""
    path = folder(program)
    trace = path + ".trace"
    stdin = open(os.path.join(path, program.stdin), "rb") if program.stdin else subprocess.DEVNULL
    try:
        p = subprocess.run(["strace", "-f", "-qq", "-o", trace] + strace_args + ["--"] + program.argv,
                           cwd=path, stdin=stdin, capture_output=True, timeout=120)
        status, out, err = p.returncode, p.stdout, p.stderr
    except subprocess.TimeoutExpired:
        status, out, err = "hang", b"", b""
    finally:
        if program.stdin:
            stdin.close()
    files, text = contents(path), open(trace, errors="replace").read()
    shutil.rmtree(path)
    os.remove(trace)
    return status, out, err, files, text


CALL = re.compile(r"^(?:\d+ +)?(\w+)\(([^,)]*)")


def calls(trace):
    """The traced calls that the program made, by kind: [(number, first argument)].
    Numbers count every call of the kind, as strace's injection does; the loader's
    calls (every frame of their stack in ld.so) are counted, not listed."""
    found, counts, current = {}, {}, None
    for line in trace.splitlines() + ["end"]:
        if line.startswith(" > "):
            current[2] &= os.path.basename(line[3:].split("(")[0]).startswith("ld-")
            continue
        if current:
            kind, number, loader, argument = current
            if not loader:
                found.setdefault(kind, []).append((number, argument))
        m = CALL.match(line)
        current = None
        if m and m.group(1) in ERRORS:
            kind = m.group(1)
            counts[kind] = counts.get(kind, 0) + 1
            current = [kind, counts[kind], True, m.group(2)]
    return found


PASSED = ("exit 0", "said so")


def judge(program, clean, faulted, kind, argument):
    """How the faulted run passed (one of PASSED), or what is wrong with it."""
    status, out, err, files, trace = faulted
    if status == "hang":
        return "hung"
    if status < 0:
        return f"died from signal {-status}"
    injected = [CALL.match(line) for line in trace.splitlines() if line.endswith("(INJECTED)")]
    if len(injected) != 1 or injected[0].group(2) != argument:
        return "the failure was not injected where the clean run made that call"
    if status == 0:
        return "exit 0" if (out, err, files) == clean[1:4] else "exited 0, but its output differs"
    name = os.path.basename(program.argv[0])
    if name == "genkat":
        lines, expected = out.decode(errors="replace").splitlines(), clean[1].decode().splitlines()
        if err:
            return "wrote to standard error"
        if status == 6 and kind in ("write", "close") and argument == "1" and clean[1].startswith(out):
            return "said so"
        if not lines or lines[-1].startswith("finished ") or lines[:-1] != expected[:len(lines) - 1]:
            return f"exited {status} without its error line"
        return "said so"
    lines = err.decode(errors="replace").splitlines()
    if not lines or any(not line.startswith(program.argv[0] + ": ") for line in lines):
        return f"exited {status} without its error line"
    if name == "katcheck" and len(lines) != 1:
        return f"exited {status} with {len(lines)} lines on standard error, not one"
    return "said so"


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("build")
    ap.add_argument("-j", "--jobs", type=int, default=os.cpu_count() or 2)
    args = ap.parse_args()
    started = time.time()
    every_kind = ",".join(ERRORS)
    plans, cleans, problems = [], {}, []
    for program in programs(os.path.abspath(args.build)):
        clean = run(program, ["-k", "-e", f"trace={every_kind}"])
        if clean[0] != 0:
            sys.exit(f"fault sweep: {program.name} fails without a fault: {clean[2].decode()}")
        cleans[program.name] = clean
        listed_calls = calls(clean[4])
        if not listed_calls:
            sys.exit(f"fault sweep: no calls of {program.name} listed: can strace show stacks (-k) here?")
        for kind, listed in listed_calls.items():
            for error in ERRORS[kind]:
                plans += [(program, kind, error, number, argument) for number, argument in listed]

    def attempt(plan):
        program, kind, error, number, argument = plan
        inject = ["-e", f"trace={kind}", "-e", f"inject={kind}:error={error}:when={number}"]
        return plan, judge(program, cleans[program.name], run(program, inject), kind, argument)

    table = {}
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        for (program, kind, error, number, argument), outcome in pool.map(attempt, plans):
            row = table.setdefault((program.name, kind, error), [0, 0, 0])
            row[PASSED.index(outcome) if outcome in PASSED else 2] += 1
            if outcome not in PASSED:
                problems.append(f"{program.name}: {kind} #{number} ({argument}) failing with {error}: "
                                f"{outcome} (strace -e inject={kind}:error={error}:when={number})")

    print(f"{'program':<16} {'call':<11} {'error':<7} {'runs':>5} {'exit 0':>7} {'said so':>8} {'FAILED':>7}")
    for (name, kind, error), row in table.items():
        print(f"{name:<16} {kind:<11} {error:<7} {sum(row):>5} {row[0]:>7} {row[1]:>8} {row[2]:>7}")
    print(f"{len(plans)} runs in {time.time() - started:.0f} s, {len(problems)} failed")
    for problem in problems:
        print("FAIL:", problem)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
