#include "summary/Collation.h"

#include <QStringList>

namespace kvd {

namespace {

int sign(int value) { return (value > 0) - (value < 0); }

bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }

QString ascii(std::initializer_list<char> characters)
{
    QString text;
    for (const char c : characters)
        text.append(QChar(c));
    return text;
}

} // namespace

Collation::Collation(const QLocale& locale)
    : m_collator(locale)
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_foldsPrintableAscii = checkPrintableAscii();
    m_usesSortKeys = checkSortKeys();
}

bool Collation::checkPrintableAscii() const
{
    // No printable character may be ignored: "x" c "y" must differ from "xy".
    for (char c = 0x20; c <= 0x7E; ++c) {
        if (m_collator.compare(ascii({'x', c, 'y'}), ascii({'x', 'y'})) == 0)
            return false;
    }
    // Characters that differ after case folding must compare unequal.
    for (char a = 0x20; a <= 0x7E; ++a) {
        for (char b = static_cast<char>(a + 1); b <= 0x7E; ++b) {
            if (isUpper(a) || isUpper(b))
                continue;
            if (m_collator.compare(ascii({a}), ascii({b})) == 0)
                return false;
        }
    }
    // Letter case alone never matters, also inside two-letter groups that a locale
    // may treat as one letter ("ch", "ll", "dz").
    for (char a = 'a'; a <= 'z'; ++a) {
        const char upperA = static_cast<char>(a - 'a' + 'A');
        if (m_collator.compare(ascii({a}), ascii({upperA})) != 0)
            return false;
        for (char b = 'a'; b <= 'z'; ++b) {
            const char upperB = static_cast<char>(b - 'a' + 'A');
            const QString lower = ascii({a, b});
            if (m_collator.compare(lower, ascii({upperA, b})) != 0
                || m_collator.compare(lower, ascii({a, upperB})) != 0
                || m_collator.compare(lower, ascii({upperA, upperB})) != 0)
                return false;
        }
    }
    return true;
}

bool Collation::checkSortKeys() const
{
    // Sort keys must order a sample of texts exactly as compare() does, letter case
    // and accents included.
    const QStringList probes = {
        QString(), QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("Z"),
        QStringLiteral("z"), QStringLiteral("e"), QStringLiteral("\u00e9"), QStringLiteral("\u00c9"),
        QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("9"), QStringLiteral("-"),
        QStringLiteral("_"), QStringLiteral(" "), QStringLiteral("ab"), QStringLiteral("a b"),
        QStringLiteral("AB"), QStringLiteral("\uff21"),
    };
    QList<QCollatorSortKey> keys;
    for (const QString& probe : probes)
        keys.append(m_collator.sortKey(probe));
    for (qsizetype i = 0; i < probes.size(); ++i) {
        for (qsizetype j = 0; j < probes.size(); ++j) {
            if (sign(keys[i].compare(keys[j])) != sign(m_collator.compare(probes[i], probes[j])))
                return false;
        }
    }
    return true;
}

int Collation::compare(const QString& a, const QString& b) const
{
    return m_collator.compare(a, b);
}

CollationKey Collation::key(const QString& text) const
{
    CollationKey key;
    if (m_usesSortKeys)
        key.m_sortKey = m_collator.sortKey(text);
    else
        key.m_text = text;
    return key;
}

int Collation::compare(const CollationKey& a, const CollationKey& b) const
{
    if (m_usesSortKeys)
        return a.m_sortKey->compare(*b.m_sortKey);
    return m_collator.compare(a.m_text, b.m_text);
}

} // namespace kvd
