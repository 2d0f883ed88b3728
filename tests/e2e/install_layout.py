#!/usr/bin/env python3
"""What users get: "cmake --install" into a scratch prefix must lay down
exactly the programs, their manual pages, the menu entry, the icons, the BMH
document type, the AppStream metadata, the bash completion and the package's
copyright and changelog where desktops and tools look for them;
"cpack -G DEB" must make zelvane_<version>_<arch>.deb holding the same files
under /usr, with its dependencies filled in, which lintian passes with no
error and no warning.

Exit status: 0 passed, 1 failed (also when a tool the checks need is
missing: tools/dev.sh installs them all), 77 skipped (no cmake to install
with)."""

import argparse
import configparser
import email.utils
import gzip
import os
import re
import shlex
import shutil
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

SKIPPED = 77
MIME_NS = '{http://www.freedesktop.org/standards/shared-mime-info}'
MIME_TYPE = 'application/x-zelvane-bmh'
APP_ID = 'io.github.zelvane.Zelvane'
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
DOC_DIR = 'share/doc/zelvane'
COMPLETION = 'share/bash-completion/completions/zelvane-cli'
PROGRAMS = ('zelvane', 'zelvane-cli')
# What zelvane-cli loads to print to a queue, found from its own folder.
MULTIARCH = subprocess.run(['dpkg-architecture', '-qDEB_HOST_MULTIARCH'], capture_output=True,
                           text=True).stdout.strip() if shutil.which('dpkg-architecture') else ''
PRINT_QUEUE_MODULE = f'lib/{MULTIARCH}/zelvane/zelvane-printqueue.so'

EXPECTED_FILES = {
    'bin/zelvane',
    'bin/zelvane-cli',
    PRINT_QUEUE_MODULE,
    'share/man/man1/zelvane.1.gz',
    'share/man/man1/zelvane-cli.1.gz',
    f'share/applications/{APP_ID}.desktop',
    f'share/metainfo/{APP_ID}.metainfo.xml',
    'share/mime/packages/zelvane.xml',
    'share/icons/hicolor/scalable/apps/zelvane.svg',
    COMPLETION,
    f'{DOC_DIR}/copyright',
    f'{DOC_DIR}/changelog.gz',
} | {f'share/icons/hicolor/{s}x{s}/apps/zelvane.png' for s in ICON_SIZES}

# Libraries the program cannot start without; dpkg-shlibdeps must name
# their packages.
REQUIRED_DEPENDS = ('libc6', 'libqt6core6', 'libqt6gui6', 'libqt6widgets6',
                    'libqt6printsupport6', 'libjpeg62-turbo', 'libstdc++6')

# The fonts the window asks for by name (src/gui/dialogs/Fonts.cpp) and Qt's
# translation it loads from Qt 6's translations folder
# (src/gui/app/Translation.cpp): the packages holding them must be
# recommended.
WANTED_FONT_FAMILIES = ('IPAPGothic', 'IPAGothic')
QT_TRANSLATION = 'qtbase_ja.qm'

# Every tool the checks run. A missing one fails the test: it must never
# pass without having looked.
REQUIRED_TOOLS = ('dpkg', 'dpkg-deb', 'dpkg-shlibdeps', 'lintian', 'appstreamcli', 'bash',
                  'desktop-file-validate', 'update-desktop-database', 'update-mime-database',
                  'fc-match', 'dpkg-architecture')
BASH_COMPLETION = '/usr/share/bash-completion/bash_completion'

JAPANESE = re.compile('[\u3040-\u30ff\u4e00-\u9fff\uff66-\uff9f]')


class Failure(Exception):
    pass


def run(*args, cwd=None, env=None, timeout=240):
    done = subprocess.run(list(args), capture_output=True, cwd=cwd, env=env, timeout=timeout)
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


def check_print_queue_module(prefix, work):
    """The installed zelvane-cli loads its print queues' module from where
    it was installed: asked for a queue there is none of, it says so rather
    than that it cannot load the module."""
    document = os.path.join(work, 'queue.BMH')
    code, out, err = program_output(prefix, 'zelvane-cli', 'compose', document, '--size', '8x8')
    if code != 0:
        raise Failure(f'zelvane-cli compose gave {code}: {err}')
    code, out, err = program_output(prefix, 'zelvane-cli', 'print', document,
                                    '--printer', 'ZelvaneNoSuchQueue')
    expected = 'zelvane-cli print: no printer queue named "ZelvaneNoSuchQueue"\n'
    if (code, out, err) != (1, '', expected):
        raise Failure(f'zelvane-cli print --printer gave {code}, {out!r}, {err!r}; expected 1, {expected!r}')


