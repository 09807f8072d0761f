#include "tessarinevaluator.h"

#include "tessarindatasource.h"
#include "tessarindef.h"
#include "tessarinevaluatorcontext.h"
#include "tessarinfielditem.h"
#include "tessaringroup.h"
#include "tessarinsection.h"
#include "tessarinutils.h"
#include "tessarinvariable.h"

#include <QBrush>
#include <QColor>
#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QFont>
#include <QHash>
#include <QScriptEngine>
#include <QSysInfo>
#include <QTime>

#include <algorithm>

namespace {

const char *const dataSourceFunctions[] = {"rowCount", "isAvailable", "isValid", "isEmpty",
                                           "isNotEmpty", "update", nullptr};
const char *const valueFunctions[] = {"MID", "LEFT", "RIGHT", "USERFUNC", nullptr};
const int valueFunctionArguments[] = {2, 1, 1, 1, 0};

const char *const systemVariables[] = {
    "pageno",      "gpageno",        "pagecount",   "reportno",     "reportcount",
    "forcecopies", "currentcopy",    "currentrow",  "date",         "time",
    "datetime",    "coreappname",    "coreappversion", "coreorgname", "coreorgdomain",
    "appname",     "applongname",    "appinfo",     "appversion",   "appcopyright",
    "qtversion",   "os",             "lang"};

const QString scanBegin = QStringLiteral("$SCAN{");
const QString scanEnd = QStringLiteral("$ENDSCAN{");
const QString scriptBegin = QStringLiteral("<%");
const QString scriptEnd = QStringLiteral("%>");
const QString namedScript = QStringLiteral("$S{");
const QString multiLine = QStringLiteral("MLTXT(");

QString tokenPrefix(int kind)
{
    switch (kind) {
    case TessarinItem::DataSource:
        return QStringLiteral("$D{");
    case TessarinItem::Parameter:
        return QStringLiteral("$P{");
    case TessarinItem::Variable:
        return QStringLiteral("$V{");
    case TessarinEvaluator::FieldDisplayValue:
        return QStringLiteral("$F{");
    default:
        return QString();
    }
}

// Operating system version as one number: major * 10000 + minor * 100 +
// patch of the running kernel (for example 60100 for 6.1.0).
int osVersionCode()
{
    const QStringList parts = QSysInfo::kernelVersion().split(QLatin1Char('.'));
    int code = 0;
    int factor = 10000;
    for (int i = 0; i < 3 && i < parts.size(); ++i, factor /= 100) {
        QString digits;
        for (const QChar c : parts.at(i)) {
            if (!c.isDigit())
                break;
            digits += c;
        }
        code += digits.left(4).toInt() * factor;
    }
    return code;
}

QString translate(const char *text)
{
    return QCoreApplication::translate("TessarinEvaluator", text);
}

} // namespace

// Switches the escaping of substituted values on or off for its lifetime.
class TessarinEvaluator::EscapeScope
{
public:
    EscapeScope(TessarinEvaluator *evaluator, bool on)
        : m_evaluator(evaluator)
        , m_saved(evaluator->m_scriptEscape)
    {
        evaluator->m_scriptEscape = on;
    }
    ~EscapeScope() { m_evaluator->m_scriptEscape = m_saved; }

private:
    TessarinEvaluator *m_evaluator;
    bool m_saved;
    Q_DISABLE_COPY(EscapeScope)
};

TessarinEvaluator::TessarinEvaluator() = default;

TessarinEvaluator::TessarinEvaluator(TessarinDef *reportDef)
    : m_reportDef(reportDef)
{
}

TessarinEvaluator::TessarinEvaluator(const TessarinEvaluator &other)
    : m_reportDef(other.m_reportDef)
    , m_director(other.m_director)
    , m_section(other.m_section)
    , m_currentDataSource(other.m_currentDataSource)
    , m_currentColumn(other.m_currentColumn)
    , m_currentRole(other.m_currentRole)
    , m_lastLookupCacheable(other.m_lastLookupCacheable)
{
}

TessarinEvaluator &TessarinEvaluator::operator=(const TessarinEvaluator &other)
{
    if (this == &other)
        return *this;
    m_reportDef = other.m_reportDef;
    m_director = other.m_director;
    m_section = other.m_section;
    m_currentDataSource = other.m_currentDataSource;
    m_currentColumn = other.m_currentColumn;
    m_currentRole = other.m_currentRole;
    m_lastLookupCacheable = other.m_lastLookupCacheable;
    return *this;
}

TessarinEvaluator::~TessarinEvaluator()
{
    delete m_scriptEngine;
}

// ---------------------------------------------------------------------------
// Token substitution

