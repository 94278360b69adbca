#!/usr/bin/python3
"""Provider benchmark: 16 messages, each with a 1 MB turn file and a 1 MB further file,
sent to the loopback SMTP server with STARTTLS and AUTH, three ways:

  provider  zorvel_provider_bench: libsimplemapi.so from logon to logoff (one connection)
  smtplib   Python's email + smtplib, one connection, in a process of its own
  msmtp     the same messages built by Python's email, then msmtp once per message

and the provider's peak memory for one message with a 100 MB attachment.
Beside the two provider runs it times what the checks before sending and the
send record add to the same run (zorvel_safe_send_bench, built next to the
provider bench), as a share of the provider's send time.
Wall time is measured around each child; its peak resident memory by GNU time
(package "time"), whose small process is what the child is forked from, so the
figure is the child's own and not this script's.

With --wine it runs the Windows build's bench against zorvel-mail.dll in a
Wine session of its own (scripts/wine-session.sh), the server staying on the
Linux side: the two provider runs only. Wine's own start is left out by the
bench's own clock ("inside s"), which is the figure to compare.

usage: run_benchmark.py BUILD/bin/zorvel_provider_bench
       run_benchmark.py --wine BUILD-WINDOWS/bin/zorvel_provider_bench.exe
"""

import os
import smtplib
import ssl
import subprocess
import sys
import tempfile
import time
from email.message import EmailMessage

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SERVER = os.path.join(ROOT, "tests", "support", "smtp_server.py")
WINE_SESSION = os.path.join(ROOT, "scripts", "wine-session.sh")
PYTHON = "/usr/bin/python3"
USER, PASSWORD = "bench@example.org", "bench-pw"
MESSAGES = 16
MB = 1024 * 1024


def build_message(number, files):
    message = EmailMessage()
    message["From"] = USER
    message["To"] = "Player <player@example.org>"
    message["Subject"] = "bench"
    message.set_content("Turns mailed by Zorvel\n\nBenchmark turn.")
    for path in files:
        with open(path, "rb") as source:
            message.add_attachment(source.read(), maintype="application",
                                   subtype="octet-stream", filename=os.path.basename(path))
    return message


def smtplib_child(port, cafile, files):
    context = ssl.create_default_context(cafile=cafile)
    with smtplib.SMTP("localhost", int(port)) as client:
        client.starttls(context=context)
        client.login(USER, PASSWORD)
        for number in range(MESSAGES):
            client.send_message(build_message(number, files))


def build_child(folder, files):
    for number in range(MESSAGES):
        with open(os.path.join(folder, f"{number:02d}.eml"), "wb") as out:
            out.write(build_message(number, files).as_bytes())


def measured(command, stdin=None, env=None):
    """Runs one child; returns (wall seconds, peak RSS KiB, stdout)."""
    with tempfile.NamedTemporaryFile("r") as peak_file:
        start = time.monotonic()
        child = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", peak_file.name] + command,
                               stdin=stdin, stdout=subprocess.PIPE, env=env, check=False)
        wall = time.monotonic() - start
        if child.returncode != 0:
            sys.exit(f"failed: {' '.join(command)}")
        return wall, int(peak_file.read().split()[-1]), child.stdout.decode()


def random_file(path, size):
    with open(path, "wb") as out:
        block = os.urandom(MB)
        for _ in range(size // MB):
            out.write(block)
    return path


class Server:
    def __init__(self, work, cert, key):
        self.mail = os.path.join(work, "mail")
        port_file = os.path.join(work, "port")
        self.process = subprocess.Popen(
            [PYTHON, SERVER, "--mail-dir", self.mail, "--port-file", port_file,
             "--cert", cert, "--key", key, "--starttls",
             "--auth-user", USER, "--auth-password", PASSWORD], stdout=subprocess.DEVNULL)
        for _ in range(500):
            if os.path.exists(port_file):
                break
            time.sleep(0.02)
        with open(port_file, encoding="ascii") as source:
            self.port = int(source.read())

    def counts(self):
        """(messages stored, connections made) so far."""
        with open(os.path.join(self.mail, "server.log"), encoding="utf-8") as log:
            lines = log.read().splitlines()
        return (sum(line.startswith("MESSAGE ") for line in lines),
                sum(line.startswith("CONNECT ") for line in lines))

    def stop(self):
        self.process.terminate()
        self.process.wait()


class Setup:
    """The files, certificate and running server that every run shares."""

    def __init__(self):
        self.work = tempfile.mkdtemp(prefix="zorvel-bench-")
        self.cert = os.path.join(self.work, "cert.pem")
        key = os.path.join(self.work, "key.pem")
        # Schannel matches no IP address, and DNS:localhost covers the profile.
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                        "-subj", "/CN=localhost", "-addext", "subjectAltName=DNS:localhost",
                        "-keyout", key, "-out", self.cert], check=True, capture_output=True)
        self.files = [random_file(os.path.join(self.work, "bench.m1"), MB),
                      random_file(os.path.join(self.work, "rules.bin"), MB)]
        self.big = random_file(os.path.join(self.work, "big.m1"), 100 * MB)
        self.server = Server(self.work, self.cert, key)
        self.profile = f"smtp://bench%40example.org@localhost:{self.server.port}"
        self.rows = []

    def record(self, name, before, wall, peak, note=""):
        stored, connections = self.server.counts()
        self.rows.append((name, wall, peak, stored - before[0], connections - before[1], note))

    def provider(self, name, command, env):
        """One provider run; its own clock and peak memory go into the note."""
        before = self.server.counts()
        wall, peak, out = measured(command, env=env)
        inside = dict(field.split("=") for field in out.split())
        self.record(name, before, wall, peak,
                    f"inside {float(inside['wall_ms']) / 1000:.2f} s, "
                    f"{int(inside['peak_rss_kib']) // 1024} MB")
        return wall

    def finish(self):
        self.server.stop()
        print(f"{'run':30} {'wall s':>8} {'peak MB':>8} {'sent':>5} {'conns':>6}")
        for name, wall, peak, sent, connections, note in self.rows:
            print(f"{name:30} {wall:8.2f} {peak / 1024:8.1f} {sent:5d} {connections:6d}  {note}")

    def remove(self):
        subprocess.run(["rm", "-rf", self.work], check=False)


