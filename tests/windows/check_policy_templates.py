#!/usr/bin/env python3
"""Checks Wardcheck's Windows preset files against the one table of settings.

    check_policy_templates.py <repo root>

Reads services/settings/settings.h and checks packaging/windows/: the ADMX
template and its en-US ADML, and the example .reg preset. Every value they
write must be one that Wardcheck reads from HKLM\\Software\\ORVANE\\<file>\\<group>
(QSettings' native format), of a type and in the bounds Wardcheck takes.
Exit 0 when all is well, 1 with one line per fault otherwise, 2 on misuse.
"""

import difflib
import os
import re
import sys
import xml.etree.ElementTree as ET

NS = "{http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions}"
PRESET_ROOT = "Software\\ORVANE"
REG_HEADER = "Windows Registry Editor Version 5.00"
REG_ROOT = "HKEY_LOCAL_MACHINE\\" + PRESET_ROOT

# The program compares login/kind to "odbc" exactly and takes anything else
# for the embedded file, so a misspelt kind silently picks the wrong database.
KNOWN_VALUES = {}  # filled from the table's choices

# The control the policy editor shows for each kind of element.
CONTROL_FOR = {
    "decimal": {"decimalTextBox"},
    "longDecimal": {"longDecimalTextBox"},
    "text": {"textBox", "comboBox"},
    "enum": {"dropdownList"},
    "boolean": {"checkBox"},
    "list": {"listBox"},
    "multiText": {"multiTextBox"},
}

# Defaults of a decimal element's bounds when the template leaves them out.
DECIMAL_MIN_DEFAULT = 0
DECIMAL_MAX_DEFAULT = 9999


class Problems:
    def __init__(self):
        self.lines = []

    def add(self, where, message):
        self.lines.append(f"{where}: {message}")


def regkey(path):
    # The registry, and QSettings on it, ignore case in key and value names.
    return path.strip("\\").lower()


class Setting:
    def __init__(self, key, file_name, name, default_text, layer):
        self.key = key
        self.file = file_name
        self.name = name
        self.layer = layer
        group, _, value_name = name.rpartition("/")
        self.registry_key = PRESET_ROOT + "\\" + file_name + ("\\" + group.replace("/", "\\") if group else "")
        self.value_name = value_name
        self.kind, self.default = parse_default(default_text)
        self.least = None
        self.most = None

    def label(self):
        return f"{self.name} ({self.file})"


def parse_default(text):
    text = text.strip()
    if text in ("true", "false"):
        return "bool", text == "true"
    if re.fullmatch(r"-?\d+", text):
        return "int", int(text)
    if text == "QString()":
        return "string", ""
    m = re.fullmatch(r'QStringLiteral\("((?:[^"\\]|\\.)*)"\)', text)
    if m:
        return "string", m.group(1)
    return None, text


def read_settings(path, problems):
    """The rows of the one table, as services/settings/settings_table.py reads them."""
    sys.path.insert(0, os.path.dirname(path))
    import settings_table
    try:
        rows = settings_table.read_table(path)
    except (OSError, ValueError) as e:
        problems.add(os.path.basename(path), str(e))
        return []
    settings = []
    for row in rows:
        default = {"Flag": "true" if row.default else "false", "Number": str(row.default)}.get(
            row.kind, 'QStringLiteral("%s")' % row.default if row.default != "" else "QString()")
        setting = Setting(row.key, row.file, row.name, default, row.layer)
        if row.kind == "Number":
            setting.least, setting.most = row.least, row.most
        if row.kind == "Choice":
            KNOWN_VALUES[row.name] = set(row.choices)
        settings.append(setting)
    return settings


def find_setting(settings, key, value_name):
    for setting in settings:
        if regkey(setting.registry_key) == regkey(key) and setting.value_name.lower() == value_name.lower():
            return setting
    return None


def no_setting_message(settings, key, value_name):
    known = {f"{s.registry_key}\\{s.value_name}".lower(): f"{s.registry_key}\\{s.value_name}" for s in settings}
    near = difflib.get_close_matches(f"{key}\\{value_name}".lower(), list(known), n=1, cutoff=0.8)
    hint = f" (did you mean {known[near[0]]}?)" if near else ""
    return f"{key} value {value_name!r} names no setting of settings.h's table{hint}"


