#include "core/parameter_codec.h"
#include <algorithm>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "core/lan_module.h"
#include "core/update_checks.h"
#include "record_builder.h"

using namespace cobalin;
using namespace cobalin::testing;

namespace {
struct Editor {
    std::unique_ptr<DeviceStore> store = std::make_unique<DeviceStore>();
    ParameterTextArray texts;
    Editor() { ReplyIntake(*store, Page(0, Mac(1))); }
    DeviceRecord& Record() { return store->DeviceTable[1].Record; }
    ApplyOutcome Apply(long row, std::string_view text) { return ApplyParameter(*store, texts, row, text, 1); }
    std::string Decoded(long row) {
        ParameterTextArray t;
        DecodeRecord(Record(), t);
        return t[static_cast<size_t>(row)];
    }
};
}  // namespace

TEST(ParameterCodec, EditableRows) {
    const std::set<long> editable = {0, 2, 3, 4, 5, 6, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 24, 25, 27, 28, 29, 30, 31};
    for (long row = -3; row < 40; ++row) EXPECT_EQ(IsEditableRow(row), editable.count(row) == 1) << row;
    EXPECT_EQ(RowChoices(3)[0], "Enable");
    EXPECT_EQ(RowChoices(11).size(), 16u);
    EXPECT_EQ(RowChoices(27).size(), 8u);
    EXPECT_EQ(RowChoices(12).back(), "5787");
    for (long row : {3, 9, 11, 12, 13, 14, 15, 16, 19, 25, 27, 32}) EXPECT_TRUE(IsChoiceRow(row)) << row;
    for (long row : {0, 1, 2, 4, 10, 17, 18, 20, 24, 26, 28, 30, -1, 33}) EXPECT_FALSE(IsChoiceRow(row)) << row;
}