def run(bench):
    setup = Setup()
    work, cert, files = setup.work, setup.cert, setup.files
    env = dict(os.environ, SSL_CERT_FILE=cert, HOME=work)
    provider_wall = setup.provider("provider", [bench, setup.profile, PASSWORD, str(MESSAGES)] + files, env)

    before = setup.server.counts()
    wall, peak, _ = measured([PYTHON, __file__, "--smtplib", str(setup.server.port), cert] + files, env=env)
    setup.record("python smtplib", before, wall, peak)

    with open(os.path.join(work, ".msmtprc"), "w", encoding="ascii") as config:
        config.write(f"account bench\nhost localhost\nport {setup.server.port}\ntls on\n"
                     f"tls_starttls on\ntls_trust_file {cert}\nauth on\nuser {USER}\n"
                     f"password {PASSWORD}\nfrom {USER}\n")
    os.chmod(os.path.join(work, ".msmtprc"), 0o600)
    outbox = os.path.join(work, "outbox")
    os.mkdir(outbox)
    before = setup.server.counts()
    build_wall, build_peak, _ = measured([PYTHON, __file__, "--build", outbox] + files, env=env)
    send_wall, send_peak = 0.0, 0
    for name in sorted(os.listdir(outbox)):
        with open(os.path.join(outbox, name), "rb") as message:
            wall, peak, _ = measured(["msmtp", "-a", "bench", "--", "player@example.org"],
                                     stdin=message, env=env)
        send_wall += wall
        send_peak = max(send_peak, peak)
    setup.record("msmtp per message", before, build_wall + send_wall, send_peak,
                 f"msmtp alone {send_wall:.2f} s; building {build_wall:.2f} s, {build_peak // 1024} MB")

    safe = os.path.join(os.path.dirname(bench), "zorvel_safe_send_bench")
    safe_rows = [("16 players, 1 MB + 1 MB", provider_wall,
                  measured([safe, str(MESSAGES)] + files, env=env)[2])]

    wall = setup.provider("provider, 100 MB attachment", [bench, setup.profile, PASSWORD, "1", setup.big], env)
    safe_rows.append(("1 player, 100 MB", wall, measured([safe, "1", setup.big], env=env)[2]))
    setup.finish()

    print()
    print(f"{'checks and record':30} {'send s':>8} {'added':>8}")
    for name, send_wall, line in safe_rows:
        parts = line.split()
        added = float(parts[1]) + float(parts[4])
        print(f"{name:30} {send_wall:8.2f} {added:8.3f}  {100 * added / send_wall:.1f} % ({line.strip()})")
    setup.remove()


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def run_wine(bench):
    setup = Setup()
    session = os.path.join(setup.work, "wine")
    subprocess.run(["bash", WINE_SESSION, "start", session], check=True)
    try:
        env = dict(os.environ, SSL_CERT_FILE=windows_path(setup.cert))
        wine = ["bash", WINE_SESSION, "run", session, bench, setup.profile, PASSWORD]
        setup.provider("provider (Wine)", wine + [str(MESSAGES)] + [windows_path(f) for f in setup.files], env)
        setup.provider("provider (Wine), 100 MB", wine + ["1", windows_path(setup.big)], env)
    finally:
        subprocess.run(["bash", WINE_SESSION, "stop", session], check=False)
    setup.finish()
    setup.remove()


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "--smtplib":
        smtplib_child(sys.argv[2], sys.argv[3], sys.argv[4:])
    elif len(sys.argv) > 1 and sys.argv[1] == "--build":
        build_child(sys.argv[2], sys.argv[3:])
    elif len(sys.argv) == 3 and sys.argv[1] == "--wine":
        run_wine(os.path.abspath(sys.argv[2]))
    elif len(sys.argv) == 2:
        run(os.path.abspath(sys.argv[1]))
    else:
        sys.exit(__doc__)