def literal_fits(setting, reg_type, value):
    """Why a value of reg_type ("dword" or "sz") does not do for setting, or None."""
    if setting.kind == "bool":
        if reg_type == "dword" and value in (0, 1):
            return None
        if reg_type == "sz" and value in ("true", "false"):
            return None
        return f"{value!r} is not a yes/no (DWORD 1/0 or \"true\"/\"false\")"
    if setting.kind == "int":
        if reg_type == "sz":
            if not re.fullmatch(r"\s*-?\d+\s*", value):
                return f"{value!r} is not a whole number; Wardcheck would use its default instead"
            value = int(value)
        if setting.least is not None and not setting.least <= value <= setting.most:
            return f"{value} is outside {setting.least}..{setting.most}"
        return None
    if reg_type != "sz":
        return f"a number where Wardcheck reads text"
    allowed = KNOWN_VALUES.get(setting.name)
    if allowed is not None and value not in allowed:
        return f"{value!r} is not one of {sorted(allowed)}"
    return None


def parse_xml(path, problems, root_tag):
    where = os.path.relpath(path)
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError) as e:
        problems.add(where, f"not well-formed: {e}")
        return None
    if root.tag != NS + root_tag:
        problems.add(where, f"root is {root.tag}, not {root_tag} in the policy definitions namespace")
        return None
    return root


def reference(text, kind):
    m = re.fullmatch(r"\$\(" + kind + r"\.([^)]+)\)", text or "")
    return m.group(1) if m else None


def literal_of(value_element):
    """(reg type, value) of a <decimal value=/>, <string>, or <delete/> child."""
    for child in value_element:
        tag = child.tag[len(NS):]
        if tag == "decimal":
            return "dword", int(child.get("value", "0"))
        if tag == "longDecimal":
            return "qword", int(child.get("value", "0"))
        if tag == "string":
            return "sz", child.text or ""
        if tag == "delete":
            return "delete", None
    return None, None


