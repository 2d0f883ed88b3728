#!/usr/bin/env python3
"""A person's session with Zelvane on a real X display.

Starts Xvfb and the program, and with xdotool: checks the untitled title,
opens every menu by its accelerator, pastes two pictures from files through
the file dialog, moves the top one with the Move command and the arrow keys,
saves the document through Save As, exports the picture, quits; starts the
program again, reopens the document through the dialog, previews another
part in the selection dialog and cancels it, exports again and quits.
Then edits a new document, kills the program (kill -9) once its recovery
copy is written, starts it again (naming the saved document, which must not
open), answers Yes to the offer, saves, and compares the bytes with those
"zelvane-cli compose" writes for the same parts; a last start asks nothing.

The exported pictures must equal, pixel for pixel, both the composite
worked out here and "zelvane-cli render" of the saved document, and
"zelvane-cli info" must show the moved part where the keys put it.

Screenshots of each step go to WORK/shots. Exit status: 0 passed,
1 failed, 77 skipped (no X server could be started here)."""

import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import pictures  # noqa: E402
from xsession import Desktop, Failure, Program, Skip, XServer, wait_until  # noqa: E402

SKIPPED = 77
# Well under CTest's limit, so that a stuck run still ends with its
# screenshot and the program's output.
TIME_LIMIT = 180
UNTITLED = 'Zelvane - (無題)'
# The file dialogs carry the captions of the items that open them.
OPEN_DIALOG = '^開く$'
SAVE_DIALOG = '^名前を付けて保存$'
PASTE_DIALOG = '^ﾌｧｲﾙから貼り付け$'
EXPORT_DIALOG = '^ﾋﾞｯﾄﾏｯﾌﾟとしてﾌｧｲﾙに保存$'
SELECT_DIALOG = '^部品選択$'
# The start-up question about work a killed program left.
RECOVERY_QUESTION = '^Zelvane$'

# The keyboard move: 3 single steps and 9 Shift steps of 8 to the right,
# 2 single steps and 5 Shift steps down.
MOVE_KEYS = ['Right'] * 3 + ['shift+Right'] * 9 + ['Down'] * 2 + ['shift+Down'] * 5
MOVED_TO = (3 + 9 * 8, 2 + 5 * 8)


