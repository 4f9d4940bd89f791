#!/usr/bin/python3
"""Runs the real wardcheck program to its end, as a ward PC does.

Each case starts the program under the X server named by DISPLAY (ctest wraps
this script in xvfb-run: a bare X server, no window manager), logs in by typing, does what the case says, then
closes every window of the program the way a window manager's close button
does (WM_DELETE_WINDOW) until the program ends. The exit status must be the
expected one and stderr must hold nothing but Qt's usual notes; under the
sanitizers a leak or a use-after-free at exit makes the status non-zero and
fills stderr.

usage: run_to_end.py WARDCHECK MAKEDEMODB WORKDIR [CASE ...]
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, 'support'))
import x11close  # noqa: E402

EXE, MAKEDB = sys.argv[1], sys.argv[2]
os.makedirs(sys.argv[3], exist_ok=True)
WORK = tempfile.mkdtemp(prefix='run-', dir=sys.argv[3])
ONLY = set(sys.argv[4:])

# Lines Qt or the platform print on their own; anything else on stderr fails.
USUAL = re.compile(r'^(QStandardPaths: |qt\.qpa\.|Warning: Ignoring XDG_SESSION_TYPE|$)')

_display = x11close.Display()


def wm_close(window):
    """What a window manager sends when the user clicks a window's close button."""
    if not _display.send_protocol(window, b'WM_DELETE_WINDOW'):
        sys.exit('cannot open the X display %s' % os.environ.get('DISPLAY'))


def xdo(*args):
    return subprocess.run(['xdotool', *args], capture_output=True, text=True).stdout


def windows(pid, name=None):
    # --all: xdotool's search matches any one of its conditions unless told otherwise.
    args = ['search', '--all', '--onlyvisible', '--pid', str(pid)]
    if name:
        args += ['--name', name]
    return [int(w) for w in xdo(*args).split()]


# A program's first window: its very first start in a fresh build under the
# sanitizers has been seen to take over 20 s on a 2-core machine.
FIRST_WINDOW_SECONDS = 90.0


def wait_for(pid, name, seconds=20.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = windows(pid, name)
        if found:
            return found[0]
        time.sleep(0.05)
    raise RuntimeError('no window "%s" appeared' % name)


def focus(window):
    xdo('windowfocus', '--sync', str(window))


def type_text(text, delay_ms=2):
    """Types like a scanner, in one xdotool run: each newline is the Return key.

    xdotool's own typing sends a newline as the Linefeed key, which no box
    takes for Enter, and its "type" swallows whatever follows it.
    """
    if all(c.isascii() and (c.isalnum() or c == '\n') for c in text):
        xdo('key', '--delay', str(delay_ms), *['Return' if c == '\n' else c for c in text])
        return
    for i, part in enumerate(text.split('\n')):
        if i:
            key('Return')
        if part:
            xdo('type', '--delay', str(delay_ms), part)


def key(*keys):
    xdo('key', *keys)


class Program:
    def __init__(self, database, args=()):
        # A new user every time: nothing remembered from an earlier case.
        self.home = tempfile.mkdtemp(prefix='home-', dir=WORK)
        env = dict(os.environ, HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, '.config'),
                   WARDCHECK_DATABASE=database, WARDCHECK_WRISTBAND_DIR=os.path.join(self.home, 'bands'))
        env.pop('QT_QPA_PLATFORM', None)
        self.process = subprocess.Popen([EXE, *args], env=env, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True)
        self.pid = self.process.pid

    def log_in(self, user='nurse', password='wardcheck'):
        login = wait_for(self.pid, 'Log In', FIRST_WINDOW_SECONDS)
        focus(login)
        time.sleep(0.2)
        type_text(user, 5)
        key('Tab')
        type_text(password, 5)
        key('Return')

    def main_menu(self):
        return wait_for(self.pid, 'Wardcheck Module')

    def close_everything(self, seconds=30.0):
        """Closes every window, again and again as long as one declines, until the program ends."""
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if self.process.poll() is not None:
                break
            for window in windows(self.pid):
                wm_close(window)
            try:
                self.process.wait(timeout=1.0)
            except subprocess.TimeoutExpired:
                pass
        return self.finish()

    def finish(self, seconds=30.0):
        try:
            _, err = self.process.communicate(timeout=seconds)
        except subprocess.TimeoutExpired:
            self.process.kill()
            _, err = self.process.communicate()
            return 'still running', err
        return self.process.returncode, err


