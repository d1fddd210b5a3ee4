#include "summary/Collation.h"

#include <map>

#include <QStringList>

#include <unicode/ucol.h>

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

// Texts on which a key must agree with compare(): letter case, accents, composed and
// decomposed forms, compatibility forms, ignorable controls and special foldings.
QStringList equalityProbes()
{
    return {
        QString(), QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("ab"), QStringLiteral("aB"),
        QStringLiteral("a b"), QStringLiteral("a-b"), QStringLiteral("a\x01" "b"), QStringLiteral("a\tb"),
        QStringLiteral("e"), QStringLiteral("E"), QStringLiteral("\u00e9"), QStringLiteral("\u00c9"),
        QStringLiteral("e\u0301"), QStringLiteral("\u00e8"), QStringLiteral("\uff21"), QStringLiteral("\uff41"),
        QStringLiteral("ss"), QStringLiteral("SS"), QStringLiteral("\u00df"), QStringLiteral("\u1e9e"),
        QStringLiteral("fi"), QStringLiteral("\ufb01"), QStringLiteral("\u03c3"), QStringLiteral("\u03c2"),
        QStringLiteral("\u03a3"), QStringLiteral("i"), QStringLiteral("I"), QStringLiteral("\u0130"),
        QStringLiteral("\u0131"), QStringLiteral("k"), QStringLiteral("\u212a"), QStringLiteral("\u00b5"),
        QStringLiteral("\u03bc"), QStringLiteral("\u01c4"), QStringLiteral("\u01c5"), QStringLiteral("\u01c6"),
        QStringLiteral("\u00e6"), QStringLiteral("ae"), QStringLiteral("\u00f8"), QStringLiteral("o"),
        QStringLiteral("\U0001d400"), QStringLiteral("\u00a0"), QStringLiteral(" "), QStringLiteral("\u200b"),
    };
}

} // namespace

// An ICU collator with the settings QCollator gives a case-insensitive comparison.
struct Collation::IcuCollator {
    explicit IcuCollator(const QLocale& locale)
    {
        UErrorCode status = U_ZERO_ERROR;
        collator = ucol_open(locale.name().toLatin1().constData(), &status);
        if (U_FAILURE(status)) {
            close();
            return;
        }
        ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
        ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
        ucol_setAttribute(collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
        if (U_FAILURE(status))
            close();
    }
    ~IcuCollator() { close(); }
    IcuCollator(const IcuCollator&) = delete;
    IcuCollator& operator=(const IcuCollator&) = delete;

    void close()
    {
        if (collator)
            ucol_close(collator);
        collator = nullptr;
    }
    void sortKey(const QString& text, std::string& bytes) const
    {
        const auto* units = reinterpret_cast<const UChar*>(text.utf16());
        const auto length = static_cast<int32_t>(text.size());
        bytes.resize(bytes.capacity() < 64 ? 64 : bytes.capacity());
        int32_t needed = ucol_getSortKey(collator, units, length, reinterpret_cast<uint8_t*>(bytes.data()),
                                         static_cast<int32_t>(bytes.size()));
        if (static_cast<std::size_t>(needed) > bytes.size()) {
            bytes.resize(static_cast<std::size_t>(needed));
            needed = ucol_getSortKey(collator, units, length, reinterpret_cast<uint8_t*>(bytes.data()), needed);
        }
        bytes.resize(static_cast<std::size_t>(needed));
    }

    UCollator* collator = nullptr;
};

Collation::Collation(const QLocale& locale, EqualityKeyUse use)
    : m_collator(locale), m_icu(std::make_shared<IcuCollator>(locale))
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_foldsPrintableAscii = checkPrintableAscii();
    m_usesSortKeys = checkSortKeys();
    for (const EqualityKeys candidate : {EqualityKeys::IcuSortKey, EqualityKeys::CaseFolded}) {
        if (use == EqualityKeyUse::Never)
            break;
        if (candidate == EqualityKeys::IcuSortKey && !m_icu->collator)
            continue;
        m_equalityKeys = candidate;
        if (checkEqualityKeys())
            break;
        m_equalityKeys = EqualityKeys::None;
    }
}

const Collation& Collation::forLocale(const QLocale& locale)
{
    thread_local std::map<QString, std::unique_ptr<Collation>> collations;
    std::unique_ptr<Collation>& collation = collations[locale.name() + u'|' + locale.bcp47Name()];
    if (!collation)
        collation = std::make_unique<Collation>(locale);
    return *collation;
}

bool Collation::checkEqualityKeys() const
{
    const QStringList probes = equalityProbes();
    std::vector<std::string> keys(static_cast<std::size_t>(probes.size()));
    for (qsizetype i = 0; i < probes.size(); ++i)
        equalityKey(probes[i], keys[static_cast<std::size_t>(i)]);
    for (qsizetype i = 0; i < probes.size(); ++i) {
        for (qsizetype j = 0; j < probes.size(); ++j) {
            const bool sameKey = keys[static_cast<std::size_t>(i)] == keys[static_cast<std::size_t>(j)];
            if (sameKey != (m_collator.compare(probes[i], probes[j]) == 0))
                return false;
        }
    }
    return true;
}

bool Collation::equalityKey(const QString& text, std::string& bytes) const
{
    switch (m_equalityKeys) {
    case EqualityKeys::IcuSortKey:
        // QCollator puts the empty text before every other one, also before texts of
        // ignorable characters only, which ICU finds equal to it: the first byte keeps
        // them apart.
        m_icu->sortKey(text, bytes);
        bytes.insert(bytes.begin(), text.isEmpty() ? '\0' : '\1');
        return true;
    case EqualityKeys::CaseFolded: {
        const QString folded = text.toCaseFolded();
        bytes.assign(reinterpret_cast<const char*>(folded.utf16()), static_cast<std::size_t>(folded.size()) * 2);
        return true;
    }
    case EqualityKeys::None:
        break;
    }
    return false;
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

const UCollator* Collation::icuCollator() const noexcept
{
    return m_icu->collator;
}

} // namespace kvd
