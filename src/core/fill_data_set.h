// Fill data sets: factory templates of parameter values, one settings file
// per set in the program folder, read from its "Default" section. A press of
// a fill button applies every row the template holds a value for.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cobalin {

constexpr int kFirstFillSet = 1;
constexpr int kLastFillSet = 4;

// The value a row reads when the set leaves it alone.
inline constexpr std::string_view kFillNotApplied = "N/A";
inline constexpr std::string_view kFillSection = "Default";

// "FillDataSet1.ini" ... "FillDataSet4.ini".
std::string FillDataSetFileName(int set);

// Sets 1, 3 and 4 take the server name (row 0) from the device's MAC
// address, not from the file; set 2 reads it from the file.
bool ServerNameFromMac(int set);

// The "Default" section of a data set file, as read at one press.
struct FillDataSet {
    std::vector<std::pair<std::string, std::string>> keys;  // names as written, first of equal names
};

// nullopt when the file cannot be read or holds no "Default" section: such a
// set would read "0" for every row and overwrite the whole configuration.
std::optional<FillDataSet> LoadFillDataSet(const std::string& file);
std::optional<FillDataSet> LoadFillDataSetIn(std::istream& in);

// The value for one row: for row 0 of sets 1, 3 and 4 the MAC text without
// its ":"; otherwise the key named by the row in decimal, "0" when the key
// is missing, cut to 999 characters and trimmed of spaces. "N/A" when the
// text is empty (the row is left alone), as for the value "N/A" itself.
std::string ReadFillValue(int set, int row, std::string_view macText, const FillDataSet& data);

}  // namespace cobalin
