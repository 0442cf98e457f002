#!/usr/bin/python3
"""Every file the README tells a reader to run or read exists after a build.

    readme_paths.py SOURCE-DIR BUILD-DIR

The README's shell blocks and its inline commands name scripts, benchmark
scripts and programs in the build folder; a moved target or script must
fail here, not on a new user's first try. Paths a command writes (after -B,
--out or a redirection) are outputs and are not expected to exist.
"""
import os
import re
import shlex
import sys

PREFIXES = ("build/", "scripts/", "bench/", "packaging/", "tests/", "docs/")
OUTPUT_FLAGS = {"-B", "--out", "-o", ">", ">>"}
PATH_IN_WORD = re.compile(r"(?:^|[=(])((?:%s)[^\s)]+)" % "|".join(re.escape(p) for p in PREFIXES))


def commands(readme):
    """Yields each command line of the README's sh blocks and inline code."""
    in_block = False
    for line in readme.replace("\\\n", " ").splitlines():
        if line.startswith("```"):
            in_block = line.strip() == "```sh" if not in_block else False
            continue
        if in_block:
            yield line
        else:
            yield from re.findall(r"`([^`]+)`", line)


def named_paths(command):
    try:
        words = shlex.split(command, comments=True)
    except ValueError:
        return
    for previous, word in zip([None] + words, words):
        if previous in OUTPUT_FLAGS:
            continue
        # Also a path inside VAR=$(path …).
        for match in PATH_IN_WORD.finditer(word):
            yield match.group(1)


def resolve(path, source_dir, build_dir):
    if path.startswith("build/"):
        return os.path.join(build_dir, path[len("build/"):])
    return os.path.join(source_dir, path)


def main():
    source_dir, build_dir = sys.argv[1:3]
    with open(os.path.join(source_dir, "README.md"), encoding="utf-8") as f:
        readme = f.read()
    checked, missing = set(), []
    for command in commands(readme):
        for path in named_paths(command):
            if path in checked:
                continue
            checked.add(path)
            real = resolve(path, source_dir, build_dir)
            if not os.path.exists(real):
                missing.append(f"{path} ({real})")
            elif path.startswith(("scripts/", "bench/")) and os.path.isfile(real) and not os.access(real, os.X_OK):
                missing.append(f"{path} is not executable")
    # The README's own commands must be among what was checked, or the
    # parsing above has gone wrong and would pass anything.
    for essential in ("scripts/run", "scripts/test", "build/CPackConfig.cmake", "build/server/scribeon-server"):
        if essential not in checked:
            missing.append(f"{essential} was not found in the README's commands")
    if missing:
        print("FAIL: the README names paths that do not exist after a build:\n  " + "\n  ".join(missing))
        return 1
    print(f"PASS: {len(checked)} paths: {' '.join(sorted(checked))}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
