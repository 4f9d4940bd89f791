#!/usr/bin/python3
"""Installs Wardcheck's MSI into a fresh Wine prefix and uses it as a ward PC would.

Everything happens inside WORKDIR: the Wine prefix, a home folder for Wine
(Wine links the Windows user's Documents to $HOME), and an X server of the
script's own with no window manager, as on a ward kiosk. Steps:

  prefix      a fresh Wine prefix
  install     msiexec /i /qn; the program, its database and its shortcut land,
              and the audit record's event source is registered
  check       wardcheck --check from cmd, under a preset with mistakes in the
              registry (PROBLEM lines, status 1) and under a working one (ok)
  log in      the installed program starts on its demo database (--demo), with
              the audit record on, and takes nurse / wardcheck, typed
  medicine    one check that must pass and one that must fail, told apart by
              the colour of the medicine screen's status strip
  wristband   one band printed to PDF (there is no printer), its barcode read back
  close       every window closed; the program's exit status is 0; the audit
              records of the checks reached the event log (Wine traces them)
  uninstall   msiexec /x /qn; the program's folder and its event source go,
              the user's settings and printed bands stay

One line per step with its time; a failed step names a screenshot and shows
the program's stderr. Exit status 0 only if every step passed, 77 when Wine or
the X tools are not installed.

usage: msi_end_to_end.py MSI WORKDIR [--keep]
"""
import configparser
import glob
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, 'support'))
import x11close  # noqa: E402

TOOLS = ['wine', 'wineserver', 'Xvfb', 'xdotool', 'import', 'pdftoppm', 'zbarimg']
PROGRAM_FOLDER = ('drive_c', 'Program Files', 'Wardcheck')
ORGANISATION = 'ORVANE'
EVENT_SOURCE = 'System\\CurrentControlSet\\Services\\EventLog\\Application\\Wardcheck'
PRESET_KEY = 'HKEY_LOCAL_MACHINE\\Software\\' + ORGANISATION
SCREEN = (1280, 1024)

# The demo ward's medicine package and the wristbands it does and does not belong to.
EXE = 'C:\\Program Files\\Wardcheck\\wardcheck.exe'
PACKAGE = 'C0000001'
ITS_WRISTBAND = 'A090000'
NEIGHBOURS_WRISTBAND = 'A090001'   # same name, next bed: the check must fail

GREEN = (0, 255, 0)   # the status strip of a passed check
RED = (255, 0, 0)     # the status strip of a failed one
STRIP_LEAST_PIXELS = 2000


class StepFailed(Exception):
    pass


# ---------------------------------------------------------------- pure helpers

