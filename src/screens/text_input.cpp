#include "screens/text_input.h"

TextInput::TextInput()
{
    SDL_EnableUNICODE(1);
}

TextInput::~TextInput()
{
    textSurface.reset();
    SDL_EnableUNICODE(0);
}
