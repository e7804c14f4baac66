// zentorctl as a process against a line partner that plays each case's bytes and timing: bytes left on the line
// before the request, late acknowledgements, further bytes after the reply, replies at the deadline and before a
// hang-up. The cases are a table shared with the run under Wine (scripts/wine-tests.sh).
#include "support/ptylink.h"
#include "support/scriptedline.h"
#include "tools/ctlprocess.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

struct TLineRun {
    std::vector<std::string> arguments;
    int exitCode = 0;
    std::string out;
};

struct TLineCase {
    std::string name;
    std::string script;
    std::vector<TLineRun> runs;
};

void PrintTo(const TLineCase& c, std::ostream* out) { *out << c.name; }

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);)
        parts.push_back(Trimmed(part));
    return parts;
}

std::vector<TLineCase> LoadCases()
{
    std::vector<TLineCase> cases;
    std::ifstream file(ZENTORCTL_LINE_CASES);
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        auto fields = Split(line, '|');
        fields.resize(5);
        if (fields[0] != "+" || cases.empty())
            cases.push_back({fields[0], fields[1], {}});
        std::istringstream words(fields[2]);
        TLineRun run;
        for (std::string word; words >> word;)
            run.arguments.push_back(word);
        run.exitCode = std::stoi(fields[3]);
        run.out = fields[4].empty() ? "" : fields[4] + "\n";
        cases.back().runs.push_back(run);
    }
    return cases;
}

std::string TestName(const testing::TestParamInfo<TLineCase>& info)
{
    std::string name = "Case" + std::to_string(info.index) + "_";
    for (const char c : info.param.name)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

class ZentorctlLine : public testing::TestWithParam<TLineCase> {};

} // namespace

TEST(ZentorctlLineCases, TheTableReadsAndEveryScriptParses)
{
    const auto cases = LoadCases();
    ASSERT_GE(cases.size(), 8u);
    for (const auto& c : cases) {
        EXPECT_NO_THROW(TScriptedLine::Parse(c.script)) << c.name;
        EXPECT_FALSE(c.runs.empty()) << c.name;
    }
    EXPECT_THROW(TScriptedLine::Parse("frame 0G"), std::invalid_argument);
    EXPECT_THROW(TScriptedLine::Parse("0FF"), std::invalid_argument);
}

TEST_P(ZentorctlLine, EndsAsTheTableSays)
{
    const TLineCase& c = GetParam();
    TPtyLink link;
    TScriptedLine partner(link.pty, c.script);
    partner.Start();
    for (std::size_t i = 0; i < c.runs.size(); ++i) {
        SCOPED_TRACE("run " + std::to_string(i + 1));
        ASSERT_TRUE(partner.WaitReadyFor(static_cast<int>(i) + 1, 10s)) << partner.Failure();
        auto arguments = c.runs[i].arguments;
        arguments.insert(arguments.begin() + 1, {"--port", std::to_string(link.Number())});
        const TCtlRun run = RunCtl(arguments);
        EXPECT_EQ(run.exitCode, c.runs[i].exitCode) << run.err;
        EXPECT_EQ(run.out, c.runs[i].out) << run.err;
    }
    ASSERT_TRUE(partner.WaitFinished(10s));
    EXPECT_EQ(partner.Failure(), "");
    EXPECT_EQ(partner.Received().size(), c.runs.size() * TScriptedLine::kFrameLength) << "one request a run";
}

INSTANTIATE_TEST_SUITE_P(Table, ZentorctlLine, testing::ValuesIn(LoadCases()), TestName);
