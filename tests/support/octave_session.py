"""An interactive octave-cli on a pseudo-terminal, as a user's session runs,
for tests that drive it as a person would: type a line, read what it prints,
send it signals."""
import os
import select
import subprocess
import termios
import time


class Session:
    """octave-cli on the slave side of a pty; reads what it prints."""

    def __init__(self, module_folder, cwd, prompt):
        self.master, slave = os.openpty()
        mode = termios.tcgetattr(slave)
        mode[3] &= ~termios.ECHO  # only Octave's own output comes back
        termios.tcsetattr(slave, termios.TCSANOW, mode)
        self.proc = subprocess.Popen(
            ["octave-cli", "--norc", "--no-history", "--quiet", "--interactive",
             "--no-line-editing", "--path", module_folder],
            stdin=slave, stdout=slave, stderr=slave, cwd=cwd, start_new_session=True)
        os.close(slave)
        self.seen = ""
        self.prompt = prompt  # what the test sets PS1 to

    def send(self, line):
        os.write(self.master, (line + "\n").encode())

    def wait_for(self, text, limit):
        """Reads until TEXT appears; returns the output up to it, or None."""
        deadline = time.monotonic() + limit
        while text not in self.seen:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.master], [], [], left)[0]:
                return None
            try:
                chunk = os.read(self.master, 4096)
            except OSError:  # Octave has gone: the pty hung up
                return None
            self.seen += chunk.decode(errors="replace").replace("\r", "")
        before, _, self.seen = self.seen.partition(text)
        return before

    def run(self, line, limit=10.0):
        """Sends LINE; returns what it printed before the next prompt, or None."""
        self.send(line)
        return self.wait_for(self.prompt, limit)

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()
        os.close(self.master)
