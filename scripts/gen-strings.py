#!/usr/bin/env python3
"""Builds the seven English string-resource documents.

Collects every resource key whose English text the design documents quote
and writes them, grouped by area, into the documents the library embeds.
Also writes the list of collected keys for the check in the test suite.

usage: gen-strings.py DOC_FOLDER [OUT_FOLDER] [LIST_FILE]
"""
import glob
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

DOCS = [
    # name, header version
    ("qmxrcDesgnEnglish", "1.0"),
    ("qmxrcExportsEnglish", "1.1"),
    ("qmxrcStringsEnglish", "1.0"),
    ("vdxrcClassEnglish", "1.1"),
    ("vdxrcDesgnEnglish", "1.1"),
    ("vdxrcExportsEnglish", "1.1"),
    ("vdxrcInspEnglish", "1.1"),
]

PREFIXED = re.compile(r'^(?:[a-z]{1,6}[A-Z0-9][A-Za-z0-9_]*|S[A-Z][A-Za-z]+)$')
NUMERIC = re.compile(r'^\d{1,4}$')
# Named keys that carry no area prefix.
EXTRA_NAMED = {"PDFexport", "ZPLExtension", "ZPLFilter", "SignatureObjectName", "Input"}

# "key" ("text"), "key" (English "text")
PAT_PAREN = re.compile(r'"([A-Za-z0-9_]+)"\s*\((?:English\s+)?"([^"]*)"\)?')
# key "key", "text" / resource "key": "text"
PAT_COMMA = re.compile(r'\b(?:key|resource|hint|caption|text)\s+(?:key\s+)?"([A-Za-z0-9_]+)"[,:]\s*"([^"]*)"')
# control captions: 5302 "Templates" (a key in parentheses right after wins)
PAT_NUM = re.compile(r'(?<![\w."$/-])(\d{1,4}) "([^"]*)"(\s*\((\d{1,4})\))?')
# "4330" (No Sort): a numeric key with its text in plain parentheses
PAT_NUM_PLAIN = re.compile(r'"(\d{3,4})" \(([A-Z][^()"]*(?:\([^()"]*\))?)\)')
# "text" (4117)
PAT_TEXT_KEY = re.compile(r'"([^"]+)" \((\d{2,4})\)')

WORD_BEFORE = re.compile(r'(key|resource|caption|hint|text|message|string)', re.I)
NUM_SKIP_BEFORE = re.compile(r'(type|bit|to|and|image|images|Image|tag|width|height|page|pages|code|byte|bytes|level|version|of|size|at|by|\+|=|-|x|×)\s*$')


def plausible_key(key, before):
    if NUMERIC.match(key):
        return not key.startswith('0') or key == '0'
    if key in EXTRA_NAMED or re.match(r'^S[A-Z][a-z]', key):
        return True
    if PREFIXED.match(key):
        return bool(WORD_BEFORE.search(before)) or key[:2] in ("cl", "ob", "mb", "xr", "ds", "pr", "db", "SL")
    return False


def collect(doc_folder):
    found = {}   # key -> (text, priority, source)
    conflicts = []

    def add(key, text, prio, where):
        text = text.replace('&#34;', '"')
        if not text or (NUMERIC.match(key) and key.startswith('0')):
            return
        old = found.get(key)
        if old is None or prio < old[1]:
            if old is not None and old[0] != text:
                conflicts.append((key, old[0], text, where))
            found[key] = (text, prio, where)
        elif old[0] != text and old[0].lstrip('!') != text.lstrip('!'):
            conflicts.append((key, old[0], text, where))
        elif old[0] != text and text.startswith('!'):
            # The stored text keeps its "!" marker.
            found[key] = (text, old[1], old[2])

    for path in sorted(glob.glob(os.path.join(doc_folder, 'piece-0*.md'))):
        name = os.path.basename(path)
        with open(path, encoding='utf-8') as f:
            lines = f.read().split('\n')
        for no, line in enumerate(lines, 1):
            where = '%s:%d' % (name, no)
            for m in PAT_PAREN.finditer(line):
                before = line[max(0, m.start() - 60):m.start()]
                key, text = m.group(1), m.group(2)
                if plausible_key(key, before) and not NUMERIC.match(text.strip('"')):
                    add(key, text, 0, where)
            for m in PAT_COMMA.finditer(line):
                key, text = m.group(1), m.group(2)
                if plausible_key(key, 'key'):
                    add(key, text, 0, where)
            for m in PAT_NUM.finditer(line):
                before = line[max(0, m.start() - 12):m.start()]
                key, text = m.group(1), m.group(2)
                if m.group(4):
                    add(m.group(4), text, 1, where)
                    continue
                if NUM_SKIP_BEFORE.search(before):
                    continue
                n = int(key)
                if n < 100 and text not in ("OK", "Cancel"):
                    continue
                if not text or text.startswith(('EMR_', '/', ' ')) or len(text) == 1:
                    continue
                add(key, text, 2, where)
            for m in PAT_NUM_PLAIN.finditer(line):
                if not m.group(2).startswith('Part '):
                    add(m.group(1), m.group(2), 3, where)
            for m in PAT_TEXT_KEY.finditer(line):
                before = line[max(0, m.start() - 30):m.start()]
                if re.search(r'(hint|caption|text)\s*$', before, re.I):
                    add(m.group(2), m.group(1), 1, where)
    return found, conflicts


