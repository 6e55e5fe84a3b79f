// Fuzzes the key/value file reader and writer: any bytes parse, every group and key can be
// read, and a value written into any group reads back the same after a save-and-reparse.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/key_value_file.h"

namespace {
void check(bool ok) {
    if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    qm::KeyValueFile file = qm::KeyValueFile::parse(text);

    qm::parseLenientInteger(text);
    qm::parseLenientReal(text);

    size_t visited = 0;
    for (const std::string& group : file.groups()) {
        if (++visited > 64) break;  // bounded work per input
        file.selectGroup(group);
        size_t keysRead = 0;
        for (const std::string& key : file.keys()) {
            if (++keysRead > 64) break;
            check(file.hasKey(key));
            file.readText(key);
            file.readInteger(key, 1);
            const double real = file.readReal(key, 0.5);
            check(real == real);  // never NaN
        }
        if (file.writeText("fuzzKey", text.substr(0, 40)) && file.writeReal("fuzzReal", 0.35)) {
            const std::string expected = file.readText("fuzzKey");
            qm::KeyValueFile again = qm::KeyValueFile::parse(file.text());
            again.selectGroup(group);
            check(again.readText("fuzzKey") == expected);
            check(again.readReal("fuzzReal") == 0.35);
        }
    }
    return 0;
}
