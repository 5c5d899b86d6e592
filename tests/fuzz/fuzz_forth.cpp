// Runs any bytes as a demonstration script, read as the interpreter tests
// read one, and performs each host word as the runner would, by taking or
// giving values. Every script must end, with its words or with one of the
// interpreter's exceptions: endless loops and recursions end as errors, not
// as time-outs. A checkpoint copy taken at the first host word must then run
// on exactly as the original did.
#include "Forth.h"
#include "demo/DemoTesting.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// More host words than this make a long demonstration, not a fault.
constexpr int hostWordsPerScript = 64;

// Host words that take one value, take two, or give one, as the runner's do.
enum HostWord { Wait, Message, NodeCount };

struct Outcome
{
    QString words;
    bool ended = false;
    bool failed = false;
};

// Performs host words until the script ends or fails, or `limit` were performed.
void runOn(Forth& forth, int limit, Outcome* outcome)
{
    try {
        for (int n = 0; n < limit; ++n) {
            const Forth::Dictionary word = forth.parse();
            if (word.code == Forth::NoWord) {
                outcome->ended = true;
                return;
            }
            switch (word.code - Forth::HostWord) {
            case Wait: forth.pullD(); break;
            case Message: forth.pullD(), forth.pullD(); break;
            case NodeCount: forth.pushD(3); break;
            default: break; // a compile-only word met outside a definition
            }
            outcome->words += forth.nameForCode(word.code) + QLatin1Char(' ');
        }
    } catch (const Forth::ExceptionStackUnderflow&) {
        outcome->failed = true;
    } catch (const Forth::ExceptionNotFound&) {
        outcome->failed = true;
    } catch (const Forth::ExceptionRunaway&) {
        outcome->failed = true;
    }
}

void registerHostWords(Forth& forth)
{
    forth.registerName(QStringLiteral("SYS:WAIT"), Wait);
    forth.registerName(QStringLiteral("SYS:MESSAGE"), Message);
    forth.registerName(QStringLiteral("SYS:NODECOUNT"), NodeCount);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The shipped scripts with their header are some 40 KB.
    if (size > 65536)
        return 0;
    const QString script = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));

    Forth whole;
    registerHostWords(whole);
    ScriptFeeder wholeFeeder(&whole, script);
    Outcome all;
    runOn(whole, hostWordsPerScript, &all);

    Forth first;
    registerHostWords(first);
    ScriptFeeder firstFeeder(&first, script);
    Outcome resumed;
    runOn(first, 1, &resumed);
    if (resumed.ended || resumed.failed)
        return 0;
    Forth copy;
    copy = first;
    ScriptFeeder copyFeeder(&copy, script);
    copyFeeder.position = firstFeeder.position;
    runOn(copy, hostWordsPerScript - 1, &resumed);
    if (resumed.words != all.words || resumed.ended != all.ended || resumed.failed != all.failed)
        std::abort();
    return 0;
}
