#!/usr/bin/python3
"""Holds wardcheck --help, the manual page and the code to one another.

Every option --help lists is in wardcheck(1) and the other way round; so is
every environment variable; and every variable the program's code reads is in
both. --help given alone must work with no window system, and must say the
same when it comes with other options, through the window system's road.
Bad usage must end with status 2 and name what was wrong.

usage: helpcheck.py WARDCHECK MANPAGE[.gz] SOURCE_FOLDER ...
"""
import gzip
import os
import re
import subprocess
import sys

OPTION = re.compile(r'(?<![\w-])--?[A-Za-z?][\w-]*')
VARIABLE = re.compile(r'\b[A-Z][A-Z0-9_]+\b')
# qEnvironmentVariable, qEnvironmentVariableIsEmpty, qgetenv, getenv, ...
READS = re.compile(r'\b(?:qEnvironmentVariable\w*|qgetenv|(?:secure_)?getenv)\s*\(\s*"([^"]+)"')


def run(exe, args, gui):
    env = dict(os.environ)
    for name in ('DISPLAY', 'WAYLAND_DISPLAY', 'QT_QPA_PLATFORM'):
        env.pop(name, None)
    if gui:
        env['QT_QPA_PLATFORM'] = 'offscreen'
    return subprocess.run([exe, *args], env=env, capture_output=True, text=True, timeout=60)


def help_sections(text):
    """The names in --help's 'Options:' and 'Environment:' sections."""
    options, variables, section = set(), set(), None
    for line in text.splitlines():
        if line in ('Options:', 'Environment:'):
            section = line
        elif not line.strip():
            section = None
        elif section == 'Options:' and line.startswith('  -'):
            options.update(OPTION.findall(line.split('  ')[1]))
        elif section == 'Environment:' and line.startswith('  '):
            variables.update(VARIABLE.findall(line.split()[0]))
    return options, variables


def read_text(path):
    opener = gzip.open if path.endswith('.gz') else open
    with opener(path, 'rt', encoding='utf-8') as f:
        return f.read()


def manpage_sections(source):
    """The tags of the .TP entries under OPTIONS and ENVIRONMENT."""
    options, variables, section, tag_next = set(), set(), None, False
    for line in source.splitlines():
        if line.startswith('.SH'):
            section = line[3:].strip().strip('"')
            tag_next = False
        elif line.startswith('.TP'):
            tag_next = True
        elif tag_next:
            tag_next = False
            tag = line.replace('\\-', '-')
            if tag.startswith('.'):
                tag = tag.partition(' ')[2]
            if section == 'OPTIONS':
                options.update(OPTION.findall(tag))
            elif section == 'ENVIRONMENT':
                variables.update(VARIABLE.findall(tag))
    return options, variables


def read_by_code(folders):
    names = set()
    for folder in folders:
        for root, _, files in os.walk(folder):
            for name in files:
                if name.endswith(('.cpp', '.h')):
                    with open(os.path.join(root, name), encoding='utf-8') as f:
                        names.update(READS.findall(f.read()))
    return names


def check(exe, manpage, folders):
    """Returns the failures, one line each."""
    failures = []
    alone = run(exe, ['--help'], gui=False)
    if alone.returncode != 0:
        return ['--help with no window system ended with %d: %s' % (alone.returncode, alone.stderr.strip())]
    help_options, help_variables = help_sections(alone.stdout)
    man_options, man_variables = manpage_sections(read_text(manpage))
    code_variables = read_by_code(folders)
    found = {'--help options': help_options, '--help variables': help_variables, 'manual options': man_options,
             'manual variables': man_variables, 'variables in the code': code_variables}
    for what, names in found.items():
        if not names:
            failures.append('no %s found: the pattern no longer matches' % what)

    for what, names, where, listed in (
            ('option', man_options, '--help', help_options),
            ('option', help_options, 'wardcheck(1)', man_options),
            ('variable', man_variables, '--help', help_variables),
            ('variable', help_variables, 'wardcheck(1)', man_variables),
            ('variable the code reads', code_variables, '--help', help_variables),
            ('variable the code reads', code_variables, 'wardcheck(1)', man_variables)):
        for name in sorted(names - listed):
            failures.append('%s %s is not in %s' % (what, name, where))

    # Help among other options goes through the window system's road.
    for args, gui in ((['-h'], False), (['--wristbands', '--help'], True), (['-h', '--wristbands'], True),
                      (['--measure-scan', '--help'], True)):
        other = run(exe, args, gui)
        if other.returncode != 0 or other.stdout != alone.stdout:
            failures.append('%s ended with %d and printed other help:\n%s' % (' '.join(args), other.returncode, other.stdout))

    for args, named in ((['--no-such-option'], 'no-such-option'),
                        (['--wristbands', 'stray'], 'stray'),
                        (['--wristbands=yes'], '--wristbands'),
                        (['--measure-scan=yes'], '--measure-scan'),
                        (['-x'], "'x'"),
                        (['-?'], "'?'")):
        bad = run(exe, args, gui=True)
        if bad.returncode != 2 or named not in bad.stderr or '--help' not in bad.stderr or bad.stdout:
            failures.append('%s: status %d (2 expected), stdout %r, stderr %r'
                            % (' '.join(args), bad.returncode, bad.stdout, bad.stderr))
    return failures


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    failures = check(sys.argv[1], sys.argv[2], sys.argv[3:])
    for failure in failures:
        print('FAIL:', failure)
    print('%d failure(s)' % len(failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
