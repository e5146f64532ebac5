#pragma once
// One line of a run's result text with what it is, so that the CLI prints the
// same lines the results card draws, each in its own style.

#include <QString>

namespace trevlamark {

struct ResultLine
{
    enum class Role {
        Heading,     // "Details (2 cycles)"
        Error,       // why a run failed
        Section,     // "Cycle 1", "Client host:port"
        WriteFigure, // a write speed
        ReadFigure,  // a read speed
        Detail,      // settings, bytes and latencies, operations, a plain share of the link
        Warning,     // a figure a cache made
    };

    Role role = Role::Detail;
    QString text;
    bool indented = false; // belongs to the section above it

    bool operator==(const ResultLine &) const = default;
};

} // namespace trevlamark
