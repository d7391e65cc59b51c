"""Idle CPU: what the page costs while a screen waits for a key."""

import time

import web_harness


def _busy_share(page, seconds):
    """The renderer main thread's busy share of one core over `seconds` of waiting."""
    before = web_harness.task_seconds(page)
    start = time.monotonic()
    time.sleep(seconds)
    busy = web_harness.task_seconds(page) - before
    return busy / (time.monotonic() - start)


def idle_shares(site, path, seconds):
    """(home screen, question screen) busy shares while each waits for a key."""
    with web_harness.fresh_visit(site) as (server, driver, page):
        driver.get(server.url + path)
        web_harness.wait_for_first_frame(page)
        page.cdp("Performance.enable", timeDomain="threadTicks")
        home = _busy_share(page, seconds)
        page.press("space")
        time.sleep(0.5)  # lets the question screen settle; nothing is timed here
        question = _busy_share(page, seconds)
        return home, question
