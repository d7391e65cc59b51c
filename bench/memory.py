"""Memory: the peak resident set (VmHWM) of a process, read from /proc."""


def peak_rss_kib(pid):
    """VmHWM of process `pid` in KiB: the most memory it has held at once so far."""
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    raise RuntimeError("no VmHWM")
