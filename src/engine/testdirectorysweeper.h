#pragma once
// Sweeps a location for test directories left behind by any run: the fixed
// "Trevlamark_Test_Data" folder and every "Trevlamark_Test_Data_*" directory
// directly in it, one removal attempt each, never following symbolic links.

#include <QString>

namespace trevlamark {

class TestDirectorySweeper
{
public:
    static void cleanupTestDirectories(const QString &location);

private:
    static void removeOnce(const QString &path);
};

} // namespace trevlamark