bool TessarinEvaluator::evaluate(QString &text, TessarinItem::SourceType kind)
{
    const QString prefix = tokenPrefix(kind);
    if (prefix.isEmpty())
        return false;
    bool result = true;
    // The text is copied token by token into a new one, and the search goes
    // on after each token: a value is printed as it is, so a token (or half
    // a token) inside data is never taken for one of the text's own and
    // cannot swallow the tokens that follow it.
    QString out;
    int from = 0;
    // Within one pass a field is computed once, however often it is named.
    QHash<QString, QString> fieldTexts;
    for (;;) {
        int position = -1;
        int length = 0;
        QString name = parseTokenExpression(text, prefix, QStringLiteral("}"), position, length, from);
        if (position < 0)
            break; // unterminated: stays as it is, nothing after it can close either
        bool isMultiLine = false;
        if (name.startsWith(multiLine)) {
            const int close = name.indexOf(QLatin1Char(')'), multiLine.size());
            if (close < 0)
                break;
            name = name.mid(multiLine.size(), close - multiLine.size());
            isMultiLine = true;
        }

        QString replacement;
        bool ok = false;
        QVariant value;
        switch (int(kind)) {
        case TessarinItem::DataSource:
            ok = getDataSourceValue(name, value);
            replacement = value.toString();
            break;
        case TessarinItem::Parameter:
            ok = getParameterValue(name, value);
            replacement = value.toString();
            break;
        case TessarinItem::Variable:
            ok = getVariableValue(name, value);
            replacement = value.toString();
            break;
        default: {
            ok = findFieldItem(name) != nullptr;
            auto cached = fieldTexts.constFind(name);
            if (cached == fieldTexts.constEnd())
                cached = fieldTexts.insert(name, getFieldDisplayValue(name));
            replacement = *cached;
            break;
        }
        }

        if (!ok)
            replacement = QStringLiteral("N/A");
        else if (m_scriptEscape)
            quoteMarkSafety(replacement); // line breaks become script escapes too
        else if (isMultiLine)
            replacement.replace(QLatin1String("\r\n"), QLatin1String("\\n"))
                .replace(QLatin1String("\n\r"), QLatin1String("\\n"))
                .replace(QLatin1String("\n"), QLatin1String("\\n"));
        out += text.midRef(from, position - from);
        out += replacement;
        from = position + length;
        result = ok;
    }
    if (from > 0) {
        out += text.midRef(from);
        text = out;
    }
    return result;
}

bool TessarinEvaluator::evaluate(QString &text)
{
    return evaluateEmbeddedScripts(text) && evaluateScan(text) && evaluate(text, TessarinItem::DataSource)
        && evaluate(text, TessarinItem::Parameter) && evaluate(text, TessarinItem::Variable)
        && evaluate(text, TessarinItem::SourceType(FieldDisplayValue));
}

void TessarinEvaluator::substituteTokens(QString &text, bool forScript)
{
    EscapeScope escape(this, forScript);
    substituteValueTokens(text);
}

bool TessarinEvaluator::substituteValueTokens(QString &text)
{
    bool ok = evaluate(text, TessarinItem::DataSource);
    ok = evaluate(text, TessarinItem::Parameter) && ok;
    ok = evaluate(text, TessarinItem::Variable) && ok;
    return ok;
}

QString TessarinEvaluator::parseTokenExpression(const QString &text, const QString &prefix, const QString &suffix,
                                                int &position, int &length, int from) const
{
    position = -1;
    length = 0;
    const int start = text.indexOf(prefix, from);
    if (start < 0)
        return QString();
    const int inner = start + prefix.size();
    const int end = text.indexOf(suffix, inner);
    if (end < 0)
        return QString();
    position = start;
    length = end + suffix.size() - start;
    return text.mid(inner, end - inner);
}

void TessarinEvaluator::tokenizeKeyWord(QString &name, TessarinItem::SourceType kind)
{
    if (name.startsWith(QLatin1Char('$')))
        return;
    const int k = int(kind) == TessarinItem::SystemVariable ? int(TessarinItem::Variable) : int(kind);
    const QString prefix = tokenPrefix(k);
    if (!prefix.isEmpty())
        name = prefix + name + QLatin1Char('}');
}

void TessarinEvaluator::tokenizeKeyWordList(QStringList &names, TessarinItem::SourceType kind)
{
    for (QString &name : names)
        tokenizeKeyWord(name, kind);
}

// ---------------------------------------------------------------------------
// Lookups

bool TessarinEvaluator::getParameterValue(const QString &name, QVariant &value)
{
    value = m_reportDef ? m_reportDef->parameter(name) : QVariant();
    return true;
}

bool TessarinEvaluator::getVariableValue(const QString &name, QVariant &value)
{
    if (m_reportDef) {
        if (TessarinVariable *variable = m_reportDef->variable(name)) {
            value = variable->value();
            return true;
        }
    }
    return getSysVarValue(name, value);
}

