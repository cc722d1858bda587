#!/usr/bin/env python3
"""Makes modules with mutated version resources, for the differential check
of our version reader against Windows' own (run.py).

Each module is a copy of one of the test modules (PE32 or PE32+) whose
resource section is rebuilt from scratch, or a 16-bit NE module built
whole. Every module gets a random but well-formed shape (languages under
RT_VERSION, string tables, translations, texts in several scripts) and one
mutation that breaks a single rule of the formats: a length, a key, the
padding, a directory entry, a header field, a truncation at a structure
boundary. Module i of seed s is the same on every run (for the same test
modules), so one module can be made again alone (--only).

    generate.py --fixtures DIR --out DIR --count N --seed S [--first K | --only I...]

writes the modules and adds a line per module to manifest.tsv in --out:
name, test module used ("-" for NE), format, then the mutation followed by
the shape's traits.
"""

import argparse
import os
import random
import struct
import sys

# ---------------------------------------------------------------------------
# Texts

TEXTS = {
    'ascii': ['Modaris Ltd', 'Contoso Corporation', 'A', '', 'Acme, Inc. (R)', 'x' * 150],
    'latin1': ['Müller & Söhne GmbH', 'Société Générale', 'Ærøskøbing Å/S', '© Ünïcödé ±µ¶'],
    'cp1252': ['“Smart” Quotes – € Ltd', 'Œuvre™ Šarl', '‰ Per Mille • Bullet'],
    'bestfit': ['Łódź Ŝoftware', 'Ĉeĥa Ŝtato Ltd'],
    'cyrillic': ['ООО «Ромашка»', 'Яндекс'],
    'cjk': ['株式会社モダリス', '微软（中国）有限公司', '한국 회사'],
    'surrogate': ['Lone \ud800 high', 'Lone \udc00 low', 'Pair \U0001F600 emoji', 'Ends \ud83d'],
}

# Narrow texts of NE modules: bytes in whatever code page the writer used.
NARROW_TEXTS = {
    'ascii': [b'Modaris Ltd', b'', b'Old 16-bit Corp.'],
    'latin1': ['Müller & Söhne'.encode('cp1252'), '“Quoted” €'.encode('cp1252')],
    'cyrillic': ['Ромашка'.encode('cp1251')],
    'cjk': ['株式会社'.encode('shift_jis')],
}

LANGUAGES = [0x0000, 0x0409, 0x0407, 0x0C07, 0x0007, 0x0009, 0x0809, 0x0411, 0x0419, 0x040C,
             0x0400, 0x0800, 0x007F, 0x0001]
CODE_PAGES = [0x04B0, 0x04E4, 0x0000, 0x03A4, 0x04E3]
OTHER_STRINGS = ['FileVersion', 'ProductName', 'FileDescription', 'LegalCopyright', 'ProductVersion']


def utf16(text):
    return text.encode('utf-16-le', 'surrogatepass')


# ---------------------------------------------------------------------------
# Version blocks: a tree of nodes, written in the 32-bit (wide) or the
# 16-bit (narrow) layout.

class Node:
    def __init__(self, key, value=b'', text=False, children=None):
        self.key = key            # str; may hold a NUL of its own
        self.value = value        # bytes as written
        self.text = text          # wType 1
        self.children = children or []
        self.value_length = None  # wValueLength when not the natural one
        self.terminated = True    # key followed by its NUL
        self.pad = 4              # the writer's alignment for this node

    def natural_value_length(self, wide):
        return len(self.value) // 2 if wide and self.text else len(self.value)


def align(buf, modulus):
    while len(buf) % modulus:
        buf.append(0)


