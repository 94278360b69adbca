#!/usr/bin/python3
"""Reading benchmark: a loopback Dovecot whose inbox holds 10,000 messages, 16
of them orders with a small attachment, read through libsimplemapi.so by
zorvel_reading_bench (one process per collection):

  first      logon, every id with its envelope, the 16 orders read whole:
             once while Dovecot has never read those header fields (cold),
             then again (warm)
  repeat     a new session with the last id as seed: nothing new
  maildir    the same two over maildir: on the server's own Maildir
  100 MB     one more message with a 100 MB attachment read whole: peak RSS

usage: run_benchmark.py BUILD/bin/zorvel_reading_bench
       run_benchmark.py --program BUILD/bin/zorvel
  The second form times the program's own "zorvel collect" on the same inbox
  (a game of 16 players stored by BUILD/bin/store_seeder): the first
  collection, cold and then again from a fresh send record, and a repeat
  with nothing new; then its peak RSS saving the 100 MB attachment.
"""

import base64
import json
import os
import re
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SUPPORT = os.path.join(ROOT, "tests", "support")
PYTHON = "/usr/bin/python3"
USER, PASSWORD = "tester", "bench-pw"
MESSAGES, ORDERS = 10000, 16


def message(number, order):
    head = (f"From: Player {number % 16 + 1} <p{number % 16 + 1}@example.org>\r\n"
            f"To: host@example.org\r\nDate: Mon, 4 Dec 2023 10:00:00 +0000\r\n"
            f"Message-ID: <m{number}@example.org>\r\nMIME-Version: 1.0\r\n")
    if not order:
        return (head + "Subject: chatter\r\nContent-Type: text/plain\r\n\r\n"
                + "Just talking.\r\n" * 40).encode()
    payload = base64.encodebytes(os.urandom(3000)).decode().replace("\n", "\r\n")
    return (head + "Subject: alpha orders\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
            "--b\r\nContent-Type: text/plain\r\n\r\nMy orders.\r\n--b\r\n"
            "Content-Type: application/octet-stream\r\n"
            f'Content-Disposition: attachment; filename="alpha.r{number % 16 + 1}"\r\n'
            "Content-Transfer-Encoding: base64\r\n\r\n" + payload + "--b--\r\n").encode()


def fill(maildir):
    owner = os.stat(maildir)
    every = MESSAGES // ORDERS
    for number in range(MESSAGES):
        unique = f"1700000000.M{number:07d}P1.bench"
        tmp = os.path.join(maildir, "tmp", unique)
        with open(tmp, "wb") as f:
            f.write(message(number, number % every == every - 1))
        os.utime(tmp, (1700000000 + number, 1700000000 + number))
        os.chown(tmp, owner.st_uid, owner.st_gid)
        os.rename(tmp, os.path.join(maildir, "cur", unique + ":2,"))


def put_big(maildir, folder):
    big = os.path.join(folder, "big.m1")
    with open(big, "wb") as f:
        for _ in range(100):
            f.write(os.urandom(1024 * 1024))
    subprocess.run([PYTHON, os.path.join(SUPPORT, "put_mail.py"), maildir, "--unique",
                    "1800000000.M1P1.big", "--subject", "big orders", "--attach", big + ":big.m1",
                    "--owner-of", maildir], check=True)


def collect(bench, profile, *options):
    began = time.monotonic()
    run = subprocess.run([bench, profile, PASSWORD, *options], check=True,
                         capture_output=True, text=True)
    wall = time.monotonic() - began
    last = re.search(r"last id: (\S*)", run.stdout).group(1)
    summary = run.stdout.strip().splitlines()[-1]
    return last, f"{summary} (process {wall:.3f} s)"


