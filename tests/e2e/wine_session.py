"""A Wine session for the tests of the Windows build: a fresh Wine prefix in a
temporary folder, booted without a display, with its Wine server started in
this process's network namespace.

The namespace matters: Wine's server makes the sockets of every Windows
program it serves, so the program's UDP notice leaves from wherever the
server runs. A session therefore starts only inside a private network
namespace with just loopback, and a prefix handed down through WINEPREFIX is
used only when it carries the mark of a session made in this same namespace.

    wine_session.py run CMD [ARG...]    CMD with a fresh session, then tear it down
    wine_session.py exec EXE [ARG...]   EXE under Wine in the current session
"""

import atexit
import os
import shutil
import socket
import subprocess
import sys
import tempfile

# Written into the prefix: the network namespace its server was started in.
MARK_FILE = "varno-session-netns"
# In the prefix: what the session's server wrote.
SERVER_LOG = "varno-wineserver.log"
BOOT_TIMEOUT = 300


def network_is_isolated():
    """True inside a namespace whose only interface is loopback."""
    # Ask the kernel for this namespace's interfaces; /sys/class/net may show the host's.
    try:
        return [name for _, name in socket.if_nameindex()] == ["lo"]
    except OSError:
        return False


def this_namespace():
    return os.readlink("/proc/self/ns/net")


def environment(prefix, base=None):
    """`base` (the process environment by default) set up to run Wine in `prefix`."""
    env = dict(os.environ if base is None else base)
    env["WINEPREFIX"] = prefix
    env["WINEDEBUG"] = "-all"
    # No Mono or Gecko: nothing here needs them, and installing them would stall the boot.
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    # A UTF-8 locale, so Wine reads the arguments' bytes as UTF-8; the Windows
    # side then works in code page 1252.
    env["LC_ALL"] = "C.UTF-8"
    for name in ("DISPLAY", "WAYLAND_DISPLAY"):
        env.pop(name, None)
    return env


def _check(command, env, timeout):
    # Output goes to a file, not a pipe: a server the command leaves running
    # would hold a pipe open.
    with tempfile.TemporaryFile() as output:
        proc = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=output,
                              stderr=subprocess.STDOUT, timeout=timeout)
        if proc.returncode != 0:
            output.seek(0)
            raise RuntimeError(f"{' '.join(command)} failed ({proc.returncode}):\n"
                               f"{output.read().decode(errors='replace')}")


def start():
    """Makes and boots a fresh prefix with a persistent server; returns its folder."""
    if not network_is_isolated():
        raise RuntimeError("a Wine session starts only inside a private network namespace "
                           "(use scripts/test or scripts/isolated)")
    prefix = tempfile.mkdtemp(prefix="varno-wine-")
    env = environment(prefix)
    try:
        _check(["wineboot", "-i"], env, BOOT_TIMEOUT)
        _check(["wineserver", "-w"], env, BOOT_TIMEOUT)
        with open(os.path.join(prefix, MARK_FILE), "w") as mark:
            mark.write(this_namespace())
        # A persistent server, started here and not by a test's first program:
        # it must not inherit a faked clock, and it must live in this namespace.
        # What it reports goes to a file of its own, shown when the session
        # ends: a program Wine fails to start may say nothing itself.
        with open(os.path.join(prefix, SERVER_LOG), "wb") as log:
            subprocess.run(["wineserver", "-p"], env=env, stdin=subprocess.DEVNULL, stdout=log,
                           stderr=subprocess.STDOUT, timeout=60, check=True)
        # The first program of a new server starts Wine's own services; they
        # must not start under a test's faked clock either.
        _check(["wine", "cmd", "/c", "exit"], env, BOOT_TIMEOUT)
    except BaseException:
        stop(prefix)
        raise
    return prefix


def stop(prefix):
    """Ends the prefix's server, shows what it reported, and removes the prefix."""
    try:
        subprocess.run(["wineserver", "-k"], env=environment(prefix), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    except (OSError, subprocess.TimeoutExpired):
        pass
    try:
        with open(os.path.join(prefix, SERVER_LOG), "rb") as log:
            reported = log.read().decode(errors="replace").strip()
    except OSError:
        reported = ""
    if reported:
        sys.stderr.write(f"The Wine server of this session reported:\n{reported}")
    shutil.rmtree(prefix, ignore_errors=True)


def belongs_here(prefix):
    """True when `prefix` was made by a session in this network namespace."""
    try:
        with open(os.path.join(prefix, MARK_FILE)) as mark:
            return mark.read() == this_namespace()
    except OSError:
        return False


_own_prefix = None


def current():
    """The prefix of this process's session: the one handed down when it belongs
    here, else one made now and removed when the process ends."""
    global _own_prefix
    if not network_is_isolated():
        raise RuntimeError("programs under Wine run only inside a private network namespace")
    handed = os.environ.get("WINEPREFIX", "")
    if handed and belongs_here(handed):
        return handed
    if _own_prefix is None:
        _own_prefix = start()
        atexit.register(stop, _own_prefix)
    return _own_prefix


def main(argv):
    if len(argv) < 3 or argv[1] not in ("run", "exec"):
        sys.stderr.write(__doc__)
        return 64
    if argv[1] == "run":
        prefix = start()
        try:
            return subprocess.run(argv[2:], env=environment(prefix)).returncode
        finally:
            stop(prefix)
    prefix = current()
    return subprocess.run(["wine", *argv[2:]], env=environment(prefix)).returncode


if __name__ == "__main__":
    sys.exit(main(sys.argv))
