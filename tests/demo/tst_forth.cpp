#include "CpuTimeTesting.h"
#include "DemoTesting.h"
#include "Forth.h"
#include "TestMain.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const int waitWord = 0xb0;

// The stack after the script, then the names of the words handed back to the
// host after " ; ", or "!underflow", "!notfound" or "!runaway".
QString run(const QString& script)
{
    Forth forth;
    forth.registerName(QStringLiteral("Sys:Wait"), waitWord);
    ScriptFeeder feeder(&forth, script);
    QStringList handed;
    try {
        for (Forth::Dictionary word = forth.parse(); word.code != Forth::NoWord; word = forth.parse())
            handed << forth.nameForCode(word.code);
    } catch (const Forth::ExceptionStackUnderflow&) {
        return QStringLiteral("!underflow");
    } catch (const Forth::ExceptionNotFound&) {
        return QStringLiteral("!notfound");
    } catch (const Forth::ExceptionRunaway&) {
        return QStringLiteral("!runaway");
    }
    QString result = describeStack(forth);
    if (!handed.isEmpty())
        result += QStringLiteral(" ; ") + handed.join(QLatin1Char(' '));
    return result;
}

} // namespace

class TestForth : public QObject
{
    Q_OBJECT

private slots:
    void words_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("stack");

