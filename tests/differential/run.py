#!/usr/bin/env python3
"""Differential check of our version reader against Windows' own: makes
modules with generate.py, reads each with the native module_versions (our
POSIX reader) and with module_versions.exe under Wine (Wine's version.dll),
under each LANG, and reports every difference by the field that differs and
the module's mutation.

    run.py --native BIN --windows EXE --count N --seed S
           [--langs en_US.UTF-8,de_DE.UTF-8] [--chunk 4000] [--keep DIR] [--report FILE]
    run.py --native BIN --windows EXE --cases DIR     (both readers on the modules of DIR)

A difference is a fault of ours unless Wine is at fault: it crashed or hung
on the module, it read past the end of the file (a PE file shorter than
its sections, whose difference goes away when zeros follow the end while
Wine's answer stays), or it walked past the copy of an NE resource table
(into memory that holds nothing of the file). Those are counted apart. Runs in a session of
scripts/wine-session.sh, in which a crash ends the program at once instead
of starting the debugger. A difference of ours is explained when it falls in
a class of EXPLAINED (deliberate) or KNOWN_OPEN (a known fault, reported
apart); exits 1 when one falls in neither.
"""

import argparse
import codecs
import collections
import json
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
import generate  # noqa: E402

WINE_RUN = os.path.join(ROOT, 'scripts', 'wine-run.sh')
GROUP_SIZE = 50  # modules per folder: Windows' program prints a folder's rows once it is read
# Folders per run of a program: Windows' command line holds at most 32767
# characters, and each folder is given by a path of some 60.
FOLDERS_PER_RUN = 256
PAD = 65536      # bytes appended by the end-of-file probe
VERBOSE = bool(os.environ.get('DIFFERENTIAL_VERBOSE'))

ROW = re.compile(rb'^\d+\t(?P<name>[^\t\n]+)\t(?P<product>[^\t\n]*)\t(?P<file>[^\t\n]*)\t'
                 rb'(?P<company>.*?)\t(?P<bits>-?\d+)\n', re.M | re.S)
# A folder whose reading crashed while Windows' program went on.
CRASHED = re.compile(rb'^crashed\t(\d+)\n', re.M)


def parse_rows(output):
    rows = {}
    for m in ROW.finditer(output):
        rows[m['name'].decode('latin-1').lower()] = (m['product'], m['file'], m['company'], m['bits'])
    return rows


def lang_environment(lang):
    env = {k: v for k, v in os.environ.items() if not k.startswith('LC_') and k != 'LANGUAGE'}
    env['LANG'] = lang
    return env


def windows_path(path):
    return 'Z:' + path.replace('/', '\\')