def doc_for(key, text):
    if NUMERIC.match(key):
        n = int(key)
        if n in (2481, 2482) or 6587 <= n <= 6590:
            return 0  # script debugger captions
        if 8000 <= n <= 9999:
            return 5
        return 4
    if re.match(r'^S[A-Z]', key):
        return 2
    if key.startswith('prop'):
        return 6
    if key in ("PDFexport", "ZPLExtension", "ZPLFilter") or key.startswith(('ex', 'pdf', 'zpl')):
        return 5
    if key.startswith(('ds', 'dt', 'va', 'ag', 'wz', 'dsx')):
        return 4
    return 3


def ansi_ok(text):
    try:
        text.encode('cp1252')
        return True
    except UnicodeEncodeError:
        return False


def escape(text):
    out = []
    for ch in text:
        if ch in '\0\n\r"&<>':
            out.append('&#%d;' % ord(ch))
        else:
            out.append(ch)
    return ''.join(out)


def write_doc(path, version, entries):
    if version == "1.0":
        header = '<?xml version="1.0"?>'
        encoding = 'cp1252'
    else:
        header = '<?xml version="1.1" encoding="utf-8" standalone="yes"?>'
        encoding = 'utf-8'
    lines = [header, '<Resources CodePage="1252">']
    for key, text in entries:
        # Texts are unescaped twice on loading.
        lines.append('  <StrRes Name="%s" Text="%s"/>' % (escape(key), escape(escape(text))))
    lines.append('</Resources>')
    with open(path, 'wb') as f:
        f.write(('\r\n'.join(lines) + '\r\n').encode(encoding))


def sort_key(item):
    key = item[0]
    return (0, int(key), '') if NUMERIC.match(key) else (1, 0, key)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    doc_folder = sys.argv[1]
    out = sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, 'core', 'res', 'strings')
    listing = sys.argv[3] if len(sys.argv) > 3 else os.path.join(ROOT, 'tests', 'data', 'res', 'quoted-keys.txt')
    found, conflicts = collect(doc_folder)
    groups = [[] for _ in DOCS]
    for key, (text, _prio, _where) in sorted(found.items(), key=sort_key):
        d = doc_for(key, text)
        if DOCS[d][1] == "1.0" and not ansi_ok(text):
            d = 4
        groups[d].append((key, text))
    os.makedirs(out, exist_ok=True)
    for (name, version), entries in zip(DOCS, groups):
        write_doc(os.path.join(out, name + '.xml'), version, entries)
    os.makedirs(os.path.dirname(listing), exist_ok=True)
    with open(listing, 'w', encoding='utf-8') as f:
        f.write('# key<TAB>stored text, one line per key quoted in the design documents\n')
        for key, (text, _p, where) in sorted(found.items(), key=sort_key):
            f.write('%s\t%s\n' % (key, text.replace('\t', ' ')))
    for c in conflicts:
        print('conflict: %s: %r vs %r (%s)' % c, file=sys.stderr)
    print('%d keys in %s' % (len(found), ', '.join('%s %d' % (n, len(g)) for (n, _), g in zip(DOCS, groups))))


if __name__ == '__main__':
    main()