        QTest::newRow("literals are doubles") << "2 3 +" << "d:5";
        QTest::newRow("exponent") << "1.5e3" << "d:1500";
        QTest::newRow("names are case-free") << "4 dup Dup DUP" << "d:4 d:4 d:4 d:4";
        QTest::newRow("string plus number") << "s\" 5\" 1 +" << "s:51";
        QTest::newRow("number plus string") << "1 s\" 5\" +" << "d:6";
        QTest::newRow("unconvertible string") << "1 s\" A\" +" << "d:1";
        QTest::newRow("int rule") << "0 INVERT 2 +" << "i:1";
        QTest::newRow("minus and times") << "3 2 - 3 2 *" << "d:1 d:6";
        QTest::newRow("int product") << "0 invert 0 invert *" << "i:1";
        QTest::newRow("signs") << "-1 0< 0 0< 0.5 0> -2 0>" << "i:-1 i:0 i:-1 i:0";
        QTest::newRow("= across types") << "0 invert -1 = 1 2 =" << "i:-1 i:0";
        QTest::newRow("and, invert") << "6 3 AND 0 INVERT -1 INVERT" << "i:2 i:-1 i:0";
        QTest::newRow("dot and dot-quote drop") << "5 6 7 . .\"" << "d:5";
        QTest::newRow("drop, over, swap") << "1 2 DROP 3 OVER 4 SWAP" << "d:1 d:3 d:4 d:1";
        QTest::newRow("roll") << "1 2 3 2 ROLL 0 ROLL" << "d:2 d:3 d:1";
        QTest::newRow("left") << "s\" ABC\" 2 STRING:LEFT s\" ABC\" 5 string:left" << "s:AB s:ABC";
        QTest::newRow("remove") << "s\" ABC\" 1 STRING:REMOVE s\" ABC\" 3 STRING:REMOVE s\" ABC\" -1 STRING:REMOVE"
                                << "s:BC s: s:ABC";
        QTest::newRow("length, lower") << "s\" ABC\" STRING:LENGTH s\" AbC\" STRING:LOWER" << "i:3 s:abc";
        QTest::newRow("from number") << "0.1 STRING:FROMNUMBER 2 STRING:FROMNUMBER 1234567 STRING:FROMNUMBER"
                                     << "s:0.1 s:2 s:1.23457e+06";
        QTest::newRow("constant") << "7 CONSTANT Seven seven SEVEN" << "d:7 d:7";
        QTest::newRow("create") << "CREATE thing 1" << "d:1";
        QTest::newRow("comments") << "( one ) 1 \\ 2 3\n4" << "d:1 d:4";
        QTest::newRow("literal outside") << "LITERAL" << "null";
        QTest::newRow("definition") << ": SQ DUP * ; 3 SQ" << "d:9";
        QTest::newRow("if else then") << ": T IF 1 ELSE 2 THEN ; 0 T 5 T" << "d:2 d:1";
        QTest::newRow("do loop") << ": L 5 0 DO I LOOP ; L" << "i:0 i:1 i:2 i:3 i:4";
        QTest::newRow("do loop runs once") << ": L 0 5 DO 9 LOOP ; L" << "d:9";
        QTest::newRow("until") << ": C 0 BEGIN 1 + DUP 3 = UNTIL ; C" << "d:3";
        QTest::newRow("while repeat") << ": W 3 BEGIN DUP WHILE 1 - REPEAT ; W" << "d:0";
        QTest::newRow("recurse") << ": F DUP 0> IF 1 - RECURSE THEN ; 3 F" << "d:0";
        QTest::newRow("calls itself by name") << ": G DUP 0> IF 1 - G THEN 7 ; 1 G" << "d:0 d:7 d:7";
        QTest::newRow("nested calls") << ": A 1 ; : B A A + ; B" << "d:2";
        QTest::newRow("compiled literal") << ": K [ 4 ] LITERAL ; K" << "d:4";
        QTest::newRow("compiled string") << ": S s\" a  b\" ; S" << "s:a  b";
        QTest::newRow("noname") << ":NONAME 1 ; 5" << "d:5";
        QTest::newRow("[IF]") << "1 [IF] 1 [ELSE] 2 [THEN] 0 [IF] 3 [ELSE] 4 [THEN]" << "d:1 d:4";
        QTest::newRow("[IF] skips nested group") << "0 [IF] 1 [IF] 3 [ELSE] 4 [THEN] [ELSE] 5 [THEN]" << "d:5";
        QTest::newRow("[ELSE] skips nested group") << "1 [IF] 0 [IF] 3 [ELSE] 4 [THEN] [ELSE] 5 [THEN] 6" << "d:4 d:6";
        QTest::newRow("[IF] at compile time") << ": D [ 0 ] [IF] 1 [ELSE] 2 [THEN] ; D" << "d:2";
        QTest::newRow("host word") << "1 sys:wait 2" << "d:1 d:2 ; SYS:WAIT";
        QTest::newRow("compile-only word reaches the host") << "IF" << " ; IF";
        QTest::newRow("host word redefined") << ": SYS:WAIT 3 ; SYS:WAIT" << "d:3";
        QTest::newRow("unfinished definition") << ": U 1 2" << "";
    }

    void words()
    {
        QFETCH(QString, script);
        QTEST(run(script), "stack");
    }

    void malformed_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("result");

        const QString underflow = QStringLiteral("!underflow");
        const QString notFound = QStringLiteral("!notfound");
        QTest::newRow("unknown word") << "FOO" << notFound;
        QTest::newRow("plus on one value") << "1 +" << underflow;
        QTest::newRow("over on one value") << "1 OVER" << underflow;
        QTest::newRow("roll too deep") << "1 5 ROLL" << underflow;
        QTest::newRow("roll negative") << "1 2 -1 ROLL" << underflow;
        QTest::newRow("constant without value") << "CONSTANT X" << underflow;
        QTest::newRow("[IF] without flag") << "[IF]" << underflow;
        QTest::newRow("do without values") << ": A 1 DO LOOP ; A" << underflow;
        QTest::newRow("tick in a definition") << ": A ' ; A" << notFound;
        QTest::newRow("colon while compiling") << ": A : ; A" << notFound;
        QTest::newRow("constant in a definition") << ": A 1 CONSTANT ; A" << notFound;
        QTest::newRow("create in a definition") << ": A CREATE ; A" << notFound;
        QTest::newRow("] in a definition") << ": A ] ; A" << notFound;
        QTest::newRow("if without then") << ": A 0 IF 1 ; A" << notFound;
        QTest::newRow("while without repeat") << ": A BEGIN 0 WHILE 1 ; A" << notFound;
        QTest::newRow("called before its end") << ": A 1 [ A" << notFound;
        QTest::newRow("exit inside a loop") << ": A 5 0 DO EXIT LOOP ;" << notFound;
        QTest::newRow("end inside a loop") << ": A 5 0 DO ;" << notFound;
        QTest::newRow("then without if") << ": A THEN ;" << underflow;
        QTest::newRow("else without if") << ": A ELSE ;" << underflow;
        QTest::newRow("loop without do") << ": A LOOP ;" << underflow;
        QTest::newRow("until without begin") << ": A UNTIL ;" << underflow;
        QTest::newRow("repeat without while") << ": A BEGIN REPEAT ;" << underflow;
        QTest::newRow("then after begin") << ": A BEGIN THEN ;" << notFound;
    }

    void malformed()
    {
        QFETCH(QString, script);
        QTEST(run(script), "result");
    }

    // Endless loops and recursions end as errors at once; the bound on steps
    // counts from one host word to the next, so long work split by host
    // words runs, and is far above what real loops need.
    void runaways_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("result");

        const QString runaway = QStringLiteral("!runaway");
        QTest::newRow("endless loop") << ": F BEGIN 0 UNTIL ; F" << runaway;
        QTest::newRow("endless recursion") << ": F F ; F" << runaway;
        QTest::newRow("endless recursion through two words") << ": G 1 ; : F G DROP F ; F" << runaway;
        QTest::newRow("endless loop filling the stack") << ": F BEGIN 1 0 UNTIL ; F" << runaway;
        QTest::newRow("text doubled without end") << ": F S\" ab\" BEGIN DUP + 0 UNTIL ; F" << runaway;
        QTest::newRow("endless loop between host words") << ": F 1 SYS:WAIT BEGIN 0 UNTIL ; F" << runaway;
        const QString longLoop = QStringLiteral(": W 150000 0 DO LOOP ; ");
        QTest::newRow("two long loops in one go") << longLoop + ": F W W ; F" << runaway;
        QTest::newRow("long loops split by a host word") << longLoop + ": F W 2 SYS:WAIT W ; F"
                                                         << "d:2 ; SYS:WAIT";
        QTest::newRow("deep but finite recursion") << ": F DUP 0> IF 1 - F THEN ; 1000 F" << "d:0";
        QTest::newRow("endless values from one text") << ": F S\" ab\" BEGIN DUP 0 UNTIL ; F" << runaway;
        QTest::newRow("many but finite values") << ": F 1000 0 DO I LOOP 999 0 DO DROP LOOP ; F" << "i:0";
        QTest::newRow("long but finite text") << ": F S\" x\" 15 0 DO DUP + LOOP STRING:LENGTH ; F" << "i:32768";
    }

    void runaways()
    {
        QFETCH(QString, script);
        const double start = threadCpuSeconds();
        QTEST(run(script), "result");
        const double spent = threadCpuSeconds() - start;
        QVERIFY2(spent < 2, qPrintable(QString::number(spent)));
    }

    void suspendsAndResumesInsideNestedDefinitions()
    {
        Forth forth;
        forth.registerName(QStringLiteral("SYS:WAIT"), waitWord);
        ScriptFeeder feeder(&forth, ": TWICE 10 SYS:WAIT 20 SYS:WAIT ; : OUTER TWICE 30 ; OUTER 40");

        for (const QString& expected : {QStringLiteral("d:10"), QStringLiteral("d:20")}) {
            const Forth::Dictionary word = forth.parse();
            QCOMPARE(word.code, Forth::HostWord + waitWord);
            QVERIFY(forth.isExecuting());
            QCOMPARE(describeStack(forth), expected);
            forth.pullD();
        }
        QCOMPARE(forth.parse().code, Forth::NoWord);
        QVERIFY(!forth.isExecuting());
        QCOMPARE(describeStack(forth), QStringLiteral("d:30 d:40"));
    }

    void namesAndDepthChecks()
    {
        Forth forth;
        forth.registerName(QStringLiteral("b"), 1);
        forth.registerName(QStringLiteral("a"), 1);
        QCOMPARE(forth.nameForCode(Forth::HostWord + 1), QStringLiteral("A"));
        QCOMPARE(forth.nameForCode(Forth::HostWord + 2), QString());

        QVERIFY_EXCEPTION_THROWN(forth.pullD(), Forth::ExceptionStackUnderflow);
        QStack<QVariant> values;
        values << 1.0 << 2.0;
        forth.pushD(values);
        QCOMPARE(forth.readD(0).toDouble(), 2.0);
        QVERIFY_EXCEPTION_THROWN(forth.readD(2), Forth::ExceptionStackUnderflow);
        QVERIFY_EXCEPTION_THROWN(forth.readD(-1), Forth::ExceptionStackUnderflow);
        QVERIFY_EXCEPTION_THROWN(forth.removeD(-1), Forth::ExceptionStackUnderflow);
        forth.removeD(1);
        QCOMPARE(describeStack(forth), QStringLiteral("d:2"));
        QVERIFY(!forth.isClean());
    }

    void loadScript()
    {
        QTemporaryDir dir;
        QVERIFY(writeTestFiles(
            dir.path(),
            {{"main", "  dup \t  swap  \n\n#include head\n#INCLUDE \n#INCLUDEhead\ns\" a  b\"\n#Include head\n"},
             {"head", "h1\n"},
             {"loop", "l1\n#INCLUDE ring\n"},
             {"ring", "r1\n#INCLUDE loop\n#INCLUDE ring\n"}}));
        const QString path = dir.path();

        QCOMPARE(Forth::loadScript(path, "main"),
                 QStringLiteral("dup swap\nh1\n\n#INCLUDE\n#INCLUDEhead\ns\" a b\"\nh1\n\n"));
        QSet<QString> included;
        QCOMPARE(Forth::loadScript(path, "main", &included),
                 QStringLiteral("dup swap\nh1\n\n#INCLUDE\n#INCLUDEhead\ns\" a b\"\n\n"));
        QCOMPARE(included, QSet<QString>({"main", "head"}));
        // A file never expands inside itself or a file that includes it.
        QCOMPARE(Forth::loadScript(path, "loop"), QStringLiteral("l1\nr1\n\n\n\n"));
        QCOMPARE(Forth::loadScript(path, "missing"), QString());
    }
};

VARO_GUILESS_TEST_MAIN(TestForth)
#include "tst_forth.moc"