def check_desktop_entry(prefix):
    path = os.path.join(prefix, f'share/applications/{APP_ID}.desktop')
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
    if not JAPANESE.search(comment_ja):
        raise Failure(f'{path}: Comment[ja] holds no Japanese: {comment_ja!r}')
    report = subprocess.run(['desktop-file-validate', path], capture_output=True, text=True)
    if report.returncode != 0 or report.stdout.strip():
        raise Failure(f'desktop-file-validate {path}:\n{report.stdout}{report.stderr}')
    # Renamed after the component id, the entry still opens BMH documents.
    applications = os.path.dirname(path)
    run('update-desktop-database', applications)
    with open(os.path.join(applications, 'mimeinfo.cache'), encoding='utf-8') as f:
        if f'{MIME_TYPE}={APP_ID}.desktop;' not in f.read().split():
            raise Failure(f'update-desktop-database does not map {MIME_TYPE} to {APP_ID}.desktop')
    os.remove(os.path.join(applications, 'mimeinfo.cache'))


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


def bare_environment(**extra):
    """The environment of a build machine or a script: no display, no Qt
    platform chosen."""
    env = {k: v for k, v in os.environ.items()
           if k not in ('DISPLAY', 'WAYLAND_DISPLAY', 'QT_QPA_PLATFORM')}
    env.update(extra)
    return env


def program_output(prefix, program, *args, env=None):
    done = subprocess.run([os.path.join(prefix, 'bin', program), *args], capture_output=True,
                          env=env or bare_environment(), timeout=60)
    return done.returncode, done.stdout.decode('utf-8'), done.stderr.decode('utf-8')


def cli_commands(prefix):
    """The subcommands zelvane-cli --help lists."""
    _, out, _ = program_output(prefix, 'zelvane-cli', '--help')
    listing = re.search(r'\ncommands:\n((?:  \S.*\n)+)', out)
    if not listing:
        raise Failure(f'zelvane-cli --help lists no commands:\n{out}')
    return [line.split()[0] for line in listing.group(1).splitlines()]


def cli_options(prefix, command):
    """The options zelvane-cli COMMAND --help names, and --help itself."""
    _, out, _ = program_output(prefix, 'zelvane-cli', command, '--help')
    return set(re.findall(r'(?<![\w-])--[a-z][a-z-]*', out)) | {'--help'}


def copyright_paragraphs(prefix):
    with open(os.path.join(prefix, DOC_DIR, 'copyright'), encoding='utf-8') as f:
        text = f.read()
    paragraphs = []
    for block in re.split(r'\n\s*\n', text.strip()):
        fields, name = {}, None
        for line in block.splitlines():
            if line.startswith((' ', '\t')) and name:
                fields[name] += '\n' + line.strip()
            elif ':' in line:
                name, value = line.split(':', 1)
                fields[name] = value.strip()
            else:
                raise Failure(f'{DOC_DIR}/copyright: not a field: {line!r}')
        paragraphs.append(fields)
    return paragraphs


def check_copyright(prefix):
    """Debian's machine-readable format: a header, then Files paragraphs
    with a copyright and a licence each, every licence's text given."""
    header, *rest = copyright_paragraphs(prefix)
    if header.get('Format') != 'https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/':
        raise Failure(f'{DOC_DIR}/copyright: Format is {header.get("Format")!r}')
    if header.get('Upstream-Name') != 'Zelvane':
        raise Failure(f'{DOC_DIR}/copyright: Upstream-Name is {header.get("Upstream-Name")!r}')
    files = [p for p in rest if 'Files' in p]
    if not files or files[0]['Files'] != '*':
        raise Failure(f'{DOC_DIR}/copyright: the first Files paragraph must cover "*"')
    texts = {p['License'].split('\n')[0] for p in rest if 'Files' not in p and 'License' in p}
    for paragraph in files:
        if not paragraph.get('Copyright') or not paragraph.get('License'):
            raise Failure(f'{DOC_DIR}/copyright: {paragraph["Files"]} lacks Copyright or License')
        name, _, text = paragraph['License'].partition('\n')
        if not text and name not in texts:
            raise Failure(f'{DOC_DIR}/copyright: licence {name!r} has no text')
    return files[0]['Copyright']


