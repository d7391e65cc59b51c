#include "screens/answer_entry.h"

#include "molecule/molecule.h"
#include "platform/platform.h"
#include "screens/draw.h"
#include "screens/key_table.h"
#include "screens/text_input.h"
#include "shell/resources.h"
#include "shell/start_up.h"

namespace {

// The prompt is centred on y = 375 and the typed line on y = 450.
constexpr int promptCentreY2 = 750;
constexpr int lineCentreY2 = 900;

// Redraws the whole question screen and presents it.
void drawQuestion(TextInput& name, SDL_Surface* picture)
{
    drawAt(background, 0, 0);
    name.textSurface.reset(TTF_RenderText_Solid(font, name.text.c_str(), textColor));
    if (prompt != nullptr) {
        drawAt(prompt, (screenWidth - prompt->w) / 2, (promptCentreY2 - prompt->h) / 2);
    }
    SDL_Surface* line = name.textSurface.get();
    if (name.text.empty()) {
        // SDL_ttf renders nothing for an empty line, so there is no size to centre.
        drawAt(line, screenWidth / 2, lineCentreY2 / 2);
    } else if (line != nullptr) {
        drawAt(line, (screenWidth - line->w) / 2, (lineCentreY2 - line->h) / 2);
    }
    if (picture != nullptr) {
        drawAt(picture, (screenWidth - picture->w) / 2, 0);
    }
    // Presented twice, so that both buffers of the double-buffered window hold this frame.
    SDL_Flip(screen);
    SDL_Flip(screen);
}

}  // namespace

bool handleEntryEvent(const SDL_Event& event, std::string& text, ScreenFlags& flags)
{
    if (event.type == SDL_QUIT) {
        flags.quit = true;
        return true;
    }
    if (event.type != SDL_KEYDOWN) {
        return false;
    }
    const SDLKey sym = event.key.keysym.sym;
    if (!flags.done && text.size() < maxAnswerLength) {
        const char typed = keyCharacter(sym, event.key.keysym.mod);
        if (typed != '\0') {
            text += typed;
        }
    }
    if (sym == SDLK_BACKSPACE && !text.empty()) {
        text.pop_back();
    }
    if (sym == SDLK_RETURN || sym == SDLK_KP_ENTER) {
        flags.done = true;
    }
    if (sym == SDLK_ESCAPE) {
        flags.quit = true;
    }
    return true;
}

void Molecule::askForName()
{
    TextInput name;
    if (prompt != nullptr) {
        SDL_FreeSurface(prompt);
    }
    prompt = TTF_RenderText_Solid(font, "Please enter the molecule's name", textColor);

    // Shown at once, with the empty line: the frame the first event would draw. A picture
    // screen may have taken every event there was, the release of its key included, and
    // the previous screen would then stay up while the player types.
    drawQuestion(name, picture.get());

    ScreenFlags flags;
    while (!flags.quit && !flags.done) {
        bool anyEvent = false;
        while (SDL_PollEvent(&event) != 0) {
            anyEvent = true;
            handleEntryEvent(event, name.text, flags);
        }
        // One redraw per pass, from the line as the pass left it: the frame a redraw
        // after its last event would give, at a cost a busy pointer cannot multiply.
        if (anyEvent) {
            drawQuestion(name, picture.get());
        }
        answer = name.text;
        if (flags.quit) {
            shutDown();
        }
        // Sleep until the player does something rather than poll at full speed.
        if (!flags.done && !anyEvent) {
            waitForEvent();
        }
    }
}