def write_block(root, wide):
    """The block's bytes and, per node, where its parts begin and end."""
    buf = bytearray()
    marks = []

    def emit(node, path):
        start = len(buf)
        buf.extend(b'\0' * (6 if wide else 4))
        key = utf16(node.key) if wide else node.key.encode('latin-1', 'replace')
        buf.extend(key)
        if node.terminated:
            buf.extend(b'\0\0' if wide else b'\0')
        key_end = len(buf)
        align(buf, node.pad)
        value_start = len(buf)
        buf.extend(node.value)
        value_end = len(buf)
        for child in node.children:
            align(buf, node.pad)
            emit(child, path + '/' + child.key)
        end = len(buf)
        value_length = node.natural_value_length(wide) if node.value_length is None else node.value_length
        struct.pack_into('<HH', buf, start, (end - start) & 0xFFFF, value_length & 0xFFFF)
        if wide:
            struct.pack_into('<H', buf, start + 4, 1 if node.text else 0)
        marks.append({'path': path, 'start': start, 'key_end': key_end, 'value_start': value_start,
                      'value_end': value_end, 'end': end, 'text': node.text})

    emit(root, root.key)
    marks.sort(key=lambda m: m['start'])
    return buf, marks


def fixed_file_info(file_ms, file_ls, product_ms, product_ls, signature=0xFEEF04BD):
    return struct.pack('<13I', signature, 0x00010000, file_ms, file_ls, product_ms, product_ls,
                       0x3F, 0, 0x00040004, 2, 0, 0, 0)


def text_node(key, text, wide, rng):
    if wide:
        value = utf16(text) + b'\0\0'
    else:
        value = text + b'\0'
    node = Node(key, value, text=True)
    # rc counts the NUL; some writers do not.
    if rng.random() < 0.15:
        node.value_length = node.natural_value_length(wide) - 1
    return node


def pick_text(rng, wide):
    pool = TEXTS if wide else NARROW_TEXTS
    script = rng.choice(sorted(pool))
    return script, rng.choice(pool[script])


def make_tree(rng, wide, tag, kinds):
    """A well-formed version block; `tag` goes into the product version so
    that the output tells which of several blocks was read."""
    versions = [rng.choice([0, 0x00010002, 0x00060001, 0xFFFFFFFF, rng.getrandbits(32)]) for _ in range(2)]
    root = Node('VS_VERSION_INFO', fixed_file_info(versions[0], versions[1], tag, rng.getrandbits(32)))

    table_count = rng.choice([0, 1, 1, 1, 2, 2, 3])
    translations = []
    tables = []
    scripts = set()
    for _ in range(table_count):
        language, code_page = rng.choice(LANGUAGES), rng.choice(CODE_PAGES)
        translations.append((language, code_page))
        key = '%04x%04x' % (language, code_page)
        if rng.random() < 0.3:
            key = key.upper()
        strings = []
        if rng.random() < 0.85:
            script, text = pick_text(rng, wide)
            scripts.add(script)
            strings.append(text_node('CompanyName', text, wide, rng))
        for name in rng.sample(OTHER_STRINGS, rng.randint(0, 3)):
            strings.append(text_node(name, '1.2.3.4' if wide else b'1.2.3.4', wide, rng))
        rng.shuffle(strings)
        tables.append(Node(key, children=strings))
    kinds.append('tables%d' % table_count)
    kinds.extend('text-' + s for s in sorted(scripts))

    # The translation table mostly names the tables, sometimes others too,
    # in another order, or none at all.
    if rng.random() < 0.3:
        translations.append((rng.choice(LANGUAGES), rng.choice(CODE_PAGES)))
    if rng.random() < 0.3:
        rng.shuffle(translations)
    if rng.random() < 0.1:
        translations = []
    children = []
    if tables or rng.random() < 0.5:
        children.append(Node('StringFileInfo', children=tables))
    if translations or rng.random() < 0.5:
        pairs = b''.join(struct.pack('<HH', l, c) for l, c in translations)
        children.append(Node('VarFileInfo', children=[Node('Translation', pairs)]))
    if rng.random() < 0.2:
        children.reverse()
    root.children = children
    return root


# ---------------------------------------------------------------------------
# Mutations of a version block. Model mutations change the tree before it is
# written; byte mutations change the written block at a node's fields.

def all_nodes(node):
    yield node
    for child in node.children:
        yield from all_nodes(child)