def make_database(name, *args):
    path = os.path.join(WORK, name)
    if not os.path.exists(path):
        subprocess.run([MAKEDB, '--out', path, *args], check=True, stdout=subprocess.DEVNULL,
                       env=dict(os.environ, QT_QPA_PLATFORM='offscreen'))
    return path


def demo():
    return make_database('demo.db')


def large():
    # Enough admitted patients that the patient list is still filling when the windows close.
    return make_database('large.db', '--patients', '60000', '--admitted', '50000',
                         '--nurse-rows', '200', '--lab-rows', '200')


def logged_in(database=None):
    program = Program(database or demo())
    program.log_in()
    return program, program.main_menu()


def open_screen(menu, keys, title, program):
    focus(menu)
    key(keys)
    window = wait_for(program.pid, title)
    focus(window)
    time.sleep(0.3)
    return window


# Each case returns the program, ready to be closed.
def case_menu_only():
    program, _ = logged_in()
    return program


def case_each_screen():
    program, menu = logged_in()
    open_screen(menu, 'alt+a', 'Medicine Verification', program)
    open_screen(menu, 'alt+l', 'Extraction', program)
    open_screen(menu, 'ctrl+w', 'Print Wristbands', program)
    return program


def case_after_lookup():
    program, menu = logged_in()
    open_screen(menu, 'alt+l', 'Extraction', program)
    type_text('L0000001\n')
    time.sleep(0.5)
    return program


def case_after_failed_lookup():
    program, menu = logged_in()
    open_screen(menu, 'alt+a', 'Medicine Verification', program)
    type_text('C9999999\n')
    time.sleep(0.5)
    return program


def case_during_list_fill():
    program, menu = logged_in(large())
    focus(menu)
    key('ctrl+w')
    wait_for(program.pid, 'Print Wristbands')
    time.sleep(0.2)
    return program


def case_box_open():
    program, menu = logged_in()
    open_screen(menu, 'alt+a', 'Medicine Verification', program)
    type_text('C0000001\n')
    time.sleep(0.5)
    type_text('A090000\n')
    wait_for(program.pid, '^Verification$')
    return program


def case_lookup_box_open():
    program, menu = logged_in()
    open_screen(menu, 'alt+l', 'Extraction', program)
    type_text('L9999999\n')
    wait_for(program.pid, '^Wardcheck$')
    return program