def check_gzip_as_debian_wants(path):
    """gzip -9n: best compression, no name and no time stamp inside."""
    with open(path, 'rb') as f:
        head = f.read(10)
    magic, method, flags, mtime, extra = struct.unpack('<HBBIB', head[:9])
    if magic != 0x8b1f or method != 8:
        raise Failure(f'{path} is not gzip data')
    if flags & 0x08 or mtime != 0:
        raise Failure(f'{path} keeps a file name or time stamp (flags {flags:#x}, mtime {mtime})')
    if extra != 2:
        raise Failure(f'{path} is not compressed with gzip -9 (extra flags {extra})')


def latest_release(prefix, version):
    """The version and date of the changelog's latest entry."""
    path = os.path.join(prefix, DOC_DIR, 'changelog.gz')
    check_gzip_as_debian_wants(path)
    with gzip.open(path, 'rt', encoding='utf-8') as f:
        text = f.read()
    heading = re.match(r'zelvane \(([^)]+)\) \S+; urgency=\w+\n', text)
    trailer = re.search(r'^ -- .+ <[^>]+>  (.+)$', text, re.M)
    if not heading or not trailer:
        raise Failure(f'{path} is not a Debian changelog:\n{text[:300]}')
    if heading.group(1) != version:
        raise Failure(f'{path}: the latest entry is {heading.group(1)}, the project {version}')
    return email.utils.parsedate_to_datetime(trailer.group(1)).date().isoformat()


def check_version_output(prefix, version, copyright_holder):
    """--version and --help need no display: help2man and scripts run them
    on machines without one."""
    for program in PROGRAMS:
        code, out, err = program_output(prefix, program, '--version')
        expected = f'{program} {version}\nCopyright (C) {copyright_holder}\n'
        if (code, out, err) != (0, expected, ''):
            raise Failure(f'{program} --version with no display gave {code}, {out!r}, {err!r}; '
                          f'expected 0, {expected!r}')
        code, out, err = program_output(prefix, program, '--help')
        if code != 0 or not out.startswith(f'Usage: {program} ') or err:
            raise Failure(f'{program} --help with no display gave {code}, {out!r}, {err!r}')
    # Wrong words still get the one usage line, on stderr.
    env = bare_environment(QT_QPA_PLATFORM='offscreen')
    for words in (['--versions'], ['-x'], ['a.BMH', 'b.BMH']):
        code, out, err = program_output(prefix, 'zelvane', *words, env=env)
        if code != 2 or out or err.splitlines()[-1:] != ['usage: zelvane [DOCUMENT.BMH]']:
            raise Failure(f'zelvane {" ".join(words)} gave {code}, {out!r}, {err!r}')


def manual_page(prefix, program):
    path = os.path.join(prefix, f'share/man/man1/{program}.1.gz')
    check_gzip_as_debian_wants(path)
    with gzip.open(path, 'rt', encoding='utf-8') as f:
        return f.read()


def check_manual_pages(prefix, version):
    """Written from the programs: the NAME line, the version, every option
    and, for zelvane-cli, every subcommand with its options."""
    for program in PROGRAMS:
        roff = manual_page(prefix, program)
        escaped = program.replace('-', r'\\?-')
        title = program.upper().replace('-', r'\\?-')
        if not re.search(rf'^\.TH {title} "1" .*"{program} {version}"', roff, re.M):
            raise Failure(f'{program}.1: no .TH line for {program} {version}:\n{roff[:400]}')
        if not re.search(rf'^\.SH NAME\n{escaped} \\- \S', roff, re.M):
            raise Failure(f'{program}.1: no NAME line "{program} \\- ..."')
        for option in ('--help', '--version'):
            if option.replace('-', r'\-') not in roff:
                raise Failure(f'{program}.1 does not describe {option}')
    roff = manual_page(prefix, 'zelvane-cli')
    for command in cli_commands(prefix):
        section = re.search(rf'^\.SS "zelvane\\-cli {command}"\n(.*?)(?=^\.S[SH] |\Z)', roff, re.M | re.S)
        if not section:
            raise Failure(f'zelvane-cli.1 has no section for the command {command}')
        for option in cli_options(prefix, command) - {'--help'}:
            if option.replace('-', r'\-') not in section.group(1):
                raise Failure(f'zelvane-cli.1 does not describe {command} {option}')
    if r'.BR zelvane\-cli (1)' not in manual_page(prefix, 'zelvane'):
        raise Failure('zelvane.1 does not point to zelvane-cli(1)')