TEST(ParameterCodec, Encodings) {
    struct Case { long row; const char* text; size_t at; std::vector<uint8_t> bytes; };
    const Case cases[] = {
        {12, "110", 177, {0}},
        {12, "5787", 177, {14}},
        {19, "Client (no HB)", 176, {2}},
        {13, "7-2", 178, {2, 1}},
        {13, "5-1.5", 178, {0, 1}},
        {3, "enable", 9, {0}},
        {3, "Enable", 9, {1}},
        {27, "1", 197, {0}},
        {27, "8", 197, {7}},
        {24, "8888", 174, {0xB8, 0x22}},
        {24, " 8888.4 ", 174, {0xB8, 0x22}},
        {17, "2.5", 188, {2, 0}},
        {17, "3.5", 188, {4, 0}},
        {18, "+255", 190, {255}},
        {11, "16", 76, {16}},
        {26, "Data Arrived", 196, {1}},
        {9, "4)Link down", 2030, {4}},
        {4, "192.168.001.010", 58, {192, 168, 1, 10}},
        {28, " 10 . 0 . 0 . 1 ", 182, {10, 0, 0, 1}},
        {0, "ABC", 10, {'A', 'B', 'C', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {0, "ABCDEFGHIJKLMNOPQRST", 10, {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P'}},
        {20, "13", 192, {13}},
        {22, "65535", 194, {0xFF, 0xFF}},
    };
    for (const auto& c : cases) {
        Editor e;
        std::fill_n(e.Record().begin() + static_cast<long>(c.at), c.bytes.size(), 0xEE);
        EXPECT_EQ(e.Apply(c.row, c.text), ApplyOutcome::Written) << c.row << " " << c.text;
        EXPECT_EQ(std::vector<uint8_t>(e.Record().begin() + static_cast<long>(c.at),
                                       e.Record().begin() + static_cast<long>(c.at + c.bytes.size())),
                  c.bytes)
            << c.row << " " << c.text;
        EXPECT_EQ(e.texts[static_cast<size_t>(c.row)], e.Decoded(c.row)) << "the row shows what the record holds";
    }
    Editor e;
    EXPECT_EQ(e.Apply(30, std::string(60, 'c')), ApplyOutcome::Written);
    EXPECT_EQ(std::string(e.Record().begin() + 78, e.Record().begin() + 126), std::string(48, 'c'));
    EXPECT_EQ(e.Record()[126], 0) << "company name stops at 125";
}

TEST(ParameterCodec, RejectedTextsWriteNothing) {
    struct Case { long row; const char* text; };
    const Case cases[] = {
        {24, "65536"}, {24, "-1"}, {24, "abc"}, {24, ""}, {24, "1e3"}, {24, "0x10"},
        {18, "256"}, {18, "-0.6"}, {11, "1 6"}, {27, "0"}, {27, "257"},
        {4, "10.1.2"}, {4, "10.1.2.3.4"}, {4, "1..2.3"}, {4, "256.1.1.1"}, {5, "a.b.c.d"},
        {12, "9601"}, {14, "none"}, {13, "8-3"}, {16, ""}, {26, "power up"},
    };
    for (const auto& c : cases) {
        Editor e;
        e.store->DeviceTable[1].FormatTag = RecordFormat::WithModule;
        const DeviceRecord before = e.Record();
        const Bytes moduleBefore = e.store->LanModuleTable[1].Record;
        EXPECT_EQ(e.Apply(c.row, c.text), ApplyOutcome::Rejected) << c.row << " " << c.text;
        EXPECT_EQ(e.Record(), before) << c.row << " " << c.text;
        EXPECT_EQ(e.store->LanModuleTable[1].Record, moduleBefore) << c.row << " " << c.text;
        EXPECT_EQ(e.texts[static_cast<size_t>(c.row)], e.Decoded(c.row)) << "the unchanged value is shown, not the text";
    }
}

TEST(ParameterCodec, IgnoredRowsAndDevices) {
    Editor e;
    e.texts.fill("old");
    const DeviceRecord before = e.Record();
    for (long row : {7L, 8L, 23L, -1L, 33L, 1000L}) EXPECT_EQ(e.Apply(row, "x"), ApplyOutcome::Ignored) << row;
    for (const auto& t : e.texts) EXPECT_EQ(t, "old");
    for (long device : {-1L, 256L, 100000L})
        EXPECT_EQ(ApplyParameter(*e.store, e.texts, 0, "x", device), ApplyOutcome::Rejected) << device;
    EXPECT_EQ(e.Record(), before);
}

TEST(ParameterCodec, MirrorsIntoTheModuleRecord) {
    Editor e;
    e.store->DeviceTable[1].FormatTag = RecordFormat::WithModule;
    e.Apply(0, "ABCDEFGHIJKLMNOPQRST");
    const Bytes& m = e.store->LanModuleTable[1].Record;
    EXPECT_EQ(std::string(m.begin(), m.begin() + 8), "UpdateLM");
    EXPECT_EQ(std::string(m.begin() + 32, m.begin() + 48), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(m[172], ModuleChecksum(m));
    e.Apply(6, "10.0.0.254");
    EXPECT_EQ(Bytes(m.begin() + 120, m.begin() + 124), (Bytes{10, 0, 0, 254}));
    const Bytes before = m;
    e.Apply(12, "9600");  // no module code
    EXPECT_EQ(m, before);
}

// Every editable row: apply each choice (or a sample text), decode, and see
// the same text again.
TEST(ParameterCodec, RoundTripEveryEditableRow) {
    const std::map<long, std::vector<std::string>> samples = {
        {0, {"Server-1", ""}}, {2, {"secret"}}, {4, {"192.168.1.250"}}, {5, {"255.255.0.0"}},
        {6, {"0.0.0.0"}}, {10, {"PCB-4193-01"}}, {17, {"0", "100", "65535"}}, {18, {"0", "255"}},
        {24, {"4000", "8888"}}, {28, {"10.20.30.40"}}, {29, {"Model X"}}, {30, {std::string(48, 'n')}},
        {31, {"BR-0001"}},
    };
    for (long row = 0; row < static_cast<long>(kParameterCount); ++row) {
        if (!IsEditableRow(row)) continue;
        std::vector<std::string> texts;
        for (auto c : RowChoices(row)) texts.emplace_back(c);
        if (texts.empty()) {
            ASSERT_TRUE(samples.count(row)) << "no sample for row " << row;
            texts = samples.at(row);
        }
        for (const auto& t : texts) {
            Editor e;
            ASSERT_EQ(e.Apply(row, t), ApplyOutcome::Written) << row << " " << t;
            EXPECT_EQ(e.Decoded(row), t) << row;
        }
    }
}

// The one table of the LAN-module record joins a code, a parameter row and the
// field's place in both records: an edit of the row and an update by the code
// land on the same module bytes, and the row's own field takes the text.
TEST(ParameterCodec, ModuleFieldsJoinCodeRowAndBothRecords) {
    using P = PagedRow;
    struct Case { int code; long row; size_t recordAt; size_t moduleAt; std::string text; Bytes moduleBytes; };
    auto text16 = [](std::string_view t) {
        Bytes b(16, 0);
        std::copy(t.begin(), t.end(), b.begin());
        return b;
    };
    const Case cases[] = {
        {3, P::ServerName, 10, 32, "Server-9", text16("Server-9")},
        {4, P::SerialHardware, 26, 48, "HW-0042", text16("HW-0042")},
        {5, P::ModelNo, 126, 64, "Model X", text16("Model X")},
        {6, P::CompanyName, 78, 80, "Company & Co", text16("Company & Co")},
        {7, P::Password, 42, 96, "secret", text16("secret")},
        {8, P::IpAddress, 58, 112, "10.1.2.3", {10, 1, 2, 3}},
        {9, P::Netmask, 62, 116, "255.255.0.0", {255, 255, 0, 0}},
        {10, P::Gateway, 66, 120, "10.1.0.254", {10, 1, 0, 254}},
    };
    ASSERT_EQ(ModuleFields().size(), std::size(cases)) << "a case for every module field";
    for (const auto& c : cases) {
        ASSERT_NE(FindModuleField(c.code), nullptr) << c.code;
        EXPECT_EQ(FindModuleField(c.code), ModuleFieldOfRow(c.row)) << c.code;
        EXPECT_EQ(PagedFields()[static_cast<size_t>(c.row)].offset, c.recordAt) << c.code;

        Editor byRow;
        byRow.store->DeviceTable[1].FormatTag = RecordFormat::WithModule;
        ASSERT_EQ(byRow.Apply(c.row, c.text), ApplyOutcome::Written) << c.code;
        EXPECT_EQ(byRow.Decoded(c.row), c.text) << c.code;
        // An address is the same four bytes in both records; a text starts the field.
        const Bytes written = c.moduleBytes.size() == 4 ? c.moduleBytes : Bytes(c.text.begin(), c.text.end());
        const auto from = byRow.Record().begin() + static_cast<long>(c.recordAt);
        EXPECT_EQ(Bytes(from, from + static_cast<long>(written.size())), written) << c.code;

        const Bytes& m = byRow.store->LanModuleTable[1].Record;
        Bytes want(kModuleRecordSize, 0);
        std::copy_n("UpdateLM", 8, want.begin());
        std::copy(c.moduleBytes.begin(), c.moduleBytes.end(), want.begin() + static_cast<long>(c.moduleAt));
        want.back() = ModuleChecksum(want);
        EXPECT_EQ(m, want) << "code " << c.code << ": only its own module bytes change";

        Editor byCode;
        byCode.store->DeviceTable[1].FormatTag = RecordFormat::WithModule;
        EXPECT_TRUE(BuildModuleUpdate(*byCode.store, 1, c.code, c.text)) << c.code;
        EXPECT_EQ(byCode.store->LanModuleTable[1].Record, want) << c.code;
    }
    for (long row = -1; row <= static_cast<long>(kParameterCount); ++row) {
        const bool mirrored =
            std::any_of(std::begin(cases), std::end(cases), [row](const Case& c) { return c.row == row; });
        EXPECT_EQ(ModuleFieldOfRow(row) != nullptr, mirrored) << row;
    }
}

// What the record holds after an edit, and how that differs from the text.
TEST(ParameterCodec, EditNotesSayHowTheRecordDiffersFromTheText) {
    struct Case {
        long row;
        std::string text;
        EditNote note;
        std::string shown;
        bool module = false;  // a device updated through its LAN-module record
    };
    const Case cases[] = {
        {0, "Name", EditNote::AsTyped, "Name"},
        {0, "ABCDEFGHIJKLMNOPQRST", EditNote::Cut, "ABCDEFGHIJKLMNOP"},
        {0, std::string("A\0B", 3), EditNote::Changed, "AB"},
        {3, "enable", EditNote::Changed, "Disable"},
        {3, "Enable", EditNote::AsTyped, "Enable"},
        {12, "9601", EditNote::Refused, "110"},
        {4, "192.168.001.010", EditNote::AsTyped, "192.168.1.10"},
        {4, "192.168.1.10.5", EditNote::Refused, "0.0.0.0"},
        {17, "2.5", EditNote::Changed, "2"},
        {17, " 007 ", EditNote::AsTyped, "7"},
        {24, "4000", EditNote::AsTyped, "4000"},
        {24, "8888", EditNote::PortNotSent, "8888"},
        {24, "65536", EditNote::Refused, "0"},
        {12, "9600", EditNote::NotCarriedByModule, "110", true},
        {3, "Enable", EditNote::NotCarriedByModule, "Disable", true},
        {0, "Seventeen chars!!", EditNote::TooLongForModule, "", true},
        {30, std::string(17, 'c'), EditNote::TooLongForModule, "", true},
        {30, std::string(16, 'c'), EditNote::AsTyped, std::string(16, 'c'), true},
        {4, "10.0.0.1", EditNote::AsTyped, "10.0.0.1", true},
        // The link states lie on page 2, which no write carries.
        {9, "4)Link down", EditNote::NotSent, "4)Link down"},
        {32, "1)10/Full Duplex", EditNote::NotSent, "1)10/Full Duplex"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.row) + " " + c.text);
        Editor e;
        DecodeRecord(e.Record(), e.texts);
        if (c.module) e.store->DeviceTable[1].FormatTag = RecordFormat::WithModule;
        const DeviceRecord before = e.Record();
        const Bytes moduleBefore = e.store->LanModuleTable[1].Record;
        const EditResult r = EditParameter(*e.store, e.texts, c.row, c.text, 1);
        EXPECT_EQ(r.note, c.note);
        EXPECT_EQ(r.shown, c.shown);
        EXPECT_EQ(e.texts[static_cast<size_t>(c.row)], c.shown);
        const bool refused = c.note == EditNote::Refused || c.note == EditNote::NotCarriedByModule ||
                             c.note == EditNote::TooLongForModule;
        EXPECT_EQ(r.outcome, refused ? ApplyOutcome::Rejected : ApplyOutcome::Written);
        if (refused) {
            EXPECT_EQ(e.Record(), before);
            EXPECT_EQ(e.store->LanModuleTable[1].Record, moduleBefore);
        }
        EXPECT_EQ(EditNoteText(r.note, c.row, c.text, r.shown).empty(), c.note == EditNote::AsTyped);
    }
    EXPECT_EQ(EditNoteText(EditNote::PortNotSent, 24, "8888", "8888"),
              "TCP/UDP port: the record holds 8888, but every update sends 4000");
    EXPECT_EQ(EditNoteText(EditNote::NotCarriedByModule, 12, "9600", ""),
              "Not applied: the LAN module of this device does not carry Baud rate");
    EXPECT_EQ(RowName(26), "Connection at");
    EXPECT_EQ(EditNoteText(EditNote::Cut, 2, "a secret too long!", "a secret too lon"), "Password: longer than its 16 characters")
        << "a password is never shown";

    // A module answer too short to hold a field cannot carry an edit of it.
    Editor e;
    e.store->DeviceTable[1].FormatTag = RecordFormat::WithModule;
    e.store->LanModuleTable[1].Record.resize(100);
    EXPECT_EQ(CheckEditRoad(*e.store, 1, 0, "Name"), EditNote::AsTyped) << "the name ends at 48";
    EXPECT_EQ(CheckEditRoad(*e.store, 1, 4, "10.0.0.1"), EditNote::NotCarriedByModule) << "the address starts at 112";
    // A preview changes nothing.
    const DeviceRecord before = e.Record();
    const EditResult preview = PreviewEdit(*e.store, 1, 0, "Previewed name");
    EXPECT_EQ(preview.note, EditNote::AsTyped);
    EXPECT_EQ(preview.shown, "Previewed name");
    EXPECT_EQ(e.Record(), before);
}

// The faces' check before an update, on UTF-8 as typed: the first row that
// would not reach the device as typed, or a record that may not be sent.
TEST(ParameterCodec, AnUpdateIsRefusedForTheFirstValueThatWouldNotGoAsTyped) {
    using Rows = std::vector<std::pair<int, std::string>>;
    struct Case {
        const char* name;
        std::vector<int> pages;
        Rows rows;
        std::string refusal;
    };
    const Case cases[] = {
        {"as typed", {0, 1, 2}, {{0, "Rack-01"}, {4, "192.168.001.010"}}, ""},
        {"page 1 missing", {0, 2}, {{0, "Rack-01"}}, std::string(UpdateBlockText(UpdateBlock::NoPage1))},
        {"cut", {0, 1, 2}, {{4, "10.0.0.1"}, {0, "A name of twenty ch"}}, "Server name: cut to 16 characters, \"A name of twenty\""},
        {"no byte for a character", {0, 1, 2}, {{30, "Halle \xE2\x98\x83"}},
         "Company Name: the record holds \"Halle ?\", not \"Halle \xE2\x98\x83\""},
        {"a byte of its own", {0, 1, 2}, {{30, "Caf\xC3\xA9"}}, ""},
        {"a password is never quoted", {0, 1, 2}, {{2, "pw\xE2\x98\x83"}}, "Password: not as typed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto store = std::make_unique<DeviceStore>();
        const DeviceRecord record = RecordBuilder::Paged(Mac(1)).Row(PagedRow::ServerName, "Old");
        for (int p : c.pages) ReplyIntake(*store, PageBytes(record, p));
        const DeviceRecord before = store->DeviceTable[1].Record;
        EXPECT_EQ(UpdateRefusal(*store, 1, c.rows), c.refusal);
        EXPECT_EQ(store->DeviceTable[1].Record, before) << "nothing is applied";
    }
}
