#pragma once
// The one sink for the plain diagnostic lines the program prints besides its
// log ("Running command: ...", "DEBUG: Stored phase results for key: ...").
// The GUI leaves them on standard output; the CLI keeps standard output for its
// own results and sends them to standard error with --verbose, or drops them.

#include <QString>

namespace trevlamark {

class Console
{
public:
    enum class Target { StandardOutput, StandardError, Discard };

    static void setTarget(Target target);
    static Target target();
    // Writes the text and a line feed with one write call, so lines printed by
    // several threads never interleave.
    static void print(const QString &line);
    // A double in its default printed form: the shortest digits that read back
    // the same, always with a decimal point ("7.3", "10.0", "1e-05").
    static QString number(double value);
};

} // namespace trevlamark
