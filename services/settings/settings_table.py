#!/usr/bin/env python3
"""The one table of Wardcheck's settings, as services/settings/settings.h declares it, read for
what is made from it: the manual page's list of settings and the table in docs/settings.md.
tests/windows/check_policy_templates.py reads it too, to hold the Windows preset files to it.

    settings_table.py man  SETTINGS_H MANPAGE_IN MANPAGE   the manual page, its settings filled in
    settings_table.py doc  SETTINGS_H DOC.md               rewrites the table in DOC.md
    settings_table.py check-doc SETTINGS_H DOC.md          exit 1, naming each row that differs
"""
import re
import sys

FILE_OF = {"OrvaneUser": "Orvane_User", "Wardcheck": "Wardcheck"}
DOC_BEGINS = "<!-- settings table begins: made from services/settings/settings.h -->"
DOC_ENDS = "<!-- settings table ends -->"
MAN_MARK = ".\\\" SETTINGS"


class Setting:
    def __init__(self, key, file_enum, name, kind, default, layer, least, most, choices, what=""):
        self.key = key
        self.what = what  # the comment above its row
        self.file = FILE_OF.get(file_enum, file_enum)
        self.name = name
        self.kind = kind  # Text, Flag, Number, Choice
        self.default = default
        self.layer = layer  # Preset, PresetUser
        self.least = least
        self.most = most
        self.choices = choices

    def takes(self):
        if self.kind == "Flag":
            return "true or false"
        if self.kind == "Number":
            return f"a whole number, {self.least} to {self.most}"
        if self.kind == "Choice":
            return " or ".join(self.choices) + " (any case)"
        return "a text"

    def default_text(self):
        if self.kind == "Flag":
            return "true" if self.default else "false"
        return str(self.default) if self.default != "" else "empty"

    def who(self):
        return "the machine's preset only" if self.layer == "Preset" else "the machine's preset, or the user"


def read_table(path):
    """The rows of table() in settings.h; raises ValueError naming what could not be read."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    m = re.search(r"table\(\)\s*\{(.*?)return definitions;", text, re.S)
    if not m:
        raise ValueError(f"{path}: no table() with its definitions")
    # The comment above a row says what the setting is, for the manual and the documents too.
    what, comment = {}, []
    for line in m.group(1).split("\n"):
        stripped = line.strip()
        if stripped.startswith("//"):
            comment.append(stripped[2:].strip())
            continue
        key = re.match(r"\{\s*Key::(\w+)", stripped)
        if key:
            what[key.group(1)] = " ".join(comment)
        comment = []
    body = re.sub(r"//[^\n]*", "", m.group(1))
    row = re.compile(
        r"\{\s*Key::(\w+)\s*,\s*File::(\w+)\s*,\s*QStringLiteral\(\"([^\"]+)\"\)\s*,\s*Type::(\w+)\s*,\s*(.+?)\s*,"
        r"\s*Layer::(\w+)\s*(?:,\s*(-?\d+)\s*,\s*(-?\d+)\s*)?(?:,\s*\{([^}]*)\}\s*)?\}", re.S)
    settings = []
    for key, file_enum, name, kind, default, layer, least, most, choices in row.findall(body):
        default = default.strip()
        if default in ("true", "false"):
            value = default == "true"
        elif re.fullmatch(r"-?\d+", default):
            value = int(default)
        elif default == "QString()":
            value = ""
        else:
            literal = re.fullmatch(r'QStringLiteral\("((?:[^"\\]|\\.)*)"\)', default)
            if not literal:
                raise ValueError(f"{path}: Key::{key}: cannot read the default {default}")
            value = literal.group(1)
        settings.append(Setting(key, file_enum, name, kind, value, layer, int(least or 0), int(most or 0),
                                re.findall(r'QStringLiteral\("([^"]+)"\)', choices), what.get(key, "")))
    # Every row opens with "{Key::"; one the pattern missed would go unread.
    if len(re.findall(r"\{\s*Key::", body)) != len(settings) or not settings:
        raise ValueError(f"{path}: table() has rows that could not be read")
    return settings


def markdown(settings):
    lines = [DOC_BEGINS, "| file | key | what it is | takes | default | who may set it |",
             "|---|---|---|---|---|---|"]
    for s in settings:
        lines.append(f"| {s.file} | `{s.name}` | {s.what} | {s.takes()} | {s.default_text()} | {s.who()} |")
    lines.append(DOC_ENDS)
    return lines


def roff(settings):
    def escape(text):
        return text.replace("\\", "\\\\").replace("-", "\\-")
    lines = []
    for s in settings:
        lines += [".TP", f".BR {escape(s.name)} \" (in \" {s.file}.ini )",
                  escape(s.what),
                  f"It takes {escape(s.takes())}; {escape(s.default_text())} unless set; set by {escape(s.who())}."]
    return lines


def doc_region(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    try:
        begin = lines.index(DOC_BEGINS)
        end = lines.index(DOC_ENDS, begin)
    except ValueError:
        raise ValueError(f"{path}: no lines {DOC_BEGINS!r} ... {DOC_ENDS!r}")
    return lines, begin, end


def main(argv):
    if len(argv) < 4 or argv[1] not in ("man", "doc", "check-doc"):
        sys.exit(__doc__)
    try:
        settings = read_table(argv[2])
        if argv[1] == "man":
            with open(argv[3], encoding="utf-8") as f:
                page = f.read().split("\n")
            if MAN_MARK not in page:
                raise ValueError(f"{argv[3]}: no line {MAN_MARK}")
            at = page.index(MAN_MARK)
            with open(argv[4], "w", encoding="utf-8") as f:
                f.write("\n".join(page[:at] + roff(settings) + page[at + 1:]))
            return 0
        lines, begin, end = doc_region(argv[3])
        made = markdown(settings)
        if argv[1] == "doc":
            with open(argv[3], "w", encoding="utf-8") as f:
                f.write("\n".join(lines[:begin] + made + lines[end + 1:]))
            return 0
        written = lines[begin:end + 1]
        problems = [f"{argv[3]}: the table has no row {row}" for row in made if row not in written]
        problems += [f"{argv[3]}: the settings table has no row {row}" for row in written if row not in made]
        for problem in problems:
            print(problem)
        if problems:
            print(f"settings_table.py doc {argv[2]} {argv[3]} writes the table anew")
        return 1 if problems else 0
    except (OSError, ValueError) as e:
        print(e)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
