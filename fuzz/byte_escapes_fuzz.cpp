// Any bytes through the raw byte view's escaping and any text through its
// unescaping and its stretch reading: the escaped text is printable, bytes
// without a "<" come back unchanged, unescaping never grows a text, and a
// stretch read is always inside the record.
#include <cstdlib>
#include <string>

#include "core/byte_escapes.h"
#include "core/record_layout.h"
#include "fuzz_input.h"

using namespace cobalin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::FuzzInput in(data, size);
    const auto startBytes = in.Take(in.Byte() % 12);
    const auto sizeBytes = in.Take(in.Byte() % 12);
    const auto rest = in.Rest();
    const std::string bytes(reinterpret_cast<const char*>(rest.data()), rest.size());

    const std::string escaped = EscapeBytesText(bytes);
    size_t printable = 0;
    for (char c : bytes) printable += static_cast<unsigned char>(c) > 32 && static_cast<unsigned char>(c) < 127;
    if (escaped.size() != printable + 4 * (bytes.size() - printable)) std::abort();
    for (char c : escaped)
        if (static_cast<unsigned char>(c) <= 32 || static_cast<unsigned char>(c) >= 127) std::abort();
    if (bytes.find('<') == std::string::npos && UnescapeBytesText(escaped) != bytes) std::abort();

    const std::string unescaped = UnescapeBytesText(bytes);
    if (unescaped.size() > bytes.size()) std::abort();
    if (bytes.find('<') == std::string::npos && unescaped != bytes) std::abort();

    const std::string startText(reinterpret_cast<const char*>(startBytes.data()), startBytes.size());
    const std::string sizeText(reinterpret_cast<const char*>(sizeBytes.data()), sizeBytes.size());
    if (const auto range = ParseByteRange(startText, sizeText, kRecordSize))
        if (range->start > kRecordSize || range->size > kRecordSize - range->start) std::abort();
    return 0;
}