def mutate_key_case(rng, root, wide):
    node = rng.choice(list(all_nodes(root)))
    node.key = rng.choice([node.key.upper(), node.key.lower(), node.key.swapcase()])


def mutate_key_fold(rng, root, wide):
    # Letters whose Unicode lower case is an ASCII letter, and look-alikes
    # that fold to nothing ASCII.
    swaps = {'i': '\u0130', 'I': '\u0130', 'K': '\u212A', 'k': '\u212A', 's': '\u017F', 'C': '\uFF23'}
    candidates = [n for n in all_nodes(root) if any(c in swaps for c in n.key)]
    if candidates:
        node = rng.choice(candidates)
        positions = [i for i, c in enumerate(node.key) if c in swaps]
        i = rng.choice(positions)
        node.key = node.key[:i] + swaps[node.key[i]] + node.key[i + 1:]


def mutate_key_partial(rng, root, wide):
    node = rng.choice(list(all_nodes(root))[1:] or [root])
    node.key = rng.choice([node.key[:-1], node.key + 'X', node.key + '\0junk', ' ' + node.key, node.key + ' '])


def mutate_key_unterminated(rng, root, wide):
    rng.choice(list(all_nodes(root))).terminated = False


def mutate_odd_padding(rng, root, wide):
    nodes = list(all_nodes(root))
    for node in rng.sample(nodes, rng.randint(1, len(nodes))):
        node.pad = rng.choice([1, 2])


def mutate_value_length(rng, root, wide):
    node = rng.choice(list(all_nodes(root)))
    natural = node.natural_value_length(wide)
    node.value_length = rng.choice([0, 1, natural - 1, natural + 1, natural * 2, 26, 51, 53, 0xFFFF,
                                    rng.getrandbits(16)]) & 0xFFFF


def mutate_value_type(rng, root, wide):
    nodes = list(all_nodes(root))
    node = rng.choice([n for n in nodes if n.text] or nodes)
    node.text = not node.text


def mutate_fixed_info(rng, root, wide):
    value = bytearray(root.value)
    choice = rng.randrange(3)
    if choice == 0:
        struct.pack_into('<I', value, 0, rng.getrandbits(32))  # the signature
    elif choice == 1:
        value = value[:rng.choice([0, 4, 48, 51])]
    else:
        value += bytes(rng.choice([4, 12]))
    root.value = bytes(value)


def mutate_translations(rng, root, wide):
    for node in all_nodes(root):
        if node.key == 'Translation':
            count = rng.choice([0, 1, 8, 200])
            pairs = b''.join(struct.pack('<HH', rng.choice(LANGUAGES), rng.choice(CODE_PAGES))
                             for _ in range(count))
            node.value = pairs + bytes(rng.choice([0, 0, 1, 2, 3]))


def mutate_duplicates(rng, root, wide):
    # A second node of the same key: the first one counts.
    parents = [n for n in all_nodes(root) if n.children]
    if parents:
        parent = rng.choice(parents)
        twin = rng.choice(parent.children)
        copy = Node(twin.key, twin.value, twin.text, list(twin.children))
        if copy.text:
            copy.value = (utf16('Twin Ltd') + b'\0\0') if wide else b'Twin Ltd\0'
        parent.children.insert(rng.randint(0, len(parent.children)), copy)


MODEL_MUTATIONS = {
    'key-case': mutate_key_case,
    'key-fold': mutate_key_fold,
    'key-partial': mutate_key_partial,
    'key-unterminated': mutate_key_unterminated,
    'odd-padding': mutate_odd_padding,
    'value-length': mutate_value_length,
    'value-type': mutate_value_type,
    'fixed-info': mutate_fixed_info,
    'translations': mutate_translations,
    'duplicates': mutate_duplicates,
}


def boundaries(marks):
    points = set()
    for m in marks:
        for field in ('start', 'key_end', 'value_start', 'value_end', 'end'):
            points.add(m[field])
        points.update((m['start'] + 2, m['start'] + 4, m['start'] + 6))
    return sorted(points)


