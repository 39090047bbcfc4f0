#!/usr/bin/env python3
"""The host side of the emulated machine that runs Windows programs under Wine
where this machine's kernel runs no 32-bit program.

One machine is kept running for a whole test suite: QEMU (TCG, one x86_64
CPU) boots Debian's kernel over the image that `build` made, shares the
host's folders over 9p at their own paths, and runs each command through the
QEMU guest agent on a virtio-serial port. A command runs in the same folder,
with the same environment (less the host's own paths) and the same exit
status as it would here.

  guest.py start --guest DIR --state DIR [--share PATH]...
  guest.py stop --state DIR
  guest.py running --state DIR      (exit status 0 while the machine runs)
  guest.py exec --state DIR -- COMMAND [ARG...]
  guest.py prepare-prefix --guest DIR --prefix DIR
"""
import argparse
import base64
import fcntl
import json
import os
import random
import signal
import socket
import subprocess
import sys
import time

GUEST_RUNNER = "/usr/local/sbin/kit-guest-run"
GUEST_PATH = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"
# The host's own variables, which mean nothing inside the guest or would
# mislead it; everything else a command sees here it sees there.
HOST_ONLY = {
    "PATH", "HOME", "PWD", "OLDPWD", "SHLVL", "_", "SHELL", "USER", "LOGNAME",
    "MAIL", "TERM", "TMPDIR", "TMP", "TEMP", "LD_PRELOAD", "LD_LIBRARY_PATH",
    "DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "XDG_RUNTIME_DIR",
    "DBUS_SESSION_BUS_ADDRESS", "KIT_WINE_GUEST",
}
BOOT_TIMEOUT = 900  # seconds; a loaded two-core machine boots in 20 to 90


def fail(message):
    print(f"wine guest: {message}", file=sys.stderr)
    sys.exit(125)


class Agent:
    """One exchange with the guest agent over its socket. The socket path is
    relative to the state folder, which keeps it inside the 108 bytes a
    Unix socket name may have, wherever the checkout lies."""

    def __init__(self, state):
        self.state = state

    def __enter__(self):
        # One exchange at a time: the agent's channel is a single stream.
        self.lock = open(os.path.join(self.state, "agent.lock"), "w")
        fcntl.flock(self.lock, fcntl.LOCK_EX)
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.buffer = b""
        try:
            here = os.getcwd()
            try:
                os.chdir(self.state)
                self.sock.connect("agent.sock")
            finally:
                os.chdir(here)
            self.sync()
        except BaseException:
            self.__exit__()
            raise
        return self

    def __exit__(self, *exc):
        self.sock.close()
        self.lock.close()  # which releases the lock

    def _line(self, timeout):
        self.sock.settimeout(timeout)
        while b"\n" not in self.buffer:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("the guest agent closed the connection")
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line

    def sync(self, timeout=10):
        # A 0xFF byte resets the agent's parser, and its reply starts with one:
        # whatever an earlier, interrupted exchange left behind is skipped.
        token = random.randrange(1, 2**31)
        self.sock.sendall(b"\xff" + json.dumps(
            {"execute": "guest-sync-delimited", "arguments": {"id": token}}).encode())
        deadline = time.monotonic() + timeout
        while True:
            line = self._line(max(0.1, deadline - time.monotonic())).split(b"\xff")[-1].strip()
            if not line:
                continue
            try:
                reply = json.loads(line)
            except ValueError:
                continue
            if isinstance(reply, dict) and reply.get("return") == token:
                return

    def call(self, command, arguments=None, timeout=60):
        request = {"execute": command}
        if arguments is not None:
            request["arguments"] = arguments
        self.sock.sendall(json.dumps(request).encode())
        reply = json.loads(self._line(timeout))
        if "error" in reply:
            raise RuntimeError(f"{command}: {reply['error'].get('desc', reply['error'])}")
        return reply.get("return")


def agent_call(state, command, arguments=None):
    with Agent(state) as agent:
        return agent.call(command, arguments)


def guest_start(state, command, env):
    status = agent_call(state, "guest-exec", {
        "path": GUEST_RUNNER, "arg": command, "env": env, "capture-output": True})
    return status["pid"]


def guest_wait(state, pid):
    delay = 0.01
    while True:
        status = agent_call(state, "guest-exec-status", {"pid": pid})
        if status.get("exited"):
            return status
        time.sleep(delay)
        delay = min(delay * 2, 0.1)


def guest_run(state, command, env=None):
    """Runs a runner command to its end and writes its output here."""
    return finish(guest_wait(state, guest_start(state, command, env or guest_env({}))))


