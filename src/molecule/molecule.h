// One question of the quiz: a molecule's name, its picture and the player's answer.
#pragma once

#include "screens/owned_surface.h"

#include <SDL.h>

#include <sstream>
#include <string>

class Molecule {
  public:
    Molecule() = default;
    Molecule(const Molecule&) = delete;
    Molecule& operator=(const Molecule&) = delete;

    // Appends "./data/<name>.bmp" to pathStream; called once per molecule.
    void buildPicturePath();

    // Loads the picture from pathStream; a picture that will not load ends the run.
    void loadPicture();

    // True when the answer is the name exactly, byte for byte.
    bool isAnswerCorrect() const;

    // Asks the player for the name until Enter; Escape or a close ends the run.
    void askForName();

    // Shows the right-answer screen; it needs nothing of the molecule.
    static void showCorrect();

    // Shows the wrong-answer screen; it needs nothing of the molecule.
    static void showIncorrect();

    SDL_Event event = {};          // where the answer entry receives its events
    std::stringstream pathStream;  // where the picture's path is put together
    std::string moleculeName;      // the name the player must type
    OwnedSurface picture;          // null until loaded
    std::string answer;            // what the player typed last
};
