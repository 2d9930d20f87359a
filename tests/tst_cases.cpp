// The cases kept as files: every export below tests/cases (alone, or in its acquisition or batch
// folder) beside its expected report, the tool's JSON entry of it with paths relative to the
// case folder and no log origins. The plug-in imports each as the host loads it, in Europe/Berlin,
// with the preferences of the case's <name>.settings (key=value lines) and the defaults otherwise.
// When the report differs, the actual one is written beside the expected one as <name>.actual.json.
#include "importtesting.h"
#include "input/fileimport.h"
#include "input/importerplugins.h"
#include "report/jsonreport.h"

#include <QtTest>

namespace {

const QString casesRoot = QStringLiteral(TESSEL_TEST_CASES);

// Every export below the case folder, its path relative to it, in order.
QStringList caseExports()
{
    QStringList exports;
    QDirIterator it(casesRoot, {QStringLiteral("*.csv")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileName() != QLatin1String("BatchLog.csv")) // a batch's log, not an export
            exports.append(QDir(casesRoot).relativeFilePath(path));
    }
    exports.sort();
    return exports;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

PreferenceValues preferencesOf(const QString &settingsPath)
{
    PreferenceValues values;
    for (const QByteArray &line : readAll(settingsPath).split('\n')) {
        const int equals = line.indexOf('=');
        if (equals > 0)
            values.insert(QString::fromUtf8(line.left(equals).trimmed()),
                          QString::fromUtf8(line.mid(equals + 1).trimmed()));
    }
    return values;
}

// The report with the case folder's absolute path taken out of every text, and without the log
// entries' origins, which name source lines.
QJsonObject caseReport(QJsonObject report)
{
    QJsonArray log;
    for (const QJsonValue &entry : report.value(QStringLiteral("log")).toArray()) {
        QJsonObject withoutOrigin = entry.toObject();
        withoutOrigin.remove(QStringLiteral("origin"));
        log.append(withoutOrigin);
    }
    report.insert(QStringLiteral("log"), log);
    QString text = QString::fromUtf8(QJsonDocument(report).toJson(QJsonDocument::Indented));
    // On Windows the files the folder lookup finds carry the drive ("Z:/...").
    text.remove(QRegularExpression(QStringLiteral("([A-Za-z]:)?") +
                                   QRegularExpression::escape(casesRoot + QLatin1Char('/'))));
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

} // namespace

class TestCases : public ImportTestCase
{
    Q_OBJECT

    ImporterPlugins plugins;

private slots:
    void initTestCase()
    {
        QStringList problems;
        plugins = ImporterPlugins::load(QStringLiteral(TESSEL_BUILD_PLUGIN_DIR), &problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        QCOMPARE(plugins.importers().size(), 1);
    }

    // A folder that lost its cases must not pass as a suite that checked them.
    void casesFound() { QVERIFY2(!caseExports().isEmpty(), qPrintable(casesRoot)); }

    void reports_data()
    {
        QTest::addColumn<QString>("relativePath");
        for (const QString &path : caseExports())
            QTest::newRow(qPrintable(path)) << path;
    }

    void reports()
    {
        QFETCH(QString, relativePath);
        const QString path = QDir(casesRoot).filePath(relativePath);
        const QString base = path.chopped(int(qstrlen(".csv")));
        const ImportOptions options{QTimeZone("Europe/Berlin"),
                                    preferencesOf(base + QStringLiteral(".settings"))};
        const QJsonObject actual = caseReport(importToJson(importFile(plugins, path, options, {})));
        const QString expectedPath = base + QStringLiteral(".json");
        const QString actualPath = base + QStringLiteral(".actual.json");
        const QJsonDocument expected = QJsonDocument::fromJson(readAll(expectedPath));
        if (expected.object() == actual) {
            QFile::remove(actualPath);
            return;
        }
        writeBytes(actualPath, QJsonDocument(actual).toJson(QJsonDocument::Indented));
        QFAIL(qPrintable(QStringLiteral("the report differs from %1: see %2")
                             .arg(QFileInfo(expectedPath).fileName(), actualPath)));
    }
};

QTEST_GUILESS_MAIN(TestCases)
#include "tst_cases.moc"
