#include "summary/Collation.h"

#include "summary/AsciiText.h"

#include <QString>

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uset.h>

namespace kvd {

namespace {

void appendUtf16BigEndian(QStringView text, std::string& key)
{
    for (const QChar c : text) {
        key.push_back(static_cast<char>(c.unicode() >> 8));
        key.push_back(static_cast<char>(c.unicode() & 0xFF));
    }
}

} // namespace

// An ICU collator set up as QCollator sets up its own for a case-insensitive comparison.
struct Collation::IcuCollator {
    explicit IcuCollator(UCollator* opened) : collator(opened) {}
    ~IcuCollator() { ucol_close(collator); }
    IcuCollator(const IcuCollator&) = delete;
    IcuCollator& operator=(const IcuCollator&) = delete;

    static std::unique_ptr<IcuCollator> open(const QLocale& locale)
    {
        UErrorCode status = U_ZERO_ERROR;
        const QByteArray name = locale.bcp47Name().replace(u'-', u'_').toLatin1();
        UCollator* collator = ucol_open(name.constData(), &status);
        if (U_FAILURE(status))
            return nullptr;
        auto result = std::make_unique<IcuCollator>(collator);
        ucol_setAttribute(collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
        ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
        ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
        ucol_setAttribute(collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
        return U_FAILURE(status) ? nullptr : std::move(result);
    }

    void appendKey(QStringView text, std::string& key) const
    {
        const auto* units = reinterpret_cast<const UChar*>(text.utf16());
        const auto length = static_cast<int32_t>(text.size());
        const std::size_t start = key.size();
        std::size_t room = 2 * text.size() + 16;
        for (;;) {
            key.resize(start + room);
            const int32_t needed = ucol_getSortKey(collator, units, length,
                                                   reinterpret_cast<uint8_t*>(key.data() + start),
                                                   static_cast<int32_t>(room));
            if (static_cast<std::size_t>(needed) <= room) {
                key.resize(start + static_cast<std::size_t>(needed) - 1); // without the final 0
                return;
            }
            room = static_cast<std::size_t>(needed);
        }
    }

    // True when some contraction of the collator is made of printable ASCII only.
    bool contractsPrintableAscii() const
    {
        UErrorCode status = U_ZERO_ERROR;
        USet* contractions = uset_openEmpty();
        ucol_getContractionsAndExpansions(collator, contractions, nullptr, true, &status);
        bool found = U_FAILURE(status);
        std::vector<UChar> text(64);
        for (int32_t item = 0; !found && item < uset_getItemCount(contractions); ++item) {
            UChar32 start = 0;
            UChar32 end = 0;
            status = U_ZERO_ERROR;
            int32_t length = uset_getItem(contractions, item, &start, &end, text.data(),
                                          static_cast<int32_t>(text.size()), &status);
            if (status == U_BUFFER_OVERFLOW_ERROR)
                continue; // a contraction that long holds more than ASCII
            found = U_FAILURE(status)
                || (length > 0 && std::all_of(text.begin(), text.begin() + length, isPrintableAscii));
        }
        uset_close(contractions);
        return found;
    }

    // The first- and second-level weights of a character that collates as exactly one
    // element, which is not ignorable; nullopt for any other character.
    std::optional<std::pair<std::uint32_t, std::uint32_t>> singleElement(UChar c) const
    {
        UErrorCode status = U_ZERO_ERROR;
        UCollationElements* elements = ucol_openElements(collator, &c, 1, &status);
        const int32_t first = ucol_next(elements, &status);
        const int32_t second = ucol_next(elements, &status);
        ucol_closeElements(elements);
        if (U_FAILURE(status) || first == UCOL_NULLORDER || second != UCOL_NULLORDER
            || ucol_primaryOrder(first) == 0)
            return std::nullopt;
        return std::pair{static_cast<std::uint32_t>(ucol_primaryOrder(first)),
                         static_cast<std::uint32_t>(ucol_secondaryOrder(first))};
    }

    // Ranks by first-level weight, when the rank form holds (see Collation.h).
    bool rankPrintableAscii(std::array<std::uint8_t, 256>& ranks) const
    {
        UErrorCode status = U_ZERO_ERROR;
        if (ucol_getAttribute(collator, UCOL_CASE_LEVEL, &status) != UCOL_OFF || U_FAILURE(status)
            || contractsPrintableAscii())
            return false;
        std::map<std::uint32_t, unsigned char> lowerByPrimary; // one character of each class
        for (unsigned char c = FirstPrintableAscii; c <= LastPrintableAscii; ++c) {
            const auto weights = singleElement(c);
            const auto folded = foldAscii(c) == c ? weights : singleElement(foldAscii(c));
            if (!weights || weights != folded)
                return false;
            const auto [known, added] = lowerByPrimary.emplace(weights->first, foldAscii(c));
            if (!added && known->second != foldAscii(c))
                return false; // two characters apart from case share a weight
        }
        std::uint8_t rank = 0;
        for (const auto& [primary, c] : lowerByPrimary) {
            ++rank;
            ranks[c] = rank;
            if (c >= 'a' && c <= 'z')
                ranks[c - 'a' + 'A'] = rank;
        }
        return true;
    }

    UCollator* collator;
};

Collation::Collation(const QLocale& locale)
{
    if (locale.language() != QLocale::C)
        m_icu = IcuCollator::open(locale);
    if (m_icu) {
        if (!m_icu->rankPrintableAscii(m_asciiRanks))
            m_asciiRanks.fill(0);
        return;
    }
    // Folded code units, shifted by one so that no rank is 0.
    for (unsigned char c = FirstPrintableAscii; c <= LastPrintableAscii; ++c)
        m_asciiRanks[c] = static_cast<std::uint8_t>(foldAscii(c) + 1);
}

Collation::~Collation() = default;

const Collation& Collation::forLocale(const QLocale& locale)
{
    thread_local std::map<QString, std::unique_ptr<Collation>> collations;
    std::unique_ptr<Collation>& collation = collations[locale.name() + u'|' + locale.bcp47Name()];
    if (!collation)
        collation = std::make_unique<Collation>(locale);
    return *collation;
}

void Collation::appendKey(QStringView text, std::string& key) const
{
    // QCollator puts the empty text before every other one, also before texts of
    // ignorable characters only, which ICU finds equal to it: a first byte keeps
    // them apart.
    if (text.isEmpty())
        return;
    if (!m_icu) {
        appendUtf16BigEndian(text.toString().toCaseFolded(), key);
        return;
    }
    key.push_back('\1');
    m_icu->appendKey(text, key);
}

void Collation::appendKey(const TwoPieceText& text, TextEncoding encoding, std::string& key) const
{
    if (text.tail.empty()) {
        appendKey(decodeText(text.head, encoding), key);
        return;
    }
    std::string joined(text.head);
    joined.append(text.tail);
    appendKey(decodeText(joined, encoding), key);
}

void Collation::appendRankKey(const TwoPieceText& text, std::string& key) const
{
    for (const std::string_view piece : {text.head, text.tail}) {
        for (const char c : piece)
            key.push_back(static_cast<char>(m_asciiRanks[static_cast<unsigned char>(c)]));
    }
}

int Collation::compare(QStringView a, QStringView b) const
{
    std::string keyOfA;
    std::string keyOfB;
    appendKey(a, keyOfA);
    appendKey(b, keyOfB);
    return keyOfA.compare(keyOfB);
}

const UCollator* Collation::icuCollator() const noexcept
{
    return m_icu ? m_icu->collator : nullptr;
}

} // namespace kvd
