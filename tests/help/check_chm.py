#!/usr/bin/env python3
"""Reads dorvane.chm back and checks it against the program and the guide.

Usage: check_chm.py <dorvane.chm> <resource.h>

- every context id and help topic the program sends (HELPID_* and HELPTOPIC_*
  of resource.h) is in the CHM's context map and names a page inside the CHM;
- every page the contents tree or the index names is inside the CHM;
- every link and image of every page points to a file inside the CHM, and a
  link's #anchor to an id or name on that page;
- the title is "Dorvane Help".
Prints one line per fault and exits 1 when there is any.
"""
import html.parser
import os
import re
import shutil
import subprocess
import sys
import tempfile


def chmls(*args, cwd=None):
    return subprocess.run(['chmls', *args], cwd=cwd, capture_output=True, text=True, errors='replace').stdout


class Links(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.links, self.anchors, self.params = [], set(), []

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        for name in ('id', 'name'):
            if a.get(name) and tag != 'param' and tag != 'meta':
                self.anchors.add(a[name])
        if tag in ('a', 'link') and a.get('href'):
            self.links.append(a['href'])
        if tag in ('img', 'script') and a.get('src'):
            self.links.append(a['src'])
        if tag == 'param' and (a.get('name') or '').lower() == 'local':
            self.params.append(a.get('value', ''))


def parse(text):
    p = Links()
    p.feed(text)
    return p


def main(chm, resource_h):
    faults = []
    names = {line.strip() for line in chmls('-n', 'list', chm).splitlines() if line.startswith('/')}
    pages = {n[1:] for n in names if not n.startswith('/#') and not n.startswith('/$') and '::' not in n}
    if not pages:
        sys.exit(f'{chm}: no pages')

    with tempfile.TemporaryDirectory() as tmp:
        # Every file of the CHM, extracted, so pages are checked as stored.
        chmls('extractall', os.path.abspath(chm), tmp)
        # extractalias writes <name>.h and <name>.ali beside the CHM it reads.
        copy = os.path.join(tmp, 'map.chm')
        shutil.copyfile(chm, copy)
        chmls('extractalias', copy)
        ids = {}
        with open(os.path.join(tmp, 'map.h')) as f:
            for m in re.finditer(r'#define\s+(\S+)\s+(\d+)', f.read()):
                ids[m.group(1)] = int(m.group(2))
        targets = {}
        with open(os.path.join(tmp, 'map.ali')) as f:
            for line in f:
                if '=' in line:
                    symbol, url = line.strip().split('=', 1)
                    targets[ids.get(symbol)] = url

        with open(resource_h) as f:
            wanted = {int(v) for v in re.findall(r'#define\s+HELP(?:ID|TOPIC)_\w+\s+(\d+)', f.read())}
        if not wanted:
            faults.append(f'{resource_h}: no HELPID_/HELPTOPIC_ ids')
        for cid in sorted(wanted):
            url = targets.get(cid)
            if url is None:
                faults.append(f'context id {cid}: not in the context map')
            elif not url.startswith('/') or url[1:] not in pages:
                faults.append(f'context id {cid}: maps to {url}, which is not a page of the CHM')

        def read(name):
            with open(os.path.join(tmp, name), encoding='cp1252', errors='replace') as f:
                return f.read()

        anchors = {p: parse(read(p)).anchors for p in pages if p.endswith('.html')}
        for sitemap in ('contents.hhc', 'index.hhk'):
            if sitemap not in pages:
                faults.append(f'{sitemap}: not in the CHM')
                continue
            for local in parse(read(sitemap)).params:
                if local.split('#')[0] not in pages:
                    faults.append(f'{sitemap}: names {local}, which is not in the CHM')
        for page in sorted(anchors):
            for link in parse(read(page)).links:
                if re.match(r'^[a-z]+:', link, re.I):
                    continue  # http:, mailto: and the like leave the guide
                target, _, anchor = link.partition('#')
                target = target or page
                if target not in pages:
                    faults.append(f'{page}: link to {link}: {target} is not in the CHM')
                elif anchor and anchor not in anchors.get(target, set()):
                    faults.append(f'{page}: link to {link}: no anchor "{anchor}" on {target}')

    system = chmls('printsystem', chm)
    if 'Dorvane Help' not in system:
        faults.append('the title "Dorvane Help" is not in #SYSTEM')

    for fault in faults:
        print(fault)
    html_pages = sum(1 for p in pages if p.endswith('.html'))
    print(f'{chm}: {os.path.getsize(chm)} bytes, {html_pages} topics, {len(targets)} context ids, {len(faults)} faults')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:3]))
