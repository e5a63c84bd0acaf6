// Checks the English translation of the interface against the code it comes from. Every message
// of the .ts file must be finished and keep its source's mnemonics (&), placeholders (%1, %n)
// and line breaks; every Japanese text in the code of the interface must be one of its
// messages, unless its line says `// not translated:` and why. Prints one line per fault and
// exits with 1 when there is any.
//
//   selvane_translation_check TRANSLATION.ts LIST
//
// LIST names the source files to read, one a line.

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

int faults = 0;

void Fault(const QString& text) {
    std::fprintf(stdout, "%s\n", qPrintable(text));
    ++faults;
}

// The mnemonics of a menu or label text: "&&" is an ampersand, not one.
int Mnemonics(const QString& text) {
    int count = 0;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'&') {
            if (text[i + 1] != u'&') {
                ++count;
            }
            ++i;
        }
    }
    return count;
}

QStringList Placeholders(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("%L?(?:[1-9][0-9]?|n)"));
    QStringList found;
    for (const QRegularExpressionMatch& match : pattern.globalMatch(text)) {
        found << match.captured();
    }
    found.sort();
    return found;
}

struct Message {
    QString source;
    QString type;
    QStringList forms;  // one, or one per plural form
};

std::vector<Message> ReadMessages(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Fault(path + QStringLiteral(": cannot be read"));
        return {};
    }
    std::vector<Message> messages;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        if (xml.name() == u"message") {
            messages.emplace_back();
        } else if (xml.name() == u"source" && !messages.empty()) {
            messages.back().source = xml.readElementText();
        } else if (xml.name() == u"translation" && !messages.empty()) {
            messages.back().type = xml.attributes().value(QStringLiteral("type")).toString();
            // Plural forms come as <numerusform> children; a plain translation is text.
            QString text;
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isCharacters()) {
                    text += xml.text();
                } else if (xml.isStartElement() && xml.name() == u"numerusform") {
                    messages.back().forms << xml.readElementText();
                } else if (xml.isEndElement() && xml.name() == u"translation") {
                    break;
                }
            }
            if (messages.back().forms.isEmpty()) {
                messages.back().forms << text;
            }
        }
    }
    if (xml.hasError()) {
        Fault(path + QStringLiteral(": ") + xml.errorString());
    }
    return messages;
}

void CheckMessage(const QString& path, const Message& message) {
    const QString where = path + QStringLiteral(": \"") + message.source + QStringLiteral("\"");
    if (message.type == u"unfinished") {
        Fault(where + QStringLiteral(" has no finished translation"));
        return;
    }
    if (!message.type.isEmpty()) {
        Fault(where + QStringLiteral(" is ") + message.type +
              QStringLiteral(": no longer in the code"));
        return;
    }
    for (const QString& form : message.forms) {
        if (form.trimmed().isEmpty()) {
            Fault(where + QStringLiteral(" has an empty translation"));
            continue;
        }
        if (Mnemonics(form) != Mnemonics(message.source)) {
            Fault(where + QStringLiteral(" has %1 mnemonic(s), its translation \"%2\" %3")
                              .arg(Mnemonics(message.source))
                              .arg(form)
                              .arg(Mnemonics(form)));
        }
        if (Placeholders(form) != Placeholders(message.source)) {
            Fault(where + QStringLiteral(" has the placeholders [%1], its translation \"%2\" [%3]")
                              .arg(Placeholders(message.source).join(u' '), form,
                                   Placeholders(form).join(u' ')));
        }
        if (form.count(u'\n') != message.source.count(u'\n')) {
            Fault(where + QStringLiteral(" has %1 line break(s), its translation \"%2\" %3")
                              .arg(message.source.count(u'\n'))
                              .arg(form)
                              .arg(form.count(u'\n')));
        }
    }
}

struct Literal {
    QString text;
    int line;
};

