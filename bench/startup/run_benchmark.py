#!/usr/bin/python3
"""Start-up benchmark: the time from starting the real program (BUILD/bin/zorvel)
until its main window is viewable on an X display (Xvfb, with openbox as the
window manager), on stores of 0, 1,000 and 10,000 games.

Each store is seeded through the program's own store code (zorvel_startup_seed);
zorvel_window_timer starts the program, waits for its window on the display,
prints the time and closes the window again. The sizes take turns, one start
each per round, so that a busy machine weighs on them alike; the first round
only warms the caches. Prints the median, fastest and slowest start of each
size, and whether 10,000 games stay within 50 ms of the empty store; beside
them the median processor time the program had used by then, which a busy
machine disturbs less than the time on the clock.

usage: run_benchmark.py BUILD/bin [ROUNDS]   (ROUNDS measured, default 9)
Needs Xvfb and openbox (Debian packages xvfb, openbox).
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile

SIZES = (0, 1000, 10000)
GOAL_MS = 50.0


def start_display(work):
    """Starts Xvfb on a free display and openbox on it; returns (display, processes)."""
    read_end, write_end = os.pipe()
    log = open(os.path.join(work, "xvfb.log"), "wb")
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,), stdout=log, stderr=log)
    os.close(write_end)
    with os.fdopen(read_end) as reply:
        number = reply.readline().strip()
    if not number:
        xvfb.kill()
        sys.exit("Xvfb did not start; see " + log.name)
    display = ":" + number
    openbox = subprocess.Popen(["openbox"], env=dict(os.environ, DISPLAY=display),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return display, [openbox, xvfb]


def user_folder(work, games, display):
    """A home of its own for each size; returns the environment the program runs in."""
    home = os.path.join(work, f"games-{games}")
    env = {key: value for key, value in os.environ.items() if not key.startswith("QT_")}
    env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_STATE_HOME=os.path.join(home, "state"),
               XDG_RUNTIME_DIR=os.path.join(home, "runtime"), DISPLAY=display,
               QT_QPA_PLATFORM="xcb")
    os.makedirs(env["XDG_CONFIG_HOME"])
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    return env


def seed(bin_dir, program, games, env):
    subprocess.run([os.path.join(bin_dir, "zorvel_startup_seed"), os.path.basename(program),
                    str(games)], env=env, check=True)


def time_start(bin_dir, program, env):
    """One start of the program: milliseconds until its main window was viewable,
    and the processor milliseconds it had used by then."""
    timer = subprocess.run([os.path.join(bin_dir, "zorvel_window_timer"), program], env=env,
                           stdout=subprocess.PIPE, text=True, check=False)
    fields = timer.stdout.rstrip("\n").split("\t", 2)
    if timer.returncode != 0 or len(fields) != 3 or fields[2] != "Zorvel":
        sys.exit(f"timing failed (status {timer.returncode}, output {timer.stdout!r})")
    return float(fields[0]), float(fields[1])


def measure(bin_dir, rounds, work, display):
    program = os.path.join(bin_dir, "zorvel")
    envs = {games: user_folder(work, games, display) for games in SIZES}
    for games in SIZES:
        seed(bin_dir, program, games, envs[games])
    times = {games: [] for games in SIZES}
    for round_number in range(rounds + 1):
        for games in SIZES:
            start = time_start(bin_dir, program, envs[games])
            if round_number > 0:
                times[games].append(start)
    return times


def report(times):
    walls = {games: [wall for wall, _ in starts] for games, starts in times.items()}
    cpus = {games: [cpu for _, cpu in starts] for games, starts in times.items()}
    empty = statistics.median(walls[0])
    empty_cpu = statistics.median(cpus[0])
    print(f"{'games':>7} {'median ms':>10} {'fastest':>8} {'slowest':>8} {'over empty':>11}"
          f" {'cpu ms':>8} {'over empty':>11}")
    for games in SIZES:
        median, cpu = statistics.median(walls[games]), statistics.median(cpus[games])
        print(f"{games:7d} {median:10.1f} {min(walls[games]):8.1f} {max(walls[games]):8.1f}"
              f" {median - empty:+11.1f} {cpu:8.1f} {cpu - empty_cpu:+11.1f}")
    over = statistics.median(walls[SIZES[-1]]) - empty
    met = over <= GOAL_MS
    print(f"{SIZES[-1]} games within {GOAL_MS:.0f} ms of the empty store: "
          f"{'met' if met else 'MISSED'} ({over:+.1f} ms, medians of {len(times[0])} starts)")
    return met


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    bin_dir = os.path.abspath(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) == 3 else 9
    work = tempfile.mkdtemp(prefix="zorvel-startup-bench-")
    processes = []
    try:
        display, processes = start_display(work)
        met = report(measure(bin_dir, rounds, work, display))
    finally:
        for process in processes:
            process.terminate()
            process.wait()
        shutil.rmtree(work, ignore_errors=True)
    return 0 if met else 2


if __name__ == "__main__":
    sys.exit(main())
