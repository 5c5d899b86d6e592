#include "Forth.h"

#include <QFile>

namespace {

struct BuiltIn
{
    const char* name;
    Forth::Word code;
};

const BuiltIn builtIns[] = {
    {"'", Forth::Tick},
    {"(", Forth::ParenComment},
    {"*", Forth::Star},
    {"+", Forth::Plus},
    {"-", Forth::Minus},
    {".", Forth::Dot},
    {".\"", Forth::DotQuote},
    {"0<", Forth::ZeroLess},
    {"0>", Forth::ZeroGreater},
    {":", Forth::Colon},
    {":NONAME", Forth::ColonNoName},
    {";", Forth::SemiColon},
    {"=", Forth::Equals},
    {"AND", Forth::And},
    {"BEGIN", Forth::Begin},
    {"CONSTANT", Forth::Constant},
    {"CREATE", Forth::Create},
    {"DO", Forth::Do},
    {"DROP", Forth::Drop},
    {"DUP", Forth::Dup},
    {"ELSE", Forth::Else},
    {"EXIT", Forth::Exit},
    {"I", Forth::LoopIndex},
    {"IF", Forth::If},
    {"INVERT", Forth::Invert},
    {"LITERAL", Forth::Literal},
    {"LOOP", Forth::Loop},
    {"OVER", Forth::Over},
    {"RECURSE", Forth::Recurse},
    {"REPEAT", Forth::Repeat},
    {"ROLL", Forth::Roll},
    {"S\"", Forth::SQuote},
    {"SWAP", Forth::Swap},
    {"THEN", Forth::Then},
    {"UNTIL", Forth::Until},
    {"WHILE", Forth::While},
    {"[", Forth::LeftBracket},
    {"[ELSE]", Forth::BracketElse},
    {"[IF]", Forth::BracketIf},
    {"[THEN]", Forth::BracketThen},
    {"\\", Forth::Backslash},
    {"]", Forth::RightBracket},
    {"STRING:FROMNUMBER", Forth::StringFromNumber},
    {"STRING:LEFT", Forth::StringLeft},
    {"STRING:REMOVE", Forth::StringRemove},
    {"STRING:LENGTH", Forth::StringLength},
    {"STRING:LOWER", Forth::StringLower},
};

bool isHostCode(Forth::Word code)
{
    return (code & ~0xfff) == Forth::HostWord;
}

// Integer results wrap instead of overflowing.
int wrapped(qint64 value)
{
    return static_cast<int>(static_cast<quint32>(value));
}

} // namespace

Forth::Forth(QObject* parent)
    : QObject(parent)
{
    for (const BuiltIn& word : builtIns) {
        Dictionary entry;
        entry.code = word.code;
        defineWord(QString::fromUtf8(word.name), entry);
    }
}

Forth& Forth::operator=(const Forth& other)
{
    currentDefinition = other.currentDefinition;
    dictionary = other.dictionary;
    compiledCode = other.compiledCode;
    controlStack = other.controlStack;
    savedStates = other.savedStates;
    state = other.state;
    dataStack = other.dataStack;
    returnStack = other.returnStack;
    return *this;
}

void Forth::registerName(const QString& name, int n)
{
    Dictionary entry;
    entry.code = HostWord + n;
    defineWord(name, entry);
}

void Forth::defineWord(const QString& name, const Dictionary& entry)
{
    dictionary.insert(name.toUpper(), entry);
}

Forth::Dictionary Forth::findWord(const QString& token) const
{
    return dictionary.value(token.toUpper());
}

QString Forth::nameForCode(Word code) const
{
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
        if (it->code == code)
            return it.key();
    return QString();
}

void Forth::pushD(const QVariant& value)
{
    if (dataStack.size() >= maximumDataDepth)
        throw ExceptionRunaway("The demonstration script piled up too many values; it may loop without end.");
    dataStack.push(value);
}

void Forth::pushD(const QStack<QVariant>& values)
{
    for (const QVariant& value : values)
        pushD(value);
}

QVariant Forth::pullD()
{
    if (dataStack.isEmpty())
        throw ExceptionStackUnderflow();
    return dataStack.pop();
}

