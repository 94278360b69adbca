#!/usr/bin/python3
"""A real IMAP server (Debian's dovecot-imapd) on loopback, for tests.

Usage: imap_server.py --dir DIR [options]

  --dir DIR            everything lives here: dovecot.conf, run/, state/, tls/,
                       Maildir/ (the mailbox INBOX), dovecot.log (logons and
                       disconnects, with TLS or not), rawlog/ (every line each
                       client sent after logon, in *.in files)
  --user U --password P  the one account (default tester / secret)
  --listen ADDR        loopback address to listen on (default 127.0.0.1)
  --state-file FILE    written atomically once the server answers on both ports:
                       {"imap": n, "imaps": n, "ca": path, "maildir": path, "pid": n, ...}
  --foreground-seconds N  stop by itself after N seconds (a bound for scripts)
  --no-tls             a server that offers no STARTTLS and has no imaps port (the
                       client must then refuse to log on); IMAPS is printed as 0

Prints "IMAP <port>" and "IMAPS <port>" (STARTTLS on the first, TLS from the
first byte on the second) and then "READY" on stdout. Runs until SIGTERM/SIGINT
or until its standard input is closed when it is a pipe, then stops Dovecot
and waits for it to exit.

Works as root (Dovecot's login and mail processes then run as nobody:nogroup,
and DIR is handed to that user) and as a normal user (everything runs as that
user). It never reads /etc/dovecot and listens on nothing but ADDR.
"""

import argparse
import grp
import json
import os
import pwd
import select
import signal
import socket
import ssl
import stat
import subprocess
import sys
import time

START_ATTEMPTS = 5
READY_TIMEOUT = 10.0


def make_certificates(tls_dir, address):
    """A private CA and a server certificate for localhost and ADDR, valid 2 days."""
    os.makedirs(tls_dir, exist_ok=True)
    ca_key, ca = f"{tls_dir}/ca.key", f"{tls_dir}/ca.pem"
    key, csr, cert = f"{tls_dir}/server.key", f"{tls_dir}/server.csr", f"{tls_dir}/server.pem"
    ext = f"{tls_dir}/server.ext"
    quiet = {"check": True, "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2",
                    "-keyout", ca_key, "-out", ca, "-subj", "/CN=Zorvel Test CA",
                    "-addext", "basicConstraints=critical,CA:TRUE",
                    "-addext", "keyUsage=critical,keyCertSign,cRLSign"], **quiet)
    subprocess.run(["openssl", "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key,
                    "-out", csr, "-subj", "/CN=localhost"], **quiet)
    with open(ext, "w") as f:
        f.write(f"subjectAltName=DNS:localhost,IP:{address},DNS:{address}\nbasicConstraints=CA:FALSE\n"
                "keyUsage=critical,digitalSignature,keyEncipherment\n"
                "extendedKeyUsage=serverAuth\n")
    subprocess.run(["openssl", "x509", "-req", "-in", csr, "-CA", ca, "-CAkey", ca_key,
                    "-CAcreateserial", "-days", "2", "-out", cert, "-extfile", ext], **quiet)
    return ca, cert, key


def free_port(address):
    # The port is released again before Dovecot binds it; a lost race is retried.
    with socket.socket() as s:
        s.bind((address, 0))
        return s.getsockname()[1]


def accounts():
    """(service user, mail uid, mail gid): Dovecot never serves mail as root."""
    if os.geteuid() == 0:
        return "nobody", pwd.getpwnam("nobody").pw_uid, grp.getgrnam("nogroup").gr_gid
    me = pwd.getpwuid(os.geteuid())
    return me.pw_name, me.pw_uid, os.getegid()


def write_config(d, a, imap_port, imaps_port, cert, key, tls=True):
    service_user, uid, gid = accounts()
    group = grp.getgrgid(gid).gr_name
    tls_settings = f"ssl = yes\nssl_cert = <{cert}\nssl_key = <{key}" if tls else "ssl = no"
    imaps_listener = (f"  inet_listener imaps {{\n    address = {a}\n    port = {imaps_port}\n"
                      "    ssl = yes\n  }\n") if tls else ""
    text = f"""# Written by imap_server.py; nothing is read from /etc/dovecot.
base_dir = {d}/run
state_dir = {d}/state
log_path = {d}/dovecot.log
protocols = imap
listen = {a}
shutdown_clients = yes
{tls_settings}
auth_mechanisms = plain login
# What tests read back: each logon and disconnect (with TLS or not, auth
# attempts or none) in the log, and every byte a client sent after logon in
# {d}/rawlog.
auth_verbose = yes
protocol imap {{
  rawlog_dir = {d}/rawlog
}}
# A refused logon answers at once instead of after 2 s.
auth_failure_delay = 0
default_login_user = {service_user}
default_internal_user = {service_user}
default_internal_group = {group}
first_valid_uid = {min(uid, 500)}
first_valid_gid = {min(gid, 1)}
passdb {{
  driver = passwd-file
  args = scheme=PLAIN username_format=%u {d}/passwd
}}
userdb {{
  driver = static
  args = uid={uid} gid={gid} home={d}/home
}}
mail_location = maildir:{d}/Maildir
# chroot needs root; a test server has no use for it. Without the penalty socket a
# logon right after a refused one is not held back by up to 15 s.
service anvil {{
  chroot =
  unix_listener anvil-auth-penalty {{
    mode = 0
  }}
}}
service imap-login {{
  chroot =
  inet_listener imap {{
    address = {a}
    port = {imap_port}
  }}
{imaps_listener}}}
"""
    with open(f"{d}/dovecot.conf", "w") as f:
        f.write(text)


