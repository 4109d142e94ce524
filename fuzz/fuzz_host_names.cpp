// Host names: every byte string without "/" decodes to a program name that
// holds no separator and encodes back to the same bytes.
#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "platform/host_names.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '/'), bytes.end());

    std::vector<char16_t> name;
    size_t length = DecodeHostName(bytes.data(), bytes.size(), &name);
    FuzzCheck(length == name.size(), "the decoded length is what was appended");
    FuzzCheck(std::find(name.begin(), name.end(), u'\\') == name.end(), "a decoded name holds no separator");

    std::string encoded;
    EncodeHostPath(name.data(), name.size(), &encoded);
    FuzzCheck(encoded == bytes, "decode then encode gives the host bytes back");
    return 0;
}
