#!/usr/bin/env python3
"""Every relative link and image of the project's Markdown pages must name a file
that exists and, after a '#', a heading of that page. Prints each broken one and
exits 1 if there is any."""
import pathlib
import re
import subprocess
import sys

LINK = re.compile(r'!?\[[^\]]*\]\(([^)\s]+)\)')
FENCE = re.compile(r'^```.*?^```', re.M | re.S)


def anchors(page):
    """The anchors a renderer gives the page's headings: lower case, punctuation
    dropped, blanks as hyphens."""
    text = FENCE.sub('', page.read_text())
    names = set()
    for heading in re.findall(r'^#+ (.+)$', text, re.M):
        slug = re.sub(r'[^\w\- ]', '', heading.strip().lower()).replace(' ', '-')
        names.add(slug)
    return names


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    listed = subprocess.run(['git', 'ls-files', '*.md'], cwd=root, capture_output=True,
                            text=True, check=True).stdout.split()
    broken = 0
    for name in listed:
        page = root / name
        for target in LINK.findall(FENCE.sub('', page.read_text())):
            if re.match(r'[a-z]+:', target):
                continue  # another site: not ours to check
            path, _, anchor = target.partition('#')
            linked = (page.parent / path).resolve() if path else page
            if not linked.exists():
                print(f'{name}: {target}: no such file')
                broken += 1
            elif anchor and linked.suffix == '.md' and anchor not in anchors(linked):
                print(f'{name}: {target}: no such heading')
                broken += 1
    print(f'{len(listed)} pages, {broken} broken links')
    return 1 if broken else 0


if __name__ == '__main__':
    sys.exit(main())
