#!/usr/bin/env python3
"""Writes hash/kernel1024_x86_64.S, the 1024-bit ProcessBlocks for x86-64 (System V, ELF).

Compiled code spills about a third of the round operations: sixteen words meet fifteen free
general registers. Here fifteen words stay in registers and one in a stack slot, and a
different word goes out each round, so that no round operation ever works on memory:
  - each round, the pair holding the spilled word runs last; after another pair has run, one
    of its words is stored and the spilled word loaded into its register (two moves, no
    arithmetic). The word sent out is the one whose next round the delay of the store and
    the reload hurts least, by a small timing model;
  - a subkey injection that finds a word out is noted and added when the word comes back;
  - all 80 rounds are unrolled, so every key, tweak and counter operand is a constant offset
    into the stack frame;
  - each block's instructions are then listed in the order of a schedule that runs the
    longest dependency chains first, which the out-of-order core follows better than
    round order.
The rotation amounts, pairings and parity word are read from hash/transform1024.h and
hash/words.h, their one home.

  tools/gen_kernel1024_x86_64.py > hash/kernel1024_x86_64.S
  tools/gen_kernel1024_x86_64.py --check    # fails when the file in the tree is not current
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
OUTPUT = ROOT / "hash" / "kernel1024_x86_64.S"
SYMBOL = "MorvProcessBlocks1024X86_64"

REGISTERS = ["rax", "rbx", "rcx", "rdx", "rsi", "rdi", "rbp",
             "r8", "r9", "r10", "r11", "r12", "r13", "r14", "r15"]
CALLEE_SAVED = ["rbx", "rbp", "r12", "r13", "r14", "r15"]
WORDS, KEY_WORDS, ROUNDS, BLOCK_BYTES = 16, 17, 80, 128
FLAG_FIRST_BIT = 62
# Ctx1024's layout; static_asserts beside the kernel's declaration pin it.
CTX_T0, CTX_T1, CTX_CHAIN = 16, 24, 32

# The stack frame, placed so that every operand of the rounds is within a one-byte
# displacement of rsp; the key words sit in the 128 bytes below rsp that the ABI keeps for
# leaf functions. Two slots take the word out: it goes to the one the previous word left.
KEY, TWEAK, SPILL = -128, 8, 32
CTX, BLOCKS, COUNT, BYTE_COUNT_ADD = 48, 56, 64, 72
FRAME = 80

# The timing model: a store and a reload of the same slot take this many cycles, every
# arithmetic operation one, and a cycle issues this many instructions.
RELOAD_CYCLES, ISSUE_WIDTH = 6, 6


def read_tables():
    transform = (ROOT / "hash" / "transform1024.h").read_text()

    def table(name):
        body = re.search(name + r"\[\d+\]\[\d+\] = \{(.*?)\};", transform, re.S).group(1)
        numbers = [int(n) for n in re.findall(r"\d+", body)]
        return [numbers[i:i + 8] for i in range(0, len(numbers), 8)]

    parity = re.search(r"KsParity = (0x[0-9A-Fa-f]+);", (ROOT / "hash" / "words.h").read_text())
    return table("kRotation"), table("kPartner"), parity.group(1)


def stack(offset):
    return f"qword ptr [rsp {'-' if offset < 0 else '+'} {abs(offset)}]"


def key(j):
    return stack(KEY + 8 * (j % KEY_WORDS))


def tweak(j):
    return stack(TWEAK + 8 * (j % 3))


def spill(slot):
    return stack(SPILL + 8 * slot)


def message(pointer, word):
    return f"qword ptr [{pointer} + {8 * word}]"


class Block:
    """One block's code as (operation, destination, source) triples, with the register of
    each word in registers and the slot of the one that is out."""

    def __init__(self, rotation, partner, parity):
        self.rotation, self.partner, self.parity = rotation, partner, parity
        self.code = []
        self.register = {}
        self.out, self.slot, self.pending = None, 0, []
        self.ready = [0] * WORDS  # model cycle at which each word's value is known

    def op(self, operation, destination, source):
        self.code.append((operation, destination, source))

    def pairs(self, r):
        return [(2 * j, self.partner[r % 4][j], self.rotation[r % 8][j]) for j in range(8)]

    def mix(self, a, b, rotation):
        self.op("add", self.register[a], self.register[b])
        self.op("rol", self.register[b], rotation)
        self.op("xor", self.register[b], self.register[a])

    def bring_back(self, register):
        """Loads the word that is out into register, with the injections it missed."""
        self.op("mov", register, spill(self.slot))
        for operand in self.pending:
            self.op("add", register, operand)
        self.register[self.out] = register

    def send_out(self, word):
        register = self.register.pop(word)
        self.op("mov", spill(1 - self.slot), register)
        self.bring_back(register)
        self.out, self.slot, self.pending = word, 1 - self.slot, []
        self.ready[word] += RELOAD_CYCLES

    def inject(self, s):
        for i in range(WORDS):
            operands = [key(s + i)]
            if i == 13:
                operands.append(tweak(s))
            elif i == 14:
                operands.append(tweak(s + 1))
            elif i == 15 and s != 0:
                operands.append(s)
            self.ready[i] += len(operands)
            if i == self.out:
                self.pending += operands
            else:
                for operand in operands:
                    self.op("add", self.register[i], operand)

    def round(self, r):
        pairs = self.pairs(r)
        for a, b, _ in pairs:
            sum_ready = max(self.ready[a], self.ready[b]) + 1
            self.ready[a], self.ready[b] = sum_ready, sum_ready + 1
        next_partner = {}
        for a, b, _ in self.pairs(r + 1):
            next_partner[a], next_partner[b] = b, a

        def delay(word):  # how much later its next round can start if it goes out now
            partner_ready = self.ready[next_partner[word]]
            start = max(self.ready[word], partner_ready)
            return max(self.ready[word] + RELOAD_CYCLES, partner_ready) - start, self.ready[word]

        last = next(p for p in pairs if self.out in p[:2])
        word = min((w for p in pairs if p is not last for w in p[:2]), key=delay)
        first = next(p for p in pairs if word in p[:2])
        self.mix(*first)
        self.send_out(word)
        for pair in pairs:
            if pair is not first and pair is not last:
                self.mix(*pair)
        self.mix(*last)

    def load(self):
        """t0 += byteCountAdd, t2 = t0 ^ t1, the parity key word, then subkey 0 on the block's
        words; the last word starts out, in a slot."""
        self.op("mov", "rax", tweak(0))
        self.op("add", "rax", stack(BYTE_COUNT_ADD))
        self.op("mov", tweak(0), "rax")
        self.op("xor", "rax", tweak(1))
        self.op("mov", tweak(2), "rax")
        self.op("movabs", "rax", self.parity)
        for j in range(WORDS):
            self.op("xor", "rax", key(j))
        self.op("mov", key(WORDS), "rax")

        pointer = REGISTERS[-1]
        self.op("mov", pointer, stack(BLOCKS))
        self.op("mov", "rax", message(pointer, WORDS - 1))
        self.op("mov", spill(0), "rax")
        self.out, self.slot, self.pending = WORDS - 1, 0, []
        self.register = dict(enumerate(REGISTERS))
        for word, register in self.register.items():
            self.op("mov", register, message(pointer, word))
        self.inject(0)

    def feed_forward(self):
        """The next key words, k[i] = w[i] ^ m[i]. The word that is out takes its last
        injection before any key word changes."""
        word, register = min(self.register.items())
        del self.register[word]
        self.op("mov", spill(1 - self.slot), register)
        self.bring_back(register)
        self.op("mov", spill(self.slot), register)
        del self.register[self.out]
        self.op("mov", register, stack(BLOCKS))
        for i, ri in sorted(self.register.items()):
            self.op("xor", ri, message(register, i))
            self.op("mov", key(i), ri)
        scratch = self.register[max(self.register)]
        for i, slot in ((word, 1 - self.slot), (self.out, self.slot)):
            self.op("mov", scratch, spill(slot))
            self.op("xor", scratch, message(register, i))
            self.op("mov", key(i), scratch)
        self.op("add", register, BLOCK_BYTES)
        self.op("mov", stack(BLOCKS), register)
        self.op("btr", tweak(1), FLAG_FIRST_BIT)

    def generate(self):
        self.load()
        for r in range(ROUNDS):
            self.round(r)
            if r % 4 == 3:
                self.inject(r // 4 + 1)
        self.feed_forward()
        return self.code


def schedule(code):
    """The same instructions in the order of a list schedule: each model cycle issues the
    ready instructions with the longest chains of dependent work after them."""
    reads, writes = [], []
    for operation, destination, source in code:
        operands = [o for o in (source, destination) if isinstance(o, str)]
        places = [source] if isinstance(source, str) else []
        if operation not in ("mov", "movabs"):
            places.append(destination)
        # A memory operand also reads its base register.
        places += [m.group(1) for o in operands for m in [re.search(r"\[(\w+)", o)] if m]
        reads.append(places)
        writes.append(destination)

    # Edges (earlier, later, cycles): a read waits for the write of its value, a write for
    # the reads and the write of the value it replaces.
    successors = [[] for _ in code]
    last_write, reads_since = {}, {}
    for i in range(len(code)):
        for place in reads[i]:
            if place in last_write:
                successors[last_write[place]].append((i, RELOAD_CYCLES if "[" in place else 1))
        replaced = reads_since.get(writes[i], []) + [last_write.get(writes[i])]
        for j in set(replaced) - {None}:
            successors[j].append((i, 0))
        for place in reads[i]:
            reads_since.setdefault(place, []).append(i)
        last_write[writes[i]], reads_since[writes[i]] = i, []
    waiting = [0] * len(code)
    for edges in successors:
        for i, _ in edges:
            waiting[i] += 1

    height = [0] * len(code)
    for i in reversed(range(len(code))):
        height[i] = 1 + max((height[j] + cycles for j, cycles in successors[i]), default=0)

    order, earliest, cycle = [], [0] * len(code), 0
    ready = [i for i in range(len(code)) if waiting[i] == 0]
    while ready:
        issued = sorted((i for i in ready if earliest[i] <= cycle), key=lambda i: (-height[i], i))
        for i in issued[:ISSUE_WIDTH]:
            ready.remove(i)
            order.append(code[i])
            for j, cycles in successors[i]:
                earliest[j] = max(earliest[j], cycle + max(cycles, 1))
                waiting[j] -= 1
                if waiting[j] == 0:
                    ready.append(j)
        cycle += 1
    return order


def instruction(operation, destination, source):
    return f"    {operation} {destination}, {source}"


def assembly(block_code):
    lines = [
        "// Generated by tools/gen_kernel1024_x86_64.py; do not edit.",
        "//",
        "// The 1024-bit ProcessBlocks for x86-64, the same function as the portable one in",
        "// hash/transform1024.h:",
        f"//   extern \"C\" void {SYMBOL}(Ctx1024* ctx, const uint8_t* blocks,",
        "//                                            size_t blockCount, size_t byteCountAdd);",
        "// Key words at rsp - 128, tweak words at rsp + 8, the spill slots at rsp + 32.",
        "#if defined(__x86_64__) && defined(__ELF__)",
        "    .intel_syntax noprefix",
        "    .text",
        f"    .globl {SYMBOL}",
        f"    .hidden {SYMBOL}",
        f"    .type {SYMBOL}, @function",
        "    .p2align 6",
        f"{SYMBOL}:",
        "    endbr64",
        "    test rdx, rdx",
        "    jz .Ldone",
    ]
    lines += [f"    push {r}" for r in CALLEE_SAVED]
    lines.append(f"    sub rsp, {FRAME}")
    for offset, register in ((CTX, "rdi"), (BLOCKS, "rsi"), (COUNT, "rdx"),
                             (BYTE_COUNT_ADD, "rcx")):
        lines.append(instruction("mov", stack(offset), register))
    for j in range(WORDS):
        lines.append(instruction("mov", "rax", f"qword ptr [rdi + {CTX_CHAIN + 8 * j}]"))
        lines.append(instruction("mov", key(j), "rax"))
    for t, offset in ((0, CTX_T0), (1, CTX_T1)):
        lines.append(instruction("mov", "rax", f"qword ptr [rdi + {offset}]"))
        lines.append(instruction("mov", tweak(t), "rax"))

    lines += ["    .p2align 4", ".Lblock:"]
    lines += [instruction(*i) for i in block_code]
    lines += [f"    dec {stack(COUNT)}", "    jnz .Lblock"]

    lines.append(instruction("mov", "rdi", stack(CTX)))
    for j in range(WORDS):
        lines.append(instruction("mov", "rax", key(j)))
        lines.append(instruction("mov", f"qword ptr [rdi + {CTX_CHAIN + 8 * j}]", "rax"))
    for t, offset in ((0, CTX_T0), (1, CTX_T1)):
        lines.append(instruction("mov", "rax", tweak(t)))
        lines.append(instruction("mov", f"qword ptr [rdi + {offset}]", "rax"))
    lines.append(f"    add rsp, {FRAME}")
    lines += [f"    pop {r}" for r in reversed(CALLEE_SAVED)]
    lines += [
        ".Ldone:",
        "    ret",
        f"    .size {SYMBOL}, .-{SYMBOL}",
        "",
        "// No executable stack; and, as compilers mark code built with -fcf-protection, the",
        "// kernel suits indirect branch tracking and shadow stacks (a program or library keeps",
        "// those only when every object it links says so).",
        '    .section .note.GNU-stack, "", @progbits',
        '    .section .note.gnu.property, "a"',
        "    .p2align 3",
        "    .long 4, 16, 5  // name size, descriptor size, NT_GNU_PROPERTY_TYPE_0",
        '    .asciz "GNU"',
        "    .long 0xc0000002, 4, 3  // GNU_PROPERTY_X86_FEATURE_1_AND: IBT and SHSTK",
        "    .p2align 3",
        "#endif",
    ]
    return "\n".join(lines) + "\n"


def main():
    text = assembly(schedule(Block(*read_tables()).generate()))
    if sys.argv[1:] == ["--check"]:
        if OUTPUT.read_text() != text:
            sys.exit(f"{OUTPUT.relative_to(ROOT)} is not current: run tools/{pathlib.Path(__file__).name}")
        return
    sys.stdout.write(text)


if __name__ == "__main__":
    main()