def read_ppm(data):
    """(width, height, pixel bytes) of a binary PPM (P6, maxval 255) such as `import ppm:-` writes."""
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b'#':
            pos = data.index(b'\n', pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b'P6' or int(fields[3]) != 255:
        raise ValueError('not an 8-bit binary PPM')
    width, height = int(fields[1]), int(fields[2])
    pixels = data[pos + 1:pos + 1 + width * height * 3]
    if len(pixels) != width * height * 3:
        raise ValueError('the PPM is cut short')
    return width, height, pixels


def count_colours(ppm, rect, colours, leave_out=None):
    """How many pixels of each exact colour lie in rect (x, y, w, h), not counting those in leave_out."""
    width, height, pixels = read_ppm(ppm)
    x0, y0 = max(rect[0], 0), max(rect[1], 0)
    x1, y1 = min(rect[0] + rect[2], width), min(rect[1] + rect[3], height)
    wanted = {bytes(c): i for i, c in enumerate(colours)}
    counts = [0] * len(colours)
    for y in range(y0, y1):
        row = pixels[(y * width + x0) * 3:(y * width + x1) * 3]
        for i in range(0, len(row), 3):
            index = wanted.get(row[i:i + 3])
            if index is None:
                continue
            if leave_out:
                x = x0 + i // 3
                lx, ly, lw, lh = leave_out
                if lx <= x < lx + lw and ly <= y < ly + lh:
                    continue
            counts[index] += 1
    return counts


def strip_verdict(green, red):
    """'pass' or 'fail' when one colour clearly fills the status strip, else None."""
    if green >= STRIP_LEAST_PIXELS and red * 4 < green:
        return 'pass'
    if red >= STRIP_LEAST_PIXELS and green * 4 < red:
        return 'fail'
    return None


def unquote_reg(text):
    return re.sub(r'\\(.)', r'\1', text)


def parse_reg(text):
    """Keys of a Wine .reg file (user.reg), lower-cased, each with its string values by lower-cased name."""
    keys = {}
    current = None
    pending = ''
    for line in text.splitlines():
        if pending:
            line = pending + line.lstrip()
            pending = ''
        if line.endswith('\\') and current is not None and not line.startswith('['):
            pending = line[:-1]
            continue
        header = re.match(r'^\[(.*)\](?:\s+\d+)?\s*$', line)
        if header:
            current = keys.setdefault(unquote_reg(header.group(1)).lower(), {})
            continue
        if current is None:
            continue
        value = re.match(r'^(?:"((?:[^"\\]|\\.)*)"|@)=(.*)$', line)
        if not value:
            continue
        name = unquote_reg(value.group(1)).lower() if value.group(1) is not None else ''
        data = value.group(2)
        string = re.match(r'^(?:str\(\d\):)?"((?:[^"\\]|\\.)*)"$', data)
        current[name] = unquote_reg(string.group(1)) if string else data
    return keys


def keys_under(keys, root):
    root = root.lower()
    return {k: v for k, v in keys.items() if k == root or k.startswith(root + '\\')}


def read_ini(text):
    parser = configparser.RawConfigParser(strict=False)
    parser.optionxform = str
    parser.read_string(text)
    return {section: dict(parser.items(section)) for section in parser.sections()}


def like_prefix_matches(prefix, last_name):
    # The embedded database's LIKE folds ASCII case only.
    return last_name is not None and last_name[:len(prefix)].lower() == prefix.lower()


def lone_patient(rows):
    """(last name, admission id) of the one admitted patient that a search for that last name alone finds.

    rows are (last name, admission id, discharged) of every admission. Only
    names of plain letters are taken, so that typing them is typing letters.
    """
    admitted = [(last, idn) for last, idn, discharged in rows if discharged is None]
    for last, idn in sorted(admitted, key=lambda r: (r[0] or '', r[1])):
        if not last or not last.isascii() or not last.isalpha():
            continue
        if sum(1 for other, _ in admitted if like_prefix_matches(last, other)) == 1:
            return last, idn
    return None


# ---------------------------------------------------------------- X and Wine

class XServer:
    def __init__(self, log_path):
        read, write = os.pipe()
        self.log = open(log_path, 'w')
        self.process = subprocess.Popen(
            ['Xvfb', '-displayfd', str(write), '-screen', '0', '%dx%dx24' % SCREEN, '-nolisten', 'tcp'],
            pass_fds=[write], stdout=self.log, stderr=subprocess.STDOUT)
        os.close(write)
        number = b''
        with os.fdopen(read, 'rb') as pipe:
            while not number.endswith(b'\n'):
                chunk = pipe.read(1)
                if not chunk:
                    raise RuntimeError('Xvfb did not start; see %s' % log_path)
                number += chunk
        self.display = ':' + number.decode().strip()
        self._client = x11close.Display(self.display.encode())

    def stop(self):
        self._client.close()
        self.process.terminate()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.log.close()

    def xdo(self, *args):
        return subprocess.run(['xdotool', *args], capture_output=True, text=True,
                              env=dict(os.environ, DISPLAY=self.display)).stdout

    def windows(self, name='.'):
        return [int(w) for w in self.xdo('search', '--onlyvisible', '--name', name).split()]

    def name_of(self, window):
        return self.xdo('getwindowname', str(window)).strip()

    def wait_for(self, name, seconds=30.0):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            found = self.windows(name)
            if found:
                return found[0]
            time.sleep(0.1)
        raise StepFailed('no window "%s" appeared within %.0f s (open: %s)' % (name, seconds, self.describe()))

    def wait_gone(self, name, seconds=15.0):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if not self.windows(name):
                return
            time.sleep(0.1)
        raise StepFailed('the window "%s" stayed open' % name)

    def describe(self):
        return ', '.join('"%s"' % self.name_of(w) for w in self.windows()) or 'none'

    def geometry(self, window):
        out = self.xdo('getwindowgeometry', '--shell', str(window))
        values = dict(line.split('=', 1) for line in out.split() if '=' in line)
        return tuple(int(values[k]) for k in ('X', 'Y', 'WIDTH', 'HEIGHT'))

    def focus(self, window):
        """Gives the window the keyboard, as a window manager does on a click.

        Wine takes a window's activation from the window manager's
        WM_TAKE_FOCUS, not from X's input focus alone: with no window
        manager, keys go to whichever window the program last activated.
        """
        self.send_protocol(window, b'WM_TAKE_FOCUS')
        self.xdo('windowfocus', '--sync', str(window))
        time.sleep(0.3)

    def keys(self, *keys):
        self.xdo('key', *keys)

    def type_scan(self, text, delay_ms=2):
        """Types like a scanner, one key every delay_ms; a newline is the Return key."""
        self.xdo('key', '--delay', str(delay_ms), *['Return' if c == '\n' else c for c in text])

    def screenshot(self, path):
        subprocess.run(['import', '-display', self.display, '-window', 'root', path],
                       capture_output=True, timeout=60)
        return path

    def screenshot_ppm(self):
        return subprocess.run(['import', '-display', self.display, '-window', 'root', '-depth', '8', 'ppm:-'],
                              capture_output=True, timeout=60, check=True).stdout

    def close_window(self, window):
        """What a window manager sends for a window's close button; Wine turns it into WM_CLOSE."""
        self.send_protocol(window, b'WM_DELETE_WINDOW')

    def send_protocol(self, window, protocol):
        if not self._client.send_protocol(window, protocol):
            raise StepFailed('cannot open the X display %s' % self.display)


class Wine:
    def __init__(self, work, display):
        self.prefix = os.path.join(work, 'prefix')
        self.home = os.path.join(work, 'home')
        os.makedirs(self.home, exist_ok=True)
        # Wine hands the caller's environment to the program: none of the
        # program's own variables may leak in from a test runner's.
        env = {k: v for k, v in os.environ.items() if not k.startswith(('QT_', 'WINE', 'DISPLAY', 'WARDCHECK_'))}
        env.update(WINEPREFIX=self.prefix, WINEARCH='win64', WINEDEBUG='-all',
                   WINEDLLOVERRIDES='mscoree,mshtml=', DISPLAY=display,
                   # Documents is a link to $HOME: keep the user's own home out of it.
                   HOME=self.home,
                   # No print system reachable: the prefix has no printer, bands go to PDF files.
                   CUPS_SERVER=os.path.join(work, 'no-print-system.sock'),
                   # Arrives as QT_FORCE_STDERR_LOGGING: Qt's messages on stderr, not the debugger.
                   WINEQT_FORCE_STDERR_LOGGING='1',
                   LANG='C.UTF-8', LC_ALL='C.UTF-8')
        self.env = env

    def path(self, *parts):
        return os.path.join(self.prefix, *parts)

    def run(self, args, timeout):
        return subprocess.run(['wine', *args], env=self.env, capture_output=True, text=True, timeout=timeout)

    def start(self, args, stdout, stderr, **more_env):
        return subprocess.Popen(['wine', *args], env=dict(self.env, **more_env), stdout=stdout, stderr=stderr)

    def registry(self, hive):
        """The keys of system.reg or user.reg, once the wineserver has written them."""
        self.server('-w')
        with open(self.path(hive), encoding='utf-8', errors='replace') as f:
            return parse_reg(f.read())

    def preset(self, values):
        """Hospital IT's preset in HKLM: {(file, group, name): (type, data)}; replaces any earlier one."""
        self.run(['reg', 'delete', PRESET_KEY, '/f'], timeout=120)
        for (file, group, name), (kind, data) in values.items():
            done = self.run(['reg', 'add', '%s\\%s\\%s' % (PRESET_KEY, file, group), '/v', name, '/t', kind,
                             '/d', data, '/f'], timeout=120)
            if done.returncode != 0:
                raise StepFailed('reg add %s/%s: %s' % (group, name, done.stderr[-500:]))

    def server(self, option, timeout=120):
        subprocess.run(['wineserver', option], env=self.env, capture_output=True, timeout=timeout)

    def user_folder(self):
        users = [p for p in glob.glob(self.path('drive_c', 'users', '*')) if os.path.basename(p) != 'Public']
        if len(users) != 1:
            raise StepFailed('expected one Wine user folder, found %s' % users)
        return users[0]


# ---------------------------------------------------------------- the run

class Run:
    def __init__(self, msi, work):
        self.msi = os.path.abspath(msi)
        self.work = os.path.abspath(work)
        self.x = None
        self.wine = None
        self.program = None
        self.program_err = os.path.join(self.work, 'wardcheck-stderr.txt')
        self.shots = 0
        self.settings_before = None
        self.band = None

    # helpers
    def installed(self, *parts):
        return self.wine.path(*PROGRAM_FOLDER, *parts)

    def shortcuts(self):
        found = []
        for menu in (self.wine.path('drive_c', 'ProgramData', 'Microsoft', 'Windows', 'Start Menu'),
                     os.path.join(self.wine.user_folder(), 'AppData', 'Roaming', 'Microsoft', 'Windows',
                                  'Start Menu')):
            found += [p for p in glob.glob(os.path.join(menu, '**', '*.lnk'), recursive=True)
                      if 'wardcheck' in os.path.basename(p).lower()]
        return found

    def band_folder(self):
        return os.path.join(self.wine.user_folder(), 'Documents', 'Wardcheck wristbands')

    def user_settings(self):
        """The user's settings wherever the program keeps them: registry values and INI files of ORVANE."""
        self.wine.server('-w')  # the registry reaches user.reg when the wineserver ends
        with open(self.wine.path('user.reg'), encoding='utf-8', errors='replace') as f:
            registry = keys_under(parse_reg(f.read()), 'Software\\' + ORGANISATION)
        files = {}
        for ini in glob.glob(os.path.join(self.wine.user_folder(), 'AppData', '*', ORGANISATION, '*.ini')):
            with open(ini, encoding='utf-8', errors='replace') as f:
                files[os.path.relpath(ini, self.wine.prefix)] = read_ini(f.read())
        return {'registry': registry, 'ini files': files}

    def screenshot(self):
        self.shots += 1
        return self.x.screenshot(os.path.join(self.work, 'screen-%d.png' % self.shots))

    # steps
    def step_prefix(self):
        self.x = XServer(os.path.join(self.work, 'xvfb.log'))
        self.wine = Wine(self.work, self.x.display)
        done = self.wine.run(['wineboot', '-i'], timeout=600)
        self.wine.server('-w', timeout=600)
        if done.returncode != 0 or not os.path.isfile(self.wine.path('system.reg')):
            raise StepFailed('wineboot -i ended with %s: %s' % (done.returncode, done.stderr[-2000:]))
        return 'display %s' % self.x.display

    def step_install(self):
        done = self.wine.run(['msiexec', '/i', self.msi, '/qn'], timeout=900)
        self.wine.server('-w')
        if done.returncode != 0:
            raise StepFailed('msiexec /i ended with %d: %s' % (done.returncode, done.stderr[-2000:]))
        missing = [name for name in ('wardcheck.exe', 'hospital.db', 'demo-barcodes.pdf')
                   if not os.path.isfile(self.installed(name))]
        if missing:
            raise StepFailed('not installed: %s' % ', '.join(missing))
        if not self.shortcuts():
            raise StepFailed('no Start-menu shortcut to Wardcheck')
        source = self.wine.registry('system.reg').get(EVENT_SOURCE.lower(), {})
        if not source.get('eventmessagefile', '').lower().endswith('wardcheck.exe"') and \
                'wardcheck.exe' not in source.get('eventmessagefile', '').lower():
            raise StepFailed('the event source is not registered: %r' % source)
        return '%d files in Program Files\\Wardcheck; event source %s' % (
            sum(len(f) for _, _, f in os.walk(self.installed())), source.get('eventmessagefile'))

    def check(self, args, password=''):
        """wardcheck --check run from cmd, as hospital IT runs it: (status, lines)."""
        done = subprocess.run(['wine', 'cmd', '/c', EXE, '--check', *args], env=self.wine.env, input=password,
                              capture_output=True, text=True, timeout=300)
        return done.returncode, [line.rstrip('\r') for line in done.stdout.splitlines() if line.strip()]

    def step_check(self):
        # A ward's own database: the demo's, no longer marked as the demo.
        ward = os.path.join(self.work, 'ward.db')
        shutil.copy(self.installed('hospital.db'), ward)
        with sqlite3.connect(ward) as db:
            db.execute('drop table wc_demo')
        ward_path = 'Z:' + ward.replace('/', '\\')
        self.wine.preset({('Orvane_User', 'login', 'kind'): ('REG_SZ', 'Embedded'),
                          ('Orvane_User', 'login', 'database'): ('REG_SZ', ward_path),
                          ('Wardcheck', 'database', 'queryTimeoutSeconds'): ('REG_SZ', 'soon'),
                          ('Wardcheck', 'policy', 'wristbandMustBeScanned'): ('REG_DWORD', '1')})
        status, lines = self.check([])
        problems = [line for line in lines if line.startswith('PROBLEM')]
        expected = ['queryTimeoutSeconds is "soon"', 'wristbandMustBeScanned: no such setting']
        if status != 1 or not all(any(e in p for p in problems) for e in expected):
            raise StepFailed('with mistakes in the preset: status %s, printed %r' % (status, lines))
        self.wine.preset({('Orvane_User', 'login', 'kind'): ('REG_SZ', 'embedded'),
                          ('Orvane_User', 'login', 'database'): ('REG_SZ', ward_path),
                          ('Wardcheck', 'database', 'queryTimeoutSeconds'): ('REG_DWORD', '5'),
                          ('Wardcheck', 'audit', 'enabled'): ('REG_DWORD', '1')})
        status, lines = self.check(['--user', 'nurse'], 'wardcheck\n')
        wanted = ['ok       database: nurse logged in', 'ok       database statements:', 'ok       audit: on']
        if status != 0 or any(line.startswith('PROBLEM') for line in lines) or \
                not all(any(line.startswith(w) for line in lines) for w in wanted):
            raise StepFailed('with a working preset: status %s, printed %r' % (status, lines))
        # The records are on for the rest of the run; the database is the demo's again.
        self.wine.preset({('Wardcheck', 'audit', 'enabled'): ('REG_SZ', 'true')})
        return 'mistakes: status 1, %d PROBLEM lines; working: status 0, %d lines ok' % (len(problems), len(lines))

    def step_log_in(self):
        self.err_file = open(self.program_err, 'w')
        # Wine keeps no event log; with +eventlog it traces what the program reports.
        self.program = self.wine.start([EXE, '--demo'], stdout=subprocess.DEVNULL, stderr=self.err_file,
                                       WINEDEBUG='-all,+eventlog')
        login = self.x.wait_for('Log In', 90)
        self.x.focus(login)
        self.x.type_scan('nurse')
        self.x.keys('Tab')
        self.x.type_scan('wardcheck')
        self.x.keys('Return')
        self.x.wait_for('^Wardcheck Module - demo database: not for patient care$', 60)
        self.x.wait_gone('Log In')
        return 'main menu open, marked as the demo'

    def strip_colours(self, screen, box=None):
        rect = self.x.geometry(screen)
        leave_out = self.x.geometry(box) if box else None
        return count_colours(self.x.screenshot_ppm(), rect, [GREEN, RED], leave_out)

    def medicine_check(self, screen, wristband):
        self.x.focus(screen)
        self.x.type_scan(PACKAGE + '\n')
        time.sleep(1.0)
        self.x.type_scan(wristband + '\n')
        box = self.x.wait_for('^Verification$', 30)
        time.sleep(0.5)   # the screen behind the box has been painted
        green, red = self.strip_colours(screen, box)
        self.x.focus(box)
        self.x.keys('Return')
        self.x.wait_gone('^Verification$')
        return strip_verdict(green, red), green, red

    def step_medicine(self):
        menu = self.x.wait_for('^Wardcheck Module')
        self.x.focus(menu)
        self.x.keys('alt+a')
        screen = self.x.wait_for('Medicine Verification')
        time.sleep(1.0)
        before = strip_verdict(*self.strip_colours(screen))
        if before is not None:
            raise StepFailed('the status strip shows "%s" before any scan' % before)
        results = []
        for wristband, expected in ((ITS_WRISTBAND, 'pass'), (NEIGHBOURS_WRISTBAND, 'fail')):
            verdict, green, red = self.medicine_check(screen, wristband)
            results.append('%s+%s: %s (green %d px, red %d px)' % (PACKAGE, wristband, verdict, green, red))
            if verdict != expected:
                raise StepFailed('expected %s; %s' % (expected, '; '.join(results)))
        return '; '.join(results)

    def step_wristband(self):
        with sqlite3.connect('file:%s?mode=ro' % self.installed('hospital.db'), uri=True) as db:
            rows = db.execute('select M.lastname, N.idnum, N.dcrdate from tbpatient N '
                              'left outer join tbmaster M on N.hospnum = M.hospnum').fetchall()
        chosen = lone_patient(rows)
        if not chosen:
            raise StepFailed('the demo database has no last name that only one admitted patient has')
        last_name, admission = chosen
        folder = self.band_folder()
        before = set(glob.glob(os.path.join(folder, '*.pdf')))

        menu = self.x.wait_for('^Wardcheck Module')
        self.x.focus(menu)
        self.x.keys('ctrl+w')
        screen = self.x.wait_for('Print Wristbands')
        time.sleep(1.0)
        self.x.focus(screen)
        self.x.xdo('type', '--delay', '20', last_name)
        time.sleep(2.0)   # the list fills again for the search
        self.x.keys('alt+p')
        end = time.monotonic() + 30
        new = []
        while time.monotonic() < end and not new:
            time.sleep(0.2)
            new = sorted(set(glob.glob(os.path.join(folder, '*.pdf'))) - before)
            if self.x.windows('^Wardcheck$'):
                raise StepFailed('the program reported an error instead of printing')
        if len(new) != 1:
            raise StepFailed('expected one new band in %s, found %s' % (folder, new))
        self.band = new[0]
        time.sleep(0.5)   # written whole
        if not os.path.basename(self.band).startswith('wristband-%s-' % admission):
            raise StepFailed('the band %s is not named for %s' % (os.path.basename(self.band), admission))
        picture = os.path.join(self.work, 'band')
        subprocess.run(['pdftoppm', '-r', '300', '-png', '-singlefile', self.band, picture], check=True,
                       capture_output=True, timeout=60)
        read = subprocess.run(['zbarimg', '--raw', '-q', picture + '.png'], capture_output=True, text=True,
                              timeout=60)
        codes = read.stdout.split()
        if codes != [admission]:
            raise StepFailed('searched "%s": the band for %s carries the barcodes %s' % (last_name, admission, codes))
        return 'searched "%s"; %s reads %s' % (last_name, os.path.basename(self.band), codes[0])

    def step_close(self):
        end = time.monotonic() + 60
        while time.monotonic() < end and self.program.poll() is None:
            for window in self.x.windows():
                self.x.close_window(window)
            try:
                self.program.wait(timeout=1.0)
            except subprocess.TimeoutExpired:
                pass
        if self.program.poll() is None:
            raise StepFailed('still running after every window was closed (open: %s)' % self.x.describe())
        if self.program.returncode != 0:
            raise StepFailed('exit status %d' % self.program.returncode)
        self.settings_before = self.user_settings()
        with open(self.program_err, errors='replace') as f:
            reported = re.findall(r'ReportEventW\s+L"([^"]*)"', f.read())
        records = [(reported[i], reported[i + 1]) for i in range(len(reported) - 1)
                   if reported[i] in ('medicine-check', 'login')]
        for wanted in (('login', 'ok'), ('medicine-check', 'pass'), ('medicine-check', 'fail')):
            if wanted not in records:
                raise StepFailed('no audit record %s %s in the event log trace (%r)' % (wanted + (records,)))
        return 'exit status 0; audit records reported: %s' % ', '.join(' '.join(r) for r in records)

    def step_uninstall(self):
        if self.program is not None and self.program.poll() is None:
            self.program.kill()   # a run that failed on the way leaves it open
            self.program.wait()
        settings = self.settings_before or self.user_settings()
        remembered = [where for where, found in settings.items() if _holds(found, 'nurse')]
        done = self.wine.run(['msiexec', '/x', self.msi, '/qn'], timeout=900)
        self.wine.server('-w')
        problems = []
        if done.returncode != 0:
            problems.append('msiexec /x ended with %d: %s' % (done.returncode, done.stderr[-2000:]))
        if os.path.exists(self.installed()):
            problems.append('left behind: %s' % ', '.join(sorted(os.listdir(self.installed()))[:20]))
        if self.shortcuts():
            problems.append('Start-menu shortcut left behind')
        if EVENT_SOURCE.lower() in self.wine.registry('system.reg'):
            problems.append('the event source is still registered')
        if not remembered:
            problems.append('the login was remembered nowhere (registry: %s; INI files: %s)'
                            % (sorted(settings['registry']) or 'none', sorted(settings['ini files']) or 'none'))
        after = self.user_settings()
        if after != settings:
            problems.append('the user settings changed: before %r, after %r' % (settings, after))
        if self.band and not os.path.isfile(self.band):
            problems.append('the printed band is gone')
        if problems:
            raise StepFailed('; '.join(problems))
        return 'folder gone; settings kept in %s' % ' and '.join(
            '%s (%s)' % (where, ', '.join(sorted(settings[where]))) for where in remembered)


def _holds(value, text):
    if isinstance(value, dict):
        return any(_holds(v, text) for v in value.values())
    return value == text


def main(argv):
    args = [a for a in argv[1:] if a != '--keep']
    keep = '--keep' in argv[1:]
    if len(args) != 2:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    missing = [tool for tool in TOOLS if not shutil.which(tool)]
    if missing:
        print('not run: %s not installed' % ', '.join(missing))
        return 77
    if not os.path.isfile(args[0]):
        print('no MSI at %s' % args[0])
        return 1
    run = Run(*args)
    if os.path.exists(run.work):
        shutil.rmtree(run.work)
    os.makedirs(run.work)

    steps = [('prefix', run.step_prefix, None), ('install', run.step_install, 'prefix'),
             ('check', run.step_check, 'install'), ('log in', run.step_log_in, 'install'), ('medicine check', run.step_medicine, 'log in'),
             ('wristband', run.step_wristband, 'medicine check'), ('close', run.step_close, 'wristband'),
             ('uninstall', run.step_uninstall, 'install')]
    passed = set()
    started_all = time.monotonic()
    try:
        for name, step, needs in steps:
            if needs and needs not in passed:
                print('%-16s %6s    skipped (%s did not pass)' % (name, '', needs))
                continue
            started = time.monotonic()
            try:
                detail, ok = step(), True
            except (StepFailed, subprocess.SubprocessError, OSError, ValueError, sqlite3.Error) as e:
                detail, ok = '%s: %s' % (type(e).__name__, e) if not isinstance(e, StepFailed) else str(e), False
            print('%-16s %6.1f s  %s  %s' % (name, time.monotonic() - started, 'ok' if ok else 'FAIL', detail))
            if ok:
                passed.add(name)
            else:
                if run.x:
                    print('    screenshot: %s' % run.screenshot())
                if run.program is not None:
                    with open(run.program_err, errors='replace') as f:
                        for line in f.read().splitlines()[-60:]:
                            print('    stderr: ' + line)
            sys.stdout.flush()
    finally:
        if run.program is not None and run.program.poll() is None:
            run.program.kill()
            run.program.wait()
        if run.wine:
            run.wine.server('-k')
        if run.x:
            run.x.stop()
    everything = len(passed) == len(steps)
    print('%-16s %6.1f s  %s' % ('all', time.monotonic() - started_all, 'ok' if everything else 'FAIL'))
    if everything and not keep:
        shutil.rmtree(run.work, ignore_errors=True)
    return 0 if everything else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv))
