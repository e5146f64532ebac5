#include "ui/common/bytecountformat.h"

#include <QLocale>

namespace trevlamark {

QString formatByteCount(quint64 bytes)
{
    if (bytes == 1)
        return QStringLiteral("1 byte");
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" bytes");
    static const char *const units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    // Larger units carry more decimals: "12 KB", "1.5 MB", "1.07 GB".
    static const int decimals[] = {0, 1, 2, 2, 2, 2};
    double value = double(bytes) / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit < 5) {
        value /= 1024.0;
        ++unit;
    }
    QString text = QLocale::c().toString(value, 'f', decimals[unit]);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text + QLatin1Char(' ') + QLatin1String(units[unit]);
}

} // namespace trevlamark
