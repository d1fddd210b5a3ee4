#include "summary/StatisticsByValue.h"
#include "summary/StatisticsByValueGrid.h"

#include "TableBuilder.h"
#include "common/Errors.h"
#include "summary/MeasurementStatistics.h"
#include "summary/StatisticsTable.h"

#include <gtest/gtest.h>

#include <QCollator>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace kvd {
namespace {

// A learning table: Object;Source;m0..m2;Broken;Group;Status. Broken holds a text
// in its last row, so its statistics are not computed in full and it takes no part.
struct LearningTable {
    std::vector<std::string> sources;
    std::vector<std::string> groups;
    std::vector<std::vector<std::string>> values; // per row, the three measurements

    std::vector<std::string> lines() const
    {
        std::vector<std::string> result = {"Object;Source;m0;m1;m2;Broken;Group;Status"};
        for (std::size_t r = 0; r < sources.size(); ++r) {
            const std::string broken = r + 1 == sources.size() ? "x" : "1";
            result.push_back(std::to_string(r) + ";" + sources[r] + ";" + values[r][0] + ";" + values[r][1] + ";"
                             + values[r][2] + ";" + broken + ";" + groups[r] + ";Learning");
        }
        return result;
    }
};

struct ReferenceFigures {
    int objects = 0;
    long double mean = 0;
    long double standardError = NAN;
    long double minimum = 0;
    long double maximum = 0;
};

// The plain reference: rows whose texts a case-insensitive QCollator finds equal form
// a value; per value, long-double sums in two passes around the exact mean.
ReferenceFigures referenceFigures(const LearningTable& table, const std::vector<std::string>& keys,
                                  const QString& value, std::size_t measurement, const QCollator& collator)
{
    std::map<std::string, bool> equalSpellings; // the collator asked once a spelling
    std::vector<long double> xs;
    for (std::size_t r = 0; r < keys.size(); ++r) {
        const auto known = equalSpellings.try_emplace(keys[r], false);
        if (known.second)
            known.first->second = collator.compare(QString::fromStdString(keys[r]), value) == 0;
        if (known.first->second)
            // Read in extended precision and kept as a double, as the statistics read numbers.
            xs.push_back(static_cast<double>(std::strtold(table.values[r][measurement].c_str(), nullptr)));
    }
    ReferenceFigures figures;
    figures.objects = static_cast<int>(xs.size());
    long double sum = 0;
    for (const long double x : xs)
        sum += x;
    figures.mean = sum / xs.size();
    long double squares = 0;
    for (const long double x : xs)
        squares += (x - figures.mean) * (x - figures.mean);
    if (xs.size() > 1)
        figures.standardError = std::sqrt(squares / (xs.size() - 1)) / std::sqrt(static_cast<long double>(xs.size()));
    figures.minimum = *std::min_element(xs.begin(), xs.end());
    figures.maximum = *std::max_element(xs.begin(), xs.end());
    return figures;
}

void expectClose(double actual, long double expected, const std::string& what)
{
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << what;
        return;
    }
    const long double tolerance = 1e-12L * std::max(1.0L, std::fabs(expected));
    EXPECT_NEAR(actual, static_cast<double>(expected), static_cast<double>(tolerance)) << what;
}

struct Loaded {
    DataTable table;
    SummaryReport report;
    std::vector<MeasurementFigures> figures;
};

Loaded load(const LearningTable& source, char decimalSeparator, const QLocale& locale)
{
    Loaded loaded{test::makeTable(source.lines()), {}, {}};
    StatisticsTable grid;
    const int count = fillStatistics(loaded.table, FileKind::Learning, decimalSeparator, grid,
                                     [](const std::string&) {}, &loaded.figures);
    writeSummaryReport(loaded.table, FileKind::Learning, count, TextEncoding::Utf8, locale, loaded.report);
    return loaded;
}

std::string randomNumber(std::mt19937& random)
{
    char text[64];
    switch (random() % 4) {
    case 0: std::snprintf(text, sizeof text, "%d", static_cast<int>(random() % 200) - 100); break;
    case 1: std::snprintf(text, sizeof text, "%.3f", static_cast<double>(random() % 2000000) / 1000.0 + 1e6); break;
    case 2: std::snprintf(text, sizeof text, "%.9g", std::ldexp(static_cast<double>(random() % 1000000), -12)); break;
    default: std::snprintf(text, sizeof text, "%de%d", static_cast<int>(random() % 90) - 45, static_cast<int>(random() % 9));
    }
    return text;
}

