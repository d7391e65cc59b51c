"""Launch: from spawning a process to the end of its first SDL_Flip (the home screen for
the quiz, the one frame for the bare window), with the start-up calls the shim logs
splitting it into phases; and the bare cost of one SDL_Flip."""

from memory import peak_rss_kib
from rig import Process, log, summary_ms

BARE_FLIPS = 120


def launch_phases(run):
    """Where one launch spent its time, from the spawn to the end of the first flip:
    [(phase, ns)], read from the start-up calls the shim logged."""
    frames = run.frames
    first = {}
    for name, start, end, _ in frames.calls:
        first.setdefault(name, (start, end))
    loads = [(start, end) for name, start, end, _ in frames.calls if name == "SDL_LoadBMP_RW"]
    marks = [("spawn", run.spawned)]
    if "SDL_Init" in first:
        marks += [("exec, linking, static set-up", first["SDL_Init"][0]),
                  ("SDL_Init", first["SDL_Init"][1])]
    if "SDL_SetVideoMode" in first:
        marks.append(("caption and SDL_SetVideoMode", first["SDL_SetVideoMode"][1]))
    if "TTF_OpenFont" in first:
        marks.append(("TTF_Init and TTF_OpenFont", first["TTF_OpenFont"][1]))
    if len(loads) >= 6:
        marks += [("four fixed pictures", loads[3][1]),
                  ("list and %d molecule pictures" % (len(loads) - 5), loads[-2][1]),
                  ("home picture", loads[-1][1])]
    marks.append(("first frame: draw and SDL_Flip", frames.flips[0][1]))
    return [(label, t - marks[k][1]) for k, (label, t) in enumerate(marks[1:])]


def measure_launches(x, commands, runs):
    """Interleaved launches: {tag: [ns to first frame]}, {tag: [VmHWM]}, dropped runs,
    {tag: {phase: [ns]}}."""
    times = {tag: [] for tag in commands}
    hwm = {tag: [] for tag in commands}
    phases = {tag: {} for tag in commands}
    drops = 0
    for round_number in range(runs + 1):
        for tag, (command, workdir, shim, env) in commands.items():
            run = Process(x, command, workdir, shim, "launch-" + tag, env)
            try:
                run.start()
                drops += run.drops
                if round_number > 0:  # round 0 only warms the caches
                    times[tag].append(run.first_frame())
                    run.frames.read()
                    for label, ns in launch_phases(run):
                        phases[tag].setdefault(label, []).append(ns)
                    run.settle()
                    hwm[tag].append(peak_rss_kib(run.pid))
            finally:
                run.stop()
                run.kill()
        log("launch round %d of %d done" % (round_number, runs))
    return times, hwm, drops, phases


def bare_flip(x, baseline, workdir, shim, env=None):
    """Median duration of one SDL_Flip when the baseline presents frames back to back."""
    run = Process(x, [baseline, "--flips", str(BARE_FLIPS)], workdir, shim, "flips", env)
    run.start(wait_for_exit=True)
    run.kill()
    durations = [end - start for start, end in run.frames.read().flips[1:]]
    return summary_ms(durations)
