#include "molecule/molecule.h"

#include "screens/bitmap_loader.h"
#include "screens/picture_screens.h"
#include "shell/start_up.h"

#include <iostream>

void Molecule::buildPicturePath()
{
    pathStream << "./data/" << moleculeName << ".bmp";
}

void Molecule::loadPicture()
{
    const std::string temp = pathStream.str();
    picture.reset(loadBitmap(temp.c_str()));
    if (picture == nullptr) {
        std::cout << "Cannot load molecule picture of " << moleculeName << " sorry, please try again later\n";
        shutDown();
    }
}

bool Molecule::isAnswerCorrect() const
{
    return answer == moleculeName;
}

void Molecule::showCorrect()
{
    ::showCorrect();
}

void Molecule::showIncorrect()
{
    ::showIncorrect();
}