def prepare(d, user, password, address):
    for sub in ("run", "state", "home", "rawlog", "Maildir/cur", "Maildir/new", "Maildir/tmp"):
        os.makedirs(f"{d}/{sub}", exist_ok=True)
    with open(f"{d}/passwd", "w") as f:
        f.write(f"{user}:{password}::::::\n")
    ca, cert, key = make_certificates(f"{d}/tls", address)
    _, uid, gid = accounts()
    if os.geteuid() == 0:
        for sub in ("home", "rawlog", "Maildir", "Maildir/cur", "Maildir/new", "Maildir/tmp"):
            os.chown(f"{d}/{sub}", uid, gid)
    return ca, cert, key


def greets(address, port, implicit_tls, ca):
    try:
        with socket.create_connection((address, port), timeout=1.0) as raw:
            if implicit_tls:
                ctx = ssl.create_default_context(cafile=ca)
                with ctx.wrap_socket(raw, server_hostname="localhost") as s:
                    return s.recv(200).startswith(b"* OK")
            return raw.recv(200).startswith(b"* OK")
    except OSError:
        return False


def start(d, address, ca, cert, key, tls):
    """Starts `dovecot -F`; returns (process, imap port, imaps port)."""
    for _ in range(START_ATTEMPTS):
        ports = free_port(address), (free_port(address) if tls else 0)
        write_config(d, address, *ports, cert, key, tls)
        log = open(f"{d}/dovecot.stderr", "w")
        proc = subprocess.Popen(["dovecot", "-F", "-c", f"{d}/dovecot.conf"],
                                stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        deadline = time.monotonic() + READY_TIMEOUT
        while time.monotonic() < deadline and proc.poll() is None:
            if greets(address, ports[0], False, ca) and (not tls or greets(address, ports[1], True, ca)):
                return proc, *ports
            time.sleep(0.05)
        if proc.poll() is None:
            stop(proc)
            raise RuntimeError(f"dovecot did not answer within {READY_TIMEOUT} s")
        with open(f"{d}/dovecot.stderr") as f:
            failure = f.read()
        if "Address already in use" not in failure:
            raise RuntimeError(f"dovecot failed to start: {failure.strip()}")
    raise RuntimeError("no free port pair found")


def stop(proc):
    proc.send_signal(signal.SIGTERM)
    try:
        proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


def wait_for_end(limit):
    stopping = []
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: stopping.append(True))
    watch_stdin = stat.S_ISFIFO(os.fstat(0).st_mode)
    deadline = time.monotonic() + limit if limit else None
    while not stopping:
        if deadline and time.monotonic() > deadline:
            return
        if watch_stdin:
            ready, _, _ = select.select([sys.stdin], [], [], 0.2)
            if ready and not sys.stdin.buffer.read1(1):
                return
        else:
            time.sleep(0.2)


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--dir", required=True)
    p.add_argument("--user", default="tester")
    p.add_argument("--password", default="secret")
    p.add_argument("--listen", default="127.0.0.1")
    p.add_argument("--state-file")
    p.add_argument("--foreground-seconds", type=float, default=0)
    p.add_argument("--no-tls", action="store_true")
    args = p.parse_args()
    if not args.listen.startswith("127."):
        sys.exit("only loopback addresses")
    d = os.path.abspath(args.dir)
    os.makedirs(d, exist_ok=True)
    if os.geteuid() == 0:
        # Dovecot serves mail as nobody, who must reach the folder; a Windows
        # test under Wine cannot give it that right itself.
        os.chmod(d, os.stat(d).st_mode | 0o011)
    began = time.monotonic()
    ca, cert, key = prepare(d, args.user, args.password, args.listen)
    made = time.monotonic()
    proc, imap_port, imaps_port = start(d, args.listen, ca, cert, key, not args.no_tls)
    state = {"imap": imap_port, "imaps": imaps_port, "ca": ca, "maildir": f"{d}/Maildir",
             "pid": proc.pid, "log": f"{d}/dovecot.log", "address": args.listen,
             "certificates_s": round(made - began, 3),
             "startup_s": round(time.monotonic() - made, 3)}
    if args.state_file:
        with open(args.state_file + ".tmp", "w") as f:
            json.dump(state, f)
        os.replace(args.state_file + ".tmp", args.state_file)
    print(f"IMAP {imap_port}\nIMAPS {imaps_port}\nREADY", flush=True)
    try:
        wait_for_end(args.foreground_seconds)
    finally:
        stop(proc)


if __name__ == "__main__":
    main()