def finish(status):
    """Writes a finished command's output here and returns its exit status."""
    for key, stream in (("out-data", sys.stdout), ("err-data", sys.stderr)):
        if status.get(key):
            stream.flush()
            stream.buffer.write(base64.b64decode(status[key]))
            stream.flush()
    return 128 + status["signal"] if "signal" in status else status.get("exitcode", 0)


def guest_env(environ):
    env = {k: v for k, v in environ.items() if k not in HOST_ONLY and "\0" not in v}
    env.update(PATH=GUEST_PATH, HOME="/root")
    return [f"{k}={v}" for k, v in sorted(env.items())]


def qemu_pid(state):
    """The running machine's process, or None. A pid file outlives its QEMU
    and its number may be taken again: only a QEMU process counts."""
    try:
        with open(os.path.join(state, "qemu.pid")) as f:
            pid = int(f.read().strip())
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return pid if b"qemu" in f.read() else None
    except (OSError, ValueError):
        return None


# The guest's own folders: a share there would hide what its programs need.
GUEST_SYSTEM = ("/bin", "/boot", "/dev", "/etc", "/lib", "/lib32", "/lib64", "/proc",
                "/run", "/sbin", "/sys", "/usr")


def shares_of(paths):
    """The folders to share: each path once, none inside another shared one."""
    real = sorted({os.path.realpath(p) for p in paths})
    for p in real:
        if p in ("/", "/tmp", "/var", "/root") or any(
                p == s or p.startswith(s + "/") for s in GUEST_SYSTEM):
            fail(f"{p} cannot be shared: the emulated machine's own system lives there")
    kept = []
    for p in real:
        if not any(p == k or p.startswith(k + "/") for k in kept):
            kept.append(p)
    return kept


def start(guest, state, shares):
    if qemu_pid(state):
        return
    for name in ("vmlinuz", "initrd.img", "root.img"):
        if not os.path.isfile(os.path.join(guest, name)):
            fail(f"no {name} in {guest}: build the guest first (scripts/wine-guest/build)")
    control = os.path.join(state, "control")
    os.makedirs(control, exist_ok=True)
    shares = shares_of(shares)
    with open(os.path.join(control, "shares"), "w") as f:
        for i, path in enumerate(shares):
            f.write(f"kit{i} {path}\n")
    for stale in ("agent.sock", "qemu.pid"):
        try:
            os.unlink(os.path.join(state, stale))
        except FileNotFoundError:
            pass
    guest = os.path.realpath(guest)
    command = [
        "qemu-system-x86_64", "-machine", "pc,accel=tcg", "-cpu", "qemu64", "-smp", "1",
        "-m", os.environ.get("KIT_WINE_GUEST_MEMORY", "1536"),
        "-display", "none", "-no-reboot", "-nic", "none",
        "-kernel", os.path.join(guest, "vmlinuz"), "-initrd", os.path.join(guest, "initrd.img"),
        "-append", "root=/dev/vda rw quiet console=ttyS0 panic=-1 init=/sbin/kit-guest-init",
        # The image stays as built: the guest's writes go to a throw-away overlay.
        "-drive", f"file={os.path.join(guest, 'root.img')},if=virtio,format=raw,snapshot=on",
        "-serial", "file:console.log",
        "-device", "virtio-serial",
        "-chardev", "socket,id=agent,path=agent.sock,server=on,wait=off",
        "-device", "virtserialport,chardev=agent,name=org.qemu.guest_agent.0",
        "-virtfs", f"local,path={control},mount_tag=kitctl,security_model=none",
    ]
    for i, path in enumerate(shares):
        command += ["-virtfs", f"local,path={path},mount_tag=kit{i},security_model=none"]
    command += ["-daemonize", "-pidfile", "qemu.pid"]
    began = time.monotonic()
    subprocess.run(command, cwd=state, check=True)
    while True:
        try:
            with Agent(state) as agent:
                agent.call("guest-ping")
            break
        except (OSError, ConnectionError, RuntimeError, ValueError):
            pass
        if not qemu_pid(state) or time.monotonic() - began > BOOT_TIMEOUT:
            stop(state)
            tail = open(os.path.join(state, "console.log"), errors="replace").read()[-3000:]
            fail(f"the emulated machine did not come up; its console ended with:\n{tail}")
        time.sleep(0.5)
    print(f"wine guest: booted in {time.monotonic() - began:.1f} s, sharing {', '.join(shares)}", flush=True)


def stop(state):
    pid = qemu_pid(state)
    if not pid:
        return
    try:
        guest_run(state, ["stop"])
    except (OSError, ConnectionError, RuntimeError, ValueError):
        pass
    os.kill(pid, signal.SIGTERM)
    for _ in range(100):
        if not qemu_pid(state):
            break
        time.sleep(0.1)
    else:
        os.kill(pid, signal.SIGKILL)