class Reader:
    """One side of the comparison: runs its program over folders of modules
    and tells the modules it crashed or hung on."""

    def __init__(self, name, command):
        self.name = name
        self.command = command

    def run(self, folders, lang):
        """The rows of `folders`, the numbers (from 1) of those whose reading
        crashed while the program went on, and how the program ended."""
        argv = self.command + [windows_path(f) if self.name == 'wine' else f for f in folders]
        modules = sum(len(os.listdir(f)) for f in folders)
        timeout = 30 + 0.1 * modules
        started = time.time()
        try:
            done = subprocess.run(argv, env=lang_environment(lang), stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL, timeout=timeout)
            output, outcome = done.stdout, 'crash' if done.returncode else 'ok'
        except subprocess.TimeoutExpired as timed_out:
            output, outcome = timed_out.stdout or b'', 'hang'
        if self.name == 'wine':
            output = output.replace(b'\r\n', b'\n')
        crashed = {int(m.group(1)) for m in CRASHED.finditer(output)}
        if VERBOSE:
            print('  %s %s: %d folders, %d modules, %s, %d crashed apart, %.1f s' % (
                self.name, lang, len(folders), modules, outcome, len(crashed), time.time() - started),
                file=sys.stderr)
        return parse_rows(output), crashed, outcome

    def read(self, work, groups, lang):
        """Rows of every module of `groups` (lists of names, each in a folder
        of its own), and the modules this reader failed on."""
        rows, faults = {}, {}
        queue = list(groups)
        crashed_apart = []  # single modules whose reading crashed while the program went on
        while queue:
            batch, later = queue[:FOLDERS_PER_RUN], queue[FOLDERS_PER_RUN:]
            got, crashed, outcome = self.run([folder for folder, _ in batch], lang)
            rows.update(got)
            retry = []
            for i, (folder, names) in enumerate(batch):
                missing = [n for n in names if n.lower() not in got]
                if not missing:
                    continue
                if i + 1 in crashed or outcome == 'ok':
                    # This folder's own answer is known; the program went on.
                    if len(names) > 1:
                        retry += [single_folder(work, folder, n) for n in missing]
                    elif i + 1 in crashed:
                        crashed_apart.append((folder, names[0]))
                    else:
                        faults[names[0]] = 'no row'
                    continue
                if len(names) == 1:
                    faults[names[0]] = self.fault_alone(folder, names[0], outcome, lang)
                    retry += batch[i + 1:]
                else:
                    retry += [single_folder(work, folder, n) for n in missing] + batch[i + 1:]
                break
            queue = retry + later
        self.confirm_alone(crashed_apart, lang, faults)
        return rows, faults

    def confirm_alone(self, crashed_apart, lang, faults):
        """Reads the modules that crashed among others once more, together in
        a fresh program; one that gives its row there, or whose program ends
        with it, is read alone."""
        for first in range(0, len(crashed_apart), FOLDERS_PER_RUN):
            batch = crashed_apart[first:first + FOLDERS_PER_RUN]
            got, crashed, outcome = self.run([folder for folder, _ in batch], lang)
            for i, (folder, name) in enumerate(batch):
                if i + 1 in crashed:
                    faults[name] = 'crash'
                    continue
                faults[name] = self.fault_alone(folder, name, 'crash', lang)

    def fault_alone(self, folder, name, among, lang):
        """What went wrong (`among` others) with one module, told by reading
        it alone in a fresh program: a fault can come of what earlier modules
        left in the process."""
        alone, crashed, outcome = self.run([folder], lang)
        return '%s, not alone' % among if name.lower() in alone else 'crash' if crashed else outcome


def single_folder(work, folder, name):
    one = os.path.join(work, 'one', os.path.basename(folder), name)
    os.makedirs(one, exist_ok=True)
    if not os.path.exists(os.path.join(one, name)):
        os.link(os.path.join(folder, name), os.path.join(one, name))
    return one, [name]


# ---------------------------------------------------------------------------
# Comparison

# Bytes code page 1252 leaves undefined; Windows maps them to the control
# characters of the same value, Python's codec not at all.
CP1252_UNDEFINED = {0x81, 0x8D, 0x8F, 0x90, 0x9D}


def narrow_byte(char):
    """The byte Windows' code page 1252 gives `char`, or None when it has none."""
    if ord(char) in CP1252_UNDEFINED:
        return bytes([ord(char)])
    try:
        return char.encode('cp1252')
    except UnicodeEncodeError:
        return None


def native_pattern(native):
    """A pattern for the code page 1252 bytes Windows gives for our UTF-8
    text, or None when ours is no UTF-8."""
    try:
        text = native.decode('utf-8')
    except UnicodeDecodeError:
        return None
    pattern = b''
    for char in text:
        byte = narrow_byte(char)
        if byte is not None:
            pattern += re.escape(byte)
        else:
            pattern += b'[\\x00-\\xff]{1,2}' if ord(char) > 0xFFFF else b'[\\x00-\\xff]'
    return pattern


def same_text(native, wine):
    """Our narrow texts are UTF-8, Windows' are code page 1252: a character
    1252 lacks comes out as one replacement byte (two for a pair of
    surrogates, one per unit). Texts of 16-bit blocks are the file's bytes
    on Windows' side (see same_narrow_text)."""
    if native == wine:
        return True
    pattern = native_pattern(native)
    return pattern is not None and re.fullmatch(pattern, wine, re.S) is not None


# The code pages a 16-bit text of a generated module is read in by ours:
# its translation's (1252, 1251, 932), or 1252 for one of 0 or 1200, which
# iconv does not know as a narrow code page.
NARROW_CODECS = ('cp1252', 'cp1251', 'cp932')


