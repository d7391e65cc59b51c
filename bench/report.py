"""The figures of one run as Markdown tables."""

from floods import TYPING_FLOOD_HZ, TYPING_FLOOD_LETTERS
from launch import BARE_FLIPS
from pointer import BURST_MOTIONS, POINTER_RATES
from rig import MOLECULES_MANY, verdict

def report(r):
    m, l, s, w = r["machine"], r["launch"], r["session"], r["whatif"]
    b = r.get("before")
    kinds = l["kinds"]
    base = kinds["baseline"]["ms"]
    base_sw = kinds["baseline-software"]["ms"]

    def both(f, key=None):
        """One figure for the program measured now and, with --before, for the earlier one."""
        after = f(s)
        return (f(b) if b else "-"), after

    def ms(v):
        return "-" if v is None else "%.0f ms" % v

    def dist(d):
        return "-" if not d else "median %.2f ms, p95 %.2f ms" % (d["median_ms"], d["p95_ms"])

    def idle(key):
        def f(x):
            i = x[key]
            return "%.2f%% (schedstat %.2f%%)" % (100 * i["share_stat"], 100 * i["share_schedstat"])
        return f

    def woken(key):
        def f(x):
            w = x[key].get("wakeups")
            return "-" if w is None else wakeup_text(w)
        return f

    def flood_text(name):
        def f(x):
            fl = x[name]
            return ("letter after %.0f ms; %d of %d presses lost; %d of %d motions delivered;"
                    " busy %.0f ms after the last motion"
                    % (fl["press_to_frame_ms"], fl["presses_lost"], fl["presses"],
                       fl["motions_delivered"], fl["motions_sent"], fl["busy_after_motions_ms"]))
        return f

    def tf(x):
        return x["typing_flood"]

    def launch_line(tag, label, target="-", met="-"):
        k = kinds[tag]
        return ("| Launch to %s (median of %d) | %.1f ms | %.2f x | %.2f x | %s | %s |"
                % (label, l["runs"], k["ms"], k["ms"] / base, k["ms"] / base_sw, target, met))

    lines = [
        "Machine: nproc %d, %s, kernel %s, load average %.2f at start; %s."
        % (m["nproc"], m["cpu"], m["kernel"], m["load_at_start"],
           ", ".join("%s %s" % item for item in r["versions"].items())),
        "",
        "Launch, interleaved in one run (ratios to the bare window as SDL sets it up by"
        " default, and to the bare window drawn in software as the program now chooses):",
        "",
        "| Launch | Median | Ratio | Ratio to the software-drawn bare window | Target | Met |",
        "|---|---|---|---|---|---|",
        launch_line("baseline", "first frame, bare window"),
        launch_line("baseline-software", "first frame, bare window drawn in software"),
    ]
    if "before" in kinds:
        lines.append(launch_line("before", "home screen, bundled quiz (%d molecules), before"
                                 % r["bundled_molecules"]))
    lines.append(launch_line("bundled", "home screen, bundled quiz (%d molecules)"
                             % r["bundled_molecules"], "<= 1.1 x",
                             verdict(kinds["bundled"]["ms"] / base <= 1.1)))
    for tag in r["extra_quizzes"]:
        lines.append(launch_line(tag, "home screen, quiz %s (%d molecules)"
                                 % (tag, r["extra_molecules"][tag]), "<= 1.1 x",
                                 verdict(kinds[tag]["ms"] / base <= 1.1)))
    lines.append(launch_line("many", "home screen, %d molecules" % MOLECULES_MANY, "< 2 s",
                             verdict(kinds["many"]["ms"] < 2000)))
    labels = []
    for k in kinds.values():
        for label in k["phases_ms"]:
            if label not in labels:
                labels.append(label)
    tags = list(kinds)
    lines += ["", "Where launch goes (medians; the phases of one launch add up to its total):", "",
              "| Phase | " + " | ".join(tags) + " |", "|---|" + "---|" * len(tags)]
    for label in labels:
        cells = [("%.1f" % kinds[t]["phases_ms"][label]) if label in kinds[t]["phases_ms"]
                 else "" for t in tags]
        lines.append("| %s | %s |" % (label, " | ".join(cells)))

    rows = [
        ("Wake-ups a second, home screen: all threads (main thread)",
         both(woken("idle_home")), "<= 1"),
        ("Wake-ups a second, answer-entry screen", both(woken("idle_entry")), "<= 1"),
        ("Wake-ups a second, wrong-answer screen", both(woken("idle_wrong")), "<= 1"),
        ("Idle CPU, home screen (of a core)", both(idle("idle_home")), "0.0 %"),
        ("Idle CPU, answer-entry screen", both(idle("idle_entry")), "0.0 %"),
        ("Idle CPU, wrong-answer screen", both(idle("idle_wrong")), "0.0 %"),
    ] + pointer_rows(both) + [
        ("Key to frame, delivered key-down to the flip that shows the letter",
         both(lambda x: dist(x["keys"]["delivered"])), "-"),
        ("Key to frame, X key press to that flip", both(lambda x: dist(x["keys"]["pressed"])),
         "median <= 2 ms, p95 <= 3 ms"),
        ("Key-down to the start of that flip (the program's own work)",
         both(lambda x: dist(x["keys"]["own_work"])), "-"),
        ("Backspace to frame", both(lambda x: dist(x["keys"]["erase"])), "-"),
        ("Flood: 2,000 motions at once, then a letter", both(flood_text("flood_burst")), "-"),
        ("Flood: 4 s of a 125 Hz mouse, then a letter", both(flood_text("flood_mouse")), "-"),
        ("Typing under a %d Hz pointer: motions sent / delivered" % TYPING_FLOOD_HZ,
         both(lambda x: "%d (%.0f Hz) / %d" % (tf(x)["motions_sent"], tf(x)["rate_hz"],
                                               tf(x)["motions_delivered"])), "-"),
        ("Typing under that pointer: presses lost (%d letters and Enter)" % TYPING_FLOOD_LETTERS,
         both(lambda x: "%d of %d" % (tf(x)["presses_lost"], tf(x)["presses"])), "none"),
        ("Typing under that pointer: X key press to the frame that shows the letter",
         both(lambda x: dist(tf(x)["pressed"])), "p95 <= 30 ms"),
        ("Typing under that pointer: delivered key-down to that frame",
         both(lambda x: dist(tf(x)["delivered"])), "p95 <= 2.0 ms"),
        ("Typing under that pointer: flips presented; processor time of all threads",
         both(lambda x: "%d; %.0f%% of a core" % (tf(x)["redraws"], 100 * tf(x)["busy_share"])
              if "busy_share" in tf(x) else "-"), "-"),
        ("Typing under that pointer: Enter to the wrong-answer screen",
         both(lambda x: ms(tf(x)["enter_to_answer_screen_ms"])), "<= 100 ms"),
        ("Wrong-answer screen under that pointer: space to the question screen",
         both(lambda x: "%s%s" % (ms(x["picture_flood"]["key_to_question_ms"]),
                                  "; press lost" if x["picture_flood"]["press_lost"] else "")), "-"),
        ("Peak RSS (VmHWM), bundled quiz, whole session",
         both(lambda x: "%.1f MiB" % (x["vm_hwm_kib"] / 1024)), "-"),
    ]
    t = tf(s)
    met = {
        "Typing under that pointer: presses lost": t["presses_lost"] == 0,
        "Typing under that pointer: X key press": bool(t["pressed"]) and t["pressed"]["p95_ms"] <= 30,
        "Typing under that pointer: delivered": bool(t["delivered"]) and t["delivered"]["p95_ms"] <= 2.0,
        "Typing under that pointer: Enter": (t["enter_to_answer_screen_ms"] is not None
                                             and t["enter_to_answer_screen_ms"] <= 100),
        "Idle CPU, home": s["idle_home"]["share_stat"] == 0,
        "Idle CPU, answer": s["idle_entry"]["share_stat"] == 0,
        "Idle CPU, wrong": s["idle_wrong"]["share_stat"] == 0,
        "Wake-ups a second, home": s["idle_home"]["wakeups"]["all_per_s"] <= 1,
        "Wake-ups a second, answer": s["idle_entry"]["wakeups"]["all_per_s"] <= 1,
        "Wake-ups a second, wrong": s["idle_wrong"]["wakeups"]["all_per_s"] <= 1,
        **pointer_verdicts(s),
        "Key to frame, X key press": (s["keys"]["pressed"]["median_ms"] <= 2
                                      and s["keys"]["pressed"]["p95_ms"] <= 3),
    }
    lines += ["", "| Measure | Before | After | Target | Met |", "|---|---|---|---|---|"]
    for name, (before, after), target in rows:
        ok = next((verdict(v) for prefix, v in met.items() if name.startswith(prefix)), "-")
        lines.append("| %s | %s | %s | %s | %s |" % (name, before, after, target, ok))
    lines += [
        "",
        "| Other measures | Figure |",
        "|---|---|",
        "| Idle CPU, bare window | %.2f%% (schedstat %.2f%%) |"
        % (100 * r["baseline_idle"]["share_stat"], 100 * r["baseline_idle"]["share_schedstat"]),
        "| Wake-ups a second, bare window: all threads (main thread) | %s |"
        % wakeup_text(r["baseline_idle"]["wakeups"]),
        "| Wake-ups a second, bare window drawn in software | %s |"
        % wakeup_text(r["baseline_idle_software"]["wakeups"]),
        "| One bare SDL_Flip (bare window, %d frames), SDL's default / drawn in software |"
        " median %.2f / %.2f ms, p95 %.2f / %.2f ms |"
        % (BARE_FLIPS, r["bare_flip"]["median_ms"], w["bare_flip"]["median_ms"],
           r["bare_flip"]["p95_ms"], w["bare_flip"]["p95_ms"]),
        "| Events kept for a program that takes none for %.0f s while %d motions and a key"
        " press arrive (bare window) | %d events, key press kept: %s |"
        % (r["held"]["hold_ms"] / 1000, r["held"]["motions_sent"], r["held"]["events_kept"],
           verdict(r["held"]["key_kept"])),
        "| Peak RSS (VmHWM) at the home screen (first frame for the bare window): %s |"
        " %s MiB |" % (" / ".join(r["memory"]), " / ".join("%.1f" % (v / 1024)
                                                         for v in r["memory"].values())),
        "",
        "What-if, the program measured now with SDL_RENDER_DRIVER=%s:" % r["whatif_renderer"],
        "",
        "| Measure | As built | With SDL_RENDER_DRIVER=%s |" % r["whatif_renderer"],
        "|---|---|---|",
        "| Key to frame, delivered key-down | %s | %s |"
        % (dist(s["keys"]["delivered"]), dist(w["keys"]["delivered"])),
        "| Key to frame, X key press | %s | %s |"
        % (dist(s["keys"]["pressed"]), dist(w["keys"]["pressed"])),
        "| Flood: 2,000 motions at once, then a letter | %s | %s |"
        % (flood_text("flood_burst")(s), flood_text("flood_burst")(w)),
        "| Flood: 4 s of a 125 Hz mouse, then a letter | %s | %s |"
        % (flood_text("flood_mouse")(s), flood_text("flood_mouse")(w)),
        "| Typing under a %d Hz pointer: presses lost; X key press to frame; Enter to the"
        " answer screen | %d lost; %s; %s | %d lost; %s; %s |"
        % (TYPING_FLOOD_HZ, tf(s)["presses_lost"], dist(tf(s)["pressed"]),
           ms(tf(s)["enter_to_answer_screen_ms"]), tf(w)["presses_lost"], dist(tf(w)["pressed"]),
           ms(tf(w)["enter_to_answer_screen_ms"])),
        "| Same pixels (home screen; prompt and typed line) | - | %s; %s |"
        % (w["same_home"], w["same_entry"]),
    ]
    return "\n".join(lines)