QVariant Forth::readD(int n) const
{
    if (n < 0 || dataStack.size() <= n)
        throw ExceptionStackUnderflow();
    return dataStack.at(dataStack.size() - 1 - n);
}

void Forth::removeD(int n)
{
    if (n < 0 || dataStack.size() <= n)
        throw ExceptionStackUnderflow();
    dataStack.remove(dataStack.size() - 1 - n);
}

void Forth::pushR(const QVariant& value)
{
    if (returnStack.size() >= maximumReturnDepth)
        throw ExceptionRunaway("The demonstration script nested its words too deeply; a word may call itself "
                               "without end.");
    returnStack.push(value);
}

QVariant Forth::pullR()
{
    if (returnStack.isEmpty())
        throw ExceptionStackUnderflow();
    return returnStack.pop();
}

void Forth::requireD(int depth) const
{
    if (dataStack.size() < depth)
        throw ExceptionStackUnderflow();
}

QString Forth::nextToken()
{
    QString token;
    emit RequestTokenFromInput(&token);
    return token;
}

QString Forth::readString(QChar delimiter)
{
    QString text;
    emit RequestStringFromInput(&text, delimiter);
    return text;
}

Forth::Dictionary Forth::parse()
{
    steps = 0;
    Dictionary result;
    do {
        if (state == Executing) {
            result = executeFrom(returnAddress(pullR()));
            continue;
        }
        const QString token = nextToken();
        if (token.isEmpty())
            return Dictionary();
        const Dictionary entry = findWord(token);
        if (entry.code == NoWord) {
            bool isNumber = false;
            const double number = token.toDouble(&isNumber);
            if (!isNumber)
                throw ExceptionNotFound();
            if (state == Interpreting)
                pushD(number);
            else
                append(Literal, -1, number);
        } else if (state == Interpreting) {
            result = interpret(entry);
        } else {
            result = compile(entry);
        }
    } while (result.code == NoWord);
    return result;
}

void Forth::beginDefinition()
{
    currentDefinition = Dictionary();
    currentDefinition.code = ColonDefinition + dictionary.size();
    currentDefinition.index = compiledCode.size();
    state = Compiling;
}

bool Forth::skipComment(Word code)
{
    if (code == ParenComment)
        readString(QLatin1Char(')'));
    else if (code == Backslash)
        emit RequestLineFromInput(nullptr);
    else
        return false;
    return true;
}

Forth::Dictionary Forth::interpret(const Dictionary& entry)
{
    if (skipComment(entry.code))
        return Dictionary();
    switch (entry.code) {
    case Colon: {
        const QString name = nextToken();
        beginDefinition();
        defineWord(name, currentDefinition);
        break;
    }
    case ColonNoName:
        beginDefinition();
        break;
    case Constant: {
        const QString name = nextToken();
        Dictionary constant;
        constant.code = ConstantValue;
        constant.value = pullD();
        defineWord(name, constant);
        break;
    }
    case Create:
        nextToken();
        break;
    case SQuote:
        pushD(readString(QLatin1Char('"')));
        break;
    case RightBracket:
        state = Compiling;
        break;
    default:
        if (immediate(entry) || executeCommon(entry))
            break;
        if (entry.code < ColonDefinition)
            return entry;
        pushR(QVariant());
        savedStates.push(state);
        state = Executing;
        return executeFrom(entry.index);
    }
    return Dictionary();
}

void Forth::append(Word code, qint32 index, const QVariant& value)
{
    Dictionary cell;
    cell.code = code;
    cell.index = index;
    cell.value = value;
    compiledCode.append(cell);
}

// An EXIT inside a counted loop would take the loop's index for a return
// address. An open DO is the one control entry just after a DO cell.
void Forth::appendExit()
{
    for (int position : qAsConst(controlStack))
        if (position > 0 && position <= compiledCode.size() && compiledCode.at(position - 1).code == Do)
            throw ExceptionNotFound();
    append(Exit);
}

void Forth::patch(int position, int target)
{
    if (position < 0 || position >= compiledCode.size())
        throw ExceptionNotFound();
    compiledCode[position].index = target;
}

