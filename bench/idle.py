"""Idle: what a screen costs while it waits for a key, over IDLE_WINDOW seconds with no
input: the processor time from /proc/PID/stat (and the finer schedstat of every
thread), and the wake-ups, that is the context switches of every thread."""

import os
import time

from rig import Process, log

IDLE_WINDOW = 5.0        # the deliberate idle measurement window


def cpu_ticks(pid):
    """utime + stime of the process, in clock ticks (fields 14 and 15 of /proc/PID/stat)."""
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def cpu_ns(pid):
    """Time on a processor of every thread of the process, in ns (schedstat)."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as stat:
                total += int(stat.read().split()[0])
        except (FileNotFoundError, ProcessLookupError):
            pass
    return total


def context_switches(pid):
    """{thread id: (name, voluntary + involuntary context switches so far)}: each one is
    a time the thread stopped running, so each counts one wake-up when it runs again."""
    threads = {}
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/status" % (pid, task)) as status:
                fields = dict(line.split(":", 1) for line in status if ":" in line)
        except (FileNotFoundError, ProcessLookupError):
            continue
        threads[int(task)] = (fields["Name"].strip(),
                              int(fields["voluntary_ctxt_switches"])
                              + int(fields["nonvoluntary_ctxt_switches"]))
    return threads


def wakeups(pid, before, after, seconds):
    """Wake-ups a second between two context_switches() readings: of all threads, of the
    main thread, and of each thread by name (a thread started meanwhile counts whole)."""
    by_thread = {}
    for task, (name, count) in after.items():
        rate = (count - before.get(task, (name, 0))[1]) / seconds
        by_thread[name] = by_thread.get(name, 0) + rate
    main = (after.get(pid, ("", 0))[1] - before.get(pid, ("", 0))[1]) / seconds
    return {"all_per_s": sum(by_thread.values()), "main_per_s": main, "threads": by_thread}


def baseline_idle(x, baseline, workdir, shim, env=None):
    """The bare window's own idle costs: it sleeps in SDL_WaitEvent."""
    run = Process(x, [baseline], workdir, shim, "idle", env)
    try:
        run.start()
        return idle_share(run, "baseline")
    finally:
        run.stop()
        run.kill()


def idle_share(run, screen):
    """Share of one core used, and wake-ups a second, over IDLE_WINDOW seconds with no
    input."""
    run.settle()
    flips_before = len(run.frames.flips)
    switches = context_switches(run.pid)
    ticks, ns, started = cpu_ticks(run.pid), cpu_ns(run.pid), time.monotonic()
    time.sleep(IDLE_WINDOW)
    ticks2, ns2, elapsed = cpu_ticks(run.pid), cpu_ns(run.pid), time.monotonic() - started
    woken = wakeups(run.pid, switches, context_switches(run.pid), elapsed)
    run.check_running()
    flips = len(run.frames.read().flips) - flips_before
    share = (ticks2 - ticks) / os.sysconf("SC_CLK_TCK") / elapsed
    log("idle on the %s screen: %.2f%% of a core, %.1f wake-ups a second (%s; %d flips)"
        % (screen, share * 100, woken["all_per_s"],
           ", ".join("%s %.1f" % item for item in sorted(woken["threads"].items())), flips))
    return {"screen": screen, "share_stat": share, "share_schedstat": (ns2 - ns) / 1e9 / elapsed,
            "seconds": elapsed, "flips": flips, "wakeups": woken}
