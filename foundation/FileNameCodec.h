#pragma once

#include <QTextCodec>

// File names on this system are bytes, which the program reads as UTF-8. A
// byte that is no part of valid UTF-8 becomes the lone surrogate U+DC00 plus
// the byte, which no real text holds, and turns back into that same byte on
// the way out. As the locale's codec, through which Qt turns every file name
// and command-line argument into text and back, it lets each name a folder
// or a command line holds be shown, passed on and opened again.
class FileNameCodec : public QTextCodec
{
public:
    // Takes the locale's place when that is UTF-8; other locales already read
    // every byte as a character of their own.
    static void installForLocale();

    QByteArray name() const override;
    int mibEnum() const override;

protected:
    QString convertToUnicode(const char* in, int length, ConverterState* state) const override;
    QByteArray convertFromUnicode(const QChar* in, int length, ConverterState* state) const override;
};