def check_admx(admx_path, adml_path, settings, problems, counts):
    where = os.path.relpath(admx_path)
    admx = parse_xml(admx_path, problems, "policyDefinitions")
    adml = parse_xml(adml_path, problems, "policyDefinitionResources")
    if admx is None or adml is None:
        return

    strings, presentations = {}, {}
    adml_where = os.path.relpath(adml_path)
    for s in adml.iter(NS + "string"):
        if s.get("id") in strings:
            problems.add(adml_where, f"string {s.get('id')} is defined twice")
        if not (s.text or "").strip():
            problems.add(adml_where, f"string {s.get('id')} is empty")
        strings[s.get("id")] = s.text or ""
    for p in adml.iter(NS + "presentation"):
        if p.get("id") in presentations:
            problems.add(adml_where, f"presentation {p.get('id')} is defined twice")
        presentations[p.get("id")] = p

    resources = admx.find(NS + "resources")
    needed = resources.get("minRequiredRevision") if resources is not None else None
    if needed is None:
        problems.add(where, "no <resources minRequiredRevision=...>")
    elif float(adml.get("revision", "0")) < float(needed):
        problems.add(adml_where, f"revision {adml.get('revision')} is older than the {needed} the ADMX requires")

    if admx.find(f"{NS}policyNamespaces/{NS}target") is None:
        problems.add(where, "no <policyNamespaces><target .../>")

    used_strings, used_presentations = set(), set()
    for element in admx.iter():
        for attribute, text in element.attrib.items():
            for kind, used, defined in (("string", used_strings, strings),
                                        ("presentation", used_presentations, presentations)):
                name = reference(text, kind)
                if name is None:
                    continue
                used.add(name)
                if name not in defined:
                    problems.add(where, f"{attribute}=\"{text}\" has no {kind} {name} in the ADML")
    for name in sorted(set(strings) - used_strings):
        problems.add(adml_where, f"string {name} is not used by the ADMX")
    for name in sorted(set(presentations) - used_presentations):
        problems.add(adml_where, f"presentation {name} is not used by the ADMX")

    # References without a prefix must be defined here: a prefixed one needs
    # another template on the PC, and then this one fails to load without it.
    supported = {d.get("name") for d in admx.iter(NS + "definition")}
    categories = {c.get("name") for c in admx.iter(NS + "category")}
    for category in admx.iter(NS + "category"):
        parent = category.find(NS + "parentCategory")
        if parent is not None and parent.get("ref") not in categories:
            problems.add(where, f"category {category.get('name')}: parent {parent.get('ref')} is not defined here")

    written = {}  # setting name -> policy names that write it
    policy_names = set()
    counts["policies"] = len(admx.findall(f"{NS}policies/{NS}policy"))
    for policy in admx.iter(NS + "policy"):
        name = policy.get("name")
        at = f"{where}: policy {name}"
        if name in policy_names:
            problems.add(at, "is defined twice")
        policy_names.add(name)
        if policy.get("class") != "Machine":
            problems.add(at, f"class is {policy.get('class')!r}, not \"Machine\": "
                             "Wardcheck's preset is in HKEY_LOCAL_MACHINE")
        parent = policy.find(NS + "parentCategory")
        if parent is None or parent.get("ref") not in categories:
            problems.add(at, "its parentCategory is not a category defined here")
        support = policy.find(NS + "supportedOn")
        if support is None or support.get("ref") not in supported:
            problems.add(at, "its supportedOn is not a definition made here")
        for attribute in ("displayName", "explainText"):
            if reference(policy.get(attribute), "string") is None:
                problems.add(at, f"{attribute} is not a $(string.X)")

        policy_key = policy.get("key")
        writes = []  # (key, value name, what writes it, check)

        if policy.get("valueName"):
            for state in ("enabledValue", "disabledValue"):
                value = policy.find(NS + state)
                if value is not None:
                    writes.append((policy_key, policy.get("valueName"), state, ("literal",) + literal_of(value)))
        for state in ("enabledList", "disabledList"):
            for lst in policy.findall(NS + state):
                for item in lst.findall(NS + "item"):
                    value = item.find(NS + "value")
                    literal = literal_of(value) if value is not None else (None, None)
                    writes.append((item.get("key") or lst.get("defaultKey") or policy_key,
                                   item.get("valueName"), state, ("literal",) + literal))

        elements = policy.find(NS + "elements")
        element_ids = {}
        for element in (elements if elements is not None else []):
            tag = element.tag[len(NS):]
            element_ids[element.get("id")] = tag
            writes.append((element.get("key") or policy_key, element.get("valueName"),
                           f"element {element.get('id')}", ("element", tag, element)))

        check_presentation(at, policy, element_ids, presentations, settings, policy_key, problems)

        for key, value_name, what, check in writes:
            if not key or not value_name:
                problems.add(at, f"{what} writes no single registry value (key {key!r}, valueName {value_name!r})")
                continue
            if not regkey(key).startswith(regkey(PRESET_ROOT) + "\\"):
                problems.add(at, f"{what} writes {key}, outside {PRESET_ROOT} where Wardcheck reads its preset")
                continue
            setting = find_setting(settings, key, value_name)
            if setting is None:
                problems.add(at, f"{what}: " + no_setting_message(settings, key, value_name))
                continue
            written.setdefault(setting.name + "@" + setting.file, set()).add(name)
            if check[0] == "literal":
                reg_type, value = check[1], check[2]
                if reg_type is None:
                    problems.add(at, f"{what} of {setting.label()} has no value")
                elif reg_type != "delete":
                    why = literal_fits(setting, reg_type, value)
                    if why:
                        problems.add(at, f"{what} of {setting.label()}: {why}")
            else:
                check_element(at, what, check[1], check[2], setting, problems)

    for setting in settings:
        writers = written.get(setting.name + "@" + setting.file, set())
        if not writers:
            problems.add(where, f"no policy presets {setting.label()} ({setting.registry_key} value {setting.value_name})")
        elif len(writers) > 1:
            problems.add(where, f"{setting.label()} is written by more than one policy: {', '.join(sorted(writers))}")


