#!/usr/bin/python3
"""Builds the Debian package from a built tree and checks it as a ward PC gets it.

cpack makes the .deb from the tree's CPackConfig.cmake; dpkg -x unpacks it into
a throw-away root. The files must be where the package lists them and equal to
what the build made; the unpacked program must answer --version and its --help
must agree with the unpacked manual page (helpcheck.py); every library the
program links must come from a package in Depends, and every relation in
Depends and Recommends must be met by this Debian; the changelog must name
the package's version; lintian must report no error.

usage: check_package.py CPACK CPACK_CONFIG BUILD_DIR WORKDIR VERSION SOURCE_FOLDER ...
"""
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ beside helpcheck.py in the source tree
import helpcheck  # noqa: E402

CPACK, CONFIG, BUILD, WORK, VERSION = sys.argv[1:6]
SOURCES = sys.argv[6:]

# Installed path -> the build tree's file it must equal (None: made by install).
FILES = {
    'usr/bin/wardcheck': None,
    'usr/share/applications/wardcheck.desktop': None,
    'usr/share/icons/hicolor/scalable/apps/wardcheck.svg': None,
    'usr/share/wardcheck/hospital.db': 'bin/hospital.db',
    'usr/share/doc/wardcheck/demo-barcodes.pdf': 'demo-barcodes.pdf',
    'usr/share/doc/wardcheck/copyright': None,
    'usr/share/doc/wardcheck/changelog.gz': 'packaging/changelog.gz',
    'usr/share/man/man1/wardcheck.1.gz': 'app/wardcheck.1.gz',
}
# Loaded by Qt at run time, so no library link names them.
RUN_TIME = ('libqt6sql6-sqlite', 'libqt6sql6-odbc', 'qt6-qpa-plugins')

failures = []


def fail(message):
    failures.append(message)
    print('FAIL:', message, flush=True)


def output(*command, **kwargs):
    return subprocess.run(command, check=True, capture_output=True, text=True, **kwargs).stdout


def sha256(path):
    with open(path, 'rb') as f:
        return hashlib.sha256(f.read()).hexdigest()


def build_package():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    made = subprocess.run([CPACK, '-G', 'DEB', '--config', CONFIG, '-B', WORK], capture_output=True, text=True)
    if made.returncode != 0:
        sys.exit('cpack failed:\n' + made.stdout + made.stderr)
    arch = output('dpkg', '--print-architecture').strip()
    deb = os.path.join(WORK, 'wardcheck_%s_%s.deb' % (VERSION, arch))
    if not os.path.isfile(deb):
        sys.exit('cpack made %s, not %s' % (os.listdir(WORK), os.path.basename(deb)))
    return deb


def check_files(deb, root):
    listed = {re.sub(r'^\./', '', line.split()[-1]).rstrip('/')
              for line in output('dpkg-deb', '-c', deb).splitlines()}
    for path in sorted(listed):
        if path.startswith('usr/local') or (path not in ('', 'usr') and not path.startswith('usr/')):
            fail('%s is outside /usr or in /usr/local' % path)
    for path, built in FILES.items():
        if path not in listed or not os.path.isfile(os.path.join(root, path)):
            fail('%s is not in the package' % path)
        elif built and sha256(os.path.join(root, path)) != sha256(os.path.join(BUILD, built)):
            fail('%s differs from the build tree\'s %s' % (path, built))
    if not os.access(os.path.join(root, 'usr/bin/wardcheck'), os.X_OK):
        fail('usr/bin/wardcheck is not executable')

    if failures:
        return
    desktop = helpcheck.read_text(os.path.join(root, 'usr/share/applications/wardcheck.desktop'))
    exe = re.search(r'^Exec=(\S+)', desktop, re.M)
    icon = re.search(r'^Icon=(\S+)', desktop, re.M)
    if not exe or not os.path.isfile(os.path.join(root, 'usr/bin', exe.group(1))):
        fail('the desktop entry starts a program the package does not hold')
    if not icon or not os.path.isfile(os.path.join(root, 'usr/share/icons/hicolor/scalable/apps',
                                                   icon.group(1) + '.svg')):
        fail('the desktop entry names an icon the package does not hold')

    page = helpcheck.read_text(os.path.join(root, 'usr/share/man/man1/wardcheck.1.gz'))
    for section in ('NAME', 'SYNOPSIS', 'DESCRIPTION', 'OPTIONS', 'ENVIRONMENT', 'FILES', 'EXIT STATUS',
                    'SEE ALSO'):
        if not re.search(r'^\.SH "?%s"?$' % section, page, re.M):
            fail('wardcheck(1) has no section %s' % section)
    if VERSION not in page:
        fail('wardcheck(1) does not name version %s' % VERSION)


def check_program(root):
    exe = os.path.join(root, 'usr/bin/wardcheck')
    version = helpcheck.run(exe, ['--version'], gui=False)
    if version.returncode != 0 or version.stdout != 'Wardcheck %s\n' % VERSION:
        fail('--version: status %d, printed %r' % (version.returncode, version.stdout))
    for failure in helpcheck.check(exe, os.path.join(root, 'usr/share/man/man1/wardcheck.1.gz'), SOURCES):
        fail('unpacked program: ' + failure)


