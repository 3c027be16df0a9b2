#!/usr/bin/env python3
"""Keeps docs/man true to the programs:
    tests/manpages.py POSTSOLVE POSTSOLVE_KIT MAN_DIR
postsolve.1 has --help, --version and every exit status `postsolve --help`
lists, and no other; postsolve-kit.1 has a section for every subcommand
`postsolve-kit --help` lists and no other, and each section names every
option (in its heading or text), positional argument and choice the
subcommand's --help lists, and no option it does not; every option is
described in an item of the page. When groff is installed, both pages render without a warning."""
import re
import shutil
import subprocess
import sys

postsolve, kit, man_dir = sys.argv[1:4]
failures = []


def fail(message):
    failures.append(message)


def run(*args):
    r = subprocess.run(args, capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit(f"manpages.py: {' '.join(args)} exited {r.returncode}: {r.stderr}")
    return r.stdout


def plain(roff):
    """The page's source as text: minus signs and font changes undone."""
    return re.sub(r"\\f[BIRP]", "", roff.replace("\\-", "-"))


def sections(text, macro):
    """{heading: body} for each `.SH` or `.SS` heading."""
    pieces = re.split(rf"^\.{macro} (.*)$", text, flags=re.M)
    return {pieces[i].strip('"'): pieces[i + 1] for i in range(1, len(pieces), 2)}


def options(text):
    """Every --long or -x option written in text."""
    return set(re.findall(r"(?<![\w-])(--[a-z][a-z-]*|-[a-zA-Z])(?![\w-])", text))


def help_lists(help_text):
    """(options, positionals, choices) of a CLI11 --help."""
    opts, positionals, choices, block = set(), set(), set(), None
    for line in help_text.splitlines():
        if line.endswith(":") and not line.startswith(" "):
            block = line[:-1]
            continue
        m = re.match(r"^  (\S+)", line)
        if not m:
            continue
        if block == "Options":
            opts |= {o for o in m.group(1).split(",") if o.startswith("-")}
        elif block == "Positionals":
            positionals.add(m.group(1))
        for group in re.findall(r"\{([^}]*)\}", line):
            choices |= set(group.split(","))
    return opts, positionals, choices


def items(text):
    """The options of each `.TP` item's first line."""
    return set().union(*(options(m) for m in re.findall(r"^\.TP\n(.*)$", text, flags=re.M)))


def word_in(word, text):
    return re.search(rf"(?<![\w-]){re.escape(word)}(?![\w-])", text) is not None


# ---- postsolve.1 ----
page = plain(open(f"{man_dir}/postsolve.1").read())
pages = sections(page, "SH")
usage = run(postsolve, "--help")
statuses = re.findall(r"^  (\d+)  ", usage.split("Exit status:", 1)[-1], flags=re.M)
if statuses != ["0", "1", "2"]:
    fail(f"postsolve --help lists exit statuses {statuses}")
documented = re.findall(r"^\.TP\n\.B (\d+)$", pages.get("EXIT STATUS", ""), flags=re.M)
if documented != statuses:
    fail(f"postsolve.1 EXIT STATUS has {documented}, postsolve --help {statuses}")
for option in options(usage):
    if not word_in(option, pages.get("OPTIONS", "")):
        fail(f"postsolve.1 OPTIONS lacks {option}")
if options(pages.get("OPTIONS", "")) != options(usage):
    fail(f"postsolve.1 OPTIONS has {sorted(options(pages.get('OPTIONS', '')))}, --help {sorted(options(usage))}")
for name in ("dravfile.sol", "dravfile.stk", "dravfile.bin", "NAME"):
    if not word_in(name, pages.get("FILES", "")):
        fail(f"postsolve.1 FILES lacks {name}")
version = run(postsolve, "--version").split()
if len(version) != 2 or version[0] != "postsolve":
    fail(f"postsolve --version printed {version}")

# ---- postsolve-kit.1 ----
page = plain(open(f"{man_dir}/postsolve-kit.1").read())
pages = sections(page, "SH")
top = run(kit, "--help")
subcommands = re.findall(r"^  ([a-z]+)  ", top.split("Subcommands:", 1)[-1], flags=re.M)
if len(subcommands) < 9:
    fail(f"postsolve-kit --help lists only {subcommands}")
top_opts = help_lists(top)[0]
for option in top_opts:
    if not word_in(option, pages.get("OPTIONS", "")):
        fail(f"postsolve-kit.1 OPTIONS lacks {option}")
subsections = {heading.split()[0]: (heading, body) for heading, body in
               sections(pages.get("SUBCOMMANDS", ""), "SS").items()}
if sorted(subsections) != sorted(subcommands):
    fail(f"postsolve-kit.1 SUBCOMMANDS has {sorted(subsections)}, --help {sorted(subcommands)}")
described = items(page)
for sub in subcommands:
    if sub not in subsections:
        continue
    heading, body = subsections[sub]
    opts, positionals, choices = help_lists(run(kit, sub, "--help"))
    opts -= top_opts  # -h, --help: the page's OPTIONS
    named = options(heading) | options(body)
    if not options(heading) <= opts or not opts <= named:
        fail(f"postsolve-kit.1 '{sub}' names options {sorted(named)}, --help {sorted(opts)}")
    if not items(body) <= opts:
        fail(f"postsolve-kit.1 '{sub}' describes {sorted(items(body) - opts)}, not in its --help")
    for option in opts - described:
        fail(f"postsolve-kit.1 describes no {option} (of {sub})")
    for word in positionals | choices:
        if not word_in(word, heading + body):
            fail(f"postsolve-kit.1 '{sub}' lacks {word}")
kit_statuses = re.findall(r"^\.TP\n\.B (\d+)$", pages.get("EXIT STATUS", ""), flags=re.M)
if kit_statuses != ["0", "1", "2", "3"]:
    fail(f"postsolve-kit.1 EXIT STATUS has {kit_statuses}")

# ---- rendering ----
if shutil.which("groff"):
    for name in ("postsolve.1", "postsolve-kit.1"):
        r = subprocess.run(["groff", "-man", "-Tutf8", "-ww", "-z", f"{man_dir}/{name}"],
                           capture_output=True, text=True)
        if r.returncode != 0 or r.stderr:
            fail(f"groff on {name}: status {r.returncode}: {r.stderr.strip()}")
else:
    print("manpages.py: groff is not installed; rendering not checked")

for f in failures:
    print(f"manpages.py: {f}", file=sys.stderr)
if failures:
    sys.exit(1)
print(f"man pages: postsolve ({len(statuses)} exit statuses) and postsolve-kit ({len(subcommands)} subcommands) "
      "agree with the programs")
