#include "tessarinutils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTextCodec>
#include <QTextStream>
#include <QVariant>
#include <cmath>

namespace {

QString appProperty(const char *name)
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app ? app->property(name).toString() : QString();
}

} // namespace

void TessarinUtils::evaluateFileName(QString &fileName)
{
    if (fileName.startsWith(QLatin1String("http")))
        return;

    fileName = fileName.trimmed();
    fileName.replace(QLatin1String("%TEMP%"), QDir::tempPath());
    fileName.replace(QLatin1String("{TEMP}"), QDir::tempPath());
    fileName.replace(QLatin1String("%HOME%"), QDir::homePath());
    fileName.replace(QLatin1String("{HOME}"), QDir::homePath());
    fileName.replace(QLatin1String("{CURR}"), QDir::currentPath());
    fileName.replace(QLatin1String("{TESSARIN_DIR}"), qEnvironmentVariable("TESSARIN_DIR"));
    fileName.replace(QLatin1String("{ROOT}"), appProperty("TESSARIN_ROOT_DIR"));

    // Names still holding "$" are resolved later by the evaluator.
    if (fileName.contains(QLatin1Char('$')) || !QFileInfo(fileName).isRelative() || QFile::exists(fileName))
        return;
    const QString reportPath = appProperty("REPORT_PATH");
    if (!reportPath.isEmpty())
        fileName = reportPath + QLatin1Char('/') + fileName;
}

QString TessarinUtils::evaluatedFileName(const QString &fileName)
{
    QString name = fileName;
    evaluateFileName(name);
    return name;
}

void TessarinUtils::saveFilePath(const QString &name, const QString &path)
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->setProperty(name.toLatin1().constData(), QFileInfo(path).path());
}

bool TessarinUtils::fileToString(const QString &fileName, QString &text)
{
    const QString name = fileName.trimmed();
    if (name.isEmpty())
        return false;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    in.setCodec("UTF-8");
    text.clear();
    QString line;
    while (in.readLineInto(&line)) {
        if (line.isEmpty())
            continue;
        text += line;
        text += QLatin1Char('\n');
    }
    return true;
}

bool TessarinUtils::fileToStringAll(const QString &fileName, QString &text)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    in.setCodec("UTF-8");
    text = in.readAll();
    return true;
}

bool TessarinUtils::stringToFile(const QString &fileName, const QString &text, const QString &codecName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&file);
    QTextCodec *codec = QTextCodec::codecForName(codecName.toLatin1());
    out.setCodec(codec ? codec : QTextCodec::codecForName("UTF-8"));
    out << text;
    out.flush();
    // A full disk shows only when the buffers are pushed out.
    bool ok = out.status() == QTextStream::Ok && file.flush() && file.error() == QFileDevice::NoError;
    file.close();
    return ok && file.error() == QFileDevice::NoError;
}

QString TessarinUtils::readIniSetting(const QString &text, const QString &key)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        if (line.section(QLatin1Char('='), 0, 0) == key)
            return line.section(QLatin1Char('='), 1, 1);
    }
    return QString();
}

QString TessarinUtils::intListToString(const QList<int> &list)
{
    QStringList parts;
    parts.reserve(list.size());
    for (int v : list)
        parts.append(QString::number(v));
    return parts.join(QLatin1Char(','));
}

void TessarinUtils::stringToIntList(const QString &text, QList<int> &list)
{
    list.clear();
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &part : parts)
        list.append(part.toInt());
}

QString TessarinUtils::parse(const QString &text, const QString &begin, const QString &end)
{
    const int a = text.indexOf(begin);
    const int e = text.indexOf(end);
    if (a < 0 || e < 0 || e < a)
        return QString();
    return text.mid(a + 1, e - a);
}

QString TessarinUtils::randomString(int length)
{
    static const char alphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QString result;
    result.reserve(qMax(0, length));
    for (int i = 0; i < length; ++i)
        result.append(QLatin1Char(alphabet[QRandomGenerator::global()->bounded(36)]));
    return result;
}

double TessarinUtils::standardDeviation(const QList<double> &values)
{
    if (values.isEmpty())
        return 0;
    double sum = 0;
    for (double v : values)
        sum += v;
    const double mean = sum / values.size();
    double squares = 0;
    for (double v : values)
        squares += (v - mean) * (v - mean);
    return std::sqrt(squares / values.size());
}

double TessarinUtils::fround(double x, int decimals)
{
    const double factor = decimals == 2 ? 100.0 : std::pow(10.0, decimals);
    return std::floor(x * factor + 0.5) / factor;
}

Qt::Alignment TessarinUtils::horizontalAlignment(Qt::Alignment flags)
{
    if (!(flags & Qt::AlignLeft) && (flags & (Qt::AlignHCenter | Qt::AlignRight)))
        return (flags & Qt::AlignHCenter) ? Qt::AlignHCenter : Qt::AlignRight;
    return Qt::AlignLeft;
}

Qt::Alignment TessarinUtils::verticalAlignment(Qt::Alignment flags)
{
    if (!(flags & Qt::AlignTop) && (flags & (Qt::AlignVCenter | Qt::AlignBottom)))
        return (flags & Qt::AlignVCenter) ? Qt::AlignVCenter : Qt::AlignBottom;
    return Qt::AlignTop;
}

int TessarinUtils::horizontalAlignmentToIndex(Qt::Alignment flags)
{
    const Qt::Alignment h = horizontalAlignment(flags);
    return h == Qt::AlignHCenter ? 1 : h == Qt::AlignRight ? 2 : 0;
}

Qt::Alignment TessarinUtils::indexToHorizontalAlignment(int index)
{
    return index == 1 ? Qt::AlignHCenter : index == 2 ? Qt::AlignRight : Qt::AlignLeft;
}

int TessarinUtils::verticalAlignmentToIndex(Qt::Alignment flags)
{
    const Qt::Alignment v = verticalAlignment(flags);
    return v == Qt::AlignVCenter ? 1 : v == Qt::AlignBottom ? 2 : 0;
}

Qt::Alignment TessarinUtils::indexToVerticalAlignment(int index)
{
    return index == 1 ? Qt::AlignVCenter : index == 2 ? Qt::AlignBottom : Qt::AlignTop;
}