POINTER_SCREENS = (("pointer_home", "home"), ("pointer_entry", "answer-entry"),
                   ("pointer_wrong", "wrong-answer"))
POINTER_TARGETS = {125: 0.01, 1000: 0.02}


def pointer_rows(both):
    """The rows of the moving pointer: processor time on each screen at each rate, the
    frames presented meanwhile, and the keys that arrived after motion bursts."""
    def cost(key, rate):
        def f(x):
            c = x[key][str(rate)]
            return ("%.2f%% (schedstat %.2f%%); %d flips; %d of %d motions delivered;"
                    " %.0f wake-ups a second" % (
                        100 * c["share_stat"], 100 * c["share_schedstat"], c["flips"],
                        c["motions_delivered"], c["motions_sent"], c["wakeups_per_s"]))
        return f

    rows = []
    for rate in POINTER_RATES:
        for key, screen in POINTER_SCREENS:
            rows.append(("Pointer at %d Hz, %s screen: processor time; frames; motions" % (rate, screen),
                         both(cost(key, rate)), "<= %d %%; no frames" % (100 * POINTER_TARGETS[rate])))
    rows.append(("Bursts of %d motions, then a key: keys that arrived" % BURST_MOTIONS,
                 both(lambda x: "%d of %d" % (x["bursts"]["arrived"], x["bursts"]["trials"])),
                 "all"))
    return rows


def pointer_verdicts(s):
    """Whether the figures of pointer_rows met their targets, by row-name prefix."""
    verdicts = {}
    for rate in POINTER_RATES:
        for key, screen in POINTER_SCREENS:
            c = s[key][str(rate)]
            verdicts["Pointer at %d Hz, %s screen" % (rate, screen)] = (
                c["share_stat"] <= POINTER_TARGETS[rate] and c["flips"] == 0)
    verdicts["Bursts of"] = s["bursts"]["arrived"] == s["bursts"]["trials"]
    return verdicts


def wakeup_text(w):
    """Wake-ups a second of all threads, the main thread's in brackets, then the others."""
    others = ", ".join("%s %.1f" % (name, rate) for name, rate in sorted(w["threads"].items())
                       if rate > 0)
    return "%.1f (%.1f)%s" % (w["all_per_s"], w["main_per_s"], "; " + others if others else "")