def check_metainfo(prefix, version, release_date):
    path = os.path.join(prefix, f'share/metainfo/{APP_ID}.metainfo.xml')
    root = ET.parse(path).getroot()
    lang = '{http://www.w3.org/XML/1998/namespace}lang'
    if root.tag != 'component' or root.get('type') != 'desktop-application':
        raise Failure(f'{path}: root {root.tag} {root.attrib}, expected a desktop-application component')
    if root.findtext('id') != APP_ID:
        raise Failure(f'{path}: id {root.findtext("id")!r}, expected {APP_ID}')
    for tag in ('name', 'summary', 'developer_name'):
        english = [e.text for e in root.findall(tag) if e.get(lang) is None]
        japanese = [e.text for e in root.findall(tag) if e.get(lang) == 'ja']
        if len(english) != 1 or len(japanese) != 1:
            raise Failure(f'{path}: {tag} in English {english} and Japanese {japanese}, one each expected')
    if not JAPANESE.search(root.find('summary[@{http://www.w3.org/XML/1998/namespace}lang="ja"]').text):
        raise Failure(f'{path}: the Japanese summary holds no Japanese')
    paragraphs = root.findall('description/p')
    english = [p for p in paragraphs if p.get(lang) is None]
    japanese = [p for p in paragraphs if p.get(lang) == 'ja']
    if not english or len(japanese) != len(english) \
            or not all(JAPANESE.search(p.text) for p in japanese):
        raise Failure(f'{path}: {len(english)} English and {len(japanese)} Japanese description paragraphs')
    launchable = root.find('launchable')
    if launchable is None or launchable.get('type') != 'desktop-id' \
            or launchable.text != f'{APP_ID}.desktop':
        raise Failure(f'{path}: the launchable is not the installed desktop entry {APP_ID}.desktop')
    if root.findtext('provides/mediatype') != MIME_TYPE:
        raise Failure(f'{path}: does not provide {MIME_TYPE}')
    if sorted(b.text for b in root.findall('provides/binary')) != sorted(PROGRAMS):
        raise Failure(f'{path}: provides binaries {[b.text for b in root.findall("provides/binary")]}')
    rating = root.find('content_rating')
    if rating is None or not rating.get('type', '').startswith('oars-'):
        raise Failure(f'{path}: no OARS content rating')
    releases = [(r.get('version'), r.get('date')) for r in root.findall('releases/release')]
    if releases[:1] != [(version, release_date)]:
        raise Failure(f'{path}: latest release {releases[:1]}, expected {version} of {release_date}')
    if root.find('screenshots') is not None:
        raise Failure(f'{path}: names screenshots, which are not shipped')
    report = subprocess.run(['appstreamcli', 'validate', '--no-net', '--no-color', path],
                            capture_output=True, text=True)
    issues = [line for line in report.stdout.splitlines() if re.match(r'[EWI]: ', line)]
    if report.returncode != 0 or issues:
        raise Failure(f'appstreamcli validate --no-net {path}:\n{report.stdout}{report.stderr}')


# Completion cases: the words on the line (bash splits "=" off as a word of
# its own) and what must be offered. The lists name files of the scratch
# folder below, and "options of X" stands for zelvane-cli X --help's options.
SCRATCH_FILES = ('a.bmh', 'B.BMH', 'twin words.bmh', '画像.BMH', 'c.png', 'd.JPG', 'e.jpeg',
                 'f.bmp', 'g.PNG', 'h.pdf', 'i.PDF', 'j.txt', 'k.bmh.txt')
