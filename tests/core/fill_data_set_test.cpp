#include "core/fill_data_set.h"

#include <gtest/gtest.h>

#include <sstream>

#include "temp_dir.h"

using namespace cobalin;
using cobalin::testing::TempDir;

namespace {

FillDataSet SetOf(const std::string& text) {
    std::istringstream in(text);
    auto set = LoadFillDataSetIn(in);
    EXPECT_TRUE(set.has_value()) << text;
    return set.value_or(FillDataSet{});
}

constexpr const char* kMac = "02:7E:3A:04:C8:1E";

}  // namespace

TEST(FillDataSet, FileNamesAndWhichSetsNameTheServerByMac) {
    EXPECT_EQ(FillDataSetFileName(1), "FillDataSet1.ini");
    EXPECT_EQ(FillDataSetFileName(4), "FillDataSet4.ini");
    const std::pair<int, bool> cases[] = {{1, true}, {2, false}, {3, true}, {4, true}};
    for (const auto& [set, byMac] : cases) EXPECT_EQ(ServerNameFromMac(set), byMac) << set;
}

TEST(ReadFillValue, RowRules) {
    const FillDataSet data = SetOf(
        "[Default]\n"
        "0=FromFile\n"
        "2=\n"
        "3=N/A\n"
        "4=   9600   \n"
        "5=\t8-1\t\n"
        "6=    \n"
        "7=ignored by the record\n"
        "12=115200\n"
        "13=n/a\n"
        "14=\"  quoted  \"\n"
        "17=" + std::string(1500, 'x') + "\n"
        "18=" + std::string(998, 'y') + "   z\n"
        "29=Model\n"
        "29=Second\n"
        "[Other]\n"
        "15=elsewhere\n");
    struct Case {
        int set, row;
        std::string mac, want;
    };
    const Case cases[] = {
        {1, 0, kMac, "027E3A04C81E"},         // the MAC names the server; key "0" is not asked
        {3, 0, kMac, "027E3A04C81E"},
        {4, 0, kMac, "027E3A04C81E"},
        {2, 0, kMac, "FromFile"},             // set 2 reads row 0 like every other row
        {1, 0, "", "N/A"},                    // no MAC text: nothing to apply
        {1, 0, ":::", "N/A"},
        {1, 2, kMac, "N/A"},                  // present and empty: left alone
        {1, 3, kMac, "N/A"},                  // "N/A" itself
        {1, 13, kMac, "n/a"},                 // compared exactly
        {1, 4, kMac, "9600"},                 // spaces around removed
        {1, 5, kMac, "8-1"},                  // the file's own blanks around a value go too
        {1, 6, kMac, "N/A"},                  // only spaces: empty
        {1, 7, kMac, "ignored by the record"},
        {1, 12, kMac, "115200"},
        {1, 14, kMac, "quoted"},              // quotes dropped, then trimmed
        {1, 15, kMac, "0"},                   // a key of another section is missing here
        {1, 1, kMac, "0"},                    // missing key: the read's default
        {1, 32, kMac, "0"},
        {1, 17, kMac, std::string(999, 'x')}, // cut as a read of 1000 characters cuts
        {1, 18, kMac, std::string(998, 'y')}, // cut first, then trimmed
        {1, 29, kMac, "Model"},               // the first of two equal keys
    };
    for (const auto& c : cases) EXPECT_EQ(ReadFillValue(c.set, c.row, c.mac, data), c.want) << c.set << "/" << c.row;
}

TEST(LoadFillDataSet, UsableOnlyWithADefaultSection) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string content;  // empty: no file
        bool usable;
    };
    const Case cases[] = {
        {"missing.ini", "", false},
        {"other.ini", "[Setting]\n1=9600\n", false},
        {"commented.ini", ";[Default]\n1=9600\n", false},
        {"empty-section.ini", "[Default]\n", true},
        {"lower.ini", "[default]\n12=9600\n", true},
        {"spaced.ini", "[ Default ]\r\n12 = 9600\r\n", true},
    };
    for (const auto& c : cases) {
        const std::string file = c.content.empty() ? dir.File(c.name) : dir.Write(c.name, c.content);
        EXPECT_EQ(LoadFillDataSet(file).has_value(), c.usable) << c.name;
    }
    EXPECT_FALSE(LoadFillDataSet(dir.path().string())) << "a folder is no data set";
    // With the section, a missing key still reads "0" and is applied.
    const auto empty = LoadFillDataSet(dir.File("empty-section.ini"));
    ASSERT_TRUE(empty);
    EXPECT_EQ(ReadFillValue(1, 18, kMac, *empty), "0");
    EXPECT_EQ(ReadFillValue(1, 0, kMac, *empty), "027E3A04C81E");
    const auto lower = LoadFillDataSet(dir.File("spaced.ini"));
    ASSERT_TRUE(lower);
    EXPECT_EQ(ReadFillValue(2, 12, kMac, *lower), "9600");
}
