// tallwick-cli verification [--json]: the rates of dependent verification. One line per first
// keying's processor, then the overall line (processor "*"): PROCESSOR, records verified, answers
// keyed in verification, differences found, confirmed by the third keying (errors of the first
// keying), withdrawn (slips of the verification), differences and errors per 1,000 answers keyed.
#include "command.h"
#include "json_text.h"

#include "store/connection.h"
#include "store/data_folder_lock.h"
#include "verify/verification_marks.h"

#include <cstdio>
#include <ostream>

namespace tallwick::cli {
namespace {

constexpr const char* kUsage = "usage: tallwick-cli verification [--json]\n";

std::string Rate(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

}  // namespace

int RunVerification(const CommandContext& context) {
    bool json = false;
    for (const auto& arg : context.args) {
        if (arg != "--json") {
            context.err << kUsage;
            return 2;
        }
        json = true;
    }
    auto connection = OpenWorkingDatabaseToRead(context.programFolder);
    const auto rates = verify::ReadVerificationRates(connection.Db());
    if (json) context.out << '[';
    const char* separator = "\n";
    for (const verify::VerificationRate& rate : rates) {
        const std::string processor =
            rate.processor.empty() && &rate == &rates.back() ? std::string("*") : rate.processor;
        if (json) {
            context.out << separator << "{\"processor\": " << JsonString(processor)
                        << ", \"records\": " << rate.records
                        << ", \"answersKeyed\": " << rate.answersKeyed
                        << ", \"differences\": " << rate.differences
                        << ", \"confirmed\": " << rate.confirmed
                        << ", \"withdrawn\": " << rate.withdrawn
                        << ", \"differencesPerThousand\": " << Rate(rate.DifferencesPerThousand())
                        << ", \"errorsPerThousand\": " << Rate(rate.ConfirmedPerThousand()) << '}';
            separator = ",\n";
        } else {
            context.out << processor << '\t' << rate.records << '\t' << rate.answersKeyed << '\t'
                        << rate.differences << '\t' << rate.confirmed << '\t' << rate.withdrawn
                        << '\t' << Rate(rate.DifferencesPerThousand()) << '\t'
                        << Rate(rate.ConfirmedPerThousand()) << '\n';
        }
    }
    if (json) context.out << "\n]\n";
    return 0;
}

}  // namespace tallwick::cli