def one_byte_replaced(error):
    """As ours converts: a byte that begins no character is U+FFFD, and the
    next byte is read afresh; 1252's undefined bytes are the C1 controls."""
    byte = error.object[error.start]
    if error.encoding == 'cp1252' and byte in CP1252_UNDEFINED:
        return chr(byte), error.start + 1
    return '\ufffd', error.start + 1


codecs.register_error('modaris-one-byte', one_byte_replaced)


def narrow_readings(wine):
    """Windows' bytes of a 16-bit text (its own, in place) read in each code
    page ours may have read them in, as UTF-8."""
    return [wine.decode(codec, 'modaris-one-byte').encode('utf-8') for codec in NARROW_CODECS]


def same_narrow_text(native, wine):
    """Ours converts a 16-bit text from its translation's code page to
    UTF-8; Windows returns its bytes in place."""
    return native in narrow_readings(wine)


def narrow_cut_short(native, wine):
    """Whether ours is a 16-bit text converted, cut short at a whole
    character by its room in the copy, as a 32-bit one can be."""
    return any(len(native) < len(r) and r.startswith(native) and (r[len(native)] & 0xC0) != 0x80
               for r in narrow_readings(wine))


def has_narrow_block(path):
    """Whether a version block of the module reads as a 16-bit one."""
    return path is not None and any(len(r) >= 5 and 0x20 <= r[4] < 0x80 for r in version_roots(path))


def cut_short(native, wine):
    """How our text is Windows' cut short, or None. A text in UTF-8 takes
    more bytes than in code page 1252, so the room a block gives its narrow
    copy holds fewer characters. And a room too small for its text (every
    room ends at the copy's end) Windows fills to its last byte with no NUL,
    so that its caller reads on past the copy, where ours keeps a NUL in the
    room: an ASCII text one byte shorter."""
    pattern = native_pattern(native)
    found = pattern is not None and re.match(pattern, wine, re.S)
    if not found or found.end() >= len(wine):
        return None
    if any(b >= 0x80 for b in native):
        return 'company cut short in UTF-8'
    return 'company cut short by its NUL' if found.end() == len(wine) - 1 else None


FIELDS = ('product', 'file', 'company', 'bits')


def differing_fields(native_row, wine_row, path=None):
    """The fields of two rows that differ; `path`, the module, tells a
    16-bit block's texts apart."""
    if native_row is None or wine_row is None:
        return ('row missing on ' + ('our side' if native_row is None else 'Windows\' side'),)
    fields = []
    for i, field in enumerate(FIELDS):
        same = same_text(native_row[i], wine_row[i]) if field == 'company' else native_row[i] == wine_row[i]
        if not same:
            cut = cut_short(native_row[i], wine_row[i]) if field == 'company' else None
            if field == 'company' and has_narrow_block(path):
                if same_narrow_text(native_row[i], wine_row[i]):
                    cut = 'company converted from its code page'
                elif narrow_cut_short(native_row[i], wine_row[i]):
                    cut = 'company cut short in UTF-8'
            fields.append(cut or field)
    return tuple(fields)


def ne_table_overrun(path):
    """Whether Windows' walk of an NE resource table (which stops only at a
    type of 0 or at the version type) goes past the table's end."""
    with open(path, 'rb') as f:
        data = f.read()
    try:
        header = struct.unpack_from('<I', data, 60)[0]
        if data[header:header + 2] != b'NE':
            return False
        start, end = struct.unpack_from('<HH', data, header + 0x24)
    except struct.error:
        return False
    size = (end - start) & 0xFFFFFFFF
    position = 2
    while True:
        if position + 2 > size:
            return True
        at = header + start + position
        type_id = struct.unpack_from('<H', data, at)[0] if at + 2 <= len(data) else 0
        if type_id == 0:
            return False
        count = struct.unpack_from('<H', data, at + 2)[0] if at + 4 <= len(data) else 0
        if type_id == 0x8010:
            return position + 8 + 12 * count > size
        position += 8 + 12 * count


