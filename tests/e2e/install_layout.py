#!/usr/bin/env python3
"""What users get: "cmake --install" into a scratch prefix must lay down
exactly the programs, the menu entry, the icons and the BMH document type
where desktops look for them; "cpack -G DEB" must make
zelvane_<version>_<arch>.deb holding the same files under /usr, with its
library dependencies filled in.

Exit status: 0 passed, 1 failed, 77 skipped (no cmake to install with)."""

import argparse
import configparser
import os
import re
import shutil
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

SKIPPED = 77
MIME_NS = '{http://www.freedesktop.org/standards/shared-mime-info}'
MIME_TYPE = 'application/x-zelvane-bmh'
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)

EXPECTED_FILES = {
    'bin/zelvane',
    'bin/zelvane-cli',
    'share/applications/zelvane.desktop',
    'share/mime/packages/zelvane.xml',
    'share/icons/hicolor/scalable/apps/zelvane.svg',
} | {f'share/icons/hicolor/{s}x{s}/apps/zelvane.png' for s in ICON_SIZES}

# Libraries the program cannot start without; dpkg-shlibdeps must name
# their packages.
REQUIRED_DEPENDS = ('libc6', 'libqt6core6', 'libqt6gui6', 'libqt6widgets6',
                    'libqt6printsupport6', 'libjpeg62-turbo', 'libstdc++6')


class Failure(Exception):
    pass


def run(*args, cwd=None, timeout=240):
    done = subprocess.run(list(args), capture_output=True, cwd=cwd, timeout=timeout)
    if done.returncode != 0:
        raise Failure(f'{" ".join(args)} failed ({done.returncode}):\n'
                      f'{done.stdout.decode(errors="replace")}{done.stderr.decode(errors="replace")}')
    return done.stdout.decode(errors='replace')


def files_under(root):
    found = set()
    for folder, _, names in os.walk(root):
        for name in names:
            found.add(os.path.relpath(os.path.join(folder, name), root))
    return found


def check_file_set(found, where):
    missing = sorted(EXPECTED_FILES - found)
    extra = sorted(found - EXPECTED_FILES)
    if missing or extra:
        raise Failure(f'{where}: missing {missing}, unexpected {extra}')


def check_programs(prefix):
    for name in ('bin/zelvane', 'bin/zelvane-cli'):
        if not os.access(os.path.join(prefix, name), os.X_OK):
            raise Failure(f'{name} is not executable')


def check_desktop_entry(prefix):
    path = os.path.join(prefix, 'share/applications/zelvane.desktop')
    parser = configparser.RawConfigParser(delimiters=('=',), interpolation=None)
    parser.optionxform = str  # keys are case-sensitive
    with open(path, encoding='utf-8') as f:
        parser.read_file(f)
    entry = parser['Desktop Entry']
    wanted = {'Type': 'Application', 'Name': 'Zelvane', 'Exec': 'zelvane %f', 'TryExec': 'zelvane',
              'Icon': 'zelvane', 'Terminal': 'false', 'MimeType': MIME_TYPE + ';'}
    for key, value in wanted.items():
        if entry.get(key) != value:
            raise Failure(f'{path}: {key}={entry.get(key)!r}, expected {value!r}')
    if 'Graphics' not in entry.get('Categories', '').split(';'):
        raise Failure(f'{path}: Categories={entry.get("Categories")!r} lacks Graphics')
    comment, comment_ja = entry.get('Comment', ''), entry.get('Comment[ja]', '')
    if not comment.isascii() or not comment.strip():
        raise Failure(f'{path}: Comment must be an English sentence, is {comment!r}')
    if not re.search('[\u3040-\u30ff\u4e00-\u9fff\uff66-\uff9f]', comment_ja):
        raise Failure(f'{path}: Comment[ja] holds no Japanese: {comment_ja!r}')
    if shutil.which('desktop-file-validate'):
        report = subprocess.run(['desktop-file-validate', path], capture_output=True, text=True)
        if report.returncode != 0 or report.stdout.strip():
            raise Failure(f'desktop-file-validate {path}:\n{report.stdout}{report.stderr}')
    else:
        print('note: desktop-file-validate is not installed; the entry was checked by hand only')


def png_size(path):
    with open(path, 'rb') as f:
        head = f.read(24)
    if head[:8] != b'\x89PNG\r\n\x1a\n' or head[12:16] != b'IHDR':
        raise Failure(f'{path} is not a PNG file')
    return struct.unpack('>II', head[16:24])


def check_icons(prefix):
    hicolor = os.path.join(prefix, 'share/icons/hicolor')
    for size in ICON_SIZES:
        path = os.path.join(hicolor, f'{size}x{size}/apps/zelvane.png')
        if png_size(path) != (size, size):
            raise Failure(f'{path} is {png_size(path)}, expected {size} x {size}')
    svg = ET.parse(os.path.join(hicolor, 'scalable/apps/zelvane.svg')).getroot()
    if svg.tag != '{http://www.w3.org/2000/svg}svg':
        raise Failure(f'the scalable icon is not SVG (root {svg.tag})')