bool TessarinEvaluator::getSysVarValue(const QString &name, QVariant &value)
{
    const TessarinEvaluatorContext *run = m_director;
    if (name == QLatin1String("pageno") || name == QLatin1String("pagenum"))
        value = run ? qMax(1, run->pageNo()) : 0;
    else if (name == QLatin1String("gpageno"))
        value = run ? run->globalPageNo() : 0;
    else if (name == QLatin1String("pagecount"))
        value = run ? run->pageCount() : 0;
    else if (name == QLatin1String("reportno") || name == QLatin1String("reportnum"))
        value = run ? run->reportNo() : 0;
    else if (name == QLatin1String("reportcount"))
        value = run ? run->reportCount() : 0;
    else if (name == QLatin1String("forcecopies"))
        value = run ? run->forceCopies() : 0;
    else if (name == QLatin1String("currentcopy"))
        value = run ? run->currentCopy() : 0;
    else if (name == QLatin1String("currentrow"))
        value = run ? run->currentRow() : 0;
    else if (name == QLatin1String("date"))
        value = QDate::currentDate();
    else if (name == QLatin1String("time"))
        value = QTime::currentTime();
    else if (name == QLatin1String("datetime"))
        value = QDateTime::currentDateTime();
    else if (name == QLatin1String("coreappname"))
        value = QCoreApplication::applicationName();
    else if (name == QLatin1String("coreappversion"))
        value = QCoreApplication::applicationVersion();
    else if (name == QLatin1String("coreorgname"))
        value = QCoreApplication::organizationName();
    else if (name == QLatin1String("coreorgdomain"))
        value = QCoreApplication::organizationDomain();
    else if (name == QLatin1String("appname"))
        value = QStringLiteral("Tessarin");
    else if (name == QLatin1String("applongname"))
        value = QStringLiteral("Tessarin Report Generator");
    else if (name == QLatin1String("appinfo"))
        value = QStringLiteral("Tessarin " TESSARIN_VERSION_STR);
    else if (name == QLatin1String("appversion"))
        value = QStringLiteral(TESSARIN_VERSION_STR);
    else if (name == QLatin1String("appcopyright"))
        value = QStringLiteral("Tessarin report library, copyright by its authors");
    else if (name == QLatin1String("qtversion"))
        value = QString::fromLatin1(qVersion());
    else if (name == QLatin1String("os"))
        value = osVersionCode();
    else if ((name == QLatin1String("lang") || name == QLatin1String("language")) && m_reportDef)
        value = m_reportDef->option().currentLanguage();
    else
        value = QStringLiteral("#VAR#");
    return true;
}

TessarinFieldItem *TessarinEvaluator::findFieldItem(const QString &id) const
{
    if (m_section) {
        for (TessarinItem *item : m_section->reportItems()) {
            if (auto *field = dynamic_cast<TessarinFieldItem *>(item)) {
                if (field->id() == id)
                    return field;
            }
        }
        return nullptr;
    }
    if (m_reportDef) {
        for (TessarinFieldItem *field : m_reportDef->fieldItems()) {
            if (field->id() == id)
                return field;
        }
    }
    return nullptr;
}

QString TessarinEvaluator::getFieldDisplayValue(const QString &id)
{
    TessarinFieldItem *field = findFieldItem(id);
    if (!field)
        return QString();
    // A field being computed (directly or through a chain of "$F{" tokens)
    // answers what it shows now instead of computing itself again.
    if (!field->isUpToDate() && !m_fieldsInProgress.contains(field))
        field->updateValue(nullptr, this);
    return field->displayValue();
}

TessarinDataSource *TessarinEvaluator::defaultDataSource() const
{
    if (m_director)
        return m_director->currentDataSource();
    return m_reportDef ? m_reportDef->dataSource(m_reportDef->defaultDataSourceName()) : nullptr;
}

bool TessarinEvaluator::parseDataSourceExpression(const QString &expression, QString &dataSourceId, QString &column,
                                                  QString &function, FunctionType &type) const
{
    dataSourceId.clear();
    column.clear();
    function.clear();
    type = NoFunction;
    const QStringList parts = expression.split(QLatin1Char('.'));
    switch (parts.size()) {
    case 1:
        if (!isFunction(parts.at(0))) {
            column = parts.at(0);
            return true;
        }
        type = functionType(parts.at(0));
        function = parts.at(0);
        return type == DataSourceFunction;
    case 2:
        if (!isFunction(parts.at(1))) {
            dataSourceId = parts.at(0);
            column = parts.at(1);
            return true;
        }
        type = functionType(parts.at(1));
        function = parts.at(1);
        if (type == ValueFunction)
            column = parts.at(0);
        else if (type == DataSourceFunction)
            dataSourceId = parts.at(0);
        return type != NoFunction;
    case 3:
        dataSourceId = parts.at(0);
        column = parts.at(1);
        function = parts.at(2);
        type = ValueFunction;
        return true;
    default:
        return false;
    }
}

TessarinEvaluator::FunctionType TessarinEvaluator::functionType(const QString &text) const
{
    for (const char *const *name = valueFunctions; *name; ++name) {
        if (text.startsWith(QLatin1String(*name), Qt::CaseInsensitive))
            return ValueFunction;
    }
    for (const char *const *name = dataSourceFunctions; *name; ++name) {
        if (text.startsWith(QLatin1String(*name), Qt::CaseInsensitive))
            return DataSourceFunction;
    }
    return NoFunction;
}

bool TessarinEvaluator::isFunction(const QString &text) const
{
    return text.contains(QLatin1Char('('));
}

