"""Load times: a first visit on a slow network, and a repeat visit from the offline copy."""

import time

import web_harness

# What the page fetched until its first frame, by resource timing: the navigation and
# every resource that had arrived by then, as transferred (headers included).
TRANSFERRED = """
var mark = performance.getEntriesByName('molvane-first-frame')[0];
var entries = performance.getEntriesByType('navigation')
    .concat(performance.getEntriesByType('resource'));
var before = entries.filter(function(e) { return !mark || e.responseEnd <= mark.startTime; });
return {bytes: before.reduce(function(sum, e) { return sum + e.transferSize; }, 0),
        files: before.length};
"""

WORKER = """
var done = arguments[arguments.length - 1];
if (!navigator.serviceWorker) { done('none'); return; }
navigator.serviceWorker.getRegistrations().then(function(registrations) {
  done(registrations.length ? 'registered' : 'none');
});
"""

WORKER_READY = """
var done = arguments[arguments.length - 1];
navigator.serviceWorker.ready.then(function() { done(!!navigator.serviceWorker.controller); });
"""


def first_visit(site, path, network):
    """One first visit with a fresh profile: {'ms', 'busy', 'bytes', 'files', 'served'},
    where busy is the renderer main thread's task time until the first frame, in
    seconds of its own CPU time (so other load on the machine hardly changes it), bytes
    and files are what the page fetched until its first frame, and served is every byte
    the server sent until the visit went quiet (a service worker's copy included)."""
    with web_harness.fresh_visit(site) as (server, driver, page):
        web_harness.throttle(page, network)
        page.cdp("Performance.enable", timeDomain="threadTicks")
        driver.get(server.url + path)
        ms = web_harness.wait_for_first_frame(page)
        busy = web_harness.task_seconds(page)
        fetched = driver.execute_script(TRANSFERRED)
        server.wait_until_quiet()
        return {"ms": ms, "busy": busy, "bytes": fetched["bytes"], "files": fetched["files"],
                "served": server.bytes_sent()}


def repeat_visit(site, path, settle=10.0):
    """A visit from the offline copy: a first visit, the server stopped, then the same
    page again in the same profile. The first-frame time in ms, or a string that says
    why there is none ("not available" when the page registers no service worker)."""
    with web_harness.fresh_visit(site) as (server, driver, page):
        driver.get(server.url + path)
        web_harness.wait_for_first_frame(page)
        deadline = time.monotonic() + 3.0
        while driver.execute_async_script(WORKER) == "none":
            if time.monotonic() > deadline:
                return "not available (the page registers no service worker)"
            time.sleep(0.1)
        driver.set_script_timeout(settle)
        driver.execute_async_script(WORKER_READY)
        server.wait_until_quiet()
        server.stop()
        driver.get(server.url + path)
        try:
            return web_harness.wait_for_first_frame(page, timeout=settle)
        except AssertionError as error:
            return "failed offline: %s" % error