class Session:
    def __init__(self, args):
        self.args = args
        self.work = os.path.abspath(args.work)
        self.xserver = None
        self.desktop = None
        self.program = None
        self.runs = 0

    # Set-up ----------------------------------------------------------------

    def prepare(self):
        shutil.rmtree(self.work, ignore_errors=True)
        for sub in ('home', 'runtime', 'files', 'shots', 'state'):
            os.makedirs(os.path.join(self.work, sub))
        os.chmod(os.path.join(self.work, 'runtime'), 0o700)
        self.sky = pictures.sky_picture()
        self.flower = pictures.flower_picture()
        self.sky_path = self.file('sky.bmp')
        self.flower_path = self.file('flower.bmp')
        pictures.write_bmp(self.sky_path, self.sky)
        pictures.write_bmp(self.flower_path, self.flower)
        self.document = self.file('composed.BMH')

    def file(self, name):
        return os.path.join(self.work, 'files', name)

    def start_display(self):
        self.xserver = XServer(os.path.join(self.work, 'xvfb.log'))
        self.desktop = Desktop(self.xserver.display, os.path.join(self.work, 'shots'))
        print(f'Xvfb on display {self.xserver.display}')

    def program_env(self):
        env = dict(os.environ)
        env.update({
            'DISPLAY': self.xserver.display,
            'QT_QPA_PLATFORM': 'xcb',
            # Whatever the toolkit keeps for itself stays in the test folder.
            'HOME': os.path.join(self.work, 'home'),
            'XDG_CONFIG_HOME': os.path.join(self.work, 'home', '.config'),
            'XDG_RUNTIME_DIR': os.path.join(self.work, 'runtime'),
            'XDG_STATE_HOME': os.path.join(self.work, 'state'),
        })
        for name in ('XDG_SESSION_TYPE', 'WAYLAND_DISPLAY', 'QT_QPA_PLATFORMTHEME',
                     'DBUS_SESSION_BUS_ADDRESS'):
            env.pop(name, None)
        return env

    def start_program(self, *arguments, first_window='^Zelvane - '):
        self.runs += 1
        self.program = Program([self.args.program, *arguments], self.program_env(),
                               os.path.join(self.work, f'zelvane-{self.runs}.log'),
                               cwd=os.path.join(self.work, 'files'))
        self.main = self.desktop.find_window(first_window, self.program.pid, timeout=30)
        # Keep the pointer off the window so that no menu opens under it.
        self.desktop.move_pointer(1279, 1023)
        self.desktop.focus(self.main)

    def stop(self):
        if self.program:
            self.program.stop()
        if self.xserver:
            self.xserver.stop()

    # Steps -----------------------------------------------------------------

    def shot(self, name, window=None):
        self.desktop.screenshot(name, window)

    def expect_title(self, expected, timeout=10):
        try:
            wait_until(f'the title "{expected}"',
                       lambda: self.desktop.title(self.main) == expected, timeout)
        except Failure as problem:
            raise Failure(f'{problem}; the title is "{self.desktop.title(self.main)}"')

    def open_menu(self, accelerator):
        self.desktop.focus(self.main)
        self.desktop.key(accelerator)
        return self.desktop.wait_popup(self.program.pid, self.main)

    def menu_command(self, accelerator, *keys):
        menu = self.open_menu(accelerator)
        self.desktop.key(*keys)
        self.desktop.wait_window_gone(menu, self.program.pid, 'the menu')

    def through_file_dialog(self, title_regex, path):
        dialog = self.desktop.find_window(title_regex, self.program.pid)
        self.desktop.focus(dialog)
        # The file name field has the focus; a full path and Enter accept it.
        self.desktop.type_text(path)
        self.shot('dialog-' + os.path.basename(path))
        self.desktop.key('Return')
        self.desktop.wait_window_gone(dialog, self.program.pid, 'the file dialog')

    def look_at_menus(self):
        for accelerator, name in (('alt+f', 'file'), ('alt+e', 'edit'),
                                  ('alt+b', 'picture'), ('alt+h', 'help')):
            menu = self.open_menu(accelerator)
            self.shot('menu-' + name)
            self.desktop.key('Escape')
            self.desktop.wait_window_gone(menu, self.program.pid, f'the {name} menu')
            # Escape leaves the menu bar highlighted; a second one leaves it.
            self.desktop.key('Escape')

    def paste_from_file(self, path):
        self.menu_command('alt+e', 'f')  # ﾌｧｲﾙから貼り付け(&F)...
        self.through_file_dialog(PASTE_DIALOG, path)
        self.shot('pasted-' + os.path.basename(path))

    def move_top_part(self):
        # 移動(&M) shares its letter with 透過ﾓｰﾄﾞ(&M): the first press
        # only highlights it, Enter runs it.
        self.menu_command('alt+e', 'm', 'Return')
        # The command puts the pointer on the part's centre.
        start = wait_until('the pointer to jump onto the part',
                           lambda: (p := self.desktop.pointer()) != (1279, 1023) and p, 10)
        self.shot('move-started')
        for key in MOVE_KEYS:
            self.desktop.key(key)
            time.sleep(0.08)
        expected = (start[0] + MOVED_TO[0], start[1] + MOVED_TO[1])
        wait_until(f'the pointer to follow the part to {expected}',
                   lambda: self.desktop.pointer() == expected, 10)
        self.shot('moving')
        time.sleep(0.3)
        self.desktop.key('Return')
        self.desktop.move_pointer(1279, 1023)
        self.shot('moved')

    def save_as(self, path):
        self.menu_command('alt+f', 'a')  # 名前を付けて保存(&A)...
        self.through_file_dialog(SAVE_DIALOG, path)
        self.expect_title('Zelvane - ' + path)
        wait_until(f'{path} to be written', lambda: os.path.isfile(path), 10)

    def open_document(self, path):
        self.menu_command('alt+f', 'o')  # 開く(&O)...
        self.through_file_dialog(OPEN_DIALOG, path)
        self.expect_title('Zelvane - ' + path)

    def export_picture(self, path):
        self.menu_command('alt+b', 's')  # ﾋﾞｯﾄﾏｯﾌﾟとしてﾌｧｲﾙに保存(&S)...
        self.through_file_dialog(EXPORT_DIALOG, path)
        wait_until(f'{path} to be written', lambda: os.path.isfile(path), 10)
        return pictures.read_bmp(path)

    def preview_in_selection_dialog(self):
        self.menu_command('alt+e', 's')  # 選択(&S)...
        dialog = self.desktop.find_window(SELECT_DIALOG, self.program.pid)
        self.desktop.focus(dialog)
        self.shot('select-dialog')
        # The second row, the landscape, comes to the top for a preview...
        self.desktop.key('Down')
        time.sleep(0.3)
        self.shot('select-preview')
        # ...and Escape puts it back.
        self.desktop.key('Escape')
        self.desktop.wait_window_gone(dialog, self.program.pid, 'the selection dialog')

    def quit(self):
        self.menu_command('alt+f', 'x')  # 終了(&X)
        if self.program.wait_exit(20) is None:
            self.shot('still-running')
            titles = [self.desktop.title(w) for w in self.desktop.windows_of(self.program.pid)]
            raise Failure(f'the program did not quit after 終了; its windows: {titles}')
        status = self.program.process.returncode
        if status != 0:
            # Under the sanitizers this is where leaks and errors show.
            raise Failure(f'run {self.runs} of the program ended with status {status}')
        self.program.stop()
        self.program = None

    # Checks ------------------------------------------------------------------

    def cli(self, *args):
        done = subprocess.run([self.args.cli, *args], capture_output=True, timeout=60)
        if done.returncode != 0:
            raise Failure(f'zelvane-cli {" ".join(args)} failed: '
                          f'{done.stderr.decode(errors="replace").strip()}')
        return done.stdout.decode()

    def check_document(self):
        info = json.loads(self.cli('info', self.document))
        placed = [(p['left'], p['top'], p['width'], p['height'], p['transparent'])
                  for p in info['parts']]
        expected = [(*MOVED_TO, self.flower.width, self.flower.height, 1),
                    (0, 0, self.sky.width, self.sky.height, 1)]
        if placed != expected:
            raise Failure(f'the saved parts (left, top, width, height, transparent) are '
                          f'{placed}, expected {expected}')
        background = info['background']
        colour = int(background['color'], 16)
        self.expected_picture = pictures.composite(
            background['width'], background['height'],
            (colour >> 16, (colour >> 8) & 0xFF, colour & 0xFF),
            [(self.sky, 0, 0), (self.flower, *MOVED_TO)])
        rendered = self.file('rendered-by-cli.bmp')
        self.cli('render', self.document, rendered)
        self.rendered = pictures.read_bmp(rendered)
        self.compare('zelvane-cli render', self.rendered, self.expected_picture)

    def compare(self, what, actual, expected):
        difference = pictures.first_difference(actual, expected)
        if difference:
            raise Failure(f'{what}: {difference}')

    # The whole session ---------------------------------------------------------

    def run(self):
        self.prepare()
        self.start_display()

        self.start_program()
        self.expect_title(UNTITLED)
        self.shot('started')
        self.look_at_menus()
        self.paste_from_file(self.sky_path)
        self.paste_from_file(self.flower_path)
        self.move_top_part()
        self.save_as(self.document)
        exported = self.export_picture(self.file('exported-1.bmp'))
        shutil.copyfile(self.desktop.screenshot('composed', self.main),
                        os.path.join(self.work, 'zelvane-window.png'))
        self.quit()

        self.check_document()
        self.compare('the picture exported before quitting', exported, self.rendered)

        self.start_program()
        self.expect_title(UNTITLED)
        self.open_document(self.document)
        self.shot('reopened')
        self.preview_in_selection_dialog()
        exported = self.export_picture(self.file('exported-2.bmp'))
        self.compare('the picture exported after reopening', exported, self.rendered)
        self.quit()

        # A document named on the command line opens at start-up, a
        # relative name as a full path.
        self.start_program(os.path.basename(self.document))
        self.expect_title('Zelvane - ' + self.document)
        self.quit()
        self.recover_after_kill()
        self.open_from_the_desktop()

    def recovery_copies(self):
        state = os.path.join(self.work, 'state', 'zelvane')
        if not os.path.isdir(state):
            return []
        return [os.path.join(state, slot, 'copy.bmh') for slot in os.listdir(state)
                if os.path.isfile(os.path.join(state, slot, 'copy.bmh'))]

    def recover_after_kill(self):
        """The work of a killed program comes back exactly, once."""
        self.start_program()
        self.expect_title(UNTITLED)
        self.paste_from_file(self.sky_path)
        self.paste_from_file(self.flower_path)
        self.move_top_part()

        # The copy is a document the command line reads, the move in it.
        def copy_with_move():
            for copy in self.recovery_copies():
                done = subprocess.run([self.args.cli, 'info', copy], capture_output=True, timeout=60)
                if done.returncode == 0 and json.loads(done.stdout)['parts'][0]['left'] == MOVED_TO[0]:
                    return copy
            return None
        wait_until('the recovery copy of the moved part', copy_with_move, 15)
        self.program.process.send_signal(signal.SIGKILL)
        self.program.stop()
        self.program = None

        # Restored in place of the document named on the command line.
        self.start_program(os.path.basename(self.document), first_window=RECOVERY_QUESTION)
        question = self.main
        self.shot('recovery-question', question)
        self.desktop.focus(question)
        self.desktop.key('Return')  # はい, the default button
        self.desktop.wait_window_gone(question, self.program.pid, 'the recovery question')
        self.main = self.desktop.find_window('^Zelvane - ', self.program.pid, timeout=30)
        self.desktop.move_pointer(1279, 1023)
        self.desktop.focus(self.main)
        self.expect_title(UNTITLED)
        self.shot('recovered')
        recovered = self.file('recovered.BMH')
        self.menu_command('alt+f', 's')  # 上書き保存(&S): untitled, so through Save As
        self.through_file_dialog(SAVE_DIALOG, recovered)
        self.expect_title('Zelvane - ' + recovered)
        wait_until('the saved document to replace the recovery copy',
                   lambda: not self.recovery_copies(), 10)
        self.quit()
        if os.listdir(os.path.join(self.work, 'state', 'zelvane')):
            raise Failure('a clean exit left recovery files behind')

        expected = self.file('composed-by-cli.BMH')
        self.cli('compose', expected, '--size', '514x386', '--part', self.sky_path,
                 '--part', f'{self.flower_path}@{MOVED_TO[0]},{MOVED_TO[1]}')
        with open(recovered, 'rb') as saved, open(expected, 'rb') as composed:
            saved_bytes, composed_bytes = saved.read(), composed.read()
        if saved_bytes != composed_bytes:
            at = next((i for i, (a, b) in enumerate(zip(saved_bytes, composed_bytes)) if a != b),
                      min(len(saved_bytes), len(composed_bytes)))
            raise Failure(f'the recovered document ({len(saved_bytes)} bytes) differs from the '
                          f'composed one ({len(composed_bytes)} bytes) at byte {at}')

        # Nothing is left to offer.
        self.start_program()
        self.expect_title(UNTITLED)
        asked = [w for w in self.desktop.windows_of(self.program.pid) if w != self.main]
        if asked:
            raise Failure(f'a start after the recovery showed {[self.desktop.title(w) for w in asked]}')
        self.quit()

    def open_from_the_desktop(self):
        """gio opens the document with the program its desktop entry and
        MIME type name, installed into a data folder of the test's own."""
        tools = ('gio', 'update-desktop-database', 'update-mime-database')
        if not all(shutil.which(t) for t in tools):
            print(f'note: {", ".join(tools)} not all installed; opening through the desktop not checked')
            return
        share = os.path.join(self.work, 'share')
        packaging = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'packaging')
        os.makedirs(os.path.join(share, 'applications'), exist_ok=True)
        os.makedirs(os.path.join(share, 'mime', 'packages'), exist_ok=True)
        shutil.copy(os.path.join(packaging, 'zelvane.desktop'), os.path.join(share, 'applications'))
        shutil.copy(os.path.join(packaging, 'zelvane-mime.xml'),
                    os.path.join(share, 'mime', 'packages', 'zelvane.xml'))
        subprocess.run(['update-desktop-database', os.path.join(share, 'applications')], check=True)
        subprocess.run(['update-mime-database', os.path.join(share, 'mime')], check=True)
        env = self.program_env()
        env['XDG_DATA_DIRS'] = share
        env['XDG_DATA_HOME'] = os.path.join(self.work, 'home', '.local', 'share')
        env['PATH'] = os.path.dirname(self.args.program) + os.pathsep + env.get('PATH', '')
        subprocess.run(['gio', 'open', self.document], env=env, check=True, timeout=30,
                       cwd=os.path.join(self.work, 'files'))
        title = '^Zelvane - ' + self.document.replace('.', '[.]') + '$'
        window = wait_until('the program gio started to show the document', lambda: (
            self.desktop.xdotool('search', '--onlyvisible', '--name', title, check=False).split()
            or [None])[0], 30)
        window = int(window)
        pid = int(self.desktop.xdotool('getwindowpid', str(window)).strip())
        self.desktop.focus(window)
        self.shot('opened-by-gio')
        self.desktop.key('alt+f')
        self.desktop.wait_popup(pid, window)
        self.desktop.key('x')  # 終了(&X)

        def gone():
            # Not our child: once it ends it may linger unreaped as a zombie.
            try:
                with open(f'/proc/{pid}/stat') as stat:
                    return stat.read().rsplit(')', 1)[1].split()[0] == 'Z'
            except OSError:
                return True
        wait_until('the program gio started to quit', gone, 20)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--program', required=True, help='the zelvane program')
    parser.add_argument('--cli', required=True, help='the zelvane-cli program')
    parser.add_argument('--work', required=True, help='folder for files and screenshots')
    args = parser.parse_args()
    # The program runs in its scratch folder.
    args.program = os.path.abspath(args.program)
    args.cli = os.path.abspath(args.cli)

    session = Session(args)

    def out_of_time(signum, frame):
        raise Failure(f'the session took longer than {TIME_LIMIT} s')

    signal.signal(signal.SIGALRM, out_of_time)
    signal.alarm(TIME_LIMIT)
    try:
        session.run()
    except Skip as reason:
        print(f'SKIPPED: {reason}')
        return SKIPPED
    except (Failure, OSError, ValueError) as problem:
        if session.desktop:
            try:
                session.shot('failure')
            except Failure:
                pass
        print(f'FAILED: {problem}')
        if session.program:
            status = session.program.process.poll()
            if status is not None:
                print(f'the program had ended with status {status}')
            print(f'--- last lines of {session.program.log_path}:\n{session.program.log_tail()}')
        print(f'screenshots: {os.path.join(session.work, "shots")}')
        return 1
    finally:
        signal.alarm(0)
        session.stop()
    print(f'passed; screenshots in {os.path.join(session.work, "shots")}')
    return 0


if __name__ == '__main__':
    sys.exit(main())