int TessarinEvaluator::getItemRoleInfo(QString &column)
{
    int position = -1;
    int length = 0;
    const QString inner = parseTokenExpression(column, QStringLiteral("$D{"), QStringLiteral("}"), position, length);
    if (position >= 0)
        column = inner;

    struct Suffix
    {
        const char *text;
        int role;
    };
    static const Suffix first[] = {{":e", Qt::EditRole}, {":u", Qt::UserRole}};
    static const Suffix later[] = {{":d", Qt::DisplayRole}, {":c", Qt::DecorationRole}, {":h", -2},
                                   {":hd", -5}, {":hc", -3}, {":hu", -4}, {":ht", -6}};
    const auto strip = [&column](const Suffix &s) {
        if (!column.endsWith(QLatin1String(s.text), Qt::CaseInsensitive))
            return false;
        column.chop(int(qstrlen(s.text)));
        return true;
    };
    for (const Suffix &s : first) {
        if (strip(s))
            return s.role;
    }
    // "name:u{N}": user role N.
    if (column.contains(QLatin1Char('{')) && column.contains(QLatin1Char('}'))
        && column.contains(QLatin1String(":u"), Qt::CaseInsensitive)) {
        const int open = column.indexOf(QLatin1Char('{'));
        const int close = column.indexOf(QLatin1Char('}'), open);
        const int role = close > open ? column.mid(open + 1, close - open - 1).trimmed().toInt() : 0;
        column = column.left(column.indexOf(QLatin1Char(':')));
        return role;
    }
    for (const Suffix &s : later) {
        if (strip(s))
            return s.role;
    }
    return -1;
}

bool TessarinEvaluator::getDataSourceValue(const QString &expression, QVariant &value)
{
    if (expression.isEmpty())
        return false;
    if (expression == QLatin1String("%CONST")) {
        value = QStringLiteral("0");
        return true;
    }
    QString expr = expression;
    if (expr.startsWith(QLatin1String("$P{"))) {
        EscapeScope plain(this, false); // a name, not script code
        evaluate(expr, TessarinItem::Parameter);
    }

    m_currentDataSource = nullptr;
    m_currentColumn = -1;
    m_lastLookupCacheable = false;

    QString dataSourceId;
    QString column;
    QString function;
    FunctionType type = NoFunction;
    if (!parseDataSourceExpression(expr, dataSourceId, column, function, type))
        return false;
    m_currentRole = getItemRoleInfo(column);

    bool hasOffset = false;
    int row = 0;
    const int comma = column.indexOf(QLatin1Char(','));
    if (comma >= 0) {
        hasOffset = true;
        row = column.mid(comma + 1).trimmed().toInt();
        column = column.left(comma);
    }

    TessarinDataSource *ds = dataSourceId.isEmpty() ? defaultDataSource()
                                                    : (m_reportDef ? m_reportDef->dataSource(dataSourceId) : nullptr);
    if (!ds)
        return false;
    m_currentDataSource = ds;
    if (!ds->isOpened())
        return true;

    if (type == DataSourceFunction) {
        evaluateFunctionValue(function, type, value, ds);
        m_currentDataSource = nullptr;
        return true;
    }

    const int index = ds->columnIndexByName(column);
    m_currentColumn = index;
    if (index == -1)
        return false;

    // A row offset reads another row and leaves the cursor where it was.
    int savedRow = 0;
    if (hasOffset) {
        if (row < -1)
            return false;
        savedRow = ds->currentRow();
        if (!ds->seek(row)) {
            ds->seek(savedRow);
            return false;
        }
    }
    bool ok = true;
    const QVariant read = index == -2 ? ds->value(column, &ok, m_currentRole) : ds->value(index, &ok, m_currentRole);
    if (hasOffset && !ds->seek(savedRow))
        return false; // a cursor that cannot go back gives no value
    value = read;

    if (type == ValueFunction) {
        evaluateFunctionValue(function, type, value, ds);
        m_currentDataSource = nullptr;
    }
    m_lastLookupCacheable = !hasOffset && type == NoFunction && index >= 0;
    return ok;
}