def truncated_image(path):
    """Whether a PE file ends before the raw data of one of its sections:
    Windows still maps such an image when the shortfall lies within the
    last sector, and then reads what follows the end as zeros."""
    with open(path, 'rb') as f:
        data = f.read()
    try:
        header = struct.unpack_from('<I', data, 60)[0]
        if data[header:header + 2] != b'PE':
            return False
        sections, optional_size = struct.unpack_from('<H12xH', data, header + 6)
        for i in range(sections):
            raw_size, raw = struct.unpack_from('<II', data, header + 24 + optional_size + 40 * i + 16)
            if raw_size and raw + raw_size > len(data):
                return True
    except struct.error:
        return False
    return False


def ne_version_entries(data, header):
    """Where the version entries of an NE module's resource table lie in the
    file, and how long each is: (offset, length) pairs."""
    entries = []
    table, end = struct.unpack_from('<HH', data, header + 0x24)
    table += header
    shift = struct.unpack_from('<H', data, table)[0] % 32
    position = table + 2
    while position + 8 <= header + end:
        type_id, count = struct.unpack_from('<HH', data, position)
        if type_id == 0:
            break
        for i in range(count if type_id == 0x8010 else 0):
            offset, length, _, rid = struct.unpack_from('<HHHH', data, position + 8 + 12 * i)
            if rid == 0x8001:
                entries.append(((offset << shift) & 0xFFFFFFFF, (length << shift) & 0xFFFFFFFF))
        position += 8 + 12 * count
    return entries


def version_roots(path):
    """The first bytes of every version block the module holds where a
    reader looks for one: each RT_VERSION data entry of a PE module (RVAs
    placed as in the image: the headers below the first section), the
    version entry of an NE module. Malformed parts are skipped."""
    with open(path, 'rb') as f:
        data = f.read()
    roots = []
    try:
        header = struct.unpack_from('<I', data, 60)[0]
        if data[header:header + 2] == b'NE':
            return [data[at:at + 8] for at, _ in ne_version_entries(data, header)]
        sections, optional_size = struct.unpack_from('<H12xH', data, header + 6)
        optional = header + 24
        magic = struct.unpack_from('<H', data, optional)[0]
        directory = struct.unpack_from('<I', data, optional + (96 if magic == 0x10B else 112) + 16)[0]
        table = [struct.unpack_from('<IIII', data, optional + optional_size + 40 * i + 8) for i in range(sections)]

        def offset(rva):
            for size, va, raw_size, raw in table:
                if va <= rva < va + max(size, raw_size):
                    return raw + rva - va if rva - va < raw_size else None
            return rva if table and rva < min(t[1] for t in table) else None

        base = offset(directory)

        def entries(at):
            named, ids = struct.unpack_from('<HH', data, at + 12)
            return [struct.unpack_from('<II', data, at + 16 + 8 * i) for i in range(min(named + ids, 64))]

        for type_id, names in entries(base):
            if type_id != 16 or not names & 0x80000000:
                continue
            for _, languages in entries(base + (names & 0x7FFFFFFF)):
                if not languages & 0x80000000:
                    continue
                for _, leaf in entries(base + (languages & 0x7FFFFFFF)):
                    at = offset(struct.unpack_from('<I', data, base + (leaf & 0x7FFFFFFF))[0])
                    if at is not None:
                        roots.append(data[at:at + 8])
    except (struct.error, TypeError):
        pass
    return roots


def read_as_32_bit(root):
    """Whether VerQueryValueA reads the block as a 32-bit one: byte 4 is not
    a printable ASCII character (a signed char below ' ')."""
    return len(root) >= 6 and not 0x20 <= root[4] < 0x80


# Why a difference is no fault of ours, or which known one it is. Every
# other difference is unexplained, and fails the check.
EXPLAINED = {
    'company cut short in UTF-8':
        'narrow texts are UTF-8 here (design.md): a text takes more bytes than in code page 1252, '
        'and its room in the copy is fixed by the block',
    'root typed as text':
        'a root whose wType is not 0 has its fixed info converted as a text, to UTF-8 here and to '
        'code page 1252 on Windows, so the versions read from the converted bytes differ',
    'company converted from its code page':
        'a 16-bit block\'s text is bytes of its translation\'s code page: Windows returns them in place, '
        'ours converts them to UTF-8 (design.md), so a text of a code page other than 1252 differs',
    'company cut short by its NUL':
        'a text longer than its room in the copy: Windows fills the room up to the copy\'s end and '
        'leaves no NUL, so its caller reads on past the copy (here into the engine\'s zeroed slack); '
        'ours keeps a NUL in the room, so the text ends one byte earlier',
}
KNOWN_OPEN = {
    'NE walk past the root\'s wLength':
        'Windows reads the keys and values of a 16-bit block on past its root\'s wLength, as far as '
        'its copy of the resource goes; our VerQueryValueA is given only the block, and for a 16-bit '
        'block its wLength is all that tells how far the copy reaches (a 32-bit block\'s copy is '
        '2 * wLength + 4 long by Windows\' own layout, so there ours reads on as Windows does)',
}