def byte_wlength(rng, block, marks):
    m = rng.choice(marks)
    natural = m['end'] - m['start']
    value = rng.choice([0, 1, 2, 4, 5, 6, m['key_end'] - m['start'] - 1, m['value_start'] - m['start'],
                        m['value_end'] - m['start'] - 1, natural - 1, natural + 1, natural + 2,
                        natural + 4, natural + 100, 0xFFFF, rng.getrandbits(16)])
    struct.pack_into('<H', block, m['start'], value & 0xFFFF)


def byte_flip(rng, block, marks):
    for _ in range(rng.randint(1, 4)):
        block[rng.randrange(len(block))] = rng.getrandbits(8)


def byte_zero_tail(rng, block, marks):
    cut = rng.choice(boundaries(marks)) + rng.randint(-1, 1)
    for i in range(max(cut, 0), len(block)):
        block[i] = 0


BYTE_MUTATIONS = {
    'wlength': byte_wlength,
    'byte-flip': byte_flip,
    'zero-tail': byte_zero_tail,
}


# ---------------------------------------------------------------------------
# PE modules: a fixture with a fresh resource section in place of its last one.

class PeFixture:
    def __init__(self, path):
        self.name = os.path.basename(path)
        with open(path, 'rb') as f:
            self.data = f.read()
        d = self.data
        self.pe = struct.unpack_from('<I', d, 60)[0]
        self.sections, self.opt_size = struct.unpack_from('<H12xH', d, self.pe + 6)
        self.opt = self.pe + 24
        self.magic = struct.unpack_from('<H', d, self.opt)[0]
        self.dirs = self.opt + (96 if self.magic == 0x10B else 112)
        self.section_align, self.file_align = struct.unpack_from('<II', d, self.opt + 32)
        self.table = self.opt + self.opt_size
        rva = struct.unpack_from('<I', d, self.dirs + 16)[0]
        self.rsrc = None
        for i in range(self.sections):
            at = self.table + 40 * i
            va, vsize, raw_size, raw = self._section(at)
            if rva and va <= rva < va + max(vsize, raw_size):
                self.rsrc = at
        last = self.table + 40 * (self.sections - 1)
        if self.rsrc != last or rva != self._section(last)[0]:
            self.rsrc = None  # only a last section is rebuilt

    def _section(self, at):
        vsize, va, raw_size, raw = struct.unpack_from('<IIII', self.data, at + 8)
        return va, vsize, raw_size, raw

    def usable(self):
        return self.rsrc is not None

    def with_resources(self, section):
        """The module with `section` as its resource section, at the place
        and address of the old one."""
        va, _, _, raw = self._section(self.rsrc)
        out = bytearray(self.data[:raw])
        out.extend(section)
        align(out, self.file_align)
        struct.pack_into('<IIII', out, self.rsrc + 8, len(section), va, len(out) - raw, raw)
        size_of_image = (va + len(section) + self.section_align - 1) // self.section_align * self.section_align
        struct.pack_into('<I', out, self.opt + 56, size_of_image)
        struct.pack_into('<II', out, self.dirs + 16, va, len(section))
        return out