bool TessarinEvaluator::evaluateFunctionValue(const QString &function, FunctionType type, QVariant &value,
                                              TessarinDataSource *dataSource)
{
    if (!dataSource)
        return false;
    const QString f = function.trimmed();
    if (type == DataSourceFunction) {
        const auto is = [&f](const char *name) { return f.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
        if (is("rowCount()"))
            value = dataSource->rowCount();
        else if (is("isAvailable()"))
            value = dataSource->isAvailable();
        else if (is("isValid()"))
            value = dataSource->isValid();
        else if (is("isEmpty()"))
            value = dataSource->rowCount() == 0;
        else if (is("isNotEmpty()"))
            value = dataSource->rowCount() > 0;
        else if (is("update()")) {
            value = QString(QLatin1String(""));
            dataSource->evaluate(this);
            if (dataSource->update())
                dataSource->first();
        }
        return true;
    }
    if (type != ValueFunction)
        return true;

    const int open = f.indexOf(QLatin1Char('('));
    const QString arguments = open < 0 ? QString() : f.mid(open + 1).chopped(f.size() > open + 1 ? 1 : 0).trimmed();
    const int first = arguments.section(QLatin1Char(','), 0, 0).trimmed().toInt();
    const int second = arguments.section(QLatin1Char(','), 1, 1).trimmed().toInt();
    if (f.startsWith(QLatin1String("MID"), Qt::CaseInsensitive))
        value = value.toString().mid(first, second);
    else if (f.startsWith(QLatin1String("LEFT"), Qt::CaseInsensitive))
        value = value.toString().left(first);
    else if (f.startsWith(QLatin1String("RIGHT"), Qt::CaseInsensitive))
        value = value.toString().right(first);
    else if (f.startsWith(QLatin1String("USERFUNC"), Qt::CaseInsensitive))
        value = dataSource->getUserFunctionValue(value, arguments);
    return true;
}

// ---------------------------------------------------------------------------
// Fields

bool TessarinEvaluator::evaluateField(TessarinFieldItem *item)
{
    if (!item)
        return false;
    const QString expression = item->text();
    if (expression.isEmpty())
        return false;
    m_fieldsInProgress.insert(item);

    QVariant value = item->value();
    bool result = false;
    switch (item->sourceType()) {
    case TessarinItem::DataSource:
        result = updateFieldFromDataSource(expression, value, item);
        break;
    case TessarinItem::Parameter:
        if (item->isUpToDate()) {
            result = true;
            break;
        }
        result = getParameterValue(expression, value);
        if (value.type() == QVariant::String) {
            QString text = value.toString();
            if (text.contains(QLatin1String("$D{")) || text.contains(QLatin1String("$P{"))
                || text.contains(QLatin1String("$V{"))) {
                substituteTokens(text, false);
                value = text;
                break;
            }
        }
        item->setUpToDate(true);
        break;
    case TessarinItem::Variable:
        result = getVariableValue(expression, value);
        break;
    case TessarinItem::SystemVariable:
        result = getSysVarValue(expression, value);
        break;
    case TessarinItem::Expression: {
        QString code = expression;
        {
            EscapeScope escape(this, true);
            evaluate(code);
        }
        result = evaluateScript(code, value);
        break;
    }
    case TessarinItem::Template: {
        // A template prints its values as they are: no script escaping.
        QString text = expression;
        EscapeScope escape(this, false);
        result = evaluate(text);
        value = text;
        break;
    }
    default:
        break;
    }

    item->setValue(value);
    item->formatDisplayValue();
    item->setAdjusted(false);
    m_fieldsInProgress.remove(item);
    return result;
}

bool TessarinEvaluator::updateFieldFromDataSource(const QString &expression, QVariant &value, TessarinFieldItem *item)
{
    bool ok = true;
    if (item->dataSource() && item->dataColumn() >= 0) {
        value = item->dataSource()->value(item->dataColumn(), &ok, item->dataRole());
    } else {
        ok = getDataSourceValue(expression, value);
        if (ok && m_lastLookupCacheable) {
            item->setDataSource(m_currentDataSource);
            item->setDataColumn(m_currentColumn);
            item->setDataRole(m_currentRole);
        }
    }
    if (ok)
        updateFieldAppearance(item);
    return ok;
}

void TessarinEvaluator::updateFieldAppearance(TessarinFieldItem *item)
{
    TessarinDataSource *ds = item->dataSource();
    if (!ds || item->dataColumn() < 0 || !ds->useAppearanceRoles())
        return;
    const QList<int> roles = ds->appearanceRoles();
    if (roles.isEmpty())
        return;
    item->restoreTextStyle();
    for (int role : roles) {
        bool ok = true;
        const QVariant v = ds->value(item->dataColumn(), &ok, role);
        if (!v.isValid())
            continue;
        switch (role) {
        case Qt::FontRole:
            item->setFont(v.userType() == QMetaType::QFont || v.canConvert<QFont>() ? v.value<QFont>() : QFont());
            break;
        case Qt::TextAlignmentRole:
            item->setAlignment(Qt::Alignment(v.toInt()));
            break;
        case Qt::BackgroundRole:
        case Qt::ForegroundRole: {
            QColor color;
            if (v.userType() == QMetaType::QColor)
                color = v.value<QColor>();
            else if (v.userType() == QMetaType::QBrush)
                color = v.value<QBrush>().color();
            else
                color = QColor(v.toString());
            if (role == Qt::BackgroundRole)
                item->setBackColor(color);
            else
                item->setForeColor(color);
            break;
        }
        default:
            break;
        }
    }
}

// ---------------------------------------------------------------------------
// Variables and groups

bool TessarinEvaluator::evaluateVariable(TessarinVariable *variable)
{
    if (!variable)
        return false;
    const QString expression = variable->expression();
    if (expression.contains(scriptBegin)) {
        QString text = expression;
        const bool ok = evaluate(text);
        variable->update(text.toDouble());
        return ok;
    }
    QVariant value;
    if (!getDataSourceValue(expression, value))
        return false;
    TessarinDataSource *resolved = m_currentDataSource;
    variable->setRelatedDataSource(resolved);
    if (m_reportDef && m_reportDef->option().updateOnlyCurrentDataSourceVariables() && m_director
        && resolved != m_director->currentDataSource())
        return true;
    variable->update(value);
    return true;
}

bool TessarinEvaluator::evaluateGroup(TessarinGroup *group)
{
    if (!group)
        return false;
    const QString expression = group->expression();
    if (expression.contains(scriptBegin)) {
        QString text = expression;
        const bool ok = evaluate(text);
        group->setValue(text);
        return ok;
    }

    struct DatePart
    {
        const char *prefix;
        int (*part)(const QDate &);
    };
    static const DatePart dateParts[] = {{"$YEAR{", [](const QDate &d) { return d.year(); }},
                                         {"$MONTH{", [](const QDate &d) { return d.month(); }},
                                         {"$WEEK{", [](const QDate &d) { return d.weekNumber(); }},
                                         {"$DAY{", [](const QDate &d) { return d.dayOfWeek(); }}};
    QVariant value;
    bool ok = false;
    bool handled = false;
    for (const DatePart &part : dateParts) {
        const QString prefix = QLatin1String(part.prefix);
        if (!expression.startsWith(prefix))
            continue;
        handled = true;
        const int close = expression.indexOf(QLatin1Char('}'), prefix.size());
        if (close >= 0) {
            ok = getDataSourceValue(expression.mid(prefix.size(), close - prefix.size()), value);
            if (ok)
                value = part.part(value.toDate());
        }
        break;
    }
    if (!handled)
        ok = getDataSourceValue(expression, value);
    group->setValue(ok ? value.toString() : QStringLiteral("NULL"));
    return true;
}

// ---------------------------------------------------------------------------
// Scan blocks

bool TessarinEvaluator::evaluateScan(QString &text)
{
    if (!text.contains(scanBegin) || !text.contains(scanEnd))
        return true;
    bool result = true;
    int from = 0;
    for (int block = 0; block < 100; ++block) {
        int position = -1;
        int length = 0;
        QString spec = parseTokenExpression(text, scanBegin, QStringLiteral("}"), position, length, from);
        if (position < 0)
            break; // no complete "$SCAN{...}" left
        const int bodyStart = position + length;
        const int endMark = text.indexOf(scanEnd, bodyStart);
        if (endMark < 0)
            break; // no end after this block's start
        const int blockEnd = qMin(text.size(), endMark + scanEnd.size() + 1);

        bool updateFirst = false;
        if (spec.contains(QLatin1Char(','))) {
            updateFirst = spec.endsWith(QLatin1Char('U'));
            spec.chop(2);
        }
        if (spec.isEmpty() && m_reportDef)
            spec = m_reportDef->defaultDataSourceName();
        TessarinDataSource *ds = m_reportDef ? m_reportDef->dataSource(spec) : nullptr;
        if (!ds) {
            from = blockEnd;
            continue;
        }

        const QString body = text.mid(bodyStart, endMark - bodyStart);
        if (updateFirst) {
            ds->evaluate(this);
            ds->update();
        }
        // Iterate from first() so the first row is never skipped or repeated,
        // whatever seek(-1) means for this source, and give the cursor back.
        const int savedRow = ds->currentRow();
        QString expanded;
        if (ds->first()) {
            do {
                QString copy = body;
                result = evaluate(copy);
                expanded += copy;
            } while (ds->next());
        }
        ds->seek(savedRow);

        text.replace(position, blockEnd - position, expanded);
        from = position + expanded.size();
    }
    return result;
}

// ---------------------------------------------------------------------------
// Scripts

bool TessarinEvaluator::evaluateScriptPrivate(const QString &source, QVariant &result)
{
    m_lastScriptError = false;
    QString code = source;
    int position = -1;
    int length = 0;
    const QString name = parseTokenExpression(code, namedScript, QStringLiteral("}"), position, length);
    if (position >= 0) {
        code = m_reportDef ? m_reportDef->script(name) : QString();
        if (!code.isEmpty()) {
            EscapeScope escape(this, true);
            substituteValueTokens(code);
            evaluate(code, TessarinItem::SourceType(FieldDisplayValue));
        }
    }
    if (!m_scriptEngine)
        m_scriptEngine = new QScriptEngine;
    const QScriptValue value = m_scriptEngine->evaluate(code, QString(), 1);
    if (m_scriptEngine->hasUncaughtException() || value.isError()) {
        result = value.toString();
        m_scriptEngine->clearExceptions();
        m_lastScriptError = true;
        return false;
    }
    if (value.isUndefined())
        return false;
    result = value.toVariant();
    return true;
}

bool TessarinEvaluator::evaluateScript(const QString &code, QVariant &result)
{
    return evaluateScriptPrivate(code, result);
}

bool TessarinEvaluator::evaluateScript(const QString &code, double &result)
{
    QVariant v = result;
    const bool ok = evaluateScript(code, v);
    result = v.toDouble();
    return ok;
}

bool TessarinEvaluator::evaluateScript(const QString &code, bool &result)
{
    QVariant v;
    const bool ok = evaluateScript(code, v);
    result = ok && v.toBool();
    return ok;
}

bool TessarinEvaluator::evaluateScript(const QString &code, QString &result)
{
    QVariant v = result;
    const bool ok = evaluateScript(code, v);
    result = v.toString();
    return ok;
}

bool TessarinEvaluator::evaluateEmbeddedScripts(QString &text)
{
    bool result = true;
    QString out;
    int from = 0;
    for (;;) {
        const int start = text.indexOf(scriptBegin, from);
        if (start < 0)
            break;
        const int end = text.indexOf(scriptEnd, start + scriptBegin.size());
        if (end < 0)
            break;
        QString code = text.mid(start + scriptBegin.size(), end - start - scriptBegin.size());
        QString replacement;
        if (!code.isEmpty()) {
            substituteTokens(code, true);
            QVariant value;
            m_lastScriptError = false;
            result = evaluateScript(code, value);
            replacement = value.toString();
            if (!result && m_lastScriptError && m_reportDef && m_reportDef->option().variableErrorAlert())
                m_reportDef->error()->setError(replacement, -1);
        }
        out += text.midRef(from, start - from);
        out += replacement;
        // Continue after the block: what a script returned is never run again.
        from = end + scriptEnd.size();
    }
    if (from > 0) {
        out += text.midRef(from);
        text = out;
    }
    return result;
}

// ---------------------------------------------------------------------------
// Print conditions and actions

bool TessarinEvaluator::evaluatePrintWhen(const QString &condition)
{
    if (condition.isEmpty())
        return true;
    if (m_director) {
        TessarinEvaluatorContext *run = m_director;
        if (condition == QLatin1String("%2") || condition == QLatin1String("@EVEN"))
            return run->currentRow() % 2 != 0;
        if (condition == QLatin1String("!%2") || condition == QLatin1String("@ODD"))
            return run->currentRow() % 2 == 0;
        if (condition == QLatin1String("@ISFINISHED"))
            return run->isFinished();
        if (condition == QLatin1String("@ISNOTFINISHED"))
            return !run->isFinished();
        if (condition == QLatin1String("@SKIP_NEXT") || condition == QLatin1String("@NEXT")
            || condition == QLatin1String("@NEXT_FALSE")) {
            if (!run->nextDetailRow())
                run->setFinished(true);
            return false;
        }
        if (condition == QLatin1String("@NEXT_TRUE")) {
            if (!run->nextDetailRow()) {
                run->setFinished(true);
                return false;
            }
            if (TessarinSection *detail = run->currentDetail()) {
                const QList<TessarinItem *> items = detail->reportItems();
                for (TessarinItem *item : items)
                    item->updateValue(run->currentOutput(), this);
            }
            if (m_reportDef) {
                const QList<TessarinVariable *> variables = m_reportDef->variables().values();
                for (TessarinVariable *variable : variables)
                    evaluateVariable(variable);
            }
            return true;
        }
        if (condition == QLatin1String("@DS2")) {
            TessarinSection *detail = run->currentDetail();
            if (!detail || detail->secondaryDatasourceID().isEmpty() || !m_reportDef)
                return false;
            TessarinDataSource *ds = m_reportDef->dataSource(detail->secondaryDatasourceID());
            return ds && ds->isAvailable();
        }
    }

    QString text = condition;
    {
        EscapeScope escape(this, true);
        if (!evaluate(text))
            return false;
    }
    const QString t = text.trimmed();
    if (t == QLatin1String("1") || t == QLatin1String("true"))
        return true;
    if (t == QLatin1String("0") || t == QLatin1String("false"))
        return false;
    bool result = false;
    evaluateScript(t, result);
    return result;
}

bool TessarinEvaluator::evaluatePrintWhen(TessarinItem *item)
{
    if (!item)
        return false;
    if (!item->printWhen().isEmpty()) {
        const bool result = evaluatePrintWhen(item->printWhen());
        item->setPrintWhenResult(result);
        if (!result)
            return false;
    }
    const bool visible = !item->isEmpty();
    item->setPrintWhenResult(visible);
    if (visible)
        item->printWhenTrueAction(this);
    return visible;
}

bool TessarinEvaluator::evaluatePrintWhenTrueAction(const QString &action)
{
    const QStringList lines = action.split(QLatin1Char('\n'));
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || !line.startsWith(QLatin1String("$V{")))
            continue;
        if (!evaluateAssignment(line))
            return false;
    }
    return true;
}

