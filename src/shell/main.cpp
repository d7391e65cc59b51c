#include "shell/quiz_sequence.h"
#include "shell/start_up.h"

int main()
{
    if (!startUp()) {
        shutDown();
    }
    runQuiz();
}
