#!/usr/bin/env python3
"""README's silent examples reach the setup as the same words from every shell.

The cmd/PowerShell example (a line starting with ".\\") is read as the setup
reads its own command line: words split at blanks outside double quotes, the
quotes then taken out (PowerShell takes them out itself and quotes a word
with a blank again, which comes to the same). The bash example (a line
starting with "wine ") is split as bash splits it (shlex in POSIX mode: an
unquoted backslash escapes the next character). Both must give the setup
the same options; a backslash eaten by bash is a settings folder elsewhere.
"""
import re
import shlex
import sys


def setup_words(arguments):
    """The setup's own rule: blanks outside quotes end a word; no escapes."""
    words, word, quoted, started = [], "", False, False
    for c in arguments:
        if c in " \t" and not quoted:
            if started:
                words.append(word)
            word, started = "", False
            continue
        started = True
        if c == '"':
            quoted = not quoted
        else:
            word += c
    if started:
        words.append(word)
    return words


def main(readme):
    lines = [line.strip() for line in open(readme, encoding="utf-8") if line.startswith("    ")]
    windows = [line for line in lines if line.startswith(".\\") and "/silent" in line]
    bash = [line for line in lines if line.startswith("wine ") and "/silent" in line]
    failures = []
    if not windows or not bash:
        failures.append("README needs a cmd/PowerShell and a bash silent example")
    for line in windows + bash:
        if line.startswith("wine "):
            words = shlex.split(line)[2:]
        else:
            words = setup_words(line)[1:]
        for other in windows + bash:
            other_words = shlex.split(other)[2:] if other.startswith("wine ") else setup_words(other)[1:]
            if words != other_words:
                failures.append("%r\n  gives %r\n  but %r\n  gives %r" % (line, words, other, other_words))
        for word in words:
            if re.match(r"/(folder|ini|log)=", word) and "\\" not in word:
                failures.append("%r: %r lost its backslashes" % (line, word))
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
