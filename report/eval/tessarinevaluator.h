#ifndef TESSARINEVALUATOR_H
#define TESSARINEVALUATOR_H

#include "tessaringlobal.h"
#include "tessarinitem.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

class QScriptEngine;
class TessarinDataSource;
class TessarinDef;
class TessarinEvaluatorContext;
class TessarinFieldItem;
class TessarinGroup;
class TessarinSection;
class TessarinVariable;

// Turns the expressions of a report definition into values for the current
// row: token substitution in texts ("$D{", "$P{", "$V{", "$F{"), repeated
// blocks over a data source ("$SCAN{" ... "$ENDSCAN{"), field, variable and
// group values, the dynamic content of items, and scripts (embedded "<%"
// ... "%>" blocks, named "$S{" scripts, print conditions and the
// assignments labels run when they are printed).
//
// Every lookup goes through the virtual operations, so a subclass that
// overrides getDataSourceValue() or evaluateScript() changes them for all
// others. Values substituted into script code are escaped, so data can
// never become code.
class TESSARIN2_EXPORT TessarinEvaluator
{
public:
    enum FunctionType : int { NoFunction = 0, DataSourceFunction = 1, ValueFunction = 2 };

    // Token kind of "$F{" (the display value of another field), next to the
    // item source types DataSource, Parameter and Variable.
    static constexpr int FieldDisplayValue = 12;

    TessarinEvaluator();
    explicit TessarinEvaluator(TessarinDef *reportDef);
    // A copy shares definition, director and section but starts with a
    // script engine of its own (created on first use).
    TessarinEvaluator(const TessarinEvaluator &other);
    TessarinEvaluator &operator=(const TessarinEvaluator &other);
    virtual ~TessarinEvaluator();

    // Substitutes the tokens of one kind in place; the result is that of
    // the last lookup (true when there was no token). Kinds other than
    // DataSource, Parameter, Variable and FieldDisplayValue return false.
    virtual bool evaluate(QString &text, TessarinItem::SourceType kind);
    // Embedded scripts, scan blocks, then the four token kinds; stops at
    // the first step that fails.
    virtual bool evaluate(QString &text);
    virtual bool evaluateEmbeddedScripts(QString &text);
    virtual bool evaluateScan(QString &text);
    // Runs a script (or the named script a "$S{name}" selects). False for an
    // undefined result (result untouched) and for an error (result = the
    // error text).
    virtual bool evaluateScript(const QString &code, QVariant &result);
    virtual bool evaluateScript(const QString &code, double &result);
    virtual bool evaluateScript(const QString &code, bool &result);
    virtual bool evaluateScript(const QString &code, QString &result);
    virtual bool evaluateField(TessarinFieldItem *item);
    virtual bool evaluateVariable(TessarinVariable *variable);
    virtual bool evaluateGroup(TessarinGroup *group);
    // Evaluates the item's condition, stores the result in the item, hides
    // an empty item and runs the action of a visible one.
    virtual bool evaluatePrintWhen(TessarinItem *item);
    virtual bool evaluatePrintWhen(const QString &condition);
    // target null: the text goes to the item (applyDynamicText).
    virtual bool evaluateDynamicText(TessarinItem *item, QString *target);
    virtual bool evaluateDynamicImage(TessarinItem *item);
    virtual bool evaluateDynamicGraph(TessarinItem *item);
    virtual bool evaluateDynamicBarcode(TessarinItem *item);
    virtual bool updateFieldFromDataSource(const QString &expression, QVariant &value, TessarinFieldItem *item);
    virtual bool getDataSourceValue(const QString &expression, QVariant &value);

    // The lines of an action text that start with "$V{" are assignments
    // ("$V{name} += expression"); runs them in order and stops at the first
    // that fails.
    bool evaluatePrintWhenTrueAction(const QString &action);
    // Substitutes "$D{", "$P{" and "$V{" tokens in that order; with
    // forScript the substituted values are escaped for script code.
    void substituteTokens(QString &text, bool forScript);
    bool evaluateAssignment(const QString &line);