def wait_gone(pid, name, seconds=20.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if not windows(pid, name):
            return
        time.sleep(0.05)
    raise RuntimeError('the window "%s" stayed open' % name)


def case_focus_back_after_box():
    """After a box closes, the next scan reaches the screen, also with no window manager.

    The box is closed with Enter and the next scan typed through the X
    server, with the pointer away from every window: the keys go wherever
    the X server's keyboard focus is, as on a ward PC whose scanner types
    while the mouse lies idle. The proof that they arrived is the next
    check's own box.
    """
    program, menu = logged_in()
    open_screen(menu, 'alt+a', 'Medicine Verification', program)
    xdo('mousemove', '--sync', '1279', '1023')
    for check in range(1, 4):
        type_text('C0000001\n')
        time.sleep(0.5)
        type_text('A090000\n')
        try:
            wait_for(program.pid, '^Verification$', 10.0)
        except RuntimeError:
            raise RuntimeError('scan %d after a closed box went nowhere' % check)
        time.sleep(1.0)   # a nurse reads the verdict
        key('Return')
        wait_gone(program.pid, '^Verification$')
        time.sleep(0.3)
    return program


def green_pixels(window):
    """How many pixels of the window are the bright green of a passed check."""
    shot = subprocess.run(['import', '-window', str(window), '-depth', '8', 'ppm:-'], capture_output=True).stdout
    fields, at = [], 0
    while len(fields) < 4:  # P6, width, height, maximum
        while shot[at:at + 1].isspace():
            at += 1
        end = at
        while not shot[end:end + 1].isspace():
            end += 1
        fields.append(shot[at:end])
        at = end
    pixels = shot[at + 1:]
    return sum(1 for i in range(0, len(pixels) - 2, 3) if pixels[i:i + 3] == b'\x00\xff\x00')


def case_rescan_after_error():
    """After "Error in connection." the box keeps the code; the scan again replaces it.

    The database goes away under a logged-in program, the package's lookup
    ends in the error box, which is closed with Enter as a nurse closes it;
    the database comes back and the same package is scanned again, then the
    wristband: the check passes (its box, and the green strip after it).
    """
    path = os.path.join(WORK, 'rescan.db')
    shutil.copy(demo(), path)
    program, menu = logged_in(path)
    meds = open_screen(menu, 'alt+a', 'Medicine Verification', program)
    os.rename(path, path + '.away')
    type_text('C0000001\n')
    wait_for(program.pid, '^Wardcheck$', 10.0)
    time.sleep(1.0)   # a nurse reads the error
    key('Return')
    wait_gone(program.pid, '^Wardcheck$')
    os.rename(path + '.away', path)
    time.sleep(0.3)
    type_text('C0000001\n')
    time.sleep(0.5)
    type_text('A090000\n')
    try:
        wait_for(program.pid, '^Verification$', 10.0)
    except RuntimeError:
        raise RuntimeError('the package scanned again after the error box was not found')
    time.sleep(1.0)   # a nurse reads the verdict
    key('Return')
    wait_gone(program.pid, '^Verification$')
    time.sleep(0.3)
    if green_pixels(meds) < 1000:
        raise RuntimeError('the check after the scan again did not pass')
    return program


LOGGED_IN_CASES = [
    ('menu only', case_menu_only),
    ('every screen opened', case_each_screen),
    ('after a lookup', case_after_lookup),
    ('after a failed lookup', case_after_failed_lookup),
    ('during a patient-list fill', case_during_list_fill),
    ('verdict box open', case_box_open),
    ('lookup error box open', case_lookup_box_open),
    ('focus back after a box', case_focus_back_after_box),
    ('scan again after an error box', case_rescan_after_error),
]


def run_logged_in(make):
    program = make()
    return program.close_everything()


def run_cancelled_login():
    program = Program(demo())
    focus(wait_for(program.pid, 'Log In', FIRST_WINDOW_SECONDS))
    key('Escape')
    return program.finish()


def run_failed_login():
    program = Program(demo())
    program.log_in(password='not the password')
    time.sleep(1.5)   # the dialog says why and keeps the user waiting a moment
    focus(wait_for(program.pid, 'Log In', FIRST_WINDOW_SECONDS))
    key('Escape')
    return program.finish()


def run_measure_scan():
    """--measure-scan prints the gaps of one scan, with the ward's limit.

    A scanner's 2 ms a key is taken for a scan; 40 ms a key is not, at the
    default limit, and is at a preset limit of 60.
    """
    problems = []
    for delay, limit, taken in ((2, None, 'yes'), (40, None, 'no'), (40, 60, 'yes')):
        home = tempfile.mkdtemp(prefix='measure-', dir=WORK)
        presets = os.path.join(home, 'xdg')
        os.makedirs(os.path.join(presets, 'ORVANE'))
        if limit:
            with open(os.path.join(presets, 'ORVANE', 'Wardcheck.ini'), 'w') as f:
                f.write('[policy]\nscanMeanGapLimitMs=%d\n' % limit)
        env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, '.config'), XDG_CONFIG_DIRS=presets)
        env.pop('QT_QPA_PLATFORM', None)
        process = subprocess.Popen([EXE, '--measure-scan'], env=env, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True)
        try:
            focus(wait_for(process.pid, 'Measure a Scan'))
            time.sleep(0.2)
            type_text('A090000\n', delay)
            out, err = process.communicate(timeout=30)
        except Exception:
            process.kill()
            out, err = process.communicate()
        lines = out.splitlines()
        gaps = next((line.split(':', 1)[1].split() for line in lines if line.startswith('Gaps between keys')), [])
        expected = ['Code: A090000', 'Limit (ms, policy/scanMeanGapLimitMs): %d' % (limit or 25),
                    'Taken for a scan: %s' % taken]
        if process.returncode != 0 or any(line not in lines for line in expected) or len(gaps) != 7:
            problems.append('%d ms a key, limit %s: status %s, printed %r' % (delay, limit, process.returncode, out))
        if err.strip() and not all(USUAL.match(line) for line in err.splitlines()):
            problems.append(err)
    return (0 if not problems else '; '.join(problems)), ''