bool TessarinEvaluator::evaluateAssignment(const QString &line)
{
    static const char *const operators[] = {"+=", "-=", "/=", "*=", "="};
    int position = -1;
    QString op;
    for (const char *candidate : operators) {
        position = line.indexOf(QLatin1String(candidate));
        if (position >= 0) {
            op = QLatin1String(candidate);
            break;
        }
    }
    if (position < 0)
        return false;

    const QString left = line.left(position).trimmed();
    if (!left.startsWith(QLatin1String("$V{")) || left.size() < 5)
        return false;
    const QString name = left.mid(3, left.size() - 4);
    TessarinVariable *variable = m_reportDef ? m_reportDef->variable(name) : nullptr;
    if (!variable)
        return false;

    QString right = line.mid(position + op.size()).trimmed();
    if (right.isEmpty())
        return false;
    substituteTokens(right, true);
    QVariant scriptValue;
    if (!evaluateScript(right, scriptValue))
        return true; // the variable keeps its value; the assignment counts as done

    const double v = variable->value().toDouble();
    const double r = scriptValue.toDouble();
    double updated = r;
    if (op == QLatin1String("+="))
        updated = v + r;
    else if (op == QLatin1String("-="))
        updated = v - r;
    else if (op == QLatin1String("*="))
        updated = v * r;
    else if (op == QLatin1String("/=")) {
        if (r == 0.0)
            return false;
        updated = v / r;
    }
    variable->modifyValue(updated);
    return true;
}