    static void tokenizeKeyWord(QString &name, TessarinItem::SourceType kind);
    static void tokenizeKeyWordList(QStringList &names, TessarinItem::SourceType kind);

    bool getParameterValue(const QString &name, QVariant &value);
    bool getVariableValue(const QString &name, QVariant &value);
    bool getSysVarValue(const QString &name, QVariant &value);
    QString getFieldDisplayValue(const QString &id);

    bool parseDataSourceExpression(const QString &expression, QString &dataSourceId, QString &column,
                                   QString &function, FunctionType &functionType) const;
    // The text between prefix and the first suffix after it, searching from
    // 'from'; position and length cover the whole token. A null string with
    // position -1 when there is no complete token.
    QString parseTokenExpression(const QString &text, const QString &prefix, const QString &suffix, int &position,
                                 int &length, int from = 0) const;
    FunctionType functionType(const QString &text) const;
    bool isFunction(const QString &text) const;
    // The item data role a column suffix asks for; the suffix is removed.
    int getItemRoleInfo(QString &column);
    bool evaluateFunctionValue(const QString &function, FunctionType type, QVariant &value,
                               TessarinDataSource *dataSource);
    void updateFieldAppearance(TessarinFieldItem *item);

    // replace true: quotes become {SINGLE_QUOTE_MARK} / {DOUBLE_QUOTE_MARK};
    // false: back again.
    static void quoteMarkReplace(QString &text, bool replace);
    // Escapes text for use inside a script string literal: backslash, both
    // quote kinds, carriage return and line feed.
    static void quoteMarkSafety(QString &text);

    static const char *const *availableDataSourceFunctions();
    static const char *const *availableValueFunctions();
    static const int *availableValueFunctionArguments();
    static QStringList arrayToStringList(const char *const *array);
    static QStringList availableSystemVariables();
    QStringList availableVariables() const;

    TessarinDef *reportDef() const { return m_reportDef; }
    void setReportDef(TessarinDef *reportDef) { m_reportDef = reportDef; }
    TessarinEvaluatorContext *director() const { return m_director; }
    void setDirector(TessarinEvaluatorContext *director) { m_director = director; }
    TessarinSection *section() const { return m_section; }
    void setSection(TessarinSection *section) { m_section = section; }

    // The record of the most recent data source lookup.
    TessarinDataSource *currentDataSource() const { return m_currentDataSource; }
    int currentColumn() const { return m_currentColumn; }
    int currentRole() const { return m_currentRole; }

    // Null until the first script ran.
    QScriptEngine *scriptEngine() const { return m_scriptEngine; }

protected:
    // Data source for expressions that name none: the current detail's,
    // or the definition's default one when there is no run.
    TessarinDataSource *defaultDataSource() const;

private:
    bool evaluateScriptPrivate(const QString &code, QVariant &result);
    TessarinFieldItem *findFieldItem(const QString &id) const;
    bool substituteValueTokens(QString &text); // "$D{", "$P{", "$V{" in that order

    QScriptEngine *m_scriptEngine = nullptr;
    TessarinDef *m_reportDef = nullptr;
    TessarinEvaluatorContext *m_director = nullptr;
    TessarinSection *m_section = nullptr;
    TessarinDataSource *m_currentDataSource = nullptr;
    int m_currentColumn = -1;
    int m_currentRole = -1;

    // The last lookup read a plain column at the cursor (no row offset, no
    // function), so a field may keep its column and read by index.
    bool m_lastLookupCacheable = false;
    // Substituted values are escaped for script code while this is set.
    bool m_scriptEscape = false;
    // The engine reported an error (not just an undefined result).
    bool m_lastScriptError = false;
    // Fields whose value is being computed; a reference back to one of them
    // answers its current display text instead of recursing.
    QSet<const TessarinFieldItem *> m_fieldsInProgress;

    class EscapeScope; // sets m_scriptEscape for a scope
};

#endif // TESSARINEVALUATOR_H
