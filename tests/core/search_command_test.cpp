#include "core/search_command.h"

#include <gtest/gtest.h>

#include "core/operation_ticks.h"
#include "core/request_packets.h"

using namespace cobalin;

TEST(SearchCommand, TargetsAsTheWindowsModes) {
    struct Case {
        std::vector<std::string> args;
        const char* host;
        int16_t type;
        int port;
    };
    const Case cases[] = {
        {{}, "255.255.255.255", SearchNetwork, 8888},
        {{"--port", "9000"}, "255.255.255.255", SearchNetwork, 9000},
        {{"--port=8890"}, "255.255.255.255", SearchNetwork, 8890},
        {{"--network", "192.168.1.255"}, "192.168.1.255", SearchNetwork, 8888},
        {{"--network= 10.1.2.255 ", "--port", "8890"}, "10.1.2.255", SearchNetwork, 8890},
        {{"--address", "192.168.1.31"}, "192.168.1.31", SearchAddress, 8890},
        {{"--address", "192.168.001.031"}, "192.168.1.31", SearchAddress, 8890},
    };
    for (const auto& c : cases) {
        const auto o = ParseSearchCommand(c.args, nullptr);
        EXPECT_EQ(o.error, "") << c.host;
        EXPECT_EQ(o.host, c.host);
        EXPECT_EQ(o.type, c.type) << c.host;
        EXPECT_EQ(o.remotePort, c.port) << c.host;
        EXPECT_EQ(o.format, ReportFormat::Text);
        EXPECT_DOUBLE_EQ(o.seconds, 5.7);
    }
}

TEST(SearchCommand, FormatsSecondsHomeAndHelp) {
    EXPECT_EQ(ParseSearchCommand({"--json"}, nullptr).format, ReportFormat::Json);
    EXPECT_EQ(ParseSearchCommand({"--csv"}, nullptr).format, ReportFormat::Csv);
    EXPECT_DOUBLE_EQ(ParseSearchCommand({"--seconds", "2.5"}, nullptr).seconds, 2.5);
    EXPECT_DOUBLE_EQ(ParseSearchCommand({"--seconds=3600"}, nullptr).seconds, 3600);
    EXPECT_EQ(ParseSearchCommand({}, "/env").home, "/env");
    EXPECT_EQ(ParseSearchCommand({"--home", "/x"}, "/env").home, "/x");
    EXPECT_TRUE(ParseSearchCommand({"--help"}, nullptr).help);
    EXPECT_TRUE(ParseSearchCommand({"-h", "--bogus"}, nullptr).help);
}

TEST(SearchCommand, RefusesWhatCannotBeSearched) {
    const std::vector<std::vector<std::string>> refused = {
        {"--bogus"},
        {"extra"},
        {"--json", "--csv"},
        {"--network"},
        {"--network", "192.168.1"},
        {"--network", "192.168.1.256"},
        {"--network", "192.168.a.1"},
        {"--network="},
        {"--address", "192.168.1.255"},
        {"--address", "192.168.1.0"},
        {"--address", "192.168.1.31", "--network", "192.168.1.255"},
        {"--address", "192.168.1.31", "--port", "8888"},
        {"--port", "0"},
        {"--port", "65536"},
        {"--port", "88x"},
        {"--port", ""},
        {"--seconds", "0"},
        {"--seconds", "-1"},
        {"--seconds", "3601"},
        {"--seconds", "1e3"},
        {"--home"},
    };
    for (const auto& args : refused) {
        const auto o = ParseSearchCommand(args, nullptr);
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_FALSE(o.error.empty()) << joined;
        EXPECT_EQ(o.error.find('\n'), std::string::npos) << "one line: " << joined;
    }
}

TEST(SearchCommand, HelpSaysWhatOtherPortsGet) {
    const std::string help = SearchUsageText();
    EXPECT_NE(help.find("single byte 0x00"), std::string::npos);
    EXPECT_NE(help.find("Passwords are never printed"), std::string::npos);
}

TEST(OperationTicks, QueryOnTheNinthTickAndEndOnTheNineteenth) {
    int16_t tick = 1;
    std::vector<int> queries, ends;
    int n = 0;
    while (tick != -1 && n < 100) {
        ++n;
        const TickStep step = AdvanceOperationTick(tick);
        if (step == TickStep::QueryModules) queries.push_back(n);
        if (step == TickStep::Finished) ends.push_back(n);
    }
    EXPECT_EQ(queries, std::vector<int>{9});
    EXPECT_EQ(ends, std::vector<int>{19});
    // A count already past the end finishes at once.
    tick = 25;
    EXPECT_EQ(AdvanceOperationTick(tick), TickStep::Finished);
    EXPECT_EQ(tick, -1);
}

namespace cobalin {
namespace {

TEST(ConfigureCommand, OptionsAndRefusals) {
    struct Case {
        std::vector<std::string> args;
        std::string plan, backup, error;
        bool check = false, json = false;
    } cases[] = {
        {{"plan.csv"}, "plan.csv", "", "", false, false},
        {{"-", "--check", "--json"}, "-", "", "", true, true},
        {{"--backup", "/tmp/b", "plan.csv", "--network", "192.168.2.255"}, "plan.csv", "/tmp/b", ""},
        {{"--backup=/tmp/b", "p.csv"}, "p.csv", "/tmp/b", ""},
        {{}, "", "", "no plan given (a CSV file, or - for standard input)"},
        {{"plan.csv", "--csv"}, "plan.csv", "", "--csv is for cobalin search; configure prints text or --json"},
        {{"plan.csv", "other.csv"}, "plan.csv", "", "unexpected argument other.csv"},
        {{"plan.csv", "--colour"}, "plan.csv", "", "unknown option --colour"},
        {{"plan.csv", "--backup"}, "plan.csv", "", "--backup needs a value"},
    };
    for (const Case& c : cases) {
        const ConfigureCommandOptions o = ParseConfigureCommand(c.args, nullptr);
        EXPECT_EQ(o.search.error, c.error) << c.args.size();
        if (!c.error.empty()) continue;
        EXPECT_EQ(o.plan, c.plan);
        EXPECT_EQ(o.backup, c.backup);
        EXPECT_EQ(o.check, c.check);
        EXPECT_EQ(o.search.format == ReportFormat::Json, c.json);
    }
    EXPECT_EQ(ParseConfigureCommand({"p.csv", "--network", "192.168.2.255"}, nullptr).search.host, "192.168.2.255");
}

}  // namespace
}  // namespace cobalin