SCRATCH_FOLDERS = ('sub',)
DOCUMENTS = {'a.bmh', 'B.BMH', 'twin words.bmh', '画像.BMH', 'sub'}
PICTURES = {'c.png', 'd.JPG', 'e.jpeg', 'f.bmp', 'g.PNG', 'sub'}
PDFS = {'h.pdf', 'i.PDF', 'sub'}
COMPLETION_CASES = (
    (['info', ''], DOCUMENTS),
    (['info', 'a'], {'a.bmh'}),
    (['render', ''], DOCUMENTS),
    (['render', 'a.bmh', ''], PICTURES),
    (['render', 'a.bmh', 'c.png', ''], 'options of render'),
    (['compose', ''], DOCUMENTS),
    (['compose', 'o.bmh', '--part', ''], PICTURES),
    (['compose', 'o.bmh', '--part', '=', ''], PICTURES),
    (['compose', '--size', '9x9', ''], DOCUMENTS),
    (['compose', 'o.bmh', '--size', '9x9', ''], 'options of compose'),
    (['compose', 'o.bmh', '--size', ''], set()),
    (['print', 'a.bmh', '--pdf', ''], PDFS),
    (['print', 'a.bmh', '--pdf', '=', 'h'], {'h.pdf'}),
    (['print', '--dpi', '300', ''], DOCUMENTS),
    (['print', '--landscape', ''], DOCUMENTS),
    (['print', 'a.bmh', '--paper', 'A'], {'A3', 'A4', 'A5'}),
    (['print', 'a.bmh', '--'], 'options of print'),
    (['info', '--'], 'options of info'),
    (['nonsense', ''], set()),
)


def complete(prefix, folder, words):
    """What bash-completion offers for zelvane-cli WORDS, the installed
    completion found and loaded as bash-completion finds it when zelvane-cli
    is first completed: through the data folders."""
    line = 'zelvane-cli'
    for before, word in zip(['zelvane-cli', *words], words):
        glued = '=' in (before, word)
        line += ('' if glued else ' ') + (shlex.quote(word) if word else '')
    script = f'''
source {shlex.quote(BASH_COMPLETION)} || exit 3
_completion_loader zelvane-cli
spec=$(complete -p zelvane-cli) || exit 4
function=$(sed -n 's/.* -F \\([^ ]*\\) .*/\\1/p' <<<"$spec")
[[ $function && $function != _minimal ]] || {{ echo "no completion of its own: $spec" >&2; exit 5; }}
COMP_WORDS=({' '.join(shlex.quote(w) for w in ['zelvane-cli', *words])})
COMP_CWORD={len(words)}
COMP_LINE={shlex.quote(line)}
COMP_POINT=${{#COMP_LINE}}
"$function" zelvane-cli {shlex.quote(words[-1])} {shlex.quote((['zelvane-cli'] + words)[-2])}
printf '%s\\0' "${{COMPREPLY[@]}}"
'''
    env = dict(os.environ, XDG_DATA_DIRS=os.path.join(prefix, 'share'),
               BASH_COMPLETION_USER_DIR=os.path.join(folder, 'no-user-completions'))
    done = subprocess.run(['bash', '--norc', '--noprofile', '-c', script], capture_output=True,
                          cwd=folder, env=env, timeout=30)
    if done.returncode != 0:
        raise Failure(f'completing {words} failed ({done.returncode}): {done.stderr.decode()}')
    return {w for w in done.stdout.decode('utf-8').split('\0') if w}


def check_completion(prefix, work):
    if not os.path.isfile(BASH_COMPLETION):
        raise Failure(f'{BASH_COMPLETION} is missing: install bash-completion (tools/dev.sh does)')
    folder = os.path.join(work, 'completion')
    os.makedirs(folder)
    for name in SCRATCH_FILES:
        open(os.path.join(folder, name), 'w').close()
    for name in SCRATCH_FOLDERS:
        os.mkdir(os.path.join(folder, name))
    commands = cli_commands(prefix)
    offered = complete(prefix, folder, [''])
    if offered != set(commands) | {'--help', '--version'}:
        raise Failure(f'zelvane-cli <Tab> offers {sorted(offered)}, the program has {commands}')
    for words, wanted in COMPLETION_CASES:
        if isinstance(wanted, str):
            wanted = cli_options(prefix, wanted.split()[-1])
            if words[-1]:
                wanted = {w for w in wanted if w.startswith(words[-1])}
        offered = complete(prefix, folder, words)
        if offered != wanted:
            raise Failure(f'zelvane-cli {" ".join(words)}<Tab> offers {sorted(offered)}, '
                          f'expected {sorted(wanted)}')