// ---------------------------------------------------------------------------
// Dynamic items

bool TessarinEvaluator::evaluateDynamicText(TessarinItem *item, QString *target)
{
    if (!item)
        return false;
    QString text;
    QString error;
    switch (item->sourceType()) {
    case TessarinItem::DataSource: {
        QVariant value;
        getDataSourceValue(item->text(), value);
        text = value.toString();
        break;
    }
    case TessarinItem::File: {
        QString fileName = item->text();
        if (!fileName.contains(QLatin1Char('$'))) {
            // Loaded when the definition was read; only a template needs work.
            text = item->dynamicSourceText();
            if (text.isEmpty())
                return true;
            break;
        }
        substituteTokens(fileName, false);
        TessarinUtils::evaluateFileName(fileName);
        if (!TessarinUtils::fileToString(fileName, text))
            error = translate("File not found: <i>%1</i>").arg(fileName);
        break;
    }
    case TessarinItem::FileFromDataSource: {
        QVariant value;
        getDataSourceValue(item->text(), value);
        QString fileName = value.toString();
        TessarinUtils::evaluateFileName(fileName);
        if (!TessarinUtils::fileToString(fileName, text))
            error = translate("File not found: <i>%1</i>").arg(fileName);
        break;
    }
    case TessarinItem::Parameter:
        if (m_reportDef && m_reportDef->parameters().contains(item->text()))
            text = m_reportDef->parameter(item->text()).toString();
        else
            error = translate("Parameter not found: %1").arg(item->text());
        break;
    default:
        text = item->dynamicSourceText();
        if (text.isEmpty())
            return true;
        break;
    }

    if (!error.isEmpty()) {
        item->applyDynamicText(error);
        return true;
    }
    if (item->isTemplateMode())
        evaluate(text);
    if (target)
        *target = text;
    else
        item->applyDynamicText(text);
    return true;
}

