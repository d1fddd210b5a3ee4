#include "summary/ReportLines.h"

#include "datafile/DataTable.h"

#include <algorithm>
#include <charconv>

namespace kvd {

namespace {

const std::string Separator(48, '-');

bool passed(const SummaryReport& report, SummaryReport::Step step)
{
    return report.done >= step;
}

} // namespace

ReportLines::ReportLines(const SummaryReport& report, const DataTable& table) : m_report(report), m_table(table)
{
    using Step = SummaryReport::Step;
    if (!passed(report, Step::Size))
        return;
    addFixed("This " + std::string(kindTag(report.kind)) + " file contains:");
    addFixed(std::to_string(report.objectCount) + " objects x " + std::to_string(report.measurementCount)
             + " measurements");
    addFixed(Separator);

    if (!passed(report, Step::Duplicates))
        return;
    if (!report.duplicateRows.empty()) {
        addList(Run::Form::Duplicates, report.duplicateRows.size());
        addFixed(Separator);
    }

    if (!passed(report, Step::Sources))
        return;
    const int sourceColumn = report.columns.source;
    if (report.sources.empty()) {
        addFixed("Objects originating from no source");
    } else if (report.sources.size() == 1) {
        std::string line = "Objects originating from ";
        line.append(table.cell(report.sources.front().row, sourceColumn));
        addFixed(std::move(line), {ReportLineKind::Source, report.sources.front().row, sourceColumn});
    } else {
        addFixed("Objects originating from " + std::to_string(report.sources.size()) + " sources:");
        addList(Run::Form::Sources, report.sources.size());
    }
    addFixed(Separator);

    if (!passed(report, Step::Statuses))
        return;
    if (report.hasTestStatus) {
        addFixed("This LEARNING File contains objects with Status = Test (" + std::to_string(report.testCount) + "/"
                     + std::to_string(report.objectCount) + ")",
                 {ReportLineKind::TestStatus, -1, report.columns.status});
        addFixed(Separator);
    }
    if (!report.unknownStatuses.empty()) {
        addFixed("WARNING : This file contains " + std::to_string(report.unknownStatuses.size())
                 + " unknown status :");
        addList(Run::Form::Statuses, report.unknownStatuses.size());
        addFixed(Separator);
    }

    if (!passed(report, Step::Groups))
        return;
    addFixed("Objects sorted into " + std::to_string(report.groups.size()) + " groups:");
    addList(Run::Form::Groups, report.groups.size());
    addFixed(Separator);
}

void ReportLines::addFixed(std::string text, ReportLineTarget target)
{
    Run run;
    run.firstLine = m_lineCount;
    run.text = std::move(text);
    run.target = target;
    m_runs.push_back(std::move(run));
    ++m_lineCount;
}

void ReportLines::addList(Run::Form form, std::size_t count)
{
    Run run;
    run.form = form;
    run.firstLine = m_lineCount;
    run.lineCount = count;
    m_runs.push_back(std::move(run));
    m_lineCount += count;
}

const ReportLines::Run& ReportLines::runOf(std::size_t index) const
{
    // The last run that starts at or before the line.
    const auto after = std::upper_bound(m_runs.begin(), m_runs.end(), index,
                                        [](std::size_t line, const Run& run) { return line < run.firstLine; });
    return *(after - 1);
}

void ReportLines::appendTallyLine(std::string& out, const ReportTally& tally, int column) const
{
    out += " - ";
    out.append(m_table.cell(tally.row, column));
    char count[24];
    const auto written = std::to_chars(count, count + sizeof count, tally.count);
    out += " (";
    out.append(count, written.ptr);
    out += tally.count > 1 ? " objects)" : " object)";
}

std::string ReportLines::line(std::size_t index) const
{
    std::string text;
    appendLine(text, index);
    return text;
}

void ReportLines::appendLine(std::string& out, std::size_t index) const
{
    const Run& run = runOf(index);
    const std::size_t item = index - run.firstLine;
    switch (run.form) {
    case Run::Form::Fixed:
        out += run.text;
        return;
    case Run::Form::Duplicates: {
        const int row = m_report.duplicateRows[item];
        out += "WARNING: Object ";
        out.append(m_table.cell(row, 0));
        out += " of ";
        out.append(m_table.cell(row, 1));
        out += " in duplicate !";
        if (isLearningKind(m_report.kind)) {
            out += " (";
            out.append(m_table.cell(row, m_report.columns.group));
            out += ")";
        }
        return;
    }
    case Run::Form::Sources:
        appendTallyLine(out, m_report.sources[item], m_report.columns.source);
        return;
    case Run::Form::Statuses:
        appendTallyLine(out, m_report.unknownStatuses[item], m_report.columns.status);
        return;
    case Run::Form::Groups:
        appendTallyLine(out, m_report.groups[item], m_report.columns.group);
        return;
    }
}

ReportLineTarget ReportLines::target(std::size_t index) const
{
    const Run& run = runOf(index);
    const std::size_t item = index - run.firstLine;
    switch (run.form) {
    case Run::Form::Fixed:
        return run.target;
    case Run::Form::Duplicates:
        return {ReportLineKind::Duplicate, m_report.duplicateRows[item], 0};
    case Run::Form::Sources:
        return {ReportLineKind::Source, m_report.sources[item].row, m_report.columns.source};
    case Run::Form::Statuses:
        return {ReportLineKind::Status, m_report.unknownStatuses[item].row, m_report.columns.status};
    case Run::Form::Groups:
        return {ReportLineKind::Group, m_report.groups[item].row, m_report.columns.group};
    }
    return {};
}

} // namespace kvd
