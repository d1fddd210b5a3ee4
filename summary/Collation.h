#pragma once

#include <QCollator>
#include <QLocale>
#include <QString>

#include <memory>
#include <optional>
#include <string>

struct UCollator;

namespace kvd {

// An ordering key for one text under a Collation: two keys compare as their texts do.
// Holds the collator's sort key when the collator's sort keys can be trusted, the
// text itself otherwise.
class CollationKey {
public:
    CollationKey() = default;

private:
    friend class Collation;
    std::optional<QCollatorSortKey> m_sortKey;
    QString m_text;
};

// Case-insensitive, locale-aware comparison of texts, as the distinct-value lists of
// the summary report order and match them. Texts that differ only in letter case are
// equal. Built once per report: construction asks the collator how it treats
// printable ASCII and whether its sort keys agree with its comparison (some
// collators, the C locale's for one, give case-sensitive sort keys).
class Collation {
public:
    // Never: no equality keys even where they would agree with compare(), so that
    // texts are matched through sort keys alone (for tests of that path).
    enum class EqualityKeyUse { WhenVerified, Never };

    explicit Collation(const QLocale& locale, EqualityKeyUse use = EqualityKeyUse::WhenVerified);

    // The collation of a locale, built on first use and kept for the calling thread:
    // building one runs thousands of comparisons, too many to repeat for every file.
    static const Collation& forLocale(const QLocale& locale);

    // True when two texts made only of the bytes 0x20..0x7E are equal under this
    // collation exactly when they are equal after ASCII case folding: no such
    // character is ignored, distinct characters differ, and letter case alone never
    // makes a difference. Checked once, at construction.
    bool foldsPrintableAscii() const noexcept { return m_foldsPrintableAscii; }
    // True when keys hold the collator's sort keys (else they hold the texts).
    bool usesSortKeys() const noexcept { return m_usesSortKeys; }

    // True when equalityKey() is available.
    bool hasEqualityKeys() const noexcept { return m_equalityKeys != EqualityKeys::None; }
    // Writes into `bytes` a key that two texts share exactly when they are equal under
    // this collation, so that texts can be matched by hashing. The key is the ICU sort
    // key of the collator's settings, or, where the collator compares by case folding
    // (the C locale), the folded text. Either is checked against compare() at
    // construction; false when neither agrees with it.
    bool equalityKey(const QString& text, std::string& bytes) const;

    int compare(const QString& a, const QString& b) const;
    CollationKey key(const QString& text) const;
    int compare(const CollationKey& a, const CollationKey& b) const;

    // The ICU collator with this collation's settings, for finding a text inside
    // another one; nullptr when ICU has none for the locale.
    const UCollator* icuCollator() const noexcept;

private:
    enum class EqualityKeys { None, IcuSortKey, CaseFolded };
    struct IcuCollator;

    bool checkPrintableAscii() const;
    bool checkSortKeys() const;
    bool checkEqualityKeys() const;

    QCollator m_collator;
    bool m_foldsPrintableAscii = false;
    bool m_usesSortKeys = false;
    std::shared_ptr<IcuCollator> m_icu;
    EqualityKeys m_equalityKeys = EqualityKeys::None;
};

} // namespace kvd
