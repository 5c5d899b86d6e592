#pragma once

#include <QMap>
#include <QObject>
#include <QSet>
#include <QStack>
#include <QString>
#include <QVariant>
#include <QVector>

#include <exception>

// A small Forth whose cells are QVariants. It has no input or output of its
// own: it pulls its text through the Request signals (direct connections
// only), and every host word stops parse() and is handed back to the caller,
// which performs it and calls parse() again to resume where it stopped, also
// inside nested colon definitions.
class Forth : public QObject
{
    Q_OBJECT

public:
    typedef qint32 Word;

    // Codes of the built-in words and the bounds of the code ranges.
    enum Code : Word {
        NoWord = -1,
        Tick = 0x70,
        ParenComment = 0x80,
        Star = 0x90,
        Plus = 0x120,
        Minus = 0x160,
        Dot = 0x180,
        DotQuote = 0x190,
        ZeroLess = 0x250,
        ZeroGreater = 0x280,
        Colon = 0x450,
        ColonNoName = 0x455,
        SemiColon = 0x460,
        Equals = 0x530,
        And = 0x720,
        Begin = 0x760,
        Constant = 0x950,
        Create = 0x1000,
        Do = 0x1240,
        Drop = 0x1260,
        Dup = 0x1290,
        Else = 0x1310,
        Exit = 0x1380,
        LoopIndex = 0x1680,
        If = 0x1700,
        Invert = 0x1720,
        Literal = 0x1780,
        Loop = 0x1800,
        Over = 0x1990,
        Recurse = 0x2120,
        Repeat = 0x2140,
        Roll = 0x2150,
        SQuote = 0x2165,
        Swap = 0x2260,
        Then = 0x2270,
        Until = 0x2390,
        While = 0x2430,
        LeftBracket = 0x2500,
        BracketElse = 0x2531,
        BracketIf = 0x2532,
        BracketThen = 0x2533,
        Backslash = 0x2535,
        RightBracket = 0x2540,
        ConstantValue = 0x4000,
        StringFromNumber = 0x4010,
        StringLeft = 0x4011,
        StringRemove = 0x4012,
        StringLength = 0x4013,
        StringLower = 0x4014,
        HostWord = 0x5000,
        ColonDefinition = 0x6000
    };

    enum State { Compiling = 0, Executing = 1, Interpreting = 2 };

    // A dictionary entry, a cell of compiled code and the result of parse().
    struct Dictionary
    {
        Word code = NoWord;
        qint32 index = -1;
        QVariant value;
    };

    class ExceptionStackUnderflow : public std::exception
    {
    };
    class ExceptionNotFound : public std::exception
    {
    };
    // A run that went past one of the bounds below; what() says which, in
    // words a user can read.
    class ExceptionRunaway : public std::exception
    {
    public:
        explicit ExceptionRunaway(const char* reason) : reason(reason) {}
        const char* what() const noexcept override { return reason; }

    private:
        const char* reason;
    };

    // Bounds of a run, far above what any script needs, so that a loop or a
    // recursion without end fails at once instead of freezing the window or
    // filling memory: cells executed from one parse() to the host word it
    // returns, return-stack depth (calls and counted loops), data-stack
    // depth, and the length of a text that + makes. The shipped scripts need
    // at most some 70 steps, 8 returns, 16 values and a text of 1000
    // characters.
    static constexpr int maximumSteps = 200000;
    static constexpr int maximumReturnDepth = 4096;
    static constexpr int maximumDataDepth = 1024;
    static constexpr int maximumTextLength = 1 << 16;

    explicit Forth(QObject* parent = nullptr);
    // The whole interpreter state, not the QObject identity or connections.
    Forth& operator=(const Forth& other);

    void registerName(const QString& name, int n);
    void defineWord(const QString& name, const Dictionary& entry);
    Dictionary findWord(const QString& token) const;

    // Runs until a host word is reached and returns it; code NoWord when the
    // input is exhausted.
    Dictionary parse();
    bool isClean() const { return dataStack.isEmpty() && returnStack.isEmpty(); }
    // A colon definition stopped at a host word and resumes at the next parse().
    bool isExecuting() const { return state == Executing; }
    QString nameForCode(Word code) const;

    void pushD(const QVariant& value);
    void pushD(const QStack<QVariant>& values);
    void pushDflag(bool flag) { pushD(flag ? -1 : 0); }
    QVariant pullD();
    QVariant readD(int n) const;
    void removeD(int n);
    void pushR(const QVariant& value);
    QVariant pullR();
    int depthD() const { return dataStack.size(); }

    // The text of directory/name with blank lines dropped, white space
    // simplified and "#INCLUDE name" lines replaced by that file. A file is
    // never expanded inside itself or one of the files that include it; with
    // a set, each file is expanded only the first time.
    static QString loadScript(const QString& directory, const QString& name, QSet<QString>* included = nullptr);

signals:
    void RequestTokenFromInput(QString* token = nullptr);
    void RequestStringFromInput(QString* text, const QChar& delimiter);
    void RequestLineFromInput(QString* text = nullptr);

private:
    Dictionary interpret(const Dictionary& entry);
    Dictionary compile(const Dictionary& entry);
    bool immediate(const Dictionary& entry);
    bool executeCommon(const Dictionary& entry);
    Dictionary executeFrom(int position);

    QString nextToken();
    QString readString(QChar delimiter);
    // ( and \ read and drop their text in both states.
    bool skipComment(Word code);
    void skipConditional(bool fromIf);
    void beginDefinition();
    void append(Word code, qint32 index = -1, const QVariant& value = QVariant());
    void appendExit();
    void patch(int position, int target);
    int popControl();
    void requireD(int depth) const;
    int returnAddress(const QVariant& cell) const;
    void countStep();

    static QString loadScriptChain(const QString& directory, const QString& name, QSet<QString>* included,
                                   QStringList* chain);

    Dictionary currentDefinition;
    QMap<QString, Dictionary> dictionary;
    QVector<Dictionary> compiledCode;
    QStack<int> controlStack;
    QStack<int> savedStates;
    int state = Interpreting;
    QStack<QVariant> dataStack;
    QStack<QVariant> returnStack;
    // Cells executed since parse() was entered.
    int steps = 0;
};