def write_resources(types, va):
    """A resource section for `types`: [[type id, [[name id, [[language,
    data, extras]]]]]], each list in the order it is written. Directories come
    first, then the names' strings, the data entries and the data. Extras
    may give a language entry the directory flag ('dir') or its data entry
    another 'rva' or 'size'. Returns the section, the offsets where its
    structures begin and end, and where each data block starts."""
    def directory_size(entries):
        return 16 + 8 * len(entries)

    position = directory_size(types)
    name_dirs, lang_dirs = [], {}
    for t, (_, names) in enumerate(types):
        name_dirs.append(position)
        position += directory_size(names)
    for t, (_, names) in enumerate(types):
        for n, (_, langs) in enumerate(names):
            lang_dirs[t, n] = position
            position += directory_size(langs)
    strings = {}
    for entry_id in [t[0] for t in types] + [n[0] for t in types for n in t[1]]:
        if isinstance(entry_id, str) and entry_id not in strings:
            strings[entry_id] = position
            position += 2 + 2 * len(entry_id)
    position = (position + 3) // 4 * 4
    data_entries, blobs = {}, {}
    for key in lang_dirs:
        for l in range(len(types[key[0]][1][key[1]][1])):
            data_entries[key + (l,)] = position
            position += 16
    for key in data_entries:
        position = (position + 7) // 8 * 8
        blobs[key] = position
        position += len(types[key[0]][1][key[1]][1][key[2]][1])

    out = bytearray(position)
    marks = set()

    def directory(at, entries, offsets, flags):
        named = sum(1 for e in entries if isinstance(e[0], str))
        struct.pack_into('<IIHHHH', out, at, 0, 0, 0, 0, named, len(entries) - named)
        for i, (entry, offset, flag) in enumerate(zip(entries, offsets, flags)):
            name = strings[entry[0]] | 0x80000000 if isinstance(entry[0], str) else entry[0]
            struct.pack_into('<II', out, at + 16 + 8 * i, name, offset | (0x80000000 if flag else 0))
        marks.update((at, at + 16, at + directory_size(entries)))

    directory(0, types, name_dirs, [True] * len(types))
    for t, (_, names) in enumerate(types):
        directory(name_dirs[t], names, [lang_dirs[t, n] for n in range(len(names))], [True] * len(names))
        for n, (_, langs) in enumerate(names):
            directory(lang_dirs[t, n], langs, [data_entries[t, n, l] for l in range(len(langs))],
                      [lang[2].get('dir', False) for lang in langs])
            for l, (_, data, extras) in enumerate(langs):
                at = data_entries[t, n, l]
                rva = extras.get('rva', va + blobs[t, n, l])
                size = extras.get('size', len(data))
                struct.pack_into('<IIII', out, at, rva & 0xFFFFFFFF, size & 0xFFFFFFFF, 0, 0)
                out[blobs[t, n, l]:blobs[t, n, l] + len(data)] = data
                marks.update((at, at + 16, blobs[t, n, l], blobs[t, n, l] + len(data)))
    for text, at in strings.items():
        struct.pack_into('<H', out, at, len(text))
        out[at + 2:at + 2 + 2 * len(text)] = utf16(text)
    return out, sorted(marks), blobs


def version_languages(rng, kinds):
    count = rng.choice([1, 1, 1, 2, 2, 3, 4])
    languages = rng.sample(LANGUAGES, count)
    if count > 1:
        kinds.append('langs%d' % count)
    return languages


def sort_entries(entries):
    named = [e for e in entries if isinstance(e[0], str)]
    numbered = sorted((e for e in entries if not isinstance(e[0], str)), key=lambda e: e[0])
    return named + numbered