def explain(fields, path):
    """The explained or known class of a difference, or None."""
    fields = set(fields)
    cut = {'company cut short in UTF-8', 'company cut short by its NUL', 'company converted from its code page'}
    if len(fields) == 1 and fields <= cut:
        return next(iter(fields))
    if fields & {'product', 'file'} and fields <= {'product', 'file'} | cut:
        roots = version_roots(path)
        if any(read_as_32_bit(r) and struct.unpack_from('<H', r, 4)[0] for r in roots):
            return 'root typed as text'
    return None


def second_read(work, chunk, names, wine, lang, wine_rows):
    """The modules for which Windows, reading each alone in a fresh process,
    answers otherwise than it did among others, or crashes: its answer
    depends on what lies outside the file in its memory."""
    changed = set()
    for name in names:
        folder, _ = single_folder(work, chunk, name)
        again, crashed, outcome = wine.run([folder], lang)
        if crashed or outcome != 'ok' or again.get(name.lower()) != wine_rows.get(name.lower()):
            changed.add(name)
    return changed


def ne_tail_probe(work, chunk, names, native, wine, lang):
    """The NE modules whose difference goes away when the bytes of the
    version resource past its root's wLength are zeros: Windows read them."""
    folder = os.path.join(work, 'ne-tail')
    os.makedirs(folder, exist_ok=True)
    probed = []
    for name in names:
        with open(os.path.join(chunk, name), 'rb') as f:
            data = bytearray(f.read())
        try:
            header = struct.unpack_from('<I', data, 60)[0]
            entries = ne_version_entries(data, header) if data[header:header + 2] == b'NE' else []
        except struct.error:
            entries = []
        zeroed = False
        for at, length in entries:
            if at + 2 > len(data):
                continue
            root = struct.unpack_from('<H', data, at)[0]
            end = min(at + length, len(data))
            if at + root < end:
                data[at + root:end] = bytes(end - at - root)
                zeroed = True
        if zeroed:
            with open(os.path.join(folder, name), 'wb') as f:
                f.write(data)
            probed.append(name)
    if not probed:
        return set()
    ours, _ = native.read(work, [(folder, probed)], lang)
    theirs, _ = wine.read(work, [(folder, probed)], lang)
    shutil.rmtree(folder)
    return {n for n in probed if theirs.get(n.lower()) is not None and
            not differing_fields(ours.get(n.lower()), theirs.get(n.lower()), os.path.join(chunk, n))}


def past_end_probe(work, chunk, names, native, wine, lang, wine_rows):
    """The modules whose difference goes away when zeros follow the end of
    the file, while Windows' answer stays: Windows read them as zeros."""
    folder = os.path.join(work, 'probe')
    os.makedirs(folder)
    for name in names:
        with open(os.path.join(chunk, name), 'rb') as f:
            data = f.read()
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data + bytes(PAD))
    ours, _ = native.read(work, [(folder, names)], lang)
    theirs, _ = wine.read(work, [(folder, names)], lang)
    shutil.rmtree(folder)
    return {n for n in names if theirs.get(n.lower()) == wine_rows.get(n.lower()) and
            not differing_fields(ours.get(n.lower()), theirs.get(n.lower()), os.path.join(chunk, n))}


# ---------------------------------------------------------------------------

class Tally:
    def __init__(self):
        self.modules = collections.Counter()
        self.kinds = collections.Counter()
        self.ours = collections.defaultdict(collections.Counter)    # lang -> (fields, kind) -> count
        self.explained = collections.defaultdict(collections.Counter)  # lang -> (class, kind) -> count
        self.wine = collections.defaultdict(collections.Counter)    # lang -> (fault, kind) -> count
        self.examples = collections.defaultdict(list)
        self.wine_examples = collections.defaultdict(list)

    def add_example(self, table, key, entry):
        if len(table[key]) < 5 and entry not in table[key]:
            table[key].append(entry)


