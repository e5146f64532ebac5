#pragma once
// Where the application keeps its files on Linux: the XDG folders (logs, data,
// preferences).

#include <QString>

namespace trevlamark {

class PlatformPaths
{
public:
    // $XDG_STATE_HOME/qormix (default ~/.local/state/qormix): the log folder.
    static QString logDirectory();
    // $XDG_DATA_HOME/com.qormix.trevlamark (default ~/.local/share/...).
    static QString applicationSupportDirectory();
    // The default test location; created (with its parents) whenever asked for.
    static QString testDataDirectory();
    // $XDG_CONFIG_HOME/qormix: the folder of the preference file.
    static QString settingsDirectory();
    // The preference file itself (INI format).
    static QString settingsFilePath();
    static QString temporaryDirectory();

private:
    static QString xdgDirectory(const char *variable, const char *fallbackBelowHome);
};

} // namespace trevlamark
