#ifndef TESSARINUTILS_H
#define TESSARINUTILS_H

#include "tessaringlobal.h"

#include <QList>
#include <QString>

// Stateless helpers shared across the library. The only configuration they
// read is the environment variable TESSARIN_DIR and the application
// properties "REPORT_PATH" and "TESSARIN_ROOT_DIR".
class TESSARIN2_EXPORT TessarinUtils
{
public:
    TessarinUtils() = delete;

    // Resolves {TEMP}, {HOME}, {CURR}, {TESSARIN_DIR}, {ROOT} (and %TEMP%,
    // %HOME%) and puts the report directory in front of a relative name that
    // does not exist.
    static void evaluateFileName(QString &fileName);
    static QString evaluatedFileName(const QString &fileName);
    // Stores the directory of path as the application property name.
    static void saveFilePath(const QString &name, const QString &path);

    // Non-empty lines of the file, each followed by "\n".
    static bool fileToString(const QString &fileName, QString &text);
    static bool fileToStringAll(const QString &fileName, QString &text);
    // False when the file cannot be opened or the data cannot be written.
    static bool stringToFile(const QString &fileName, const QString &text,
                             const QString &codecName = QStringLiteral("UTF-8"));
    static QString readIniSetting(const QString &text, const QString &key);

    static QString intListToString(const QList<int> &list);
    static void stringToIntList(const QString &text, QList<int> &list);
    static QString parse(const QString &text, const QString &begin, const QString &end);
    static QString randomString(int length);
    // Population standard deviation; 0 for an empty list.
    static double standardDeviation(const QList<double> &values);
    static double fround(double x, int decimals);
    static double fontSizeConvert(double x) { return x; }
    static double fontSizeRestore(double x) { return x; }

    static Qt::Alignment horizontalAlignment(Qt::Alignment flags);
    static Qt::Alignment verticalAlignment(Qt::Alignment flags);
    static int horizontalAlignmentToIndex(Qt::Alignment flags);
    static Qt::Alignment indexToHorizontalAlignment(int index);
    static int verticalAlignmentToIndex(Qt::Alignment flags);
    static Qt::Alignment indexToVerticalAlignment(int index);
};

#endif // TESSARINUTILS_H