TEST(StatisticsByValue, agreesWithALongDoubleTwoPassReferencePerValue)
{
    // "solo" is a value of one object; the others come in several spellings.
    const std::vector<std::string> pool = {"img1", "IMG1", "Img2", "élan", "Élan", "b", "B"};
    std::mt19937 random(7);
    for (const auto& [localeName, separator] : {std::pair{"en_US", '.'}, std::pair{"fr_FR", ','}}) {
        const QLocale locale(QString::fromLatin1(localeName));
        QCollator collator(locale);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        for (int round = 0; round < 12; ++round) {
            LearningTable source;
            // The last round is large enough to be read by two threads.
            const std::size_t rows = round == 11 ? 70000 : 2 + random() % 200;
            for (std::size_t r = 0; r < rows; ++r) {
                source.sources.push_back(r == rows / 2 ? "solo" : pool[random() % pool.size()]);
                source.groups.push_back(r % 3 == 0 ? "cop" : "Cop");
                source.values.push_back({randomNumber(random), randomNumber(random), randomNumber(random)});
            }
            const Loaded loaded = load(source, separator, locale);
            const StatisticsByValue result = statisticsByValue(loaded.table, loaded.report, loaded.figures,
                                                               ValueColumn::Source, TextEncoding::Utf8, locale, separator);
            ASSERT_EQ(result.measurementColumns, (std::vector<int>{2, 3, 4}));
            ASSERT_EQ(result.values, loaded.report.sources); // the report's tallies, in its order
            for (std::size_t v = 0; v < result.values.size(); ++v) {
                const QString value = QString::fromStdString(std::string(loaded.table.cell(result.values[v].row, 1)));
                for (std::size_t m = 0; m < 3; ++m) {
                    const ReferenceFigures expected = referenceFigures(source, source.sources, value, m, collator);
                    const std::string what = std::string(localeName) + " round " + std::to_string(round) + " value "
                        + value.toStdString() + " m" + std::to_string(m);
                    EXPECT_EQ(result.objects[v], expected.objects) << what;
                    expectClose(result.at(v, m).mean, expected.mean, what + " mean");
                    expectClose(result.at(v, m).standardError, expected.standardError, what + " stdErr");
                    expectClose(result.at(v, m).minimum, expected.minimum, what + " min");
                    expectClose(result.at(v, m).maximum, expected.maximum, what + " max");
                }
            }
        }
    }
}

TEST(StatisticsByValue, groupsAndStatusesOfLearningFilesOnly)
{
    LearningTable source;
    source.sources = {"s", "s", "s"};
    source.groups = {"cop", "COP", "fish"};
    source.values = {{"1", "2", "3"}, {"3", "4", "5"}, {"7", "8", "9"}};
    const QLocale locale(QStringLiteral("en_US"));
    Loaded loaded = load(source, '.', locale);
    const StatisticsByValue groups = statisticsByValue(loaded.table, loaded.report, loaded.figures,
                                                       ValueColumn::Group, TextEncoding::Utf8, locale, '.');
    ASSERT_EQ(groups.values.size(), 2u);
    EXPECT_EQ(loaded.table.cell(groups.values[0].row, groups.column), "cop"); // the first spelling
    EXPECT_EQ(groups.objects, (std::vector<int>{2, 1}));
    EXPECT_EQ(groups.at(0, 0).mean, 2.0);
    EXPECT_EQ(groups.at(0, 0).standardError, 1.0); // sd sqrt(2) over sqrt(2)
    EXPECT_TRUE(std::isnan(groups.at(1, 2).standardError));
    EXPECT_EQ(groups.at(1, 2).minimum, 9.0);
    EXPECT_EQ(StatisticsByValueGrid::heading(ValueColumn::Group, 0), "Group");
    EXPECT_EQ(StatisticsByValueGrid::heading(ValueColumn::Group, -1), ""); // outside the grid
    EXPECT_EQ(StatisticsByValueGrid::heading(ValueColumn::Group, StatisticsByValueGrid::ColumnCount), "");
    const StatisticsByValue statuses = statisticsByValue(loaded.table, loaded.report, loaded.figures,
                                                         ValueColumn::Status, TextEncoding::Utf8, locale, '.');
    EXPECT_EQ(statuses.objects, std::vector<int>{3}); // "Learning" is a value too

    loaded.report.kind = FileKind::Kvd;
    loaded.report.columns.group = -1;
    EXPECT_THROW(statisticsByValue(loaded.table, loaded.report, loaded.figures, ValueColumn::Group,
                                   TextEncoding::Utf8, locale, '.'),
                 Error);
}

} // namespace
} // namespace kvd
