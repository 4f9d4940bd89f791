#!/usr/bin/python3
"""The parts of msi_end_to_end.py that decide a step's outcome, on made-up input.

A wrong answer here would let the Wine run pass a check it should fail: a
colour miscounted, a registry key misread, a patient search that finds two.
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import msi_end_to_end as e2e  # noqa: E402


def ppm(width, height, fill, boxes=(), comment=True):
    """A P6 image of one colour with coloured boxes (x, y, w, h, colour) on it."""
    pixels = [[fill] * width for _ in range(height)]
    for x, y, w, h, colour in boxes:
        for row in range(y, y + h):
            for col in range(x, x + w):
                pixels[row][col] = colour
    header = b'P6\n' + (b'# made by a test\n' if comment else b'') + b'%d %d\n255\n' % (width, height)
    return header + b''.join(bytes(c) for row in pixels for c in row)


WHITE = (255, 255, 255)


class Colours(unittest.TestCase):
    def test_counts(self):
        image = ppm(20, 10, WHITE, [(2, 2, 5, 3, e2e.GREEN), (15, 0, 5, 10, e2e.RED)])
        cases = [
            # rect, leave_out, (green, red)
            ((0, 0, 20, 10), None, (15, 50)),
            ((0, 0, 15, 10), None, (15, 0)),        # the red column starts at x = 15
            ((3, 3, 2, 2), None, (4, 0)),
            ((10, 5, 100, 100), None, (0, 25)),     # clipped at the image's edges
            ((-5, -5, 8, 8), None, (1, 0)),         # (2, 2) is the one green pixel left of x = 3
            ((0, 0, 20, 10), (2, 2, 5, 3), (0, 50)),  # the box in front hides the green
            ((0, 0, 20, 10), (16, 0, 4, 10), (15, 10)),
            ((0, 0, 20, 10), (14, 0, 2, 10), (15, 40)),  # hides x = 14 and 15, not 16
            ((0, 0, 20, 10), (0, 0, 20, 4), (5, 30)),    # hides rows 0 to 3: green row 4 stays
        ]
        for rect, leave_out, expected in cases:
            with self.subTest(rect=rect, leave_out=leave_out):
                self.assertEqual(tuple(e2e.count_colours(image, rect, [e2e.GREEN, e2e.RED], leave_out)), expected)

    def test_header_without_comment(self):
        image = ppm(4, 3, e2e.RED, comment=False)
        self.assertEqual(e2e.count_colours(image, (0, 0, 4, 3), [e2e.RED]), [12])

    def test_rejects_what_it_cannot_read(self):
        good = ppm(4, 3, WHITE)
        for name, data in [('cut short', good[:-1]), ('16-bit', good.replace(b'255\n', b'65535\n', 1)),
                           ('ASCII PPM', good.replace(b'P6', b'P3', 1))]:
            with self.subTest(name):
                with self.assertRaises(ValueError):
                    e2e.read_ppm(data)

    def test_verdict(self):
        least = e2e.STRIP_LEAST_PIXELS
        cases = [
            (least, 0, 'pass'),
            (least - 1, 0, None),          # too little of the strip to be sure
            (0, least, 'fail'),
            (0, least - 1, None),
            (0, 0, None),                  # a white strip: no check has run
            (8000, 1999, 'pass'),          # red alert text beside a green strip
            (8000, 2000, None),            # both colours in force: neither is said
            (2000, 8000, None),
            (1999, 8000, 'fail'),
        ]
        for green, red, expected in cases:
            with self.subTest(green=green, red=red):
                self.assertEqual(e2e.strip_verdict(green, red), expected)


USER_REG = r'''WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Software\\ORVANE\\Orvane_User\\login] 1796778561
#time=1dd8779ec0ac874
"kind"="embedded"
"userName"="nurse"
"database"="C:\\Program Files\\Wardcheck\\hospital.db"
"quote"="say \"hi\""
@="default"

[Software\\ORVANE2] 1796778561
"userName"="someone else"

[Software\\Wine\\Fonts] 1796778561
"LogPixels"=dword:00000060
"Blob"=hex:01,02,03,\
  04,05
"Expand"=str(2):"%USERPROFILE%\\x"
'''


class Registry(unittest.TestCase):
    def test_values(self):
        keys = e2e.parse_reg(USER_REG)
        login = keys['software\\orvane\\orvane_user\\login']
        self.assertEqual(login['username'], 'nurse')
        self.assertEqual(login['database'], 'C:\\Program Files\\Wardcheck\\hospital.db')
        self.assertEqual(login['quote'], 'say "hi"')
        self.assertEqual(login[''], 'default')
        fonts = keys['software\\wine\\fonts']
        self.assertEqual(fonts['logpixels'], 'dword:00000060')
        self.assertEqual(fonts['blob'], 'hex:01,02,03,04,05')
        self.assertEqual(fonts['expand'], '%USERPROFILE%\\x')

    def test_keys_under_an_organisation(self):
        keys = e2e.parse_reg(USER_REG)
        for root in ('Software\\ORVANE', 'software\\orvane', 'SOFTWARE\\Orvane'):
            with self.subTest(root):
                self.assertEqual(sorted(e2e.keys_under(keys, root)), ['software\\orvane\\orvane_user\\login'])
        self.assertEqual(e2e.keys_under(keys, 'Software\\ORVANE\\Other'), {})

    def test_a_value_is_found_only_as_a_whole(self):
        keys = e2e.keys_under(e2e.parse_reg(USER_REG), 'Software\\ORVANE')
        self.assertTrue(e2e._holds(keys, 'nurse'))
        self.assertFalse(e2e._holds(keys, 'nurs'))
        self.assertFalse(e2e._holds(keys, 'someone else'))   # ORVANE2 is another organisation
        self.assertFalse(e2e._holds({}, 'nurse'))


class Ini(unittest.TestCase):
    def test_settings_file(self):
        text = '[General]\nx=1\n\n[login]\nkind=embedded\nuserName=nurse\ndatabase=C:/Program Files/Wardcheck/a%20b.db\n'
        values = e2e.read_ini(text)
        self.assertEqual(values['login']['userName'], 'nurse')   # names keep their case, as Qt writes them
        self.assertEqual(values['login']['database'], 'C:/Program Files/Wardcheck/a%20b.db')
        self.assertTrue(e2e._holds(values, 'nurse'))


class LonePatient(unittest.TestCase):
    def test_choice(self):
        cases = [
            ('one name once', [('Bautista', 'A1', None), ('Reyes', 'A2', None), ('Reyes', 'A3', None)],
             ('Bautista', 'A1')),
            ('a discharged namesake does not count', [('Reyes', 'A2', None), ('Reyes', 'A3', '2026-01-01')],
             ('Reyes', 'A2')),
            ('a discharged patient is never chosen', [('Bautista', 'A1', '2026-01-01'), ('Cruz', 'A2', None)],
             ('Cruz', 'A2')),
            ('a longer name that begins with it', [('Smith', 'A1', None), ('Smithson', 'A2', None)],
             ('Smithson', 'A2')),
            ('the search ignores case', [('Dela', 'A1', None), ('dela Rosa', 'A2', None), ('Moore', 'A3', None)],
             ('Moore', 'A3')),
            ('names that are not plain letters are not typed',
             [("O'Brien", 'A1', None), ('de la Cruz', 'A2', None), (None, 'A3', None), ('Tan', 'A4', None)],
             ('Tan', 'A4')),
            ('nobody alone', [('Reyes', 'A2', None), ('Reyes', 'A3', None)], None),
            ('no rows', [], None),
        ]
        for name, rows, expected in cases:
            with self.subTest(name):
                self.assertEqual(e2e.lone_patient(rows), expected)


class Usage(unittest.TestCase):
    def test_missing_tools_skip(self):
        path = os.environ.get('PATH', '')
        os.environ['PATH'] = '/nonexistent'
        try:
            self.assertEqual(e2e.main(['msi_end_to_end.py', 'x.msi', '/nonexistent/work']), 77)
        finally:
            os.environ['PATH'] = path

    def test_bad_usage(self):
        self.assertEqual(e2e.main(['msi_end_to_end.py', 'x.msi']), 2)


if __name__ == '__main__':
    unittest.main()
