// A temporary working folder holding a quiz's data/, for tests that run the program's code.
#pragma once

#include <cstdint>
#include <string>

// Writes an uncompressed 24-bit BMP of one colour.
void writeBitmap(const std::string& path, int width, int height, std::uint32_t rgb);

// Creates a folder with a complete data/ (font, fixed pictures, an empty list) and makes
// it the working folder until destroyed.
class QuizFolder {
  public:
    QuizFolder();
    ~QuizFolder();
    QuizFolder(const QuizFolder&) = delete;
    QuizFolder& operator=(const QuizFolder&) = delete;

    // The path of a file in data/.
    std::string data(const std::string& name) const;
    // Writes the list file, exactly as given.
    void writeList(const std::string& contents) const;
    // Adds a small picture for a molecule.
    void addMolecule(const std::string& name) const;
    void remove(const std::string& name) const;

  private:
    std::string root;
    std::string previous;
};

// Runs startUp and expects it to succeed.
void startUpOrFail();

// Undoes startUp without ending the process, so the next test starts clean.
void releaseAll();

// Sends standard output to standard error, where a death test can match it.
void stdoutToStderr();

// The shut-down log as it ends every run.
extern const char* const shutDownLog;