def run_chunk(args, tally, native, wine, fixtures, first, count, keep):
    work = tempfile.mkdtemp(prefix='modaris-differential-')
    try:
        chunk = os.path.join(work, 'modules')
        os.makedirs(chunk)
        manifest = {}
        for index in range(first, first + count):
            name, data, fixture, fmt, kinds = generate.make_module(args.seed, index, fixtures)
            with open(os.path.join(chunk, name), 'wb') as f:
                f.write(data)
            manifest[name] = (fixture, fmt, kinds, index)
            tally.kinds[kinds[0]] += 1
        groups = []
        for i in range(0, len(manifest), GROUP_SIZE):
            folder = os.path.join(work, 'g%04d' % (i // GROUP_SIZE))
            os.makedirs(folder)
            names = sorted(manifest)[i:i + GROUP_SIZE]
            for name in names:
                os.link(os.path.join(chunk, name), os.path.join(folder, name))
            groups.append((folder, names))

        for lang in args.langs:
            tally.modules[lang] += len(manifest)
            native_rows, native_faults = native.read(work, groups, lang)
            wine_rows, wine_faults = wine.read(work, groups, lang)
            differing = {}
            for name, (fixture, fmt, kinds, index) in manifest.items():
                if name in native_faults:
                    differing[name] = ('our reader ' + native_faults[name],)
                    continue
                if name in wine_faults:
                    key = ('Windows: ' + wine_faults[name], kinds[0])
                    tally.wine[lang][key] += 1
                    tally.add_example(tally.wine_examples, key, (name, index))
                    keep_module(keep, 'wine-' + wine_faults[name], kinds[0], chunk, name)
                    continue
                fields = differing_fields(native_rows.get(name.lower()), wine_rows.get(name.lower()),
                                          os.path.join(chunk, name))
                if fields:
                    differing[name] = fields
            suspects = sorted(n for n in differing if truncated_image(os.path.join(chunk, n)))
            past_end = past_end_probe(work, chunk, suspects, native, wine, lang, wine_rows) if suspects else set()
            faults, reasons = {}, {}
            for name, fields in differing.items():
                fmt = manifest[name][1]
                if name in past_end:
                    faults[name] = 'Windows: reads past the end of the file'
                elif fmt == 'ne' and ne_table_overrun(os.path.join(chunk, name)):
                    faults[name] = 'Windows: reads past the NE resource table'
                else:
                    reasons[name] = explain(fields, os.path.join(chunk, name))
            # What no class takes is looked at twice more: read alone in a
            # fresh process, and, for an NE module, with its resource's bytes
            # past the root's wLength made zeros.
            left = sorted(n for n, r in reasons.items() if r is None)
            for name in second_read(work, chunk, left, wine, lang, wine_rows) if left else ():
                faults[name] = 'Windows: answers otherwise alone'
            left = [n for n in left if n not in faults and manifest[n][1] == 'ne']
            for name in ne_tail_probe(work, chunk, left, native, wine, lang) if left else ():
                reasons[name] = 'NE walk past the root\'s wLength'
            for name, fields in differing.items():
                fixture, fmt, kinds, index = manifest[name]
                fault = faults.get(name)
                if fault:
                    key = (fault, kinds[0])
                    tally.wine[lang][key] += 1
                    tally.add_example(tally.wine_examples, key, (name, index))
                    keep_module(keep, 'wine-' + fault.split(': ')[1].replace(' ', '-'), kinds[0], chunk, name)
                    continue
                reason = reasons.get(name)
                if reason:
                    tally.explained[lang][(reason, kinds[0])] += 1
                    keep_module(keep, 'explained-' + reason, kinds[0], chunk, name)
                    continue
                key = ('+'.join(fields), kinds[0])
                tally.ours[lang][key] += 1
                n, w = native_rows.get(name.lower()), wine_rows.get(name.lower())
                tally.add_example(tally.examples, key, {
                    'module': name, 'index': index, 'fixture': fixture, 'mutations': ','.join(kinds),
                    'native': [x.decode('utf-8', 'backslashreplace') for x in n] if n else None,
                    'windows': [x.decode('cp1252', 'backslashreplace') for x in w] if w else None})
                keep_module(keep, '+'.join(fields), kinds[0], chunk, name)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def keep_module(keep, fields, kind, chunk, name):
    if not keep:
        return
    folder = os.path.join(keep, '%s__%s' % (fields.replace(' ', '-').replace("'", ''), kind))
    os.makedirs(folder, exist_ok=True)
    if len(os.listdir(folder)) < 5:
        shutil.copy(os.path.join(chunk, name), folder)


def report(tally, args, elapsed):
    lines = ['differential check: seed %s, %d modules, LANG %s, %.0f s' %
             (args.seed, args.count, ' and '.join(args.langs), elapsed)]
    for lang in args.langs:
        ours = sum(tally.ours[lang].values())
        wine = sum(tally.wine[lang].values())
        explained = sum(c for (r, _), c in tally.explained[lang].items() if r in EXPLAINED)
        known = sum(tally.explained[lang].values()) - explained
        lines.append('  %s: %d modules, %d unexplained differences, %d explained, %d of a known open fault, '
                     '%d faults of Windows (Wine)' % (lang, tally.modules[lang], ours, explained, known, wine))
        for (fields, kind), count in sorted(tally.ours[lang].items(), key=lambda x: (-x[1], x[0])):
            lines.append('    %6d  UNEXPLAINED %-28s  mutation %s (of %d)' % (count, fields, kind, tally.kinds[kind]))
        for (reason, kind), count in sorted(tally.explained[lang].items(), key=lambda x: (-x[1], x[0])):
            lines.append('    %6d  %s: %-28s  mutation %s' % (
                count, 'explained' if reason in EXPLAINED else 'known open', reason, kind))
        for (fault, kind), count in sorted(tally.wine[lang].items(), key=lambda x: (-x[1], x[0])):
            lines.append('    %6d  %-28s  mutation %s' % (count, fault, kind))
    reasons = {r for t in tally.explained.values() for r, _ in t}
    for reason in sorted(reasons):
        lines.append('  %s: %s' % (reason, EXPLAINED.get(reason) or KNOWN_OPEN[reason]))
    if tally.examples:
        lines.append('unexplained, examples (native | Windows: product, file, company, bits):')
        for (fields, kind), entries in sorted(tally.examples.items()):
            for e in entries[:2]:
                lines.append('  %s / %s: %s #%d [%s] %s | %s' % (fields, kind, e['module'], e['index'],
                                                                e['mutations'], e['native'], e['windows']))
    return '\n'.join(lines)


AEDEBUG = 'HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug'


def registry(*args):
    reg = os.path.join(os.environ['MODARIS_WINEPREFIX'], 'drive_c', 'windows', 'system32', 'reg.exe')
    return subprocess.run([WINE_RUN, reg] + list(args), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          check=True).stdout.decode('latin-1')


def quiet_crashes():
    """Lets a crashing program end at once instead of starting the debugger,
    which takes seconds each time; returns the debugger command to put back."""
    found = re.search(r'Debugger\s+REG_SZ\s+(.*?)\r?$', registry('query', AEDEBUG, '/v', 'Debugger'), re.M)
    registry('add', AEDEBUG, '/v', 'Debugger', '/d', 'false', '/f')
    return found.group(1) if found else None


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--native', required=True)
    parser.add_argument('--windows', required=True)
    parser.add_argument('--fixtures', default=os.path.join(ROOT, 'build', 'native', 'fixtures', 'modules'))
    parser.add_argument('--count', type=int, default=2000)
    parser.add_argument('--first', type=int, default=0)
    parser.add_argument('--seed', default='1')
    parser.add_argument('--langs', default='en_US.UTF-8,de_DE.UTF-8')
    parser.add_argument('--chunk', type=int, default=4000)
    parser.add_argument('--keep', help='copy up to 5 differing modules per class into this folder')
    parser.add_argument('--report', help='write the figures and examples as JSON here')
    parser.add_argument('--cases', help='compare the modules of this folder instead')
    args = parser.parse_args()
    args.langs = args.langs.split(',')

    available = subprocess.run(['locale', '-a'], stdout=subprocess.PIPE, text=True).stdout.lower().split()
    for lang in args.langs:
        if lang.lower().replace('utf-8', 'utf8') not in available:
            sys.exit('differential: the locale %s is not installed (Wine would fall back to en_US)' % lang)
    if not os.environ.get('MODARIS_SESSION'):
        # One Wine prefix and one server for all the runs.
        os.execv(os.path.join(ROOT, 'scripts', 'wine-session.sh'),
                 ['wine-session.sh', sys.executable, os.path.abspath(__file__)] + sys.argv[1:])
    # Stopped, it still removes its folders and puts the debugger back.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    debugger = quiet_crashes()
    try:
        found_ours = check_folder(args) if args.cases else check(args)
    finally:
        if debugger is not None:
            registry('add', AEDEBUG, '/v', 'Debugger', '/d', debugger, '/f')
    sys.exit(1 if found_ours else 0)


def check_folder(args):
    """Both readers on the modules of a folder (cases/, wine-faults/), one
    line per module and LANG; True when one differs."""
    native = Reader('native', [os.path.abspath(args.native)])
    wine = Reader('wine', [WINE_RUN, os.path.abspath(args.windows)])
    work = tempfile.mkdtemp(prefix='modaris-differential-')
    try:
        folder = os.path.join(work, 'modules')
        os.makedirs(folder)
        names = sorted(n for n in os.listdir(args.cases) if n.lower().endswith(('.dll', '.exe')))
        for name in names:
            shutil.copy(os.path.join(args.cases, name), folder)
        differing = False
        for lang in args.langs:
            ours, _ = native.read(work, [(folder, names)], lang)
            theirs, faults = wine.read(work, [(folder, names)], lang)
            for name in names:
                n, w = ours.get(name.lower()), theirs.get(name.lower())
                fields = (('Windows: ' + faults[name],) if name in faults
                          else differing_fields(n, w, os.path.join(folder, name)))
                reason = explain(fields, os.path.join(folder, name)) if fields and name not in faults else None
                if fields and not reason and name not in faults and ne_tail_probe(work, folder, [name], native,
                                                                                  wine, lang):
                    reason = 'NE walk past the root\'s wLength'
                if reason:
                    fields = (fields + ('(%s)' % reason,))
                differing = differing or (bool(fields) and not reason)
                print('%-12s %-45s %-14s ours %s | Windows %s' % (
                    lang, name, '+'.join(fields) or 'same',
                    [x.decode('utf-8', 'backslashreplace') for x in n] if n else None,
                    [x.decode('cp1252', 'backslashreplace') for x in w] if w else None))
        return differing
    finally:
        shutil.rmtree(work, ignore_errors=True)


def check(args):
    fixtures = generate.load_fixtures(args.fixtures)
    native = Reader('native', [os.path.abspath(args.native)])
    wine = Reader('wine', [WINE_RUN, os.path.abspath(args.windows)])

    tally = Tally()
    started = time.time()
    for first in range(args.first, args.first + args.count, args.chunk):
        count = min(args.chunk, args.first + args.count - first)
        run_chunk(args, tally, native, wine, fixtures, first, count, args.keep)
        print('differential: %d of %d modules done, %.0f s' % (first + count - args.first, args.count,
                                                              time.time() - started), file=sys.stderr)
    text = report(tally, args, time.time() - started)
    print(text)
    if args.report:
        with open(args.report, 'w') as f:
            json.dump({'seed': args.seed, 'first': args.first, 'count': args.count, 'langs': args.langs,
                       'mutations': tally.kinds,
                       'modules': tally.modules,
                       'ours': {l: [[f, k, c] for (f, k), c in t.items()] for l, t in tally.ours.items()},
                       'explained': {l: [[f, k, c] for (f, k), c in t.items()] for l, t in tally.explained.items()},
                       'wine': {l: [[f, k, c] for (f, k), c in t.items()] for l, t in tally.wine.items()},
                       'examples': [[f, k, e] for (f, k), e in tally.examples.items()],
                       'wine_examples': [[f, k, e] for (f, k), e in tally.wine_examples.items()]},
                      f, indent=1, ensure_ascii=False)
    return any(tally.ours.values())


if __name__ == '__main__':
    main()