def check_mime_package(prefix):
    path = os.path.join(prefix, 'share/mime/packages/zelvane.xml')
    root = ET.parse(path).getroot()
    types = root.findall(MIME_NS + 'mime-type')
    if [t.get('type') for t in types] != [MIME_TYPE]:
        raise Failure(f'{path} declares {[t.get("type") for t in types]}, expected [{MIME_TYPE}]')
    declared = types[0]
    globs = sorted(g.get('pattern') for g in declared.findall(MIME_NS + 'glob'))
    if globs != ['*.BMH', '*.bmh']:
        raise Failure(f'{path}: globs {globs}, expected *.bmh and *.BMH')
    # The file has no signature: guessing from content would only misfire.
    if declared.find(MIME_NS + 'magic') is not None:
        raise Failure(f'{path}: BMH files have no signature, yet a magic rule is declared')
    icon = declared.find(MIME_NS + 'icon')
    if icon is None or icon.get('name') != 'zelvane':
        raise Failure(f'{path}: the documents should show the program icon "zelvane"')
    if not declared.findall(MIME_NS + 'comment'):
        raise Failure(f'{path}: no comment names the type')

    if not shutil.which('update-mime-database'):
        print('note: update-mime-database is not installed; the package was not compiled')
        return
    mime_dir = os.path.join(prefix, 'share/mime')
    run('update-mime-database', mime_dir)
    with open(os.path.join(mime_dir, 'globs2'), encoding='utf-8') as f:
        lines = [line.strip().split(':') for line in f if not line.startswith('#')]
    patterns = sorted(fields[2] for fields in lines if len(fields) >= 3 and fields[1] == MIME_TYPE)
    # Globs match regardless of case unless marked otherwise, so the database
    # may fold the two into one.
    if not patterns or {p.lower() for p in patterns} != {'*.bmh'}:
        raise Failure(f'the compiled MIME database maps {patterns} to {MIME_TYPE}')
    with open(os.path.join(mime_dir, 'icons'), encoding='utf-8') as f:
        if f'{MIME_TYPE}:zelvane' not in f.read().split():
            raise Failure('the compiled MIME database gives BMH documents no icon')


def check_package(args, cpack):
    missing = [t for t in ('dpkg-deb', 'dpkg-shlibdeps', 'dpkg') if not shutil.which(t)]
    if missing:
        print(f'note: {", ".join(missing)} not installed; the .deb was not built')
        return
    out_dir = os.path.join(args.work, 'deb')
    run(cpack, '-G', 'DEB', '--config', os.path.join(args.build, 'CPackConfig.cmake'), '-B', out_dir)
    arch = run('dpkg', '--print-architecture').strip()
    deb = os.path.join(out_dir, f'zelvane_{args.version}_{arch}.deb')
    if not os.path.isfile(deb):
        raise Failure(f'cpack made {sorted(os.listdir(out_dir))}, not {os.path.basename(deb)}')
    fields = {}
    for name in ('Package', 'Version', 'Architecture', 'Section', 'Depends', 'Maintainer'):
        fields[name] = run('dpkg-deb', '-f', deb, name).strip()
    expected = {'Package': 'zelvane', 'Version': args.version, 'Architecture': arch,
                'Section': 'graphics'}
    for name, value in expected.items():
        if fields[name] != value:
            raise Failure(f'{deb}: {name} is {fields[name]!r}, expected {value!r}')
    depends = {re.split(r'[ (]', d.strip(), maxsplit=1)[0]
               for alternatives in fields['Depends'].split(',')
               for d in alternatives.split('|')}
    lacking = [p for p in REQUIRED_DEPENDS if p not in depends]
    if lacking:
        raise Failure(f'{deb}: Depends ({fields["Depends"]}) lacks {lacking}')
    contents = run('dpkg-deb', '-c', deb).splitlines()
    packaged = {line.split()[-1][len('./usr/'):] for line in contents
                if not line.startswith('d') and line.split()[-1].startswith('./usr/')}
    others = [line for line in contents
              if not line.startswith('d') and not line.split()[-1].startswith('./usr/')]
    if others:
        raise Failure(f'{deb} installs outside /usr: {others}')
    check_file_set(packaged, deb)
    for line in contents:
        mode, owner = line.split()[:2]
        if owner != 'root/root':
            raise Failure(f'{deb}: {line} is not owned by root')
        if line.split()[-1].startswith('./usr/bin/') and not mode.startswith('d') \
                and mode != '-rwxr-xr-x':
            raise Failure(f'{deb}: {line} is not a 0755 program')
    print(f'{os.path.basename(deb)}: Depends: {fields["Depends"]}')


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--build', required=True, help='the configured and built build folder')
    parser.add_argument('--work', required=True, help='scratch folder')
    parser.add_argument('--version', required=True, help='the project version')
    parser.add_argument('--cmake', default='cmake')
    parser.add_argument('--cpack', default='cpack')
    args = parser.parse_args()
    args.work = os.path.abspath(args.work)
    if not shutil.which(args.cmake):
        print(f'SKIPPED: {args.cmake} not found')
        return SKIPPED

    shutil.rmtree(args.work, ignore_errors=True)
    prefix = os.path.join(args.work, 'prefix')
    try:
        run(args.cmake, '--install', args.build, '--prefix', prefix)
        check_file_set(files_under(prefix), prefix)
        check_programs(prefix)
        check_desktop_entry(prefix)
        check_icons(prefix)
        check_mime_package(prefix)
        check_package(args, args.cpack)
    except (Failure, ET.ParseError, configparser.Error, KeyError, OSError) as problem:
        print(f'FAILED: {problem}')
        return 1
    print('passed')
    return 0


if __name__ == '__main__':
    sys.exit(main())