def run_program(program, home, game):
    environment = {"PATH": "/usr/bin:/bin", "HOME": home, "SSL_CERT_FILE": os.environ["SSL_CERT_FILE"],
                   "XDG_CONFIG_HOME": os.path.join(home, "config"),
                   "XDG_STATE_HOME": os.path.join(home, "state")}
    began = time.monotonic()
    run = subprocess.run(["/usr/bin/time", "-f", "%M", program, "collect", game],
                         env=environment, capture_output=True, text=True)
    wall = time.monotonic() - began
    rows = [line for line in run.stdout.splitlines() if line.startswith("Player ")]
    heard = [line for line in rows if not line.endswith(": waiting")]
    peak = run.stderr.strip().splitlines()[-1]
    return (f"{wall:.3f} s, exit {run.returncode}, {len(heard)} of {len(rows)} players heard from,"
            f" peak RSS {peak} KiB" + ("".join("\n    " + line for line in heard) if len(rows) == 1 else ""))


def program_benchmark(program, state, folder):
    home = os.path.join(folder, "home")
    games = os.path.join(home, "games")
    os.makedirs(games)
    imap = f"imap://{USER}@127.0.0.1:{state['imap']}/"
    seeder = os.path.join(os.path.dirname(program), "store_seeder")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"))
    subprocess.run([seeder, "--orders", imap, "{game}.r{n}", "alpha", games, "", PASSWORD,
                    *[f"p{n}@example.org" for n in range(1, 17)]], env=env, check=True)
    record = os.path.join(home, "state", "Halvane", "zorvel", "sent.log")
    print("zorvel collect, first, cold:   ", run_program(program, home, "alpha"))
    os.remove(record)
    print("zorvel collect, first, warm:   ", run_program(program, home, "alpha"))
    print("zorvel collect, nothing new:   ", run_program(program, home, "alpha"))
    put_big(state["maildir"], folder)
    subprocess.run([seeder, "--orders", imap, "", "big", games, "", PASSWORD,
                    "player@example.org"], env=env, check=True)
    print("zorvel collect, 100 MB:        ", run_program(program, home, "big"))


def main():
    program_mode = sys.argv[1] == "--program"
    bench = os.path.abspath(sys.argv[2 if program_mode else 1])
    with tempfile.TemporaryDirectory(prefix="reading-bench-") as folder:
        os.chmod(folder, 0o755)  # Dovecot's processes run as nobody under root
        server_dir = os.path.join(folder, "server")
        state_file = os.path.join(folder, "state.json")
        server = subprocess.Popen([PYTHON, os.path.join(SUPPORT, "imap_server.py"), "--dir",
                                   server_dir, "--user", USER, "--password", PASSWORD,
                                   "--state-file", state_file],
                                  stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
        try:
            while not os.path.exists(state_file):
                time.sleep(0.05)
            state = json.load(open(state_file))
            os.environ["SSL_CERT_FILE"] = state["ca"]
            began = time.monotonic()
            fill(state["maildir"])
            print(f"filled {MESSAGES} messages in {time.monotonic() - began:.1f} s")
            if program_mode:
                program_benchmark(bench, state, folder)
                return
            imap = f"imap://{USER}@127.0.0.1:{state['imap']}/"
            maildir = "maildir:" + state["maildir"]
            last, line = collect(bench, imap, "--match", "orders")
            print("IMAP first collection, cold:  ", line)
            _, line = collect(bench, imap, "--match", "orders")
            print("IMAP first collection, warm:  ", line)
            _, line = collect(bench, imap, "--seed", last, "--match", "orders")
            print("IMAP repeat, nothing new:     ", line)
            mlast, line = collect(bench, maildir, "--match", "orders")
            print("Maildir first collection:     ", line)
            _, line = collect(bench, maildir, "--seed", mlast, "--match", "orders")
            print("Maildir repeat, nothing new:  ", line)
            put_big(state["maildir"], folder)
            _, line = collect(bench, imap, "--seed", last, "--match", "big")
            print("IMAP 100 MB attachment:       ", line)
        finally:
            server.stdin.close()
            server.wait(timeout=30)


if __name__ == "__main__":
    main()