def check_element(at, what, tag, element, setting, problems):
    label = setting.label()
    if tag == "decimal":
        if setting.kind != "int":
            problems.add(at, f"{what}: a number for {label}, which is {setting.kind}")
            return
        least = int(element.get("minValue", DECIMAL_MIN_DEFAULT))
        most = int(element.get("maxValue", DECIMAL_MAX_DEFAULT))
        if setting.least is not None and (least, most) != (setting.least, setting.most):
            problems.add(at, f"{what}: bounds {least}..{most}, but Wardcheck holds {label} "
                             f"between {setting.least} and {setting.most}")
    elif tag == "text":
        if setting.kind != "string":
            problems.add(at, f"{what}: free text for {label}, which is {setting.kind}")
        elif setting.name in KNOWN_VALUES:
            problems.add(at, f"{what}: free text for {label}, which takes only {sorted(KNOWN_VALUES[setting.name])}")
    elif tag == "enum":
        items = element.findall(NS + "item")
        if not items:
            problems.add(at, f"{what}: an enum without items")
        for item in items:
            value = item.find(NS + "value")
            reg_type, literal = literal_of(value) if value is not None else (None, None)
            if reg_type in (None, "delete"):
                problems.add(at, f"{what}: item {item.get('displayName')} writes no value")
                continue
            why = literal_fits(setting, reg_type, literal)
            if why:
                problems.add(at, f"{what}: item {item.get('displayName')} of {label}: {why}")
    elif tag == "boolean":
        for state, fallback in (("trueValue", 1), ("falseValue", 0)):
            value = element.find(NS + state)
            reg_type, literal = literal_of(value) if value is not None else ("dword", fallback)
            if reg_type != "delete":
                why = literal_fits(setting, reg_type, literal)
                if why:
                    problems.add(at, f"{what}: {state} of {label}: {why}")
    else:
        problems.add(at, f"{what}: a {tag} element cannot write {label}")


def check_presentation(at, policy, element_ids, presentations, settings, policy_key, problems):
    presentation_name = reference(policy.get("presentation"), "presentation")
    if not element_ids:
        return
    if presentation_name is None:
        problems.add(at, "has elements but no presentation=\"$(presentation.X)\"")
        return
    presentation = presentations.get(presentation_name)
    if presentation is None:
        return  # reported with the other missing references
    shown = {}
    for control in presentation:
        ref = control.get("refId")
        if ref is None:
            continue
        shown[ref] = control
        tag = control.tag[len(NS):]
        if ref not in element_ids:
            problems.add(at, f"presentation {presentation_name}: {tag} refId {ref} is no element of the policy")
            continue
        if tag not in CONTROL_FOR.get(element_ids[ref], set()):
            problems.add(at, f"presentation {presentation_name}: {tag} cannot show the {element_ids[ref]} {ref}")
        if tag == "decimalTextBox":
            element = policy.find(f"{NS}elements/{NS}decimal[@id='{ref}']")
            if element is None:
                continue
            setting = find_setting(settings, element.get("key") or policy_key, element.get("valueName") or "")
            offered = int(control.get("defaultValue", "1"))
            if setting is not None and setting.kind == "int" and offered != setting.default:
                problems.add(at, f"presentation {presentation_name}: offers {offered}, "
                                 f"but {setting.label()} defaults to {setting.default}")
        if tag == "dropdownList":
            items = policy.findall(f"{NS}elements/{NS}enum[@id='{ref}']/{NS}item")
            if int(control.get("defaultItem", "0")) >= len(items):
                problems.add(at, f"presentation {presentation_name}: defaultItem is past the enum's items")
    for ref in element_ids:
        if ref not in shown:
            problems.add(at, f"presentation {presentation_name} shows no control for element {ref}")


def parse_reg_string(text, pos):
    """The string that starts at text[pos] == '"', and the index after it."""
    out = []
    pos += 1
    while pos < len(text):
        c = text[pos]
        if c == '"':
            return "".join(out), pos + 1
        if c == "\\":
            if pos + 1 < len(text) and text[pos + 1] in '\\"':
                out.append(text[pos + 1])
                pos += 2
                continue
            raise ValueError(f"a lone backslash at column {pos + 1} (write \\\\ for one backslash)")
        out.append(c)
        pos += 1
    raise ValueError("a string without its closing quote")


def parse_reg_value(text):
    """(type, value) of what follows '=' in a value line."""
    if text == "-":
        return "delete", None
    if text.startswith('"'):
        value, end = parse_reg_string(text, 0)
        if text[end:].strip():
            raise ValueError(f"{text[end:]!r} after the closing quote")
        return "sz", value
    m = re.fullmatch(r"dword:([0-9a-fA-F]{1,8})", text)
    if m:
        return "dword", int(m.group(1), 16)
    m = re.fullmatch(r"hex(?:\(([0-9a-fA-F]+)\))?:((?:[0-9a-fA-F]{2}(?:,[0-9a-fA-F]{2})*)?)", text.replace(" ", ""))
    if m:
        data = bytes(int(b, 16) for b in m.group(2).split(",") if b)
        return f"hex({int(m.group(1) or '3', 16)})", data
    raise ValueError(f"cannot read the value {text!r}")


