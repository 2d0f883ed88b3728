"""A private X display (Xvfb) and the hands of a person in front of it
(xdotool): windows found by title, keys typed, screenshots taken.

Every child process dies with the test: it gets SIGKILL when the Python
process that started it goes away, however that happens."""

import ctypes
import os
import shutil
import signal
import subprocess
import time

PR_SET_PDEATHSIG = 1


class Skip(Exception):
    """The run cannot happen on this machine (reported as skipped)."""


class Failure(Exception):
    """The program did not do what a person expects."""


def _die_with_parent():
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL, 0, 0, 0)


def wait_until(what, probe, timeout, interval=0.1):
    """Calls probe until it returns something true; Failure after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure(f'timed out after {timeout:.0f} s waiting for {what}')
        time.sleep(interval)


class XServer:
    """Xvfb on the first free display number, which it picks itself."""

    def __init__(self, log_path, size='1280x1024x24'):
        for tool in ('Xvfb', 'xdotool'):
            if not shutil.which(tool):
                raise Skip(f'{tool} is not installed')
        read_end, write_end = os.pipe()
        self._log = open(log_path, 'wb')
        self.process = subprocess.Popen(
            ['Xvfb', '-displayfd', str(write_end), '-screen', '0', size,
             '-nolisten', 'tcp', '-noreset'],
            stdin=subprocess.DEVNULL, stdout=self._log, stderr=subprocess.STDOUT,
            pass_fds=(write_end,), preexec_fn=_die_with_parent)
        os.close(write_end)
        number = b''
        deadline = time.monotonic() + 15
        os.set_blocking(read_end, False)
        while not number.endswith(b'\n'):
            if self.process.poll() is not None:
                os.close(read_end)
                raise Skip(f'Xvfb exited with status {self.process.returncode} '
                           f'before it took a display (log: {log_path})')
            if time.monotonic() > deadline:
                os.close(read_end)
                self.stop()
                raise Skip('Xvfb took no display within 15 s')
            try:
                chunk = os.read(read_end, 16)
            except BlockingIOError:
                chunk = None
            if chunk == b'':
                break
            if chunk:
                number += chunk
            else:
                time.sleep(0.05)
        os.close(read_end)
        if not number.strip().isdigit():
            self.stop()
            raise Skip(f'Xvfb reported no display number (log: {log_path})')
        self.display = ':' + number.strip().decode()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self._log.close()


class Desktop:
    """What a person does at the display: look at windows, type, take
    pictures of the screen."""

    def __init__(self, display, shots_dir):
        self.env = dict(os.environ, DISPLAY=display)
        self.shots_dir = shots_dir
        self._shot_count = 0
        os.makedirs(shots_dir, exist_ok=True)

    def run(self, *args, check=True, timeout=15):
        try:
            done = subprocess.run(list(args), env=self.env, capture_output=True,
                                  timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f'{" ".join(args)} did not finish within {timeout} s')
        if check and done.returncode != 0:
            raise Failure(f'{" ".join(args)} failed ({done.returncode}): '
                          f'{done.stderr.decode(errors="replace").strip()}')
        return done.stdout.decode('utf-8', errors='replace')

    def xdotool(self, *args, check=True):
        return self.run('xdotool', *args, check=check)

    # Windows -------------------------------------------------------------

    def windows_of(self, pid):
        """The visible top-level windows of a process, menus included."""
        out = self.xdotool('search', '--onlyvisible', '--pid', str(pid), check=False)
        return [int(w) for w in out.split()]

    def find_window(self, title_regex, pid, timeout=20):
        """The visible window of pid whose title matches, once it is there."""
        def probe():
            out = self.xdotool('search', '--onlyvisible', '--name', title_regex, check=False)
            mine = set(self.windows_of(pid))
            found = [int(w) for w in out.split() if int(w) in mine]
            return found[0] if found else None
        return wait_until(f'a window titled /{title_regex}/', probe, timeout)

    def wait_window_gone(self, window, pid, what, timeout=20):
        wait_until(f'{what} to close', lambda: window not in self.windows_of(pid), timeout)

    def title(self, window):
        return self.xdotool('getwindowname', str(window)).rstrip('\n')

    def wait_popup(self, pid, owner, timeout=10):
        """A window of pid besides owner has appeared: the menu that was
        asked for (menus are visible windows of their own under X)."""
        def probe():
            return [w for w in self.windows_of(pid) if w != owner]
        return wait_until('a menu to drop down', probe, timeout)[0]

    def focus(self, window):
        # No window manager runs, so nobody else gives the window the focus.
        self.xdotool('windowfocus', '--sync', str(window))

    # Hands ---------------------------------------------------------------

    def key(self, *keys, delay_ms=60):
        self.xdotool('key', '--delay', str(delay_ms), *keys)

    def type_text(self, text):
        self.xdotool('type', '--delay', '15', text)

    def pointer(self):
        out = self.xdotool('getmouselocation', '--shell')
        values = dict(line.split('=', 1) for line in out.split() if '=' in line)
        return int(values['X']), int(values['Y'])

    def move_pointer(self, x, y):
        # Not "--sync": that waits for a movement, and there is none when
        # the pointer is there already.
        self.xdotool('mousemove', str(x), str(y))
        wait_until(f'the pointer to reach ({x}, {y})', lambda: self.pointer() == (x, y), 10)

    # Eyes ----------------------------------------------------------------

    def screenshot(self, name, window=None):
        """Saves the screen (or one window) as NN-name.png in the shots
        folder; falls back to an xwd dump when ImageMagick is missing."""
        self._shot_count += 1
        base = os.path.join(self.shots_dir, f'{self._shot_count:02d}-{name}')
        target = str(window) if window else 'root'
        if shutil.which('import'):
            self.run('import', '-window', target, base + '.png', check=False, timeout=30)
            return base + '.png'
        if shutil.which('xwd'):
            args = ['xwd', '-silent', '-out', base + '.xwd']
            args += ['-id', target] if window else ['-root']
            self.run(*args, check=False, timeout=30)
            return base + '.xwd'
        return None


class Program:
    """One run of a program on the display, with its output in a log."""

    def __init__(self, argv, env, log_path, cwd=None):
        self.log_path = log_path
        self._log = open(log_path, 'wb')
        self.process = subprocess.Popen(argv, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                                        stdout=self._log, stderr=subprocess.STDOUT,
                                        preexec_fn=_die_with_parent)
        self.pid = self.process.pid

    def wait_exit(self, timeout):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self._log.close()

    def log_tail(self, lines=30):
        self._log.flush()
        with open(self.log_path, 'rb') as f:
            text = f.read().decode('utf-8', errors='replace')
        return '\n'.join(text.splitlines()[-lines:])
