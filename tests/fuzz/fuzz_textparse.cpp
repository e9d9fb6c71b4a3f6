// libFuzzer target: random sequences of QtTextParse operations over arbitrary text.
#include "qttextparse.h"

#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

using QT_EXT::QtTextParse;

namespace {

const QString *currentText = nullptr;

void check(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_textparse: %s\ntext: %s\n", what,
                 currentText ? currentText->toUtf8().constData() : "");
    std::abort();
}

QString takeString(FuzzedDataProvider &fdp, size_t maxLength)
{
    const std::string bytes = fdp.ConsumeRandomLengthString(maxLength);
    return QString::fromUtf8(bytes.data(), int(bytes.size()));
}

Qt::CaseSensitivity sensitivity(bool caseSensitive)
{
    return caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

// A read must hand back exactly the characters between the cursor before and after it.
void checkRead(const QtTextParse &p, int before, const QString &read)
{
    check(p.pos() >= before, "a read moved the cursor backwards");
    check(read == p.text().mid(before, p.pos() - before),
          "a read returned other characters than those passed over");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    const QString arg = takeString(fdp, 12);
    const QString text = takeString(fdp, 2048);
    currentText = &text;
    const QChar ch = arg.isEmpty() ? QChar() : arg.at(0);

    QtTextParse p(text);
    int steps = 0;
    while (fdp.remaining_bytes() > 0 && ++steps < 200) {
        const bool flag = fdp.ConsumeBool();
        const int op = fdp.ConsumeIntegralInRange<int>(0, 45);
        const int before = p.pos();
        switch (op) {
        case 0:
            p.setPos(fdp.ConsumeIntegralInRange<int>(-2, text.length() + 2));
            break;
        case 1:
            flag ? p.toEnd() : p.toStart();
            break;
        case 2:
            p.step(flag);
            break;
        case 3:
            flag ? p.advance(fdp.ConsumeIntegralInRange<int>(-1, 64))
                 : p.retreat(fdp.ConsumeIntegralInRange<int>(-1, 64));
            break;
        case 4:
            flag ? p.mark() : p.restoreMark();
            break;
        case 5: {
            const bool expected =
                !arg.isEmpty() && text.indexOf(arg, p.pos(), sensitivity(flag)) == p.pos();
            check(p.isAt(arg, flag) == expected, "isAt differs from its search definition");
            break;
        }
        case 6:
            p.find(arg, flag, fdp.ConsumeBool());
            break;
        case 7:
            p.skipPast(arg, flag, fdp.ConsumeBool());
            break;
        case 8:
            p.skipTo(ch, flag);
            break;
        case 9:
            p.skipWhile(ch, flag);
            break;
        case 10:
            p.skipPastChar(ch, flag);
            break;
        case 11:
            p.skipToOneOf(arg, flag);
            break;
        case 12:
            p.skipWhileOneOf(arg, flag);
            break;
        case 13:
            flag ? p.skipToSpace(fdp.ConsumeBool()) : p.skipSpaces(fdp.ConsumeBool());
            break;
        case 14:
            flag ? p.skipLower(fdp.ConsumeBool()) : p.skipUpper(fdp.ConsumeBool());
            break;
        case 15:
            checkRead(p, before, p.readUntilOneOf(arg));
            break;
        case 16: {
            // Reference: step until isAt holds, as the reading is defined.
            QtTextParse ref(text);
            ref.setPos(p.pos());
            while (!ref.atEnd() && !ref.isAt(arg, flag))
                ref.next();
            const QString read = p.readUntilString(arg, flag);
            checkRead(p, before, read);
            check(p.pos() == ref.pos(), "readUntilString stopped elsewhere than isAt says");
            break;
        }
        case 17: {
            const QString read = p.readUntilStringAndSkip(arg, flag);
            check(read == text.mid(before, read.length()), "readUntilStringAndSkip misread");
            break;
        }
        case 18:
            checkRead(p, before, p.readUntil(ch, flag));
            break;
        case 19: {
            const QString read = p.readUntilAndSkip(ch, flag);
            check(read == text.mid(before, read.length()), "readUntilAndSkip misread");
            break;
        }
        case 20:
            checkRead(p, before, p.readWhile(ch));
            break;
        case 21:
            checkRead(p, before, p.readWhileOneOf(arg));
            break;
        case 22: {
            const QString read = p.readUntilOneOfAndSkip(arg);
            check(read == text.mid(before, read.length()), "readUntilOneOfAndSkip misread");
            break;
        }
        case 23:
            checkRead(p, before, flag ? p.readToken() : p.readSpaces());
            break;
        case 24:
            checkRead(p, before, p.readToEnd());
            check(p.atEnd(), "readToEnd did not reach the end");
            break;
        case 25:
            p.tagContent(arg, flag ? QString() : takeString(fdp, 6), fdp.ConsumeBool());
            break;
        case 26:
            p.tagAttribute(arg, takeString(fdp, 6));
            break;
        case 27:
            p.attributeValue(arg);
            break;
        case 28:
            p.title();
            break;
        case 29:
            p.nextTag();
            break;
        case 30:
            flag ? p.skipTags(fdp.ConsumeBool()) : (void)p.skipMarkup(fdp.ConsumeBool());
            break;
        case 31:
            check(p.countChar(ch) == text.mid(before).count(ch), "countChar miscounted");
            check(p.pos() == before, "countChar moved the cursor");
            break;
        case 32:
            p.wordCount();
            check(p.pos() == 0, "wordCount did not return to the start");
            break;
        case 33:
            p.parseFraction();
            break;
        case 34: {
            QString out;
            p.toPlainText(out);
            check(p.atEnd(), "toPlainText did not reach the end");
            break;
        }
        case 35:
            p.plainTextLine();
            break;
        case 36:
            p.linkTarget();
            break;
        case 37: {
            QString copy = text;
            QtTextParse::decodeEntities(copy);
            check(copy.length() <= text.length(), "decoding made the text longer");
            break;
        }
        case 38: {
            QString copy = text;
            QtTextParse::encodeEntitiesNoBreaks(copy);
            // Without an ampersand in the text, decoding undoes the encoding exactly.
            if (!text.contains(QLatin1Char('&')))
                check(QtTextParse::decodedEntities(copy) == text, "entities did not round-trip");
            QtTextParse::encodeEntities(copy);
            break;
        }
        case 39: {
            QString copy = text;
            QtTextParse::toFileName(copy);
            for (const QChar c : copy)
                check(!QStringLiteral("<>:\"/\\|?*%\r\n\t").contains(c),
                      "toFileName left a forbidden character");
            break;
        }
        case 40: {
            // Lone surrogates come back as U+FFFD, as any UTF-8 trip gives them.
            const QByteArray utf8 = text.toUtf8();
            check(QtTextParse::percentDecoded(QtTextParse::percentEncoded(text)) ==
                      QString::fromUtf8(utf8.constData(), utf8.size()),
                  "percent encoding did not round-trip");
            break;
        }
        case 41:
            p.isLinkStart();
            p.containsAfter(arg);
            p.indexOf(arg);
            p.indexOf(ch);
            p.containsOneOf(arg);
            break;
        case 42:
            check(p.contains(arg, flag) ==
                      (!arg.isEmpty() && text.contains(arg, sensitivity(flag))),
                  "contains differs from the whole-text search");
            check(p.startsWith(arg, flag) ==
                      (!arg.isEmpty() && text.indexOf(arg, 0, sensitivity(flag)) == 0),
                  "startsWith differs from its search definition");
            break;
        case 43: {
            QtTextParse copy;
            copy = p;
            check(copy.pos() == p.pos() && copy.text() == text, "assignment lost state");
            break;
        }
        case 44:
            p.currentChar();
            p.isSpace();
            p.isOneOf(arg);
            break;
        default: {
            QString slash = arg;
            QtTextParse::withTrailingSlash(slash);
            check(slash.endsWith(QLatin1Char('/')), "withTrailingSlash");
            break;
        }
        }
        check(p.pos() >= 0 && (p.pos() <= text.length() || text.isEmpty()),
              "the cursor left the text");
        check(p.text() == text, "scanning changed the text");
    }
    currentText = nullptr;
    return 0;
}
