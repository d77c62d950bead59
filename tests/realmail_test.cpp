// Real address header values, as a host hands them over (code page 932), run
// through the tokenizer and the own-address filter. The values come from the
// shared folder beside the project and are read at run time only.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "address_run_check.h"
#include "shift_jis_byte_classes.h"

namespace {

constexpr AddressByteClasses kShiftJis = ShiftJisByteClasses();

// The JSON string that starts at `at` (its opening quote). Escapes other than
// \" and \\ do not occur in the fields read here and are kept as they stand.
std::string JsonString(const std::string& line, size_t& at) {
    std::string text;
    for (++at; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] == '\\' && at + 1 < line.size() && (line[at + 1] == '"' || line[at + 1] == '\\')) ++at;
        text += line[at];
    }
    ++at;
    return text;
}

std::string HexBytes(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

struct RealValue {
    std::string id;
    std::string value;                // as the host hands it over
    std::vector<std::string> owners;  // own addresses to try it with
};

bool ReadValue(const std::string& line, RealValue& out) {
    const std::string idKey = "\"id\": ";
    const std::string valueKey = "\"decoded_cp932_hex\": ";
    const std::string ownersKey = "\"own_candidates\": [";
    size_t id = line.find(idKey), value = line.find(valueKey), owners = line.find(ownersKey);
    if (id == std::string::npos || value == std::string::npos || owners == std::string::npos) return false;
    id += idKey.size();
    value += valueKey.size();
    out.id = JsonString(line, id);
    out.value = HexBytes(JsonString(line, value));
    // "@" stands for any address: every value is also run with an own address
    // that most of its addresses contain.
    out.owners = {"@"};
    for (size_t at = owners + ownersKey.size(); at < line.size() && line[at] != ']'; ++at) {
        if (line[at] == '"') out.owners.push_back(JsonString(line, at)), --at;
    }
    return true;
}

TEST(RealMail, EveryValueKeepsTheInvariants) {
    std::ifstream corpus(REALMAIL_CORPUS);
    if (!corpus) GTEST_SKIP() << REALMAIL_CORPUS << " is not there: no real mail to run";

    size_t values = 0;
    size_t runs = 0;
    std::string line;
    while (std::getline(corpus, line)) {
        RealValue real;
        ASSERT_TRUE(ReadValue(line, real)) << "unreadable line " << values + 1;
        ++values;
        for (const std::string& own : real.owners) {
            EXPECT_EQ(CheckAddressRun(real.value, own, kShiftJis), "") << real.id << ", own address " << own;
            ++runs;
        }
    }
    std::printf("%zu real values, %zu runs\n", values, runs);
    EXPECT_GT(values, 1000u);
}

}  // namespace