def read_reg(path):
    """[(line number, key, value name, type, value)] and [(line number, problem)]."""
    with open(path, "rb") as f:
        raw = f.read()
    if raw.startswith(b"\xff\xfe"):
        text = raw[2:].decode("utf-16-le")
    else:
        try:
            text = raw.decode("ascii")
        except UnicodeDecodeError as e:
            return [], [(1, f"neither ASCII nor UTF-16 LE with a byte order mark: {e}")]
    lines = text.splitlines()
    values, faults = [], []
    if not lines or lines[0].strip() != REG_HEADER:
        faults.append((1, f"the first line is not {REG_HEADER!r}"))
    key = None
    number = 1
    while number < len(lines):
        line = lines[number].strip()
        start = number + 1
        number += 1
        # A hex value may go on over lines that end in a backslash.
        while line.endswith("\\") and "=hex" in line and number < len(lines):
            line = line[:-1] + lines[number].strip()
            number += 1
        if not line or line.startswith(";"):
            continue
        if line.startswith("["):
            if not line.endswith("]"):
                faults.append((start, "a key line without its closing ]"))
                continue
            key = line[1:-1]
            if key.startswith("-"):
                values.append((start, key[1:], None, "delete key", None))
            continue
        try:
            if line.startswith("@="):
                name, rest = "", line[2:]
            elif line.startswith('"'):
                name, end = parse_reg_string(line, 0)
                if not line[end:].startswith("="):
                    raise ValueError("no '=' after the value's name")
                rest = line[end + 1:]
            else:
                raise ValueError(f"cannot read the line {line!r}")
            reg_type, value = parse_reg_value(rest.strip())
        except ValueError as e:
            faults.append((start, str(e)))
            continue
        if key is None:
            faults.append((start, "a value before any [key]"))
            continue
        values.append((start, key, name, reg_type, value))
    return values, faults


def check_reg(path, settings, problems):
    where = os.path.relpath(path)
    try:
        values, faults = read_reg(path)
    except OSError as e:
        problems.add(where, f"cannot read: {e}")
        return 0
    for number, fault in faults:
        problems.add(f"{where}:{number}", fault)
    seen = set()
    for number, key, name, reg_type, value in values:
        at = f"{where}:{number}"
        if not regkey(key).startswith(regkey(REG_ROOT) + "\\"):
            problems.add(at, f"[{key}] is outside {REG_ROOT}, where Wardcheck reads its preset")
            continue
        if reg_type == "delete key":
            continue
        setting = find_setting(settings, key[len("HKEY_LOCAL_MACHINE\\"):], name)
        if setting is None:
            problems.add(at, no_setting_message(settings, key[len("HKEY_LOCAL_MACHINE\\"):], name))
            continue
        if setting.name + "@" + setting.file in seen:
            problems.add(at, f"{setting.label()} is set twice")
        seen.add(setting.name + "@" + setting.file)
        if reg_type == "delete":
            continue
        if reg_type not in ("dword", "sz"):
            problems.add(at, f"{setting.label()}: a {reg_type} value, which Wardcheck does not read")
            continue
        why = literal_fits(setting, reg_type, value)
        if why:
            problems.add(at, f"{setting.label()}: {why}")
        if setting.name == "login/database" and reg_type == "sz" and \
                re.search(r"(^|;)\s*(pwd|password)\s*=", value, re.I):
            problems.add(at, f"{setting.label()} carries a password, which every user of the PC could read")
    return len(values)


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    root = argv[1]
    windows = os.path.join(root, "packaging", "windows")
    problems = Problems()
    counts = {"policies": 0, "reg values": 0}
    settings = read_settings(os.path.join(root, "services", "settings", "settings.h"), problems)
    if settings:
        check_admx(os.path.join(windows, "wardcheck.admx"), os.path.join(windows, "en-US", "wardcheck.adml"),
                   settings, problems, counts)
        counts["reg values"] = check_reg(os.path.join(windows, "wardcheck-preset-example.reg"), settings, problems)
    for line in problems.lines:
        print(line)
    if problems.lines:
        print(f"{len(problems.lines)} problem(s) in the Windows preset files")
        return 1
    print(f"The Windows preset files agree with the {len(settings)} settings of settings.h: "
          f"{counts['policies']} policies, {counts['reg values']} values in the example preset")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