bool TessarinEvaluator::evaluateDynamicImage(TessarinItem *item)
{
    if (!item)
        return false;
    const QVariant previous = item->value();
    QVariant value;
    getDataSourceValue(item->text(), value);
    item->setValue(value);
    if (value != previous || previous.isNull() || previous.toString().isEmpty())
        return item->reloadDynamicContent(this);
    return true;
}

bool TessarinEvaluator::evaluateDynamicGraph(TessarinItem *item)
{
    if (!item)
        return false;
    QVariant value;
    getDataSourceValue(item->text(), value);
    item->setValue(value);
    if (item->sourceType() == TessarinItem::DataSource)
        item->applyDynamicText(value.toString());
    return true;
}

bool TessarinEvaluator::evaluateDynamicBarcode(TessarinItem *item)
{
    if (!item)
        return false;
    const QVariant previous = item->value();
    QVariant value = previous;
    switch (item->sourceType()) {
    case TessarinItem::DataSource:
        getDataSourceValue(item->text(), value);
        break;
    case TessarinItem::Parameter:
        getParameterValue(item->text(), value);
        break;
    case TessarinItem::Expression: {
        QString code = item->text();
        {
            EscapeScope escape(this, true);
            evaluate(code);
        }
        evaluateScript(code, value);
        break;
    }
    case TessarinItem::Template: {
        QString text = item->text();
        EscapeScope escape(this, false);
        evaluate(text);
        value = text;
        break;
    }
    default:
        return true;
    }
    item->setValue(value);
    if (value != previous)
        item->reloadDynamicContent(this);
    return true;
}

// ---------------------------------------------------------------------------
// Helpers and tables

void TessarinEvaluator::quoteMarkReplace(QString &text, bool replace)
{
    if (replace) {
        text.replace(QLatin1Char('\''), QLatin1String("{SINGLE_QUOTE_MARK}"));
        text.replace(QLatin1Char('"'), QLatin1String("{DOUBLE_QUOTE_MARK}"));
    } else {
        text.replace(QLatin1String("{SINGLE_QUOTE_MARK}"), QLatin1String("'"));
        text.replace(QLatin1String("{DOUBLE_QUOTE_MARK}"), QLatin1String("\""));
    }
}

void TessarinEvaluator::quoteMarkSafety(QString &text)
{
    // Backslash first, so the escapes added below are not escaped again.
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('\''), QLatin1String("\\'"));
    text.replace(QLatin1Char('"'), QLatin1String("\\\""));
    text.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    // Line and paragraph separators end a string literal in scripts as well.
    text.replace(QChar(0x2028), QLatin1String("\\u2028"));
    text.replace(QChar(0x2029), QLatin1String("\\u2029"));
}

const char *const *TessarinEvaluator::availableDataSourceFunctions()
{
    return dataSourceFunctions;
}

const char *const *TessarinEvaluator::availableValueFunctions()
{
    return valueFunctions;
}

const int *TessarinEvaluator::availableValueFunctionArguments()
{
    return valueFunctionArguments;
}

QStringList TessarinEvaluator::arrayToStringList(const char *const *array)
{
    QStringList list;
    for (const char *const *p = array; p && *p; ++p)
        list.append(QString::fromLatin1(*p));
    return list;
}

QStringList TessarinEvaluator::availableSystemVariables()
{
    QStringList list;
    for (const char *name : systemVariables)
        list.append(QString::fromLatin1(name));
    std::sort(list.begin(), list.end());
    return list;
}

QStringList TessarinEvaluator::availableVariables() const
{
    return m_reportDef ? m_reportDef->variables().keys() : QStringList();
}