def package_names(field):
    return {re.split(r'[ (]', d.strip(), maxsplit=1)[0]
            for alternatives in field.split(',') for d in alternatives.split('|') if d.strip()}


def owning_package(path):
    out = run('dpkg', '-S', path)
    return out.split(':', 1)[0]


def check_recommends(deb, recommends):
    """Plain recommendations (no alternative stands in for them) of the
    packages that hold Qt's Japanese translation and the fonts the window
    names."""
    groups = [g.strip() for g in recommends.split(',')]
    wanted = {owning_package(f'*/qt6/translations/{QT_TRANSLATION}')}
    for family in WANTED_FONT_FAMILIES:
        found = run('fc-match', '-f', '%{family}\\n%{file}', family).splitlines()
        if len(found) != 2 or family not in found[0].split(','):
            raise Failure(f'fontconfig has no {family} (fonts-ipafont-gothic; tools/dev.sh installs it)')
        # The file may be reached through an alternatives link.
        wanted.add(owning_package(os.path.realpath(found[1])))
    lacking = sorted(wanted - set(groups))
    if lacking:
        raise Failure(f'{deb}: Recommends ({recommends}) lacks {lacking}')


def check_lintian(deb):
    report = subprocess.run(['lintian', '--display-info', '--fail-on', 'error,warning', deb],
                            capture_output=True, text=True, timeout=240)
    tags = [line for line in report.stdout.splitlines() if re.match(r'[A-Z]: ', line)]
    if report.returncode != 0 or any(line[0] in 'EW' for line in tags):
        raise Failure(f'lintian {os.path.basename(deb)} ({report.returncode}):\n'
                      f'{report.stdout}{report.stderr}')
    for line in tags:
        print(f'lintian note: {line}')


def check_package(args, cpack):
    out_dir = os.path.join(args.work, 'deb')
    run(cpack, '-G', 'DEB', '--config', os.path.join(args.build, 'CPackConfig.cmake'), '-B', out_dir)
    arch = run('dpkg', '--print-architecture').strip()
    deb = os.path.join(out_dir, f'zelvane_{args.version}_{arch}.deb')
    if not os.path.isfile(deb):
        raise Failure(f'cpack made {sorted(os.listdir(out_dir))}, not {os.path.basename(deb)}')
    fields = {}
    for name in ('Package', 'Version', 'Architecture', 'Section', 'Depends', 'Recommends',
                 'Maintainer'):
        fields[name] = run('dpkg-deb', '-f', deb, name).strip()
    expected = {'Package': 'zelvane', 'Version': args.version, 'Architecture': arch,
                'Section': 'graphics'}
    for name, value in expected.items():
        if fields[name] != value:
            raise Failure(f'{deb}: {name} is {fields[name]!r}, expected {value!r}')
    depends = package_names(fields['Depends'])
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
    check_recommends(deb, fields['Recommends'])
    check_lintian(deb)
    print(f'{os.path.basename(deb)}: Depends: {fields["Depends"]}')
    print(f'{os.path.basename(deb)}: Recommends: {fields["Recommends"]}')


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

    missing = [t for t in REQUIRED_TOOLS if not shutil.which(t)]
    if missing:
        print(f'FAILED: {", ".join(missing)} not installed (tools/dev.sh installs them)')
        return 1

    shutil.rmtree(args.work, ignore_errors=True)
    prefix = os.path.join(args.work, 'prefix')
    try:
        run(args.cmake, '--install', args.build, '--prefix', prefix)
        check_file_set(files_under(prefix), prefix)
        check_programs(prefix)
        check_print_queue_module(prefix, args.work)
        holder = check_copyright(prefix)
        release_date = latest_release(prefix, args.version)
        check_version_output(prefix, args.version, holder)
        check_manual_pages(prefix, args.version)
        check_completion(prefix, args.work)
        check_desktop_entry(prefix)
        check_metainfo(prefix, args.version, release_date)
        check_icons(prefix)
        check_mime_package(prefix)
        check_package(args, args.cpack)
    except (Failure, ET.ParseError, configparser.Error, KeyError, OSError, ValueError,
            UnicodeDecodeError, struct.error, subprocess.TimeoutExpired) as problem:
        print(f'FAILED: {problem}')
        return 1
    print('passed')
    return 0


if __name__ == '__main__':
    sys.exit(main())
