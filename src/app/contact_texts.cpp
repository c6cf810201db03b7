#include "app/contact_texts.h"

#include "texts/text_format.h"
#include "texts/text_table.h"

#include <map>

namespace textowl {

namespace {

constexpr Text kNumberProblems[] = {Text::NumberMissing,
                                    Text::NumberMissing,
                                    Text::NumberNotANumber,
                                    Text::NumberNoCountryCode,
                                    Text::NumberInvalidCountryCode,
                                    Text::NumberTooShort,
                                    Text::NumberTooLong,
                                    Text::NumberNotInUse};

constexpr Text kReadProblems[] = {
    Text::ReadUnreadable,     Text::ReadTooLarge,        Text::ReadBinary,   Text::ReadInvalidUtf8,
    Text::ReadUnknownCharset, Text::ReadUnbalancedQuote, Text::ReadNoHeader, Text::ReadNoContacts,
    Text::ReadUnreadable,     Text::ReadInvalidUtf16};

} // namespace

std::string importActionText(const StringCatalogue& catalogue, const ImportRow& row) {
    switch (row.decision) {
    case ImportDecision::Add:
        return lookUp(catalogue, Text::ImportAdd);
    case ImportDecision::AlreadyInList:
        return formatText(lookUp(catalogue, Text::ImportHeldBy), {row.heldBy});
    case ImportDecision::NoName:
        return lookUp(catalogue, Text::ImportNoName);
    case ImportDecision::NoValidNumber:
        if (row.numberProblem == NumberProblem::Landline)
            return lookUp(catalogue, Text::ImportLandline);
        break;
    }
    const auto problem = static_cast<std::size_t>(row.numberProblem);
    const Text reason =
        problem < std::size(kNumberProblems) ? kNumberProblems[problem] : Text::NumberNotANumber;
    return formatText(lookUp(catalogue, Text::ImportNoValidNumber), {lookUp(catalogue, reason)});
}

std::string readErrorText(const StringCatalogue& catalogue, const ReadError& error) {
    const auto problem = static_cast<std::size_t>(error.problem);
    std::string reason =
        lookUp(catalogue,
               problem < std::size(kReadProblems) ? kReadProblems[problem] : Text::ReadUnreadable);
    if (error.line > 0)
        reason =
            formatText(lookUp(catalogue, Text::ReadAtLine), {reason, std::to_string(error.line)});
    return formatText(lookUp(catalogue, Text::FileUnreadable), {reason});
}

std::string importSummaryText(const StringCatalogue& catalogue, const ImportPlan& plan,
                              const std::vector<bool>& ticked, const ImportReport& report) {
    // Reasons keep the order a reader meets them in: the plan's, then the import's own.
    std::map<std::pair<int, std::string>, int> reasons;
    int skipped = 0;
    for (std::size_t i = 0; i < plan.rows.size() && i < report.rows.size(); ++i) {
        const ImportRow& row = plan.rows[i];
        switch (report.rows[i]) {
        case RowOutcome::Skipped:
            ++skipped;
            // Counted together, the duplicates are not named.
            if (row.decision == ImportDecision::AlreadyInList)
                ++reasons[{0, lookUp(catalogue, Text::ImportAlreadyInList)}];
            else if (row.decision != ImportDecision::Add)
                ++reasons[{0, importActionText(catalogue, row)}];
            else if (i < ticked.size() && !ticked[i])
                ++reasons[{1, lookUp(catalogue, Text::ImportUnticked)}];
            break;
        case RowOutcome::NotReached:
            ++skipped;
            ++reasons[{2, lookUp(catalogue, Text::ImportNotReached)}];
            break;
        case RowOutcome::Failed:
            ++reasons[{3, lookUp(catalogue, Text::ImportRefused)}];
            break;
        case RowOutcome::Added:
            break;
        }
    }
    if (report.groupsFailed > 0)
        reasons[{4, lookUp(catalogue, Text::ImportGroupsFailed)}] = report.groupsFailed;
    std::string text =
        formatText(lookUp(catalogue, Text::ImportSummary),
                   {std::to_string(report.count(RowOutcome::Added)), std::to_string(skipped),
                    std::to_string(report.count(RowOutcome::Failed))});
    for (const auto& [reason, count] : reasons)
        text += "\n" + reason.second + ": " + std::to_string(count);
    return text;
}

} // namespace textowl
