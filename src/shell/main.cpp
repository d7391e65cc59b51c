#include "shell/quiz_sequence.h"
#include "shell/start_up.h"

#include <cstdio>

int main()
{
    // Each log line goes out as it is printed, also into a file or a pipe, so that a run
    // can be followed while it lasts and a killed run keeps what it printed. Should that
    // fail, the log still comes out whole, only later.
    static_cast<void>(std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ));
    if (!startUp()) {
        shutDown();
    }
    runQuiz();
}