def make_pe(rng, fixture, kinds):
    wide = True
    languages = version_languages(rng, kinds)
    blocks = []
    block_marks = None
    mutation = pick_mutation(rng, kinds, PE_MUTATIONS)
    for index, language in enumerate(languages):
        tree = make_tree(rng, wide, (index + 1) << 16 | language, kinds if index == 0 else [])
        if mutation in MODEL_MUTATIONS and index == 0:
            MODEL_MUTATIONS[mutation](rng, tree, wide)
        if rng.random() < 0.05 and index == 0:
            wide = False  # a 16-bit block in a PE module
            kinds.append('narrow-block')
            tree = make_tree(rng, False, (index + 1) << 16 | language, [])
        block, marks = write_block(tree, wide)
        wide = True
        if mutation in BYTE_MUTATIONS and index == 0:
            BYTE_MUTATIONS[mutation](rng, block, marks)
        if index == 0:
            block_marks = marks
        blocks.append([language, bytes(block), {}])

    versions = [1, blocks]
    names = [versions]
    types = [[16, names]]
    if rng.random() < 0.5:
        types.append([24, [[1, [[0x0409, b'<assembly/>', {}]]]]])
    if rng.random() < 0.3:
        types.append([6, [[1, [[0x0409, bytes(32), {}]]]]])
    if rng.random() < 0.1:
        types.append(['MUI', [[1, [[0, bytes(16), {}]]]]])

    first = blocks[0]
    if mutation == 'lang-order':
        rng.shuffle(blocks)
    else:
        blocks.sort(key=lambda b: b[0])
    if mutation == 'lang-dir-flag':
        rng.choice(blocks)[2]['dir'] = True
    if mutation == 'name-id':
        choice = rng.randrange(4)
        if choice == 0:
            versions[0] = 2
        elif choice == 1:
            names.append([2, [[0x0409, blocks[-1][1], {}]]])
        elif choice == 2:
            names.insert(0, ['VS_VERSION_INFO', [[0x0409, blocks[-1][1], {}]]])
        else:
            versions[0] = 'VS_VERSION_INFO'
    if mutation == 'type-order':
        types.append([3, [[1, [[0, bytes(40), {}]]]]])
        types.append([16, [[1, [[0, first[1], {}]]]]])  # a second RT_VERSION entry
        rng.shuffle(types)
    else:
        types = sort_entries(types)
    if mutation == 'data-size':
        first[2]['size'] = rng.choice([0, 1, 5, 6, len(first[1]) - 1, len(first[1]) + 1,
                                       len(first[1]) + 200, 0x10000, 0x7FFFFFFF, 0xFFFFFFFF])
    if mutation == 'truncate-size':
        first[2]['size'] = max(0, rng.choice(boundaries(block_marks)) + rng.randint(-1, 1))
    va, _, _, raw = fixture._section(fixture.rsrc)
    if mutation == 'data-rva':
        first[2]['rva'] = rng.choice([0, 0x1000, va - 4, va + 0x100000, 0xFFFFFFF0, rng.getrandbits(32)])
    section, rmarks, blobs = write_resources(types, va)
    first_at = next(blobs[t, n, l] for t, (_, names) in enumerate(types) for n, (_, langs) in enumerate(names)
                    for l, lang in enumerate(langs) if lang is first)

    out = fixture.with_resources(section)
    rsrc_at, vsize = raw, len(section)

    if mutation == 'dir-size':
        struct.pack_into('<I', out, fixture.dirs + 20, rng.choice([0, 1, 16, 0x7FFFFFFF]))
    if mutation == 'raw-size':
        struct.pack_into('<I', out, fixture.rsrc + 16, rng.choice([0, 16, vsize // 2, vsize - 1]))
    if mutation == 'pe-signature':
        out[fixture.pe + 2:fixture.pe + 4] = rng.choice([b'\0\1', b'XX', b'E\0'])
    if mutation == 'rva-count':
        struct.pack_into('<I', out, fixture.dirs - 4, rng.choice([0, 1, 2, 3]))
    if mutation == 'optional-magic':
        struct.pack_into('<H', out, fixture.opt, 0x20B if fixture.magic == 0x10B else 0x10B)
    if mutation in ('truncate-file', 'truncate-block'):
        if mutation == 'truncate-file':
            cut = rsrc_at + rng.choice(rmarks)
        else:
            cut = rsrc_at + first_at + rng.choice(boundaries(block_marks))
        del out[max(cut + rng.randint(-2, 2), 0):]
    return bytes(out)


# ---------------------------------------------------------------------------
# NE modules, built whole: MS-DOS header, NE header, resource table,
# resident names, then the resources at their alignment.

def make_ne(rng, kinds):
    mutation = pick_mutation(rng, kinds, NE_MUTATIONS)
    tree = make_tree(rng, False, 0x00100000 | 0x8001, kinds)
    wide = False
    if mutation == 'wide-block':
        tree = make_tree(rng, True, 0x00200000 | 0x8001, [])
        wide = True
    elif mutation in MODEL_MUTATIONS:
        MODEL_MUTATIONS[mutation](rng, tree, False)
    block, marks = write_block(tree, wide)
    if mutation in BYTE_MUTATIONS:
        BYTE_MUTATIONS[mutation](rng, block, marks)
    if mutation == 'first-key-byte':
        block[4] = rng.choice([0x01, 0x1F, 0x20, 0x7F, 0x80, 0xC0])

    shift = rng.choice([0, 1, 4, 4, 4, 9])
    if mutation == 'shift':
        shift = rng.choice([0, 2, 12, 15, 16, 20, 24, 31, 32, 33, 40, 0xFFFF])
    lfanew = rng.choice([0x40, 0x80])
    groups = []
    if rng.random() < 0.5:
        groups.append([0x8003, [0x8001]])   # an icon before it
    version_ids = [0x8001]
    if mutation == 'version-id':
        version_ids = rng.choice([[0x8002], [0x0001], [0x8002, 0x8001], [0x8001, 0x8001]])
    groups.append([0x8010, version_ids])
    if mutation == 'groups':
        choice = rng.randrange(3)
        if choice == 0:
            groups.insert(0, [0x8010, [0x8002]])  # the first group of the type counts
        elif choice == 1:
            groups.insert(0, [0x8006, []])
        else:
            groups.append([0x8010, [0x8001]])

    table = bytearray(struct.pack('<H', shift & 0xFFFF))
    entry_spots = []
    for type_id, ids in groups:
        table.extend(struct.pack('<HHI', type_id, len(ids), 0))
        for rid in ids:
            entry_spots.append((len(table), type_id, rid))
            table.extend(bytes(12))
    if mutation != 'no-terminator':
        table.extend(b'\0\0')
    names = b'\x06MODULE\0\0\0'

    header_end = lfanew + 64
    table_at = header_end
    names_at = table_at + len(table)
    data_at = names_at + len(names)
    unit = 1 << min(shift, 12) if shift <= 31 else 1
    data_at = (data_at + unit - 1) // unit * unit
    # The data fills whole units, as a linker writes it.
    blob = bytes(block) + bytes(-len(block) % unit)
    length_units = len(blob) // unit
    for spot, type_id, rid in entry_spots:
        units = data_at // unit
        length = length_units
        if type_id != 0x8010:
            length = 1
        if mutation == 'entry' and type_id == 0x8010:
            choice = rng.randrange(4)
            if choice == 0:
                length = rng.choice([0, 1, 13 // unit if unit < 13 else 0, length_units + 1, 0xFFFF])
            elif choice == 1:
                units = rng.choice([0, 0xFFFF, units + 1])
            elif choice == 2:
                length = max(length_units - 1, 0)
            else:
                units, length = rng.getrandbits(16), rng.getrandbits(16)
        struct.pack_into('<HHHHHH', table, spot, units & 0xFFFF, length & 0xFFFF, 0x0C50, rid, 0, 0)

    out = bytearray(data_at + len(blob))
    out[0:2] = b'MZ'
    struct.pack_into('<H', out, 24, rng.choice([0x40, 0x1E, 0]))
    struct.pack_into('<I', out, 60, lfanew)
    restab = names_at - lfanew
    rsrctab = table_at - lfanew
    if mutation == 'table-bounds':
        # Not below rsrctab: Windows then allocates 4 GiB and takes 20 s (wine-faults/).
        restab = rng.choice([rsrctab, rsrctab + 1, rsrctab + 2, rsrctab + 9,
                             rsrctab + len(table) - 2, rsrctab + len(table) + 40])
    ne = struct.pack('<2sBBHHIHHHHHHIIHHHHHHIHHHHBBHHHH', b'NE', 5, 1, names_at - lfanew + len(names), 0, 0,
                     0x0302, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                     rsrctab & 0xFFFF, restab & 0xFFFF, names_at - lfanew + len(names), names_at - lfanew + len(names),
                     0, 0, 0, 9, 0, 2, 0, 0, 0, 0, 0x030A)
    out[lfanew:lfanew + 64] = ne.ljust(64, b'\0')
    out[table_at:table_at + len(table)] = table
    out[names_at:names_at + len(names)] = names
    out[data_at:] = blob
    if mutation == 'truncate-file':
        points = [0, 64, lfanew + 2, header_end, table_at + 2, names_at, data_at]
        points += [data_at + p for p in boundaries(marks)]
        del out[max(rng.choice(points) + rng.randint(-1, 1), 0):]
    return bytes(out)


# ---------------------------------------------------------------------------

# Mutation kinds and their weights.
PE_MUTATIONS = {
    'none': 2, 'key-case': 3, 'key-fold': 2, 'key-partial': 3, 'key-unterminated': 3, 'odd-padding': 3,
    'value-length': 5, 'value-type': 3, 'fixed-info': 2, 'translations': 2, 'duplicates': 2,
    'wlength': 6, 'byte-flip': 4, 'zero-tail': 3,
    'lang-order': 4, 'lang-dir-flag': 2, 'name-id': 2, 'type-order': 2, 'data-size': 3,
    'truncate-size': 4, 'data-rva': 2, 'dir-size': 2, 'raw-size': 2, 'pe-signature': 3,
    'rva-count': 1, 'optional-magic': 1, 'truncate-file': 3, 'truncate-block': 3,
}
NE_MUTATIONS = {
    'none': 2, 'key-case': 1, 'key-partial': 1, 'key-unterminated': 1, 'odd-padding': 1,
    'value-length': 2, 'fixed-info': 1, 'translations': 1, 'wlength': 2, 'byte-flip': 2, 'zero-tail': 1,
    'wide-block': 1, 'first-key-byte': 1, 'shift': 2, 'version-id': 1, 'groups': 1, 'no-terminator': 1,
    'entry': 2, 'table-bounds': 2, 'truncate-file': 2,
}


def pick_mutation(rng, kinds, table):
    names = sorted(table)
    mutation = rng.choices(names, weights=[table[n] for n in names])[0]
    kinds.insert(0, mutation)
    return mutation


def make_module(seed, index, fixtures):
    """(name, bytes, fixture, format, kinds) of module `index`."""
    rng = random.Random('%s:%d' % (seed, index))
    kinds = []
    if rng.random() < 0.12:
        data = make_ne(rng, kinds)
        fixture, fmt, ext = '-', 'ne', 'dll'
    else:
        fixture_obj = rng.choice(fixtures)
        data = make_pe(rng, fixture_obj, kinds)
        fixture, fmt = fixture_obj.name, 'pe32' if fixture_obj.magic == 0x10B else 'pe32+'
        ext = fixture_obj.name.rsplit('.', 1)[1]
    name = 's%s_%07d.%s' % (seed, index, ext)
    return name, data, fixture, fmt, kinds


def load_fixtures(folder):
    fixtures = []
    for entry in sorted(os.listdir(folder)):
        if entry.lower().endswith(('.dll', '.exe')):
            fixture = PeFixture(os.path.join(folder, entry))
            if fixture.usable():
                fixtures.append(fixture)
    if not fixtures:
        sys.exit('generate: no usable test modules in %s' % folder)
    return fixtures


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--fixtures', required=True)
    parser.add_argument('--out', required=True)
    parser.add_argument('--seed', required=True)
    parser.add_argument('--count', type=int, default=1000)
    parser.add_argument('--first', type=int, default=0)
    parser.add_argument('--only', type=int, nargs='*', help='make only these module numbers')
    args = parser.parse_args()
    fixtures = load_fixtures(args.fixtures)
    os.makedirs(args.out, exist_ok=True)
    indices = args.only if args.only else range(args.first, args.first + args.count)
    with open(os.path.join(args.out, 'manifest.tsv'), 'a') as manifest:
        for index in indices:
            name, data, fixture, fmt, kinds = make_module(args.seed, index, fixtures)
            with open(os.path.join(args.out, name), 'wb') as f:
                f.write(data)
            manifest.write('%s\t%s\t%s\t%s\n' % (name, fixture, fmt, ','.join(kinds)))


if __name__ == '__main__':
    main()
