#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QLocale>
#include <QString>

#include <array>
#include <memory>

// A single-byte Windows code page, in which the data files and the scrambled
// password are kept: one per installation, chosen at its first start from
// the language of that run (see CodePageRecord). The tables come
// from the system's iconv once, when the page is made; after that nearly
// every conversion is a lookup, and iconv is asked again only for letters
// the page writes as a base letter and an accent (Vietnamese).
class CodePage
{
public:
    // Windows-1252, the page of most Western languages.
    CodePage() : CodePage("CP1252") {}
    // An iconv name such as "CP1252"; an unknown name falls back to CP1252.
    explicit CodePage(const QByteArray& iconvName);

    // Windows' page for the locale's language and script: CP1250 Central
    // European ... CP1258 Vietnamese, CP874 Thai, CP1252 where none fits.
    static QByteArray nameFor(const QLocale& locale);
    static CodePage forLocale(const QLocale& locale) { return CodePage(nameFor(locale)); }
    // The pages nameFor gives, which are the ones an installation may use.
    static const QList<QByteArray>& known();
    // "CP1251", "cp1251", "Windows-1251" or "1251" as "CP1251"; empty when the
    // text names no known page.
    static QByteArray knownName(QStringView text);

    const QByteArray& name() const { return m_name; }

    // Every byte gives one character; a byte the page leaves undefined keeps
    // the control character of the same number, so any file round-trips.
    // Where the page writes a letter as base letter and accent (Vietnamese),
    // the two become the one letter Unicode has for them, as typed text has it.
    QString decode(QByteArrayView bytes) const;
    // One character for every byte, nothing joined: for codes that are not
    // text, such as the scrambled password.
    QString chars(QByteArrayView bytes) const;

    // The characters of text that the page cannot hold, each once, in order.
    QString unfit(QStringView text) const;
    bool fits(QStringView text) const { return unfit(text).isEmpty(); }
    // Characters for a message, one by one between spaces; those that do not
    // show (controls, marks) as their U+ number.
    static QString spelled(QStringView chars);

    // Text to bytes. Callers refuse or warn about unfit() first; whatever is
    // still unfit becomes '?'.
    QByteArray encode(QStringView text) const;

private:
    // Appends the bytes for one character (or surrogate pair); false when
    // the page has none.
    bool appendChar(QByteArray& out, QStringView c) const;

    QByteArray m_name;
    bool m_composes = false; // the page has accents that follow their letter
    std::array<char16_t, 256> m_chars{};
    QHash<char16_t, char> m_bytes;   // characters above ASCII
    std::shared_ptr<void> m_encoder; // iconv from UTF-16 to the page
};