def run_check():
    """wardcheck --check: one line each, ok or PROBLEM, status 0 only when all are ok.

    Over FreeTDS to the TDS stand-in, with hospital IT's preset: working, with
    a login and without; with mistakes in it; with the server gone.
    """
    server_program = os.environ.get('WARDCHECK_TDS_STANDIN')
    if not server_program:
        return 'WARDCHECK_TDS_STANDIN does not name the TDS stand-in', ''
    home = tempfile.mkdtemp(prefix='check-', dir=WORK)
    port_file = os.path.join(home, 'port')
    server = subprocess.Popen([server_program, '--database', demo(), '--login', 'ward:s3cret', '--port-file', port_file],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    problems = []
    try:
        for _ in range(100):
            if os.path.exists(port_file):
                break
            time.sleep(0.1)
        port = open(port_file).read().split()[0]
        presets = os.path.join(home, 'xdg', 'ORVANE')
        os.makedirs(presets)
        connection = 'Driver={FreeTDS};Server=127.0.0.1;Port=%s;Database=patient_data;TDS_Version=7.4' % port

        def preset(user_ini, wardcheck_ini):
            with open(os.path.join(presets, 'Orvane_User.ini'), 'w') as f:
                f.write(user_ini)
            with open(os.path.join(presets, 'Wardcheck.ini'), 'w') as f:
                f.write(wardcheck_ini)

        def check(args, password, status, lines, absent=()):
            env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, '.config'),
                       XDG_CONFIG_DIRS=os.path.join(home, 'xdg'), CUPS_SERVER=os.path.join(home, 'no-cups'))
            for name in ('DISPLAY', 'QT_QPA_PLATFORM', 'WARDCHECK_DATABASE'):
                env.pop(name, None)
            run = subprocess.run([EXE, '--check', *args], input=password, capture_output=True, text=True,
                                 timeout=120, env=env)
            out = run.stdout.splitlines()
            wrong = [line for line in out if not line.startswith(('ok       ', 'PROBLEM  '))]
            missing = [line for line in lines if not any(o.startswith(line) for o in out)]
            present = [line for line in absent if any(o.startswith(line) for o in out)]
            if run.returncode != status or wrong or missing or present or 'ward:s3cret' in run.stdout:
                problems.append('--check %s: status %d, missing %r, not expected %r, printed:\n%s%s'
                                % (' '.join(args), run.returncode, missing, present, run.stdout, run.stderr))

        preset('[login]\nkind=ODBC\ndatabase="%s"\n[preset]\nlocked=true\n' % connection,
               '[database]\nqueryTimeoutSeconds=5\n[policy]\nwristbandsMustBeScanned=true\n')
        check(['--user', 'ward'], 's3cret\n', 0,
              ['ok       setting login/kind: odbc (machine preset', 'ok       preset: ',
               'ok       database: ward logged in', 'ok       database statements: ', 'ok       printer: ',
               'ok       policy: wristbands must be scanned'])
        check([], '', 0, ['ok       database: the server of', 'ok       printer: '], ['ok       database statements'])
        check(['--user', 'ward'], 'wrong\n', 1, ['PROBLEM  database: '])
        preset('[login]\nkind=odbc\ndatabase="%s"\n' % connection,
               '[database]\nqueryTimeoutSeconds=soon\n[policy]\nwristbandMustBeScanned=true\n')
        check(['--user', 'ward'], 's3cret\n', 1,
              ['PROBLEM  preset: %s/Wardcheck.ini, [database] queryTimeoutSeconds is "soon"' % presets,
               'PROBLEM  preset: %s/Wardcheck.ini, [policy] wristbandMustBeScanned: no such setting' % presets,
               'ok       database statements: '])
        server.terminate()
        server.wait(10)
        check(['--user', 'ward'], 's3cret\n', 1, ['PROBLEM  database: The hospital database could not be reached'])
    finally:
        if server.poll() is None:
            server.kill()
    return (0 if not problems else '; '.join(problems)), ''


def run_option(option):
    process = subprocess.run([EXE, option], capture_output=True, text=True, timeout=60,
                             env=dict(os.environ, QT_QPA_PLATFORM='offscreen'))
    return process.returncode, process.stderr


def main():
    cases = [(name, lambda make=make: run_logged_in(make)) for name, make in LOGGED_IN_CASES]
    cases += [('cancelled login', run_cancelled_login),
              ('failed login, then cancelled', run_failed_login),
              ('--measure-scan', run_measure_scan),
              ('--check', run_check),
              ('--version', lambda: run_option('--version')),
              ('--help', lambda: run_option('--help'))]
    failures = 0
    for name, run in cases:
        if ONLY and name not in ONLY:
            continue
        started = time.monotonic()
        try:
            status, err = run()
        except Exception as e:  # a case that cannot even be driven is a failure too
            status, err = 'not run: %s' % e, ''
        unusual = [line for line in (err or '').splitlines() if not USUAL.match(line)]
        ok = status == 0 and not unusual
        failures += not ok
        print('%-32s status %-12s %5.1f s  %s' % (name, status, time.monotonic() - started, 'ok' if ok else 'FAIL'))
        for line in unusual[:60]:
            print('    stderr: ' + line)
        sys.stdout.flush()
    if not failures:
        shutil.rmtree(WORK, ignore_errors=True)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