int Forth::popControl()
{
    if (controlStack.isEmpty())
        throw ExceptionStackUnderflow();
    return controlStack.pop();
}

Forth::Dictionary Forth::compile(const Dictionary& entry)
{
    if (skipComment(entry.code))
        return Dictionary();
    switch (entry.code) {
    case SemiColon:
        appendExit();
        state = Interpreting;
        break;
    case LeftBracket:
        state = Interpreting;
        break;
    case If:
    case While:
        controlStack.push(compiledCode.size());
        append(entry.code);
        break;
    case Else: {
        const int branch = popControl();
        patch(branch, compiledCode.size() + 1);
        controlStack.push(compiledCode.size());
        append(Else);
        break;
    }
    case Then:
        patch(popControl(), compiledCode.size());
        break;
    case Begin:
        controlStack.push(compiledCode.size());
        break;
    case Until:
    case Loop:
        append(entry.code, popControl());
        break;
    case Repeat: {
        const int whilePosition = popControl();
        const int beginPosition = popControl();
        append(Repeat, beginPosition);
        patch(whilePosition, compiledCode.size());
        break;
    }
    case Do:
        append(Do);
        controlStack.push(compiledCode.size());
        break;
    case Literal:
        append(Literal, -1, pullD());
        break;
    case SQuote:
        append(Literal, -1, readString(QLatin1Char('"')));
        break;
    case Recurse:
        append(currentDefinition.code, currentDefinition.index);
        break;
    case Exit:
        appendExit();
        break;
    default:
        if (!immediate(entry))
            compiledCode.append(entry);
    }
    return Dictionary();
}

bool Forth::immediate(const Dictionary& entry)
{
    switch (entry.code) {
    case BracketThen:
        return true;
    case BracketIf:
        if (pullD().toInt() == 0)
            skipConditional(true);
        return true;
    case BracketElse:
        skipConditional(false);
        return true;
    default:
        return false;
    }
}

void Forth::skipConditional(bool fromIf)
{
    int depth = 0;
    for (;;) {
        const QString token = nextToken();
        if (token.isEmpty())
            return;
        const Word code = findWord(token).code;
        if (code == BracketIf) {
            ++depth;
        } else if (code == BracketThen) {
            if (depth == 0)
                return;
            --depth;
        } else if (code == BracketElse && depth == 0 && fromIf) {
            return;
        }
    }
}

// Return addresses are ints inside the compiled code; anything else (the end
// marker of an outer call included) cannot be resumed.
int Forth::returnAddress(const QVariant& cell) const
{
    if (cell.userType() != QMetaType::Int)
        throw ExceptionNotFound();
    return cell.toInt();
}

void Forth::countStep()
{
    if (++steps > maximumSteps)
        throw ExceptionRunaway("The demonstration script ran too long without a step on screen; it may loop "
                               "without end.");
}

Forth::Dictionary Forth::executeFrom(int position)
{
    int ip = position;
    for (;;) {
        countStep();
        if (ip < 0 || ip >= compiledCode.size())
            throw ExceptionNotFound();
        const Dictionary cell = compiledCode.at(ip++);
        if (isHostCode(cell.code)) {
            pushR(ip);
            return cell;
        }
        switch (cell.code) {
        case If:
        case While:
        case Until:
            if (pullD().toInt() == 0)
                ip = cell.index;
            break;
        case Else:
        case Repeat:
            ip = cell.index;
            break;
        case Do: {
            requireD(2);
            const int start = pullD().toInt();
            const int limit = pullD().toInt();
            pushR(limit);
            pushR(start);
            break;
        }
        case Loop: {
            if (returnStack.size() < 2)
                throw ExceptionStackUnderflow();
            const qint64 index = qint64(pullR().toInt()) + 1;
            const int limit = pullR().toInt();
            if (index < limit) {
                pushR(limit);
                pushR(int(index));
                ip = cell.index;
            }
            break;
        }
        case LoopIndex:
            if (returnStack.isEmpty())
                throw ExceptionStackUnderflow();
            pushD(returnStack.top());
            break;
        case Exit: {
            const QVariant back = pullR();
            if (!back.isValid()) {
                state = savedStates.isEmpty() ? int(Interpreting) : savedStates.pop();
                return Dictionary();
            }
            ip = returnAddress(back);
            break;
        }
        default:
            if (executeCommon(cell))
                break;
            if (cell.code < ColonDefinition)
                throw ExceptionNotFound();
            pushR(ip);
            ip = cell.index;
        }
    }
}