def relations(field):
    """'a (>= 1), b | c' -> [[('a', '>=', '1')], [('b', None, None), ('c', None, None)]]"""
    result = []
    for relation in filter(None, (r.strip() for r in field.split(','))):
        alternatives = []
        for alternative in relation.split('|'):
            m = re.fullmatch(r'\s*([a-z0-9][a-z0-9+.-]+)(?::\w+)?\s*(?:\(\s*([<>=]+)\s*([^)\s]+)\s*\))?\s*', alternative)
            if not m:
                fail('cannot read the relation %r' % alternative)
                continue
            alternatives.append(m.groups())
        result.append(alternatives)
    return result


def installed():
    """Every installed package and every name it provides -> the versions they stand for."""
    names = {}
    listing = output('dpkg-query', '-W', '-f=${db:Status-Abbrev}|${Package}|${Version}|${Provides}\n')
    for line in listing.splitlines():
        status, package, version, provides = line.split('|')
        if not status.startswith('ii'):
            continue
        names.setdefault(package, set()).add(version)
        for provided in filter(None, (p.strip() for p in provides.split(','))):
            m = re.fullmatch(r'(\S+)(?:\s*\(=\s*([^)\s]+)\s*\))?', provided)
            if m:
                # An unversioned Provides meets no versioned relation.
                names.setdefault(m.group(1).split(':')[0], set()).add(m.group(2))
    return names


def met(names, name, op, version):
    ops = {'>=': 'ge', '<=': 'le', '=': 'eq', '>>': 'gt', '<<': 'lt'}
    for have in names.get(name, ()):
        if op is None:
            return True
        if have is not None and subprocess.run(['dpkg', '--compare-versions', have, ops[op], version]).returncode == 0:
            return True
    return False


def owners_of(path):
    """The packages that ship a library the loader found at path, /usr merged or not."""
    usr = path[len('/usr'):] if path.startswith('/usr/') else '/usr' + path
    found = subprocess.run(['dpkg', '-S', path, usr], capture_output=True, text=True)
    return {line.split(':')[0] for line in found.stdout.splitlines()}


def check_relations(deb, root):
    depends = relations(output('dpkg-deb', '-f', deb, 'Depends'))
    recommends = relations(output('dpkg-deb', '-f', deb, 'Recommends'))
    depended = {name for relation in depends for name, _, _ in relation}
    print('Depends:', output('dpkg-deb', '-f', deb, 'Depends').strip())
    print('Recommends:', output('dpkg-deb', '-f', deb, 'Recommends').strip())

    exe = os.path.join(root, 'usr/bin/wardcheck')
    needed = re.findall(r'\(NEEDED\)\s+Shared library: \[([^\]]+)\]', output('readelf', '-d', exe))
    found = dict(re.findall(r'^\s*(\S+) => (/\S+)', output('ldd', exe), re.M))
    if 'libQt6Core.so.6' not in needed:
        fail('the program links no Qt: %s' % needed)
    for soname in needed:
        owners = owners_of(found[soname]) if soname in found else set()
        if not owners:
            fail('no installed package ships %s' % soname)
        elif not owners & depended:
            fail('%s comes from %s, which Depends does not name' % (soname, ', '.join(sorted(owners))))
    for package in RUN_TIME:
        if package not in depended:
            fail('Depends does not name %s' % package)
    names = installed()
    for field, rels in (('Depends', depends), ('Recommends', recommends)):
        for relation in rels:
            if not any(met(names, *alternative) for alternative in relation):
                fail('%s: %s is not met on this system' % (field, ' | '.join(
                    a[0] + (' (%s %s)' % a[1:] if a[1] else '') for a in relation)))


def check_changelog(deb, root):
    with tempfile.NamedTemporaryFile('w', suffix='changelog') as plain:
        plain.write(helpcheck.read_text(os.path.join(root, 'usr/share/doc/wardcheck/changelog.gz')))
        plain.flush()
        top = output('dpkg-parsechangelog', '-l', plain.name, '-S', 'Version').strip()
    package = output('dpkg-deb', '-f', deb, 'Version').strip()
    if top != package:
        fail('the changelog\'s latest entry is %s, the package %s' % (top, package))


def check_lintian(deb):
    run = subprocess.run(['lintian', '--allow-root', '--display-info', '--display-experimental', '--pedantic',
                          '--tag-display-limit', '0', deb],
                         capture_output=True, text=True)
    print('lintian:\n' + (run.stdout or '(nothing)\n'), end='')
    errors = [line for line in run.stdout.splitlines() if line.startswith('E:')]
    if errors or run.returncode != 0:
        fail('lintian reports errors (status %d):\n%s%s' % (run.returncode, '\n'.join(errors), run.stderr))


def main():
    started = time.monotonic()
    deb = build_package()
    print('package: %s (%.1f s)' % (deb, time.monotonic() - started), flush=True)
    root = os.path.join(WORK, 'root')
    subprocess.run(['dpkg', '-x', deb, root], check=True)
    check_files(deb, root)
    if os.path.isfile(os.path.join(root, 'usr/bin/wardcheck')):
        check_program(root)
        check_relations(deb, root)
    check_changelog(deb, root)
    check_lintian(deb)
    print('%d failure(s), %.1f s' % (len(failures), time.monotonic() - started))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
