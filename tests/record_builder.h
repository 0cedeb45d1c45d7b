// The tests' one way to make device records and replies. A row is written
// through the program's field table, so that it shows the given text in the
// details lists; the codec tests that fix the byte layout itself poke bytes
// with Put and PutText.
//
//   RecordBuilder::Paged(Mac(5)).Row(PagedRow::ServerName, "Dev5").Row(PagedRow::BaudRate, "9600")
//   RecordBuilder::Short(Mac(7)).Row(ShortRow::ServerName, "Legacy").Reply()
#pragma once

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/device_table.h"
#include "core/lan_module.h"
#include "core/record_layout.h"
#include "core/text_conversions.h"

namespace cobalin::testing {

using MacBytes = std::array<uint8_t, 6>;

// The MAC of the tests' devices: 02:7E:3A:04:C8 and the last byte.
inline MacBytes Mac(uint8_t last) { return {0x02, 0x7E, 0x3A, 0x04, 0xC8, last}; }

// A LAN module's answer to the query: 0x41 and the MAC at 8-13, in `size`
// bytes (the MAC as far as they hold it).
inline Bytes ModuleAnswer(MacBytes mac, size_t size = kModuleRecordSize) {
    Bytes b(size, 0);
    if (size > 0) b[0] = kModuleAnswerMark;
    for (size_t i = 0; i < mac.size() && kModuleMacOffset + i < size; ++i) b[kModuleMacOffset + i] = mac[i];
    return b;
}

inline void Put(DeviceRecord& r, size_t at, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) r[at++] = b;
}
inline void PutText(DeviceRecord& r, size_t at, std::string_view text) { std::memcpy(r.data() + at, text.data(), text.size()); }

// A paged page as a device sends it: 0x50, the MAC, the page number, data.
inline Bytes Page(uint8_t number, MacBytes mac, size_t length = 0) {
    Bytes b(length ? length : kPages[number].length, 0);
    b[0] = kPageMark;
    std::copy(mac.begin(), mac.end(), b.begin() + 1);
    b[7] = number;
    return b;
}

inline Bytes ShortReply(MacBytes mac) {
    Bytes b(kShortRecordSize, 0);
    std::copy(mac.begin(), mac.end(), b.begin() + kShortMacOffset);
    return b;
}

// A page of a paged record as the device sends it.
inline Bytes PageBytes(const DeviceRecord& r, int page) {
    const auto& p = kPages[static_cast<size_t>(page)];
    return {r.begin() + static_cast<long>(p.recordOffset), r.begin() + static_cast<long>(p.recordOffset + p.length)};
}

// Takes a device's pages (and its module's answer) into the table as a
// search does; returns its entry.
inline long TakePages(DeviceStore& store, const DeviceRecord& record, std::vector<int> pages = {0, 1, 2},
                      std::optional<Bytes> module = std::nullopt) {
    long entry = 0;
    for (int p : pages) entry = ReplyIntake(store, PageBytes(record, p)).entry;
    if (module) ModuleReplyIntake(store, *module);
    return entry;
}

