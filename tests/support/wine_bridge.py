#!/usr/bin/python3
"""Runs Linux programs for Windows tests under Wine.

Wine starts a Linux program for a Windows one but gives it no handle on it: no
wait, no exit status, no pipes. The Wine session (scripts/wine-session.sh) runs
this bridge beside its prefix; a test asks it, through files, to run the test
support programs (smtp_server.py, read_mail.py, openssl) and reads the answers
back (tests/support/SupportProcess_win.cpp).

Usage: wine_bridge.py --dir DIR --wineprefix PREFIX

A request is DIR/NAME.request, written whole (renamed into place), holding JSON:
  {"op": "run", "argv": [...], "timeout": SECONDS}
      runs to its end -> {"status": N, "stdout": TEXT, "stderr": TEXT}
  {"op": "start", "argv": [...]}  starts in the background -> {"process": ID}
  {"op": "poll", "process": ID}   -> {"running": BOOL}
  {"op": "stop", "process": ID}   ends it and what it started -> {}
The answer is DIR/NAME.reply, written whole; a request that fails is answered
{"error": TEXT}. An argument written as a Windows path ("C:\\...", "Z:/...") is
handed over as the prefix maps it. A background program's output goes to
DIR/process-ID.log.

DIR/ready appears once requests are read. On SIGTERM or SIGINT, and when DIR is
removed, every program still running is ended (its whole process group, after
5 s by SIGKILL) and the bridge exits.
"""

import argparse
import json
import os
import re
import signal
import subprocess
import sys
import threading
import time

POLL_SECONDS = 0.01
GRACE_SECONDS = 5
WINDOWS_PATH = re.compile(r"^([A-Za-z]):[\\/](.*)$")


class Bridge:
    def __init__(self, folder, prefix):
        self.folder = folder
        self.prefix = prefix
        self.processes = {}
        self.lock = threading.Lock()
        self.next_id = 1
        self.stopping = threading.Event()

    def linux_path(self, argument):
        match = WINDOWS_PATH.match(argument)
        if not match:
            return argument
        # The drive's link resolved: a Unix socket path must stay short.
        drive = os.path.realpath(
            os.path.join(self.prefix, "dosdevices", match.group(1).lower() + ":"))
        return os.path.join(drive, match.group(2).replace("\\", "/"))

    def command(self, request):
        argv = request.get("argv")
        if not argv or not all(isinstance(a, str) for a in argv):
            raise ValueError("no command given")
        return [self.linux_path(a) for a in argv]

    def run(self, request):
        child = subprocess.Popen(self.command(request), stdin=subprocess.DEVNULL,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                 start_new_session=True)
        try:
            out, err = child.communicate(timeout=request.get("timeout", 120))
        except subprocess.TimeoutExpired:
            end_group(child)
            raise ValueError(f"{request['argv'][0]} did not finish within {request.get('timeout', 120)} s")
        return {"status": child.returncode,
                "stdout": out.decode("utf-8", "replace"),
                "stderr": err.decode("utf-8", "replace")}

    def start(self, request):
        with self.lock:
            number = self.next_id
            self.next_id += 1
        log = open(os.path.join(self.folder, f"process-{number}.log"), "wb")
        child = subprocess.Popen(self.command(request), stdin=subprocess.DEVNULL, stdout=log,
                                 stderr=subprocess.STDOUT, start_new_session=True)
        log.close()
        with self.lock:
            self.processes[number] = child
        return {"process": number}

    def find(self, request):
        with self.lock:
            child = self.processes.get(request.get("process"))
        if child is None:
            raise ValueError(f"no process {request.get('process')}")
        return child

    def poll(self, request):
        return {"running": self.find(request).poll() is None}

    def stop(self, request):
        child = self.find(request)
        end_group(child)
        with self.lock:
            self.processes.pop(request["process"], None)
        return {}

    def answer(self, name):
        path = os.path.join(self.folder, name)
        try:
            with open(path, encoding="utf-8") as source:
                request = json.load(source)
            os.remove(path)
            operation = {"run": self.run, "start": self.start,
                         "poll": self.poll, "stop": self.stop}.get(request.get("op"))
            if operation is None:
                raise ValueError(f"unknown operation {request.get('op')!r}")
            reply = operation(request)
        except Exception as error:  # noqa: BLE001 -- every request gets an answer
            reply = {"error": str(error)}
        target = os.path.join(self.folder, name[:-len(".request")] + ".reply")
        with open(target + ".part", "w", encoding="utf-8") as out:
            json.dump(reply, out)
        os.replace(target + ".part", target)

    def serve(self):
        taken = set()
        open(os.path.join(self.folder, "ready"), "w").close()
        while not self.stopping.is_set() and os.path.isdir(self.folder):
            for name in os.listdir(self.folder):
                if name.endswith(".request") and name not in taken:
                    taken.add(name)
                    threading.Thread(target=self.answer, args=(name,), daemon=True).start()
            taken &= set(os.listdir(self.folder))
            time.sleep(POLL_SECONDS)
        self.end_all()

    def end_all(self):
        with self.lock:
            children = list(self.processes.values())
            self.processes.clear()
        for child in children:
            end_group(child)


def end_group(child):
    """Ends a child and everything it started: TERM, then KILL after the grace time."""
    for signum, wait in ((signal.SIGTERM, GRACE_SECONDS), (signal.SIGKILL, GRACE_SECONDS)):
        if child.poll() is not None:
            break
        try:
            os.killpg(child.pid, signum)
        except ProcessLookupError:
            break
        try:
            child.wait(timeout=wait)
        except subprocess.TimeoutExpired:
            continue
    try:  # a grandchild may outlive its parent in the group
        os.killpg(child.pid, signal.SIGKILL)
    except (ProcessLookupError, PermissionError):
        pass


def main():
    parser = argparse.ArgumentParser(description="Linux programs for Windows tests under Wine")
    parser.add_argument("--dir", required=True)
    parser.add_argument("--wineprefix", required=True)
    options = parser.parse_args()
    os.makedirs(options.dir, exist_ok=True)
    bridge = Bridge(os.path.abspath(options.dir), os.path.abspath(options.wineprefix))
    for signum in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signum, lambda *_: bridge.stopping.set())
    bridge.serve()
    return 0


if __name__ == "__main__":
    sys.exit(main())
