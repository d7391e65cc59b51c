// Wakes a thread that sleeps on file descriptors when SIGINT or SIGTERM arrives.
//
// SDL turns both signals into a request to quit, but only notes it in its handler and
// queues the request the next time it reads its events. A program asleep in poll() would
// not get there if the signal went to another thread, or came just before the sleep.
#pragma once

// Puts a handler in front of SDL's own for SIGINT and SIGTERM, where SDL has one: it runs
// SDL's and then makes signalWakeFd() readable. Does nothing on later calls.
void wakeOnQuitSignals();

// The descriptor to watch for POLLIN, or -1 while there is none.
int signalWakeFd();

// Takes back what made signalWakeFd() readable.
void drainSignalWake();