def seed_prefix(prefix, image):
    """A new prefix starts as a copy of the one the guest's build prepared:
    copied here in seconds, where Wine's own first start takes minutes
    inside the emulation. Wine brings the copy up to date as it would its own."""
    template = os.path.join(image or "", "prefix")
    if not prefix or not image or not os.path.isdir(template):
        return
    if os.path.isdir(prefix) and os.listdir(prefix):
        return
    os.makedirs(prefix, exist_ok=True)
    subprocess.run(["cp", "-a", "--reflink=auto", template + "/.", prefix], check=True)


def exec_command(state, command):
    if not qemu_pid(state):
        fail(f"the emulated machine is not running (state {state})")
    if os.path.basename(command[0]) == "wineserver" and command[1:] == ["-w"]:
        # The guest's wineserver persists, so waiting for it to end would
        # never end: wait, as the caller means, for its programs to end.
        inside = ["wait-wine"]
    else:
        seed_prefix(os.environ.get("WINEPREFIX"), os.environ.get("KIT_WINE_GUEST_IMAGE"))
        inside = ["exec", os.getcwd()] + command
    pid = guest_start(state, inside, guest_env(os.environ))
    try:
        signal.signal(signal.SIGTERM, interrupt)
        signal.signal(signal.SIGINT, interrupt)
        status = guest_wait(state, pid)
    except Interrupted as stop_signal:
        # Ended from here (a timeout, ^C): end the program there too. The
        # exchange the signal cut short is skipped by the next one's sync.
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        guest_run(state, ["kill", str(pid)])
        return 128 + stop_signal.signum
    return finish(status)


class Interrupted(Exception):
    def __init__(self, signum):
        super().__init__(signum)
        self.signum = signum


def interrupt(signum, _frame):
    raise Interrupted(signum)


def prepare_prefix(guest, prefix):
    """Boots the guest once and lets Wine make a prefix, which lands in PREFIX.
    Wine makes it on the guest's own disk and sends it over as one archive:
    its thousands of files written one by one through 9p took minutes."""
    state = os.path.join(guest, "prepare")
    os.makedirs(state, exist_ok=True)
    os.makedirs(prefix, exist_ok=True)
    start(guest, state, [prefix])
    try:
        inside = "/root/prefix"
        env = guest_env({"WINEPREFIX": inside, "WINEDEBUG": "-all",
                         "WINEDLLOVERRIDES": "mscoree,mshtml="})
        began = time.monotonic()
        code = guest_run(state, ["exec", "/", "wineboot", "-i"], env)
        guest_run(state, ["wait-wine"])
        guest_run(state, ["stop"])
        # Debian's Wine notes its server's temporary folder in the prefix;
        # that folder is gone with this boot.
        archive = os.path.join(prefix, "prefix.tar")
        if code == 0:
            code = guest_run(state, ["exec", "/", "sh", "-c",
                                     f"rm -f {inside}/wineserver && tar -C {inside} -cf '{archive}' ."])
        if code != 0:
            fail(f"Wine could not make its prefix inside the guest (exit status {code})")
        subprocess.run(["tar", "-C", prefix, "-xf", archive], check=True)
        os.unlink(archive)
        print(f"wine guest: prefix prepared in {time.monotonic() - began:.1f} s", flush=True)
    finally:
        stop(state)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    sub = parser.add_subparsers(dest="verb", required=True)
    p = sub.add_parser("start")
    p.add_argument("--guest", required=True)
    p.add_argument("--state", required=True)
    p.add_argument("--share", action="append", default=[])
    for verb in ("stop", "running"):
        p = sub.add_parser(verb)
        p.add_argument("--state", required=True)
    p = sub.add_parser("exec")
    p.add_argument("--state", required=True)
    p.add_argument("command", nargs="+")
    p = sub.add_parser("prepare-prefix")
    p.add_argument("--guest", required=True)
    p.add_argument("--prefix", required=True)
    args = parser.parse_args()
    if args.verb == "start":
        os.makedirs(args.state, exist_ok=True)
        start(args.guest, os.path.realpath(args.state), args.share)
    elif args.verb == "stop":
        stop(os.path.realpath(args.state))
    elif args.verb == "running":
        sys.exit(0 if qemu_pid(os.path.realpath(args.state)) else 1)
    elif args.verb == "exec":
        try:
            sys.exit(exec_command(os.path.realpath(args.state), args.command))
        except (OSError, ConnectionError, RuntimeError, ValueError) as error:
            fail(f"lost the emulated machine ({error}); its console: {args.state}/console.log")
    else:
        prepare_prefix(os.path.realpath(args.guest), os.path.realpath(args.prefix))


if __name__ == "__main__":
    main()