// The string literals of C++ code, adjacent ones joined as the compiler joins them, with their
// escapes undone and the line each begins on. Comments and character literals are passed over.
std::vector<Literal> StringLiterals(const QString& code) {
    std::vector<Literal> literals;
    bool joinable = false;  // only white space and comments since the last literal
    int line = 1;
    const qsizetype n = code.size();
    const auto at = [&](qsizetype k) { return k < n ? code[k] : QChar(); };
    qsizetype i = 0;
    while (i < n) {
        const QChar c = code[i];
        if (c.isSpace()) {
            line += c == u'\n' ? 1 : 0;
            ++i;
        } else if (c == u'/' && at(i + 1) == u'/') {
            while (i < n && code[i] != u'\n') {
                ++i;
            }
        } else if (c == u'/' && at(i + 1) == u'*') {
            const qsizetype end = code.indexOf(QStringLiteral("*/"), i + 2);
            const qsizetype stop = end < 0 ? n : end + 2;
            line += static_cast<int>(code.mid(i, stop - i).count(u'\n'));
            i = stop;
        } else if (c == u'"') {
            // A raw literal's R stands right before its quote (after u8, u, U or L where given).
            QString text;
            const int first = line;
            if (i > 0 && code[i - 1] == u'R') {
                const qsizetype open = code.indexOf(u'(', i);
                const QString close = u')' + code.mid(i + 1, open - i - 1) + u'"';
                const qsizetype end = code.indexOf(close, open);
                text = code.mid(open + 1, end - open - 1);
                line += static_cast<int>(text.count(u'\n'));
                i = end < 0 ? n : end + close.size();
            } else {
                for (++i; i < n && code[i] != u'"'; ++i) {
                    if (code[i] == u'\\') {
                        const QChar escaped = at(++i);
                        text += escaped == u'n'   ? QChar(u'\n')
                                : escaped == u't' ? QChar(u'\t')
                                                  : escaped;
                    } else {
                        text += code[i];
                    }
                }
                ++i;
            }
            if (joinable) {
                literals.back().text += text;
            } else {
                literals.push_back({text, first});
            }
            joinable = true;
        } else if (c == u'\'' && !(i > 0 && code[i - 1].isDigit())) {
            // A character literal; after a digit the quote separates digits.
            for (++i; i < n && code[i] != u'\''; ++i) {
                i += code[i] == u'\\' ? 1 : 0;
            }
            ++i;
            joinable = false;
        } else {
            joinable = false;
            ++i;
        }
    }
    return literals;
}

bool HasJapanese(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x3000; });
}

void CheckCode(const QString& path, const QSet<QString>& sources) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Fault(path + QStringLiteral(": cannot be read"));
        return;
    }
    const QString code = QString::fromUtf8(file.readAll());
    const QStringList lines = code.split(u'\n');
    for (const Literal& literal : StringLiterals(code)) {
        if (!HasJapanese(literal.text) || sources.contains(literal.text) ||
            lines.value(literal.line - 1).contains(QStringLiteral("// not translated:"))) {
            continue;
        }
        Fault(QStringLiteral(
                  "%1:%2: \"%3\" has no message in the translation: mark it for translation")
                  .arg(path)
                  .arg(literal.line)
                  .arg(literal.text));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: selvane_translation_check TRANSLATION.ts LIST\n");
        return 2;
    }
    const QString translation = arguments[1];
    QSet<QString> sources;
    for (const Message& message : ReadMessages(translation)) {
        CheckMessage(translation, message);
        sources.insert(message.source);
    }
    QFile list(arguments[2]);
    if (!list.open(QIODevice::ReadOnly)) {
        Fault(arguments[2] + QStringLiteral(": cannot be read"));
    }
    for (const QString& path : QString::fromUtf8(list.readAll()).split(u'\n')) {
        if (!path.trimmed().isEmpty()) {
            CheckCode(path.trimmed(), sources);
        }
    }
    return faults == 0 ? 0 : 1;
}