bool Forth::executeCommon(const Dictionary& entry)
{
    switch (entry.code) {
    case Star:
    case Plus:
    case Minus: {
        requireD(2);
        const QVariant a = pullD();
        const QVariant b = pullD();
        if (entry.code == Plus && b.userType() == QMetaType::QString) {
            const QString left = b.toString(), right = a.toString();
            if (qint64(left.size()) + right.size() > maximumTextLength)
                throw ExceptionRunaway("The demonstration script made a text too long to show.");
            pushD(left + right);
        } else if (b.userType() == QMetaType::Double) {
            const double x = b.toDouble(), y = a.toDouble();
            pushD(entry.code == Star ? x * y : entry.code == Plus ? x + y : x - y);
        } else {
            const qint64 x = b.toInt(), y = a.toInt();
            pushD(wrapped(entry.code == Star ? x * y : entry.code == Plus ? x + y : x - y));
        }
        return true;
    }
    case Dot:
    case DotQuote:
    case Drop:
        pullD();
        return true;
    case ZeroLess:
        pushDflag(pullD().toDouble() < 0.0);
        return true;
    case ZeroGreater:
        pushDflag(pullD().toDouble() > 0.0);
        return true;
    case Equals: {
        requireD(2);
        const QVariant a = pullD();
        pushDflag(pullD() == a);
        return true;
    }
    case And: {
        requireD(2);
        const int a = pullD().toInt();
        pushD(pullD().toInt() & a);
        return true;
    }
    case Dup:
        pushD(readD(0));
        return true;
    case Invert:
        pushD(~pullD().toInt());
        return true;
    case Literal:
    case ConstantValue:
        pushD(entry.value);
        return true;
    case Over:
        pushD(readD(1));
        return true;
    case Roll: {
        const int u = pullD().toInt();
        const QVariant moved = readD(u);
        removeD(u);
        pushD(moved);
        return true;
    }
    case Swap: {
        requireD(2);
        const QVariant a = pullD();
        const QVariant b = pullD();
        pushD(a);
        pushD(b);
        return true;
    }
    case StringFromNumber:
        pushD(QString::number(pullD().toDouble(), 'g', 6));
        return true;
    case StringLeft:
    case StringRemove: {
        requireD(2);
        const int n = pullD().toInt();
        const QString s = pullD().toString();
        if (entry.code == StringLeft)
            pushD(s.left(n));
        else
            pushD(n >= s.length() ? QString() : n < 0 ? s : s.mid(n));
        return true;
    }
    case StringLength:
        pushD(int(pullD().toString().length()));
        return true;
    case StringLower:
        pushD(pullD().toString().toLower());
        return true;
    default:
        return false;
    }
}

QString Forth::loadScript(const QString& directory, const QString& name, QSet<QString>* included)
{
    QStringList chain;
    return loadScriptChain(directory, name, included, &chain);
}

QString Forth::loadScriptChain(const QString& directory, const QString& name, QSet<QString>* included,
                               QStringList* chain)
{
    if (included)
        included->insert(name);
    QFile file(QStringLiteral("%1/%2").arg(directory, name));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    chain->append(name);
    static const QString includeMark = QStringLiteral("#INCLUDE ");
    QString text;
    while (!file.atEnd()) {
        QByteArray bytes = file.readLine();
        const int nul = bytes.indexOf('\0');
        if (nul >= 0)
            bytes.truncate(nul);
        const QString line = QString::fromUtf8(bytes.simplified());
        if (line.isEmpty())
            continue;
        if (line.length() >= 10 && line.left(9).toUpper() == includeMark) {
            const QString other = line.mid(9);
            if ((!included || !included->contains(other)) && !chain->contains(other))
                text += loadScriptChain(directory, other, included, chain);
        } else {
            text += line;
        }
        text += QLatin1Char('\n');
    }
    chain->removeLast();
    return text;
}
