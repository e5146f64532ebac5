#pragma once

#include "engine/testrequest.h"

#include <QString>

namespace trevlamark {

// Everything `trevlamark-cli run` was asked for, checked and ready: the
// request the engine runs, and beside it what only the command line has.
struct RunOptions
{
    // Its location is empty until resolved: no LOCATION means the
    // application's test data folder.
    TestRequest request;
    // Empty: no JSON; "-": standard output.
    QString jsonPath;
    // --no-history: the run is not saved.
    bool saveHistory = true;
    // --database: the history to save to; empty: the settings' team database or the local file.
    QString databaseText;
    bool quiet = false;
    bool verbose = false;
    // --fio-job: print the fio job file of the run instead of running it.
    bool fioJob = false;
    // --plays: also the streams of each media format the rates carry.
    bool plays = false;
    // --format-file: media formats of the user's beside the shipped and saved ones.
    QString formatFile;
    // play --find-max: search for the most streams with no late frame.
    bool findMax = false;
};

} // namespace trevlamark