// The bytes that make a field show a text, by the field's display encoding.
// A text the field cannot show is a mistake in the test: it throws.
inline void WriteField(const FieldDef& f, std::string_view text, DeviceRecord& r) {
    uint8_t* p = r.data() + f.offset;
    const auto fail = [&] { throw std::invalid_argument(std::string(f.label) + " cannot show \"" + std::string(text) + "\""); };
    const auto number = [&](long lo, long hi) {
        const auto v = ParseWholeNumber(text, lo, hi);
        if (!v) fail();
        return static_cast<long>(*v);
    };
    switch (f.encoding) {
        case Encoding::Text:
            if (text.size() > f.size) fail();
            std::fill_n(p, f.size, 0);
            std::copy(text.begin(), text.end(), p);
            return;
        case Encoding::Dotted: {
            const auto parts = SplitAtDots(text);
            if (parts.size() != f.size) fail();
            for (size_t i = 0; i < parts.size(); ++i) {
                const auto v = ParseWholeNumber(parts[i], 0, 255);
                if (!v) fail();
                p[i] = static_cast<uint8_t>(*v);
            }
            return;
        }
        case Encoding::Mac:
            for (size_t i = 0; i < 6; ++i) {
                const int v = text.size() == 17 ? HexPairValue(text.substr(3 * i, 2)) : -1;
                if (v < 0) fail();
                p[i] = static_cast<uint8_t>(v);
            }
            return;
        case Encoding::U16: {
            const long v = number(0, 65535);
            p[0] = static_cast<uint8_t>(v & 0xFF), p[1] = static_cast<uint8_t>(v >> 8);
            return;
        }
        case Encoding::Number: p[0] = static_cast<uint8_t>(number(0, 255)); return;
        case Encoding::PlusOne: p[0] = static_cast<uint8_t>(number(1, 256) - 1); return;
        case Encoding::Table: {
            const auto it = std::find(f.table.begin(), f.table.end(), text);
            if (it == f.table.end()) fail();
            p[0] = static_cast<uint8_t>(it - f.table.begin());
            return;
        }
        case Encoding::DataStop:
            for (const auto& c : DataStopChoices())
                if (c.text == text) return void((p[0] = c.dataCode, p[1] = c.stopCode));
            fail();
            return;
        case Encoding::VersionDate: {
            const size_t amp = text.find(" & ");
            if (amp == std::string_view::npos || amp > 8 || text.size() - amp - 3 > 16) fail();
            std::fill_n(p, 24, 0);
            std::copy_n(text.begin(), amp, p);
            std::copy(text.begin() + static_cast<long>(amp + 3), text.end(), p + 8);
            return;
        }
    }
}

// Sets rows of a paged record, to say what an edit should leave.
inline void SetRows(DeviceRecord& r, std::initializer_list<std::pair<PagedRow::Row, std::string_view>> rows) {
    for (const auto& [row, text] : rows) WriteField(PagedFields()[row], text, r);
}

class RecordBuilder {
public:
    // A paged record: the three page headers, the MAC as the identity bytes.
    static RecordBuilder Paged(MacBytes mac) {
        RecordBuilder b;
        for (uint8_t p = 0; p < 3; ++p) {
            const Bytes header = Page(p, mac, kPageHeaderSize);
            std::copy(header.begin(), header.end(), b.r_.begin() + static_cast<long>(kPages[p].recordOffset));
        }
        std::copy(mac.begin(), mac.end(), b.r_.begin() + kIdentityOffset);
        return b;
    }
    // A short record: the MAC in its field, the rest zero.
    static RecordBuilder Short(MacBytes mac) {
        RecordBuilder b;
        const Bytes reply = ShortReply(mac);
        std::copy(reply.begin(), reply.end(), b.r_.begin());
        return b;
    }
    // A row of the record's format shows the text.
    RecordBuilder& Row(PagedRow::Row row, std::string_view text) {
        WriteField(PagedFields()[row], text, r_);
        return *this;
    }
    RecordBuilder& Row(ShortRow::Row row, std::string_view text) {
        WriteField(ShortFields()[row], text, r_);
        return *this;
    }
    // Raw bytes, for what no row shows (the second serial-port block, fill patterns).
    RecordBuilder& Raw(size_t at, std::initializer_list<uint8_t> bytes) {
        Put(r_, at, bytes);
        return *this;
    }
    // Every byte of page 0's data set to a pattern, so that a write to a wrong
    // place cannot hide behind zeros.
    RecordBuilder& PatternPage0() {
        for (size_t i = kPageHeaderSize; i < kPages[0].length; ++i) r_[i] = static_cast<uint8_t>(i * 13 + 1);
        return *this;
    }

    const DeviceRecord& record() const { return r_; }
    operator const DeviceRecord&() const { return r_; }
    // The three pages of a paged record as the device sends them.
    std::vector<Bytes> Pages() const { return {PageBytes(r_, 0), PageBytes(r_, 1), PageBytes(r_, 2)}; }
    // The 98-byte reply of a short record.
    Bytes Reply() const { return {r_.begin(), r_.begin() + kShortRecordSize}; }

private:
    RecordBuilder() = default;
    DeviceRecord r_{};
};

}  // namespace cobalin::testing
